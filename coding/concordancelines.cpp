#include "coding/concordancelines.h"

#include "store/storeerror.h"

#include <QFont>

namespace coding {

int ConcordanceLines::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int ConcordanceLines::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

bool ConcordanceLines::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_failed && morePages();
}

void ConcordanceLines::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    try {
        readPage();
    } catch (const StoreError &e) {
        m_failed = true;
        if (onFailure)
            onFailure(e.message());
    }
}

QVariant ConcordanceLines::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[] = {"Texte", "Segment", "Avant", "Trouvé", "Après"};
    return QString::fromUtf8(names[section]);
}

QVariant ConcordanceLines::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const search::ConcordanceLine &l = m_lines[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case TextColumn:
            return l.hit.text;
        case SegmentColumn:
            return l.hit.segment;
        case BeforeColumn:
            return l.before;
        case FoundColumn:
            return l.found;
        default:
            return l.after;
        }
    case Qt::TextAlignmentRole:
        if (index.column() == BeforeColumn || index.column() <= SegmentColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (index.column() == FoundColumn) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

void ConcordanceLines::restart()
{
    m_lines.clear();
    m_failed = false;
}

void ConcordanceLines::append(std::vector<search::ConcordanceLine> lines)
{
    if (lines.empty())
        return;
    beginInsertRows({}, int(m_lines.size()), int(m_lines.size() + lines.size()) - 1);
    for (search::ConcordanceLine &l : lines) {
        for (QString *s : {&l.before, &l.found, &l.after})
            s->replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '))
                .replace(QLatin1Char('\t'), QLatin1Char(' '));
        m_lines.push_back(std::move(l));
    }
    endInsertRows();
}

void ElideLeftDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideLeft;
}

} // namespace coding
