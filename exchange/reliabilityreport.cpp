#include "exchange/reliabilityreport.h"

#include "reliability/scale.h"

namespace coding::reliabilityreport {

using namespace reliability;

QStringList summaryHeader()
{
    return {QStringLiteral("variable"), QStringLiteral("nom"),    QStringLiteral("alpha"),
            QStringLiteral("kappa"),    QStringLiteral("accord"), QStringLiteral("unites"),
            QStringLiteral("multiples")};
}

QStringList summaryLine(const VariableResult &r)
{
    return {QString::number(r.list), r.name,
            fixed4(r.alpha),         fixed4(r.kappa),
            fixed4(r.agreement),     QString::number(r.units),
            QString::number(r.multiples)};
}

QList<QStringList> summaryLines(const Comparison &comparison)
{
    QList<QStringList> lines{summaryHeader()};
    for (int k = 1; k <= kLists; ++k) {
        lines << summaryLine(evaluate(comparison, k));
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
    header << QStringLiteral("niveau") << QStringLiteral("ic95_bas") << QStringLiteral("ic95_haut");
    lines << header;
    for (const VariableResult &r : results) {
        QStringList line = summaryLine(r);
        line << levelName(r.level);
        if (r.interval)
            line << fixed4(r.interval->low) << fixed4(r.interval->high);
        else
            line << QString() << QString();
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
                                 QString::number(a.count, 'f', 0), fixed4(a.alpha)};
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
    return lines;
}

} // namespace coding::reliabilityreport
