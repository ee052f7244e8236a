#include "results/periods.h"

#include <QDate>

#include <map>
#include <stdexcept>

namespace results {
namespace {

// A period as a number that counts them: months since year 0, or the year.
int periodOf(const QDate &date, Period period)
{
    return period == Period::Year ? date.year() : date.year() * 12 + (date.month() - 1);
}

QString labelOf(int key, Period period)
{
    if (period == Period::Year)
        return QString::number(key);
    return QStringLiteral("%1-%2").arg(key / 12, 4, 10, QLatin1Char('0')).arg(key % 12 + 1, 2, 10,
                                                                              QLatin1Char('0'));
}

} // namespace

PeriodCounts byPeriod(const std::vector<QString> &dates,
                      const std::vector<std::vector<qint64>> &counts, Period period)
{
    if (dates.size() != counts.size())
        throw std::invalid_argument("byPeriod: one row of counts per date");
    const size_t series = counts.empty() ? 0 : counts.front().size();
    PeriodCounts result;
    std::map<int, std::vector<qint64>> found;
    for (size_t i = 0; i < dates.size(); ++i) {
        if (counts[i].size() != series)
            throw std::invalid_argument("byPeriod: the same series in every category");
        const QDate date = QDate::fromString(dates[i], QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || dates[i].size() != 10) {
            for (qint64 n : counts[i])
                result.undated += n;
            continue;
        }
        std::vector<qint64> &sums = found[periodOf(date, period)];
        sums.resize(series, 0);
        for (size_t s = 0; s < series; ++s)
            sums[s] += counts[i][s];
    }
    if (found.empty())
        return result;
    const int first = found.begin()->first;
    const int last = found.rbegin()->first;
    for (int key = first; key <= last; ++key) {
        result.periods.push_back(labelOf(key, period));
        const auto it = found.find(key);
        result.counts.push_back(it == found.end() ? std::vector<qint64>(series, 0) : it->second);
    }
    return result;
}

std::vector<std::vector<double>> periodShares(const PeriodCounts &counts)
{
    std::vector<std::vector<double>> shares;
    shares.reserve(counts.counts.size());
    for (const std::vector<qint64> &row : counts.counts) {
        qint64 total = 0;
        for (qint64 n : row)
            total += n;
        std::vector<double> line;
        line.reserve(row.size());
        for (qint64 n : row)
            line.push_back(total == 0 ? 0.0 : 100.0 * double(n) / double(total));
        shares.push_back(std::move(line));
    }
    return shares;
}

} // namespace results
