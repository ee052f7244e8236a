#pragma once
// Window "Attributs des textes": the texts of the analysis (rows, in number
// order: number and file name, the path as tooltip) and their attributes
// (columns, in order of creation), edited in place as in a spreadsheet: Tab
// goes to the cell on the right, Entrée to the cell below, Ctrl+V pastes a
// block of tab-separated lines from the current cell, Suppr empties the
// chosen cells. Attributes are added, renamed (a double-click on the
// column's header) and deleted (asked first when values would go with
// them); a CSV file is imported whole or not at all. Every change is one
// step of the analysis's history ("Édition > Annuler", Ctrl+Z; "Rétablir",
// Ctrl+Y). A refused name or value is told with the store's message and
// changes nothing. On a read-only analysis nothing is editable.
#include <QMainWindow>
#include <optional>

class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace coding {

class Session;

class frmAttributs : public QMainWindow
{
    Q_OBJECT
public:
    // The columns before the attributes'.
    static constexpr int kNumberColumn = 0;
    static constexpr int kFileColumn = 1;
    static constexpr int kFirstAttribute = 2;

    explicit frmAttributs(Session &session, QWidget *parent = nullptr);

    // Opens the window of the analysis over `owner` (it closes with it), or
    // brings forward the one already open; null when it cannot read.
    static frmAttributs *open(Session &session, QWidget *owner);

    // Reads the texts and the attributes again, the current cell kept.
    // Failures are told in a message; false then.
    bool Form_Load();

    // The commands of the buttons and menus.
    void addAttribute();
    void renameAttribute(int column);
    void removeAttribute(int column);
    void importCsv();
    // Pastes tab-separated lines from the current cell, in one step; a
    // block that does not fit, or a value refused, changes nothing.
    void pasteText(const QString &text);
    void clearSelection();

private:
    void cellEdited(QTableWidgetItem *item);
    void scheduleLoad();
    void setReadOnly(bool readOnly);
    void updateTitle();
    void status(const QString &text);
    // The attribute of a column; 0 for the text's columns.
    qint64 attributeOf(int column) const;
    qint64 textOf(int row) const;
    QString attributeName(int column) const;
    // Tells a failure once the current event is over (an editor may still
    // be closing).
    void tellLater(const QString &text);

    Session &m_session;
    QTableWidget *m_table = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_import = nullptr;
    bool m_loading = false;
    bool m_loadPending = false;
    bool m_ownStep = false; // a step of this window's own, which it shows already
    bool m_readOnly = false;
};

// Asks an attribute's name in a small dialog ("NomAttribut"); nullopt when
// the user cancels.
std::optional<QString> askAttributeName(QWidget *parent, const QString &title,
                                        const QString &current);

// "Importer des attributs (CSV)...": asks for the file and takes it in as one
// step; returns the text for the status bar (empty when nothing was taken
// in; a failure is told in a message).
QString importAttributes(Session &session, QWidget *parent);

} // namespace coding
