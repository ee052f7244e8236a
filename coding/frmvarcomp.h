#pragma once
// Windows `var_comp_01` to `var_comp_05`: the editing of one list of
// comparison variables in the coding application. The controls and rules of
// the variables window's list editor ("Ajouter", "Modifier", "Supprimer",
// same duplicate message), and beyond them:
// - the values in French order (case and accents ignored, then by number);
// - the list's name, and a definition for each value, which may be typed
//   with the value before it is added ("definition_nouvelle");
// - Entrée in the input box adds the value and leaves the box, emptied,
//   ready for the next;
// - "Supprimer" on a value that coding rows use asks first, naming the value
//   and the count; the empty value (row 1) is neither changed nor deleted;
// - "Remplacer par…" moves the coding rows of a value to another value of
//   the list, then deletes it;
// - every change is a step of the analysis's history ("Édition > Annuler").
#include <QDialog>
#include <QString>
#include <map>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace coding {

class Session;

class frmVarComp : public QDialog
{
    Q_OBJECT
public:
    // list: 1 to 5.
    frmVarComp(int list, Session &session, QWidget *parent = nullptr);

    // Fills the list; when it cannot be filled, tells why and returns false
    // (the window is then not to be shown).
    bool Form_Load();

    // Disables every editing control (a read-only analysis); follows the
    // analysis's history (History::setReadOnly).
    void setReadOnly(bool readOnly);

    // The default name of list K, before the researcher names it.
    static QString listTitle(int list);

    // Fills the list from the table, in French order. Throws StoreError.
    void charger_liste();

    void List_Click();
    void Ajouter_Click();
    void Modifier_Click();
    void Supprimer_Click();
    void Remplacer_Click();
    void nom_liste_Changed();
    void enregistrer_definition_Click();

private:
    // The number of the selected value, or 0 when none is selected.
    qint64 selectedValue() const;
    // The tooltip of a value: its definition, else its number.
    QString tipOf(qint64 numero) const;
    // Tells that the empty value cannot be changed, deleted or replaced.
    void refuseEmptyValue(const QString &what);
    void showTitle();
    void storeFailed(const QString &what, const QString &message);

    int m_list;
    Session &m_session;
    QString m_duplicateMessage;
    QString m_name;
    std::map<qint64, QString> m_definitions;
    bool m_readOnly = false;

    QMenuBar *m_menuBar = nullptr;
    QLabel *m_title = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QListWidget *m_listBox = nullptr;
    QLineEdit *m_input = nullptr;
    QLineEdit *m_newDefinition = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_modify = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_replace = nullptr;
    QPlainTextEdit *m_definition = nullptr;
    QPushButton *m_saveDefinition = nullptr;
};

} // namespace coding
