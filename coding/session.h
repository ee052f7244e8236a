#pragma once
// The open analysis database of the coding application and what its windows
// share: the list windows, the exports and their separator.
#include "common/pathsource.h"
#include "store/backup.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <map>
#include <memory>

class QAction;
class QMainWindow;
class QMenu;
class QSettings;
class QWidget;

namespace coding {

class CodingStore;
class frmRecherche;
class frmResultats;
class frmVocabulaire;
class History;
class Suggester;
class frmSuggestions;

class Session : public QObject, public PathSource
{
    Q_OBJECT
public:
    explicit Session(std::unique_ptr<CodingStore> store, QObject *parent = nullptr);
    ~Session() override;

    CodingStore &store() { return *m_store; }
    // The undo history of this analysis, shared by its windows.
    History &history() { return *m_history; }
    // The suggestions learnt from the coding (started by the coding window).
    Suggester &suggester() { return *m_suggester; }

    // Nothing may be changed: the analysis was opened read-only (a file or
    // folder the user may not write), or its file was replaced or deleted
    // since (fileLost). Every editing action of the windows is then
    // disabled; reading, results and export stay.
    bool readOnly() const;
    bool fileLost() const { return m_lost; }
    // " - lecture seule" (or what the file became) for the windows' titles;
    // empty when the analysis may be changed.
    QString titleMark() const;
    // Checks that the path still names the file opened. When it no longer
    // does, tells the user once (over `parent`) and the session becomes
    // read-only (readOnlyChanged). Returns whether the file is still there.
    // Checked every two seconds and whenever the program comes to the front.
    bool checkFile(QWidget *parent);

    // Shows the backups of the analysis and puts the one chosen back, after
    // asking (the present state is backed up first). The windows then read
    // everything again (restored).
    void restoreBackup(QWidget *parent);
    QAction *makeRestoreAction(QWidget *window);

    // Tells what the backup made at the opening of `databasePath` did: in
    // the window's status bar when old copies were removed for room, and
    // once per analysis (remembered in the settings), in a message, when
    // its copies take more than a tenth of the free space of their disk.
    static void tellBackup(const backup::Outcome &outcome, const QString &databasePath,
                           QMainWindow *window);

    // The segment where the coder left a text (0 when none), kept for the
    // next opening.
    qint64 lastSegment(qint64 textNumber) const;
    void rememberSegment(qint64 textNumber, qint64 segment);

    QString textPath() const override { return QString(); }
    QString databasePath() const override;

    // The names of the five lists (their defaults where the researcher gave
    // none) and the definitions of the values of list K (1 to 5), by value
    // number. Throw StoreError.
    std::array<QString, 5> listNames();
    std::map<qint64, QString> definitions(int list);

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
    // Asks for a file (.sav or .dta) and exports the coding for SPSS or
    // Stata, one record per segment with the texts' attributes.
    QString exportStat(QWidget *parent);
    // Asks for a codebook file (the CSV that exportCodebook writes, from
    // this analysis or another) and takes it in as one step of the history:
    // the values missing are added, the lists named, the definitions set.
    // Tells what it added and what it left; a refused file is told in a
    // message naming its first bad line, and changes nothing. Returns the
    // text for the status bar (empty when nothing was taken in).
    QString importCodebook(QWidget *parent);
    // Where export dialogs start: the folder last chosen for an export in
    // this session, else the analysis's own folder, else the folder last
    // used, else the documents (never a system folder; sessionexport.cpp).
    QString exportFolder() const;
    void setExportFolder(const QString &folder) { m_exportFolder = folder; }

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
    QAction *makeStatAction(QMainWindow *window);
    // "Importer un livre de codes (CSV)...": importCodebook, disabled while
    // the analysis is read-only.
    QAction *makeCodebookImportAction(QWidget *window);
    QAction *makeCommaAction(QWidget *window);
    // "Résultats..." (Ctrl+R): opens the results window, or brings it forward.
    QAction *makeResultsAction(QWidget *window);
    // The results window, opened when needed; null when it cannot read.
    frmResultats *openResults();
    // "Rechercher..." (Ctrl+F): opens the search window, or brings it forward.
    QAction *makeSearchAction(QWidget *window);
    // The search window, one per session, opened when needed; null when it
    // cannot read.
    frmRecherche *openSearch();
    // "Vocabulaire...": opens the window of the words of the segments and
    // of the characteristic words (one per session), or brings it forward.
    QAction *makeVocabularyAction(QWidget *window);
    // That window, opened when needed; null when it cannot read.
    frmVocabulaire *openVocabulary();
    // "Suggestions...": the window of the suggestions of one list, their
    // reliability and their acceptance (one per session).
    QAction *makeSuggestionsAction(QWidget *window);
    frmSuggestions *openSuggestions();
    // "&Édition": "Annuler ..." (Ctrl+Z) and "Rétablir ..." (Ctrl+Maj+Z),
    // named after the step; the outcome in the window's status bar when it
    // has one, a refusal in a message.
    QMenu *makeEditMenu(QWidget *window);
    QAction *makeCoderAction(QWidget *window);
    QAction *makeCoderCopyAction(QWidget *window);

    // Shows a confirmation in the status bar of `window`, the window where
    // the action was started (a main window's, or a dialog's own status bar
    // "StatusBar1"); in the nearest window above it that has one when it has
    // none.
    static void tell(QWidget *window, const QString &text, int milliseconds = 8000);

signals:
    void listsChanged();
    void codingChanged();
    void commaSeparatorChanged(bool comma);
    void readOnlyChanged(bool readOnly);
    void restored();
    // A window asks for a segment to be shown in its text's coding window.
    void segmentWanted(qint64 text, qint64 segment);
    void coderChanged(const QString &name);

private:
    QString positionKey(qint64 textNumber) const;
    // Asks for the file of an export, proposed as the analysis's name with
    // `suffix` in the export folder; empty when the user cancels.
    QString askExportFile(QWidget *parent, const QString &suffix, const QString &title);

    std::unique_ptr<CodingStore> m_store;
    History *m_history = nullptr;
    bool m_comma = false;
    QPointer<frmResultats> m_results;
    QPointer<frmRecherche> m_search;
    QPointer<frmVocabulaire> m_vocabulary;
    QPointer<frmSuggestions> m_suggestions;
    Suggester *m_suggester = nullptr;
    QString m_coder;
    QString m_exportFolder;
    // The texts' places; written to disk from time to time, not at each move.
    std::unique_ptr<QSettings> m_settings;
    mutable QString m_positionPrefix;
    bool m_lost = false;
    bool m_lostTold = false;
};

} // namespace coding
