#include "coding/resultgrid.h"

#include "coding/filedialogs.h"
#include "common/filecause.h"
#include "common/messages.h"
#include "exchange/csv.h"
#include "results/tables.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace coding {
namespace {

QString percent(double value, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return std::isnan(value) ? QString() : locale.toString(value, 'f', 2);
}

QString nonCode()
{
    return QStringLiteral("Non codé");
}

} // namespace

QString unitName(bool segments)
{
    return segments ? QStringLiteral("segments") : QStringLiteral("lignes de codage");
}

ResultGrid frequencyGrid(const results::FrequencyTable &table, const QString &variable,
                         const QString &unit, const QLocale &locale)
{
    ResultGrid grid;
    grid.header << QStringLiteral("%1 (%2)").arg(variable, unit) << QStringLiteral("Effectif")
                << QStringLiteral("%");
    for (size_t i = 0; i < table.labels.size(); ++i)
        grid.rows << QStringList{table.labels[i], QString::number(table.counts[i]),
                                 percent(table.percent(i), locale)};
    grid.rows << QStringList{QStringLiteral("Total"), QString::number(table.total),
                             table.total > 0 ? percent(100.0, locale) : QString()};
    grid.rows << QStringList{nonCode(), QString::number(table.uncoded), QString()};
    if (table.multiple > 0)
        grid.notes << results::multipleNote(table.multiple)
                          + QStringLiteral(" : un segment qui porte deux valeurs de la liste est "
                                           "compté une fois pour chacune, le total compte donc "
                                           "plus que les segments");
    return grid;
}

ResultGrid crossGrid(const results::CrossTable &table, const QString &rowVariable,
                     const QString &columnVariable, const QString &unit, CrossShow show,
                     const QLocale &locale)
{
    const double nan = std::nan("");
    auto share = [](qint64 part, qint64 whole) {
        return whole == 0 ? std::nan("") : 100.0 * double(part) / double(whole);
    };
    auto cell = [&](size_t r, size_t c) -> QString {
        switch (show) {
        case CrossShow::Counts:
            return QString::number(table.counts[r][c]);
        case CrossShow::RowPercent:
            return percent(table.rowPercent(r, c), locale);
        case CrossShow::ColumnPercent:
            return percent(table.columnPercent(r, c), locale);
        case CrossShow::TotalPercent:
            return percent(table.totalPercent(r, c), locale);
        }
        return QString();
    };
    // The margins in the same terms as the cells.
    auto rowMargin = [&](size_t r) -> QString {
        switch (show) {
        case CrossShow::Counts:
            return QString::number(table.rowTotals[r]);
        case CrossShow::RowPercent:
            return percent(table.rowTotals[r] ? 100.0 : nan, locale);
        case CrossShow::ColumnPercent:
        case CrossShow::TotalPercent:
            return percent(share(table.rowTotals[r], table.total), locale);
        }
        return QString();
    };
    auto columnMargin = [&](size_t c) -> QString {
        switch (show) {
        case CrossShow::Counts:
            return QString::number(table.columnTotals[c]);
        case CrossShow::ColumnPercent:
            return percent(table.columnTotals[c] ? 100.0 : nan, locale);
        case CrossShow::RowPercent:
        case CrossShow::TotalPercent:
            return percent(share(table.columnTotals[c], table.total), locale);
        }
        return QString();
    };

    ResultGrid grid;
    QString what;
    switch (show) {
    case CrossShow::Counts:
        break;
    case CrossShow::RowPercent:
        what = QStringLiteral(", % en ligne");
        break;
    case CrossShow::ColumnPercent:
        what = QStringLiteral(", % en colonne");
        break;
    case CrossShow::TotalPercent:
        what = QStringLiteral(", % du total");
        break;
    }
    grid.header << QStringLiteral("%1 \\ %2 (%3%4)").arg(rowVariable, columnVariable, unit, what);
    for (const QString &label : table.columnLabels)
        grid.header << label;
    grid.header << QStringLiteral("Total");
    for (size_t r = 0; r < table.rowLabels.size(); ++r) {
        QStringList line{table.rowLabels[r]};
        for (size_t c = 0; c < table.columnLabels.size(); ++c)
            line << cell(r, c);
        line << rowMargin(r);
        grid.rows << line;
    }
    QStringList totals{QStringLiteral("Total")};
    for (size_t c = 0; c < table.columnLabels.size(); ++c)
        totals << columnMargin(c);
    totals << (show == CrossShow::Counts ? QString::number(table.total)
                                         : percent(table.total ? 100.0 : nan, locale));
    grid.rows << totals;
    // What was left out stands in the Total column, under the total it is
    // not part of.
    QStringList left{nonCode()};
    for (size_t c = 0; c < table.columnLabels.size(); ++c)
        left << QString();
    left << QString::number(table.uncoded);
    grid.rows << left;
    if (table.multiple > 0)
        grid.notes << results::multipleNote(table.multiple)
                          + QStringLiteral(" : un segment qui porte plusieurs paires de valeurs "
                                           "est compté une fois dans chaque case, le total compte "
                                           "donc plus que les segments");
    return grid;
}

