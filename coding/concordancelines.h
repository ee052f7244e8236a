#pragma once
// The lines of a concordance (text, segment, the context before, the word
// found, the context after), read a page at a time as the view asks for
// more: the search window's concordance and the lines of a dictionary's
// entry are shown alike. A subclass says how a page is read.
#include "store/searchstore.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

namespace coding {

class ConcordanceLines : public QAbstractTableModel
{
public:
    enum Column { TextColumn, SegmentColumn, BeforeColumn, FoundColumn, AfterColumn, Columns };
    // Characters of context on each side of a word found.
    static constexpr int kContextChars = 60;
    // Segments read per page (the first page comes at once).
    static constexpr int kPageSegments = 100;

    explicit ConcordanceLines(QObject *parent) : QAbstractTableModel(parent) {}

    // Told when a page cannot be read (no more pages are then asked for).
    std::function<void(const QString &)> onFailure;

    const search::ConcordanceLine &line(int row) const { return m_lines.at(size_t(row)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex &index, int role) const override;

protected:
    // Whether a page is left to read.
    virtual bool morePages() const = 0;
    // Reads the next page and appends its lines. Throws StoreError.
    virtual void readPage() = 0;

    // Empties the lines (within a model reset) for a new reading.
    void restart();
    // Adds lines at the end, line ends and tabs shown as spaces.
    void append(std::vector<search::ConcordanceLine> lines);

    std::vector<search::ConcordanceLine> m_lines;

private:
    bool m_failed = false; // a page could not be read: no more are asked for
};

// The column "Avant": cut on the left, so that the words next to the word
// found stay in view.
class ElideLeftDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace coding
