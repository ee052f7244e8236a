#pragma once
// Window `Chemin`, the coding application's start-up window: the texts of
// the analysis with their numbers of segments and of coded segments.
// Choosing one (double-click or Entrée) opens its window `textes`.
#include <QMainWindow>
#include <QMap>
#include <QPointer>

class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace coding {

class Session;
class frmTextes;
class frmFiabilite;

class frmChemin : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmChemin(Session &session, QWidget *parent = nullptr);

    // Lists the texts. Failures are told in a message; the list stays empty.
    void Form_Load();

    // Opens (or brings forward) the window of the text on that line of the
    // list; null when it cannot be read.
    frmTextes *openText(int line);
    // The open window of a text, if any.
    frmTextes *textWindow(qint64 textNumber) const;

    // Opens (or brings forward) the window "Fiabilité inter-codeurs", with
    // this analysis as its first file.
    frmFiabilite *openReliability();
    // Asks the coder's name when the analysis has none.
    void askCoderIfNone();

public slots:
    void refresh();

protected:
    // The texts' windows close with it: they share its database.
    void closeEvent(QCloseEvent *event) override;
    // The counts are read again when the window comes back to the front
    // after a text's coding changed.
    void changeEvent(QEvent *event) override;

private:
    void status(const QString &text);
    void updateTitle();
    // "Notes..." and "Note sur l'analyse..." at the end of the menu.
    void addNoteActions(QMenu *edition);

    Session &m_session;
    QLabel *base = nullptr;
    QTreeWidget *Modifiable4 = nullptr;
    QPushButton *ouvrir = nullptr;
    QMap<qint64, QPointer<frmTextes>> m_open;
    bool m_stale = false;
    QPointer<frmFiabilite> m_reliability;
};

// Opens the analysis database named by `argument`, or one chosen in a file
// dialog when it is empty, and shows the start-up window. A file that cannot
// be opened (missing, not an analysis database, the template) is told in a
// message and left untouched; null then, and when the user cancels the
// dialog. A file the user may not write opens read-only. Before anything is
// written, a backup of the analysis is made (store/backup.h). When another
// program already has the analysis open, its window comes to the front
// instead: null, and *handedOver is set.
frmChemin *start(const QString &argument, bool *handedOver = nullptr);

} // namespace coding
