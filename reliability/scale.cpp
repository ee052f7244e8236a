#include "reliability/scale.h"

#include <QRegularExpression>

namespace reliability {

QString levelName(Level level)
{
    switch (level) {
    case Level::Nominal:
        return QStringLiteral("nominal");
    case Level::Ordinal:
        return QStringLiteral("ordinal");
    case Level::Interval:
        return QStringLiteral("intervalle");
    case Level::Ratio:
        return QStringLiteral("ratio");
    }
    return QString();
}

std::optional<double> leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?\\d+(?:[.,]\\d+)?)(?![\\d.,])"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<std::map<qint64, double>> scale(const std::map<qint64, QString> &values, Level level,
                                              QString *error)
{
    std::map<qint64, double> result;
    if (level == Level::Nominal) {
        for (const auto &entry : values)
            result[entry.first] = double(entry.first);
        return result;
    }
    for (const auto &entry : values) {
        const std::optional<double> v = leadingNumber(entry.second);
        if (!v) {
            if (level == Level::Ordinal) {
                // Not all numbered: the order of the list.
                result.clear();
                for (const auto &e : values)
                    result[e.first] = double(e.first);
                return result;
            }
            if (error)
                *error = QStringLiteral("la valeur « %1 » ne commence pas par un nombre : le "
                                        "niveau %2 demande des valeurs numériques")
                             .arg(entry.second, levelName(level));
            return std::nullopt;
        }
        if (level == Level::Ratio && *v < 0) {
            if (error)
                *error = QStringLiteral("la valeur « %1 » est négative : le niveau ratio demande "
                                        "des valeurs positives ou nulles")
                             .arg(entry.second);
            return std::nullopt;
        }
        result[entry.first] = *v;
    }
    return result;
}

Table rescale(const Table &table, const std::map<qint64, double> &scale)
{
    Table result(table.units(), table.coders());
    for (qint64 u = 0; u < table.units(); ++u)
        for (int c = 0; c < table.coders(); ++c) {
            const double v = table.at(u, c);
            if (Table::isMissing(v))
                continue;
            const auto it = scale.find(qint64(v));
            if (it != scale.end())
                result.set(u, c, it->second);
        }
    return result;
}

} // namespace reliability
