#pragma once
// Subform `Contenus Sous-formulaire`: the coding rows of the segment shown,
// each with five drop-down lookups, one per list, that show the list's
// values ordered by value, store the value's number and accept only listed
// values. Every change is saved at once.
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
struct Coding;

class ContenusSubform : public QWidget
{
    Q_OBJECT
public:
    explicit ContenusSubform(CodingStore &store, QWidget *parent = nullptr);

    // Reads the five lists again (their values, ordered by value). Throws
    // StoreError.
    void loadLists();
    // Shows the coding rows of a segment (0: none). Throws StoreError.
    void showSegment(qint64 segment);
    // Reads the rows of the shown segment again, keeping the focus where it
    // was. Throws StoreError.
    void reload();

    // Whether rows may be added, changed and deleted (not on an analysis
    // opened read-only).
    void setEditable(bool editable);
    bool editable() const { return m_editable; }

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

    CodingStore &m_store;
    qint64 m_segment = 0;
    std::array<QStandardItemModel *, 5> m_models{};
    std::vector<RowWidgets> m_rows;
    int m_currentRow = -1;
    bool m_editable = true;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_lines = nullptr;
    QVBoxLayout *m_linesLayout = nullptr;
    QLabel *m_empty = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace coding
