#include "reliability/scale.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

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

namespace {

QString displayed(double v)
{
    return QLocale(QLocale::French).toString(v, 'g', 15);
}

// The first two values (by order of entry) that begin with the same number,
// as a French reason; empty when every number is its value's own.
QString sameNumber(const std::map<qint64, QString> &values, const std::map<qint64, double> &numbers,
                   Level level)
{
    std::map<double, qint64> first;
    for (const auto &entry : numbers) {
        const auto found = first.emplace(entry.second, entry.first);
        if (!found.second)
            return QStringLiteral("les valeurs « %1 » et « %2 » commencent par le même nombre "
                                  "(%3) : le niveau %4 ne les confond pas, donnez-leur des "
                                  "nombres différents")
                .arg(values.at(found.first->second), values.at(entry.first),
                     displayed(entry.second), levelName(level))
                + (level == Level::Ordinal
                       ? QStringLiteral(" ou un ordre dans la fenêtre de fiabilité")
                       : QString());
    }
    return QString();
}

} // namespace

OrdinalOrder ordinalOrder(const std::map<qint64, QString> &values)
{
    OrdinalOrder order;
    std::map<qint64, double> numbers;
    for (const auto &entry : values) {
        const std::optional<double> v = leadingNumber(entry.second);
        if (!v) {
            numbers.clear();
            break;
        }
        numbers[entry.first] = *v;
    }
    for (const auto &entry : values)
        order.values.push_back(entry.first);
    if (numbers.empty())
        return order;
    order.byLeadingNumber = true;
    std::stable_sort(order.values.begin(), order.values.end(),
                     [&](qint64 a, qint64 b) { return numbers.at(a) < numbers.at(b); });
    order.refusal = sameNumber(values, numbers, Level::Ordinal);
    return order;
}

std::optional<std::map<qint64, double>> scale(const std::map<qint64, QString> &values, Level level,
                                              QString *error, const std::vector<qint64> &order)
{
    std::map<qint64, double> result;
    if (level == Level::Nominal) {
        for (const auto &entry : values)
            result[entry.first] = double(entry.first);
        return result;
    }
    if (level == Level::Ordinal && !order.empty()) {
        // The user's order: each value its rank.
        double rank = 0;
        for (qint64 v : order)
            if (values.count(v) && !result.count(v))
                result[v] = ++rank;
        for (const auto &entry : values)
            if (!result.count(entry.first))
                result[entry.first] = ++rank;
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
    const QString refused = sameNumber(values, result, level);
    if (!refused.isEmpty()) {
        if (error)
            *error = refused;
        return std::nullopt;
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
