#pragma once
// The open analysis database of the coding application and what its windows
// share: the list windows, the exports and their separator.
#include "common/pathsource.h"

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QMainWindow;
class QMenu;
class QWidget;

namespace coding {

class CodingStore;

class Session : public QObject, public PathSource
{
    Q_OBJECT
public:
    explicit Session(std::unique_ptr<CodingStore> store, QObject *parent = nullptr);
    ~Session() override;

    CodingStore &store() { return *m_store; }

    QString textPath() const override { return QString(); }
    QString databasePath() const override;

    bool commaSeparator() const { return m_comma; }
    void setCommaSeparator(bool comma);

    // Opens the window of list K (1 to 5), modal; when it closes, tells the
    // windows that the lists (and maybe the coding) changed.
    void editList(int list, QWidget *parent);
    // Asks for the options and a file, and exports the coding of the whole
    // analysis into it (sessionexport.cpp). Returns the text for the status
    // bar (empty when nothing was written).
    QString exportCsv(QWidget *parent);
    // Asks for a file and exports the codebook (every list, its name, values
    // and definitions) into it.
    QString exportCodebook(QWidget *parent);

    // The coder of this analysis (empty when none was given).
    QString coderName() const { return m_coder; }
    // Stores the coder's name in the analysis; tells a failure and returns
    // false.
    bool setCoderName(const QString &name, QWidget *parent);
    // Asks the coder's name ("Fichier > Codeur...") and stores it.
    void askCoderName(QWidget *parent);
    // Asks it only when the analysis has none (once, when coding starts).
    void askCoderIfNone(QWidget *parent);
    // The window's title with the coder's name after it, when there is one.
    QString titled(const QString &title) const;

    // The menu items every window carries. The export tells its outcome in
    // the window's status bar.
    QMenu *makeListsMenu(QWidget *window);
    QAction *makeExportAction(QMainWindow *window);
    QAction *makeCodebookAction(QMainWindow *window);
    QAction *makeCommaAction(QWidget *window);
    QAction *makeCoderAction(QWidget *window);
    QAction *makeCoderCopyAction(QMainWindow *window);

signals:
    void listsChanged();
    void codingChanged();
    void commaSeparatorChanged(bool comma);
    void coderChanged(const QString &name);

private:
    // Asks for the file of an export, proposed as the analysis's name with
    // `suffix` in the export folder; empty when the user cancels.
    QString askExportFile(QWidget *parent, const QString &suffix, const QString &title);

    std::unique_ptr<CodingStore> m_store;
    bool m_comma = false;
    QString m_exportFolder; // the folder of this session's last export
    QString m_coder;
};

} // namespace coding
