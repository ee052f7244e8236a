#pragma once
// One editor of a list of comparison variables: a list box filled from its
// table, an input box and the three buttons "Ajouter", "Modifier" and
// "Supprimer". The variables window holds five of them, identical but for the
// names of their controls, table and value column.
//
// Beyond the plain list editing: the empty value (row 1 of each list) is
// neither changed nor deleted; a value holding a NUL character is refused;
// "Supprimer" on a value that coding rows use asks first, naming the value
// and the count, "Non" by default.
#include <QObject>
#include <QString>
#include <array>

class BoundField;
class PathSource;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;
class RecordSource;

// The names of one list editor: its statement, value column and the designer
// names of its controls, and where its controls lie in their frame (twips).
struct ListEditorConfig {
    const char *statement;    // "select * from Var_comp_01"
    const char *valueColumn;  // "variable01"
    const char *listBox;      // List1
    const char *inputBox;     // Text5
    const char *numeroField;  // Text2 (bound to numero)
    const char *valueField;   // Text4 (bound to the value column)
    const char *recordSource; // data1
    const char *addButton;    // Command2 "Ajouter"
    const char *modifyButton; // Command4 "Modifier"
    const char *deleteButton; // Command3 "Supprimer"
    int inputLeft;            // the list box lies right under the input box
    int inputTop;
    int buttonsLeft;          // "Ajouter" level with the input box, then 480 apart
};

// The five list editors, lists 1 to 5 in order.
const std::array<ListEditorConfig, 5> &listEditorConfigs();

class ListEditor : public QObject
{
    Q_OBJECT
public:
    // Creates the editor's controls inside `frame`, each named after its
    // designer name. The database path is read from `paths` at every fill;
    // `duplicateMessage` is the window's text shown by "Ajouter" on a
    // duplicate.
    ListEditor(const ListEditorConfig &config, const PathSource &paths,
               const QString &duplicateMessage, QWidget *frame);

    // Fills the list from the table. Throws StoreError.
    void charger_liste();

    // The user selected an entry: the input box takes its text.
    void List_Click();
    // "Ajouter", "Modifier", "Supprimer".
    void Ajouter_Click();
    void Modifier_Click();
    void Supprimer_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Position of the selected entry, or -1 when none is selected.
    int selectedPosition() const;
    // Makes the selected entry's record the current one, walking the rows
    // from the first. Throws StoreError when there is no selection or the
    // record is not found.
    void locate();
    // A value holding a NUL character is told and refused: true then.
    bool refusedValue(const QString &input);
    // The selected entry is the empty value (row 1), which is neither
    // changed nor deleted: told, and true then.
    bool refusedEmptyValue(const QString &what);
    // Deletes the located record, after asking when coding rows use it;
    // false when the user answered "Non". Throws StoreError.
    bool deleteCurrentAfterAsking();
    // Cancels an unsaved new or changed row of the record source.
    void dropPendingChange();
    void repaintWindow();

    ListEditorConfig m_config;
    const PathSource &m_paths;
    const QString &m_duplicateMessage;
    QWidget *m_frame;

    RecordSource *m_data;
    BoundField *m_numero;
    BoundField *m_value;
    QListWidget *m_list;
    QLineEdit *m_input;
    QPushButton *m_add;
    QPushButton *m_modify;
    QPushButton *m_delete;
};
