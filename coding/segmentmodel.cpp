#include "coding/segmentmodel.h"

#include "store/codingstore.h"
#include "store/storeerror.h"

#include <algorithm>

namespace coding {
namespace {
// Blocks kept at once: enough for several screens, little memory.
constexpr size_t kKeptBlocks = 64;

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}
} // namespace

SegmentModel::SegmentModel(CodingStore &store, QObject *parent)
    : QAbstractTableModel(parent), m_store(store)
{
}

SegmentModel::~SegmentModel() = default;

void SegmentModel::setSegments(qint64 textNumber, std::vector<qint64> keys)
{
    beginResetModel();
    m_text = textNumber;
    m_keys = std::move(keys);
    m_blocks.clear();
    m_order.clear();
    m_failed = false;
    endResetModel();
}

int SegmentModel::rowOf(qint64 segment) const
{
    const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), segment);
    if (it == m_keys.end() || *it != segment)
        return -1;
    return int(it - m_keys.begin());
}

void SegmentModel::invalidate()
{
    m_blocks.clear();
    m_order.clear();
    m_failed = false;
    if (!m_keys.empty())
        emit dataChanged(index(0, 0), index(int(m_keys.size()) - 1, ColumnCount - 1));
}

void SegmentModel::segmentChanged(qint64 segment, bool coded)
{
    const int r = rowOf(segment);
    if (r < 0)
        return;
    const auto it = m_blocks.find(r / kBlock);
    if (it != m_blocks.end())
        it->second[size_t(r % kBlock)].coded = coded;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

const SegmentModel::Row *SegmentModel::row(int r) const
{
    const int block = r / kBlock;
    auto it = m_blocks.find(block);
    if (it == m_blocks.end()) {
        if (m_failed)
            return nullptr;
        const size_t first = size_t(block) * kBlock;
        const size_t last = std::min(m_keys.size(), first + kBlock) - 1;
        std::vector<SegmentSummary> read;
        try {
            read = m_store.summaries(m_text, m_keys[first], m_keys[last]);
        } catch (const StoreError &) {
            // Painting goes on without the summaries; a refresh tries again.
            m_failed = true;
            return nullptr;
        }
        ++m_blocksRead;
        std::vector<Row> rows(last - first + 1);
        // Both are in number order: walk them together.
        size_t j = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            while (j < read.size() && read[j].numero < m_keys[first + i])
                ++j;
            if (j < read.size() && read[j].numero == m_keys[first + i]) {
                rows[i].start = oneLine(read[j].start);
                rows[i].coded = read[j].coded;
                rows[i].found = true;
            }
        }
        if (m_order.size() >= kKeptBlocks) {
            m_blocks.erase(m_order.front());
            m_order.pop_front();
        }
        it = m_blocks.emplace(block, std::move(rows)).first;
        m_order.push_back(block);
    }
    return &it->second[size_t(r % kBlock)];
}

int SegmentModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

int SegmentModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SegmentModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_keys.size()))
        return QVariant();
    const int r = index.row();
    if (role == Qt::TextAlignmentRole)
        return index.column() == StartColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    if (index.column() == NumberColumn)
        return QString::number(m_keys[size_t(r)]);
    const Row *summary = row(r);
    if (!summary)
        return QStringLiteral("…");
    if (index.column() == StartColumn)
        return summary->found ? summary->start : QStringLiteral("(segment supprimé)");
    return summary->coded ? QStringLiteral("oui") : QString();
}

QVariant SegmentModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NumberColumn:
        return QStringLiteral("N°");
    case StartColumn:
        return QStringLiteral("Début du segment");
    default:
        return QStringLiteral("Codé");
    }
}

} // namespace coding
