#pragma once
// The segments of one text for a list view: number, start of the text and
// whether it is coded. Only the keys of the segments are held; the
// summaries are read in blocks as the view asks for them, so that a text of
// 100,000 segments opens and scrolls smoothly.
#include <QAbstractTableModel>
#include <deque>
#include <unordered_map>
#include <vector>

namespace coding {

class CodingStore;
struct SegmentSummary;

class SegmentModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NumberColumn, StartColumn, CodedColumn, ColumnCount };
    static constexpr int kBlock = 200;

    explicit SegmentModel(CodingStore &store, QObject *parent = nullptr);
    ~SegmentModel() override;

    // Shows the segments of a text (their numbers in order). Throws nothing.
    void setSegments(qint64 textNumber, std::vector<qint64> keys);
    const std::vector<qint64> &keys() const { return m_keys; }
    // The row of a segment, or -1.
    int rowOf(qint64 segment) const;
    // Forgets what was read (the next paint reads afresh).
    void invalidate();
    // Reads the coded mark of one segment again.
    void segmentChanged(qint64 segment, bool coded);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Blocks read so far (for the tests and the benchmark).
    int blocksRead() const { return m_blocksRead; }

private:
    struct Row {
        QString start;
        bool coded = false;
        bool found = false;
    };
    const Row *row(int r) const;

    CodingStore &m_store;
    qint64 m_text = 0;
    std::vector<qint64> m_keys;
    mutable std::unordered_map<int, std::vector<Row>> m_blocks;
    mutable std::deque<int> m_order; // blocks in reading order, oldest first
    mutable int m_blocksRead = 0;
    mutable bool m_failed = false;
};

} // namespace coding
