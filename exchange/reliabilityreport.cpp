#include "exchange/reliabilityreport.h"

#include "reliability/scale.h"

namespace coding::reliabilityreport {

using namespace reliability;

QStringList summaryHeader()
{
    return {QStringLiteral("variable"), QStringLiteral("nom"),    QStringLiteral("alpha"),
            QStringLiteral("kappa"),    QStringLiteral("accord"), QStringLiteral("unites"),
            QStringLiteral("multiples"), QStringLiteral("niveau")};
}

QStringList summaryLine(const VariableResult &r)
{
    return {QString::number(r.list), r.name,
            reported(r.alpha),       reportedKappa(r),
            reported(r.agreement),   QString::number(r.units),
            QString::number(r.multiples), levelName(r.level)};
}

QList<QStringList> summaryLines(const Comparison &comparison)
{
    QList<QStringList> lines{summaryHeader()};
    std::array<VariableResult, kLists> results;
    for (int k = 1; k <= kLists; ++k) {
        results[size_t(k - 1)] = evaluate(comparison, k);
        lines << summaryLine(results[size_t(k - 1)]);
    }
    lines << QStringList{QString()};
    lines << notes(results);
    return lines;
}

QList<QStringList> notes(const std::array<VariableResult, 5> &results)
{
    auto note = [](const QString &subject, const QString &text) {
        return QStringList{QStringLiteral("note"), subject, text};
    };
    QList<QStringList> lines;
    lines << note(QStringLiteral("accord"),
                  QStringLiteral("part des paires de codeurs qui donnent la même valeur, parmi "
                                 "toutes les paires de codeurs de chaque segment apparié"));
    lines << note(QStringLiteral("multiples"),
                  QStringLiteral("segments où un codeur a donné deux valeurs d'une même liste : "
                                 "ce codeur y est laissé hors d'alpha, de kappa et de l'accord "
                                 "(colonne multiples)"));
    lines << note(QStringLiteral("non codé"),
                  QStringLiteral("un segment non codé par un codeur est une donnée manquante, "
                                 "non une catégorie : il n'entre dans aucune paire"));
    lines << note(QStringLiteral("unites"),
                  QStringLiteral("segments appariés : segments où deux codeurs au moins ont "
                                 "donné une valeur"));
    for (const VariableResult &r : results) {
        if (!r.order.isEmpty())
            lines << note(QStringLiteral("ordre liste %1").arg(r.list),
                          r.order == QLatin1String("ordre choisi")
                              ? QStringLiteral("ordre des valeurs choisi dans la fenêtre de "
                                               "fiabilité")
                          : r.order == QLatin1String("nombres en tête")
                              ? QStringLiteral("valeurs ordonnées par le nombre qui les commence")
                              : QStringLiteral("valeurs ordonnées dans leur ordre de saisie (elles "
                                               "ne commencent pas toutes par un nombre)"));
        if (!r.levelError.isEmpty())
            lines << note(QStringLiteral("niveau liste %1").arg(r.list),
                          r.levelError + QStringLiteral(" ; alpha nominal calculé"));
    }
    for (const VariableResult &r : results)
        if (r.interval) {
            lines << note(QStringLiteral("bootstrap"),
                          QStringLiteral("intervalle à 95 % d'alpha : %1 tirages avec remise des "
                                         "segments appariés ; ceux où alpha est indéfini sont écartés "
                                         "(colonne tirages_utilisables)")
                              .arg(r.resamples));
            break;
        }
    return lines;
}

QString shownValue(const Comparison &comparison, int list, qint64 unit, int coder)
{
    const Variable &v = comparison.variables[size_t(list - 1)];
    if (v.isMultiple(unit, coder))
        return QStringLiteral("(valeurs multiples)");
    const double value = v.table.at(unit, coder);
    if (Table::isMissing(value))
        return QString();
    const auto &values = comparison.lists[size_t(list - 1)];
    const auto it = values.find(qint64(value));
    return it != values.end() ? it->second : QStringLiteral("n° %1").arg(qint64(value));
}

QList<QStringList> fullReport(const Comparison &comparison,
                              const std::array<VariableResult, 5> &results,
                              const std::map<qint64, QString> &starts)
{
    QList<QStringList> lines;
    QStringList header = summaryHeader();
    header << QStringLiteral("ic95_bas") << QStringLiteral("ic95_haut")
           << QStringLiteral("tirages") << QStringLiteral("tirages_utilisables")
           << QStringLiteral("ordre");
    lines << header;
    for (const VariableResult &r : results) {
        QStringList line = summaryLine(r);
        if (r.interval)
            line << reported(r.interval->low) << reported(r.interval->high)
                 << QString::number(r.resamples) << QString::number(r.interval->samples);
        else
            line << QString() << QString() << QString() << QString();
        line << r.order;
        lines << line;
    }
    lines << QStringList{QString()};
    lines << QStringList{QStringLiteral("variable"), QStringLiteral("valeur_numero"),
                         QStringLiteral("valeur"), QStringLiteral("occurrences"),
                         QStringLiteral("alpha")};
    for (const VariableResult &r : results)
        for (const ValueAlpha &a : r.values) {
            const auto &values = comparison.lists[size_t(r.list - 1)];
            const auto it = values.find(qint64(a.value));
            lines << QStringList{QString::number(r.list), QString::number(qint64(a.value)),
                                 it != values.end() ? it->second : QString(),
                                 QString::number(a.count, 'f', 0), reported(a.alpha)};
        }
    lines << QStringList{QString()};
    QStringList disagreementHeader{QStringLiteral("variable"), QStringLiteral("segment"),
                                   QStringLiteral("texte"), QStringLiteral("debut")};
    for (const Source &s : comparison.sources)
        disagreementHeader << s.coder;
    lines << disagreementHeader;
    for (const VariableResult &r : results)
        for (qint64 unit : r.disagreements) {
            QStringList line{QString::number(r.list),
                             QString::number(comparison.segments[size_t(unit)]),
                             QString::number(comparison.segmentTexts[size_t(unit)])};
            const auto start = starts.find(comparison.segments[size_t(unit)]);
            line << (start != starts.end() ? start->second : QString());
            for (int c = 0; c < int(comparison.sources.size()); ++c)
                line << shownValue(comparison, r.list, unit, c);
            lines << line;
        }
    lines << QStringList{QString()};
    lines << notes(results);
    return lines;
}

} // namespace coding::reliabilityreport
