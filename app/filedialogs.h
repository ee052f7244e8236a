#pragma once
// The main window's file-open dialogs, behind a seam so that tests can answer
// them without a screen.
#include <QString>
#include <functional>

class QWidget;

namespace filedialogs {

// Shows an Open dialog with one filter entry, e.g. "Fichiers Texte (*.TXT)",
// whose pattern matches names without regard to case. The dialog opens on
// initialName when it is not empty, and accepts a name that denotes no existing
// file. Returns the chosen full path, or the empty text when cancelled.
QString getOpenFileName(QWidget *parent, const QString &filter, const QString &initialName);

// Test seam: when set, no dialog is shown; the hook receives what the dialog
// would have been opened with and returns the chosen name ("" = cancelled).
using Hook = std::function<QString(QWidget *parent, const QString &filter,
                                   const QString &initialName)>;
void setHook(Hook hook);

} // namespace filedialogs

// One of the main window's two file dialogs: it keeps the last name it
// returned, opens on it, and returns it again when closed without a new choice
// (the empty text before the first choice).
class RememberingFileDialog
{
public:
    explicit RememberingFileDialog(QString filter) : m_filter(std::move(filter)) {}

    QString show(QWidget *parent);

private:
    QString m_filter;
    QString m_fileName;
};
