#pragma once
// Frequency tables and cross-tables of coded values, computed from counts
// that the store has gathered. The categories are the values of a list in
// list order; a value never used is there with 0. Percentages are of the
// counted total (what was left out as "non codé" is not in it); with a total
// of 0 there is no percentage (NaN) rather than a made-up one. Counted by
// segments, a segment holding two values falls in two cells: `multiple`
// says how many segments do, and then the total counts placements, not
// segments.
#include <QString>
#include <vector>

namespace results {

struct FrequencyTable {
    std::vector<QString> labels; // the values, in list order
    std::vector<qint64> counts;  // one per label
    qint64 total = 0;            // sum of the counts
    qint64 uncoded = 0;          // units left out ("non codé")
    qint64 multiple = 0;         // segments counted in several cells

    // Share of the total, 0 to 100; NaN when the total is 0.
    double percent(size_t i) const;
};

// Builds the table; labels and counts have the same size.
FrequencyTable frequencyTable(std::vector<QString> labels, std::vector<qint64> counts,
                              qint64 uncoded, qint64 multiple = 0);

struct CrossTable {
    std::vector<QString> rowLabels;          // values of the first variable
    std::vector<QString> columnLabels;       // values of the second variable
    std::vector<std::vector<qint64>> counts; // [row][column]
    std::vector<qint64> rowTotals;
    std::vector<qint64> columnTotals;
    qint64 total = 0;
    qint64 uncoded = 0;
    qint64 multiple = 0; // segments counted in several cells

    // Percentages (0 to 100) of the row's total, the column's total and the
    // grand total; NaN when that total is 0.
    double rowPercent(size_t row, size_t column) const;
    double columnPercent(size_t row, size_t column) const;
    double totalPercent(size_t row, size_t column) const;
};

// Builds the table and its margins; counts is rows x columns.
CrossTable crossTable(std::vector<QString> rowLabels, std::vector<QString> columnLabels,
                      std::vector<std::vector<qint64>> counts, qint64 uncoded,
                      qint64 multiple = 0);

// The same table with its rows and columns swapped (a list's values as the
// columns, an attribute's as the rows); its chi-square is the same.
CrossTable transposed(const CrossTable &table);

// "12 segments comptés dans plusieurs cases" (a segment holding two values of
// a list is in two of them); empty when there are none.
QString multipleNote(qint64 multiple);

} // namespace results