QString tabSeparated(const ResultGrid &grid)
{
    auto line = [](const QStringList &fields) {
        QStringList clean;
        for (QString f : fields) {
            f.replace(QLatin1Char('\t'), QLatin1Char(' '));
            f.replace(QLatin1Char('\r'), QLatin1Char(' '));
            f.replace(QLatin1Char('\n'), QLatin1Char(' '));
            clean << f;
        }
        return clean.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text = line(grid.header);
    for (const QStringList &row : grid.rows)
        text += line(row);
    if (!grid.notes.isEmpty()) {
        text += QLatin1Char('\n');
        for (const QString &note : grid.notes)
            text += line({note});
    }
    return text;
}

QString writeGridCsv(const ResultGrid &given, const QString &file, bool comma)
{
    // With ";" a French spreadsheet reads decimal commas; with "," the
    // decimal mark is a full stop.
    ResultGrid grid = given;
    if (comma) {
        for (QStringList &row : grid.rows)
            for (int c = 1; c < row.size(); ++c)
                row[c].replace(QLatin1Char(','), QLatin1Char('.'));
    }
    QSaveFile out(file);
    bool written = out.open(QIODevice::WriteOnly);
    if (written) {
        csv::Writer writer(&out, comma ? QLatin1Char(',') : QLatin1Char(';'));
        written = writer.writeBom() && writer.write(grid.header);
        for (const QStringList &row : grid.rows)
            written = written && writer.write(row);
        if (!grid.notes.isEmpty())
            written = written && writer.write(QStringList{QString()});
        for (const QString &note : grid.notes)
            written = written && writer.write(QStringList{note});
        written = written && out.commit();
    }
    return written ? QString() : filecause::fromFileError(out.error());
}

QString exportGrid(QWidget *parent, const ResultGrid &grid, const QString &databasePath,
                   bool comma, const QString &suffix)
{
    const QFileInfo db(databasePath);
    const QString suggested = db.dir().filePath(db.completeBaseName() + suffix);
    const QString file = dialogs::saveCsv(parent, suggested, QStringLiteral("Exporter le tableau"));
    if (file.isEmpty())
        return QString();
    const QString canonical = db.canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(file).canonicalFilePath() == canonical) {
        messages::error(parent, QStringLiteral("Le tableau ne peut pas être exporté dans la base "
                                               "d'analyse « %1 » elle-même.")
                                    .arg(file));
        return QString();
    }
    const QString cause = writeGridCsv(grid, file, comma);
    if (!cause.isEmpty()) {
        messages::error(parent, QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.")
                                    .arg(file, cause));
        return QString();
    }
    return QStringLiteral("Tableau exporté dans « %1 ».").arg(file);
}

} // namespace coding
