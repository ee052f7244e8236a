#pragma once
// Windows `var_comp_01` to `var_comp_05`: the editing of one list of
// comparison variables, with the list editor of the variables window (same
// controls, same rules, same message).
#include <QDialog>
#include <QString>

class ListEditor;
class PathSource;

namespace coding {

class frmVarComp : public QDialog
{
    Q_OBJECT
public:
    // list: 1 to 5.
    frmVarComp(int list, const PathSource &paths, QWidget *parent = nullptr);

    // Fills the list; when it cannot be filled, tells why and returns false
    // (the window is then not to be shown).
    bool Form_Load();

    // The name of list K as the variables window's tabs give it.
    static QString listTitle(int list);

private:
    int m_list;
    const PathSource &m_paths;
    QString m_duplicateMessage;
    ListEditor *m_editor = nullptr;
};

} // namespace coding
