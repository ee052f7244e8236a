#include "results/tables.h"

#include <limits>
#include <stdexcept>

namespace results {
namespace {

double share(qint64 part, qint64 whole)
{
    if (whole == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return 100.0 * double(part) / double(whole);
}

} // namespace

double FrequencyTable::percent(size_t i) const
{
    return share(counts.at(i), total);
}

FrequencyTable frequencyTable(std::vector<QString> labels, std::vector<qint64> counts,
                              qint64 uncoded, qint64 multiple)
{
    if (labels.size() != counts.size())
        throw std::invalid_argument("frequencyTable: one count per label");
    FrequencyTable table;
    table.labels = std::move(labels);
    table.counts = std::move(counts);
    for (qint64 c : table.counts)
        table.total += c;
    table.uncoded = uncoded;
    table.multiple = multiple;
    return table;
}

double CrossTable::rowPercent(size_t row, size_t column) const
{
    return share(counts.at(row).at(column), rowTotals.at(row));
}

double CrossTable::columnPercent(size_t row, size_t column) const
{
    return share(counts.at(row).at(column), columnTotals.at(column));
}

double CrossTable::totalPercent(size_t row, size_t column) const
{
    return share(counts.at(row).at(column), total);
}

CrossTable crossTable(std::vector<QString> rowLabels, std::vector<QString> columnLabels,
                      std::vector<std::vector<qint64>> counts, qint64 uncoded, qint64 multiple)
{
    if (counts.size() != rowLabels.size())
        throw std::invalid_argument("crossTable: one row of counts per row label");
    CrossTable table;
    table.rowTotals.assign(rowLabels.size(), 0);
    table.columnTotals.assign(columnLabels.size(), 0);
    for (size_t r = 0; r < counts.size(); ++r) {
        if (counts[r].size() != columnLabels.size())
            throw std::invalid_argument("crossTable: one count per column label");
        for (size_t c = 0; c < counts[r].size(); ++c) {
            table.rowTotals[r] += counts[r][c];
            table.columnTotals[c] += counts[r][c];
            table.total += counts[r][c];
        }
    }
    table.rowLabels = std::move(rowLabels);
    table.columnLabels = std::move(columnLabels);
    table.counts = std::move(counts);
    table.uncoded = uncoded;
    table.multiple = multiple;
    return table;
}

CrossTable transposed(const CrossTable &table)
{
    std::vector<std::vector<qint64>> counts(table.columnLabels.size(),
                                            std::vector<qint64>(table.rowLabels.size(), 0));
    for (size_t r = 0; r < table.counts.size(); ++r)
        for (size_t c = 0; c < table.counts[r].size(); ++c)
            counts[c][r] = table.counts[r][c];
    return crossTable(table.columnLabels, table.rowLabels, std::move(counts), table.uncoded,
                      table.multiple);
}

QString multipleNote(qint64 multiple)
{
    if (multiple <= 0)
        return QString();
    return multiple == 1 ? QStringLiteral("1 segment compté dans plusieurs cases")
                         : QStringLiteral("%1 segments comptés dans plusieurs cases").arg(multiple);
}

} // namespace results
