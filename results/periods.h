#pragma once
// Counts over an attribute of dates (AAAA-MM-JJ) gathered by month or by
// year, for the charts: the periods in time order from the first date found
// to the last, those in between that hold nothing included with 0, so that
// a gap shows as a gap. A category whose label is not a date (the column
// "(sans valeur)") has no period: its counts are set apart as undated.
#include <QString>
#include <vector>

namespace results {

enum class Period { Month, Year };

struct PeriodCounts {
    std::vector<QString> periods;            // "2003-01" by month, "2003" by year
    std::vector<std::vector<qint64>> counts; // [period][series]
    qint64 undated = 0;                      // the counts of categories without a date
};

// dates: one label per category; counts: [category][series], every
// category with the same number of series (else std::invalid_argument).
PeriodCounts byPeriod(const std::vector<QString> &dates,
                      const std::vector<std::vector<qint64>> &counts, Period period);

// Each series' share of its period's total, 0 to 100; 0 throughout a period
// that holds nothing (a bar of nothing, not a made-up share).
std::vector<std::vector<double>> periodShares(const PeriodCounts &counts);

} // namespace results
