#pragma once
// Subform `Contenus Sous-formulaire`: the coding rows of the segment shown,
// each with five drop-down lookups, one per list, that show the list's
// values in French order, store the value's number and accept only listed
// values. Every change is saved at once, as a step of the analysis's
// history (Édition > Annuler).
#include <QWidget>
#include <array>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QStandardItemModel;
class QVBoxLayout;

namespace coding {

class CodingStore;
class Session;
struct Coding;

class ContenusSubform : public QWidget
{
    Q_OBJECT
public:
    explicit ContenusSubform(Session &session, QWidget *parent = nullptr);

    // Reads the five lists again: their names (the lookups' captions), their
    // values in French order, the values' definitions (the lookups'
    // tooltips). Throws StoreError.
    void loadLists();
    // Disables every change of the rows (a read-only analysis); follows the
    // analysis's history (History::setReadOnly).
    void setReadOnly(bool readOnly);
    // Shows the coding rows of a segment (0: none). Throws StoreError.
    void showSegment(qint64 segment);
    // Reads the rows of the shown segment again, keeping the focus where it
    // was. Throws StoreError.
    void reload();

    int rowCount() const { return int(m_rows.size()); }
    // The combo of list K (1 to 5) on row R (0-based).
    QComboBox *combo(int row, int list) const;
    // The coding row number on row R.
    qint64 codingAt(int row) const;

public slots:
    // Adds a coding row to the segment, pointing to row 1 of each list, and
    // puts the focus on its first list.
    void addRow();
    // Deletes the current row after asking.
    void deleteRow();
    // Puts the focus on list K of the current row.
    void focusList(int list);

signals:
    // The segment's coded mark may have changed.
    void codingChanged(qint64 segment, bool coded);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct RowWidgets {
        qint64 coding = 0;
        std::array<qint64, 5> stored{}; // the values the database holds
        QWidget *line = nullptr;
        QLabel *number = nullptr;
        std::array<QComboBox *, 5> combos{};
    };
    void build(const std::vector<Coding> &codings);
    void valueChosen(int row, int list, int index);
    // Scrolls the rows so that this one shows.
    void reveal(QWidget *line);
    // Shows the segment's rows again after a row was added or deleted (told
    // by `change`), the focus on the first list of that row.
    void showAfterChange(const QString &change, int row);
    void announce();

    Session &m_session;
    CodingStore &m_store;
    qint64 m_segment = 0;
    bool m_readOnly = false;
    std::array<QLabel *, 5> m_titles{};
    std::array<QStandardItemModel *, 5> m_models{};
    std::vector<RowWidgets> m_rows;
    int m_currentRow = -1;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_lines = nullptr;
    QVBoxLayout *m_linesLayout = nullptr;
    QLabel *m_empty = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace coding
