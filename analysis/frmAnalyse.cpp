#include "analysis/frmAnalyse.h"

#include "analysis/olelink.h"
#include "analysis/segmenter.h"
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "common/desktop.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "common/twips.h"
#include "guide/guide.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include "about/frmabout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(path);
}

// The progress bar is moved at most this often while a text is cut.
constexpr qint64 kRepaintEveryMs = 50;

} // namespace

frmAnalyse::frmAnalyse(const PathSource &paths, QWidget *mainWindow, QWidget *parent)
    : QMainWindow(parent), m_paths(paths), m_mainWindow(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAnalyse"));
    build();

    // Timer1 counts from the window's creation.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmAnalyse::Timer1_Timer);
    Timer1->start();

    // A program that ends while a take-in waits leaves nothing of it behind.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &frmAnalyse::rollBackTakeIn);

    Form_Load();
}

frmAnalyse::~frmAnalyse()
{
    rollBackTakeIn();
}

void frmAnalyse::build()
{
    setWindowTitle(QStringLiteral("Telmira - Analyse"));
    setWindowIcon(QIcon(QStringLiteral(":/images/logo.png")));

    // Menus.
    fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    fermer = fichier->addAction(QStringLiteral("&Fermer"));
    fermer->setObjectName(QStringLiteral("fermer"));
    connect(fermer, &QAction::triggered, this, &frmAnalyse::fermer_Click);
    aide = menuBar()->addMenu(QStringLiteral("&Aide"));
    aide->setObjectName(QStringLiteral("aide"));
    aide->addAction(guide::makeAction(this));
    About = aide->addAction(QStringLiteral("&A propos de"));
    About->setObjectName(QStringLiteral("About"));
    connect(About, &QAction::triggered, this, &frmAnalyse::About_Click);

    // Client area.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    look::setBackground(client, look::kLightYellow);
    setCentralWidget(client);

    Frame3 = new QGroupBox(QStringLiteral("Détermination des phrases"), client);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    look::styleFrame(Frame3, look::kDarkBlue, look::font(look::kTimes, 12, true),
                     look::kLightYellow);
    twips::place(Frame3, 120, 0, 9615, 3375);

    Label1 = new QLabel(QStringLiteral("Veuillez patientez, traitement en cours..."), Frame3);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Children of the styled frame get their own font and colour, not its
    // caption's.
    look::setOwnLook(Label1, look::font(look::kVerdana, 20.25, true, true));
    twips::place(Label1, 120, 960, 9375, 855);

    ProgressBar1 = new QProgressBar(Frame3);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    look::setOwnLook(ProgressBar1);
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    twips::place(ProgressBar1, 240, 2040, 9135, 615);

    Frame1 = new QGroupBox(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    look::setFrameGround(Frame1, look::kLightYellow);
    twips::place(Frame1, 120, 0, 9615, 3375);
    Frame1->hide();

    OLE1 = new OleLink(Frame1);
    OLE1->setObjectName(QStringLiteral("OLE1"));
    look::setOwnLook(OLE1);
    look::setBackground(OLE1, look::kLightYellow);
    twips::place(OLE1, 960, 240, 795, 795);
    connect(OLE1, &OleLink::activated, this, &frmAnalyse::Command1_Click);

    Command1 = new QPushButton(QStringLiteral("Analyse "), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    look::setOwnLook(Command1, look::font(look::kTimes, 18, true));
    twips::place(Command1, 3240, 1200, 3015, 975);
    connect(Command1, &QPushButton::clicked, this, &frmAnalyse::Command1_Click);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(twips::toPixels(255));
    Panel1 = new QLabel(StatusBar1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    StatusBar1->addWidget(Panel1, 1);
    setStatusBar(StatusBar1);
    // The menu bar and the status bar (which names the text) keep the
    // platform's look, not the window's yellow.
    look::setPlatformLook(menuBar());
    look::setPlatformLook(StatusBar1);

    // Hidden record sources and their bound fields (named by their
    // constructors).
    data2 = new RecordSource(QStringLiteral("data2"), this);
    Text4 = new BoundField(QStringLiteral("Text4"), data2, QStringLiteral("numero"), this);
    Text5 = new BoundField(QStringLiteral("Text5"), data2, QStringLiteral("chemin"), this);
    data1 = new RecordSource(QStringLiteral("data1"), this);
    Text2 = new BoundField(QStringLiteral("Text2"), data1, QStringLiteral("numtexte"), this);
    Text3 = new BoundField(QStringLiteral("Text3"), data1, QStringLiteral("texte"), this);

    // Client area 9840 x 3750 twips (status bar included), menu bar above it.
    resize(twips::toPixels(9840), twips::toPixels(3750) + menuBar()->sizeHint().height());
}

void frmAnalyse::Form_Load()
{
    if (m_mainWindow)
        m_mainWindow->hide();
}

void frmAnalyse::Form_Unload()
{
    rollBackTakeIn();
    Timer1->stop();
    if (m_mainWindow)
        m_mainWindow->show();
}

void frmAnalyse::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        // The first activation follows the showing, as its own event.
        QTimer::singleShot(0, this, &frmAnalyse::Form_Activate);
    }
}

void frmAnalyse::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmAnalyse::rollBackTakeIn()
{
    if (m_pending && m_db)
        m_db->rollback();
    m_pending = false;
}

void frmAnalyse::fail(const QString &what, const QString &cause)
{
    rollBackTakeIn();
    Timer1->stop();
    m_failed = true;
    unsetCursor();
    messages::error(this, what + QStringLiteral("\n\n") + cause);
    // A failure met while the About window is open (the tick came meanwhile)
    // closes this window once the About window has closed: closing it now
    // would destroy the About window from inside its own event loop.
    if (!m_aboutOpen)
        QTimer::singleShot(0, this, [this] { close(); });
}

void frmAnalyse::openSegments(const QString &connectionString, const QString &textNumber)
{
    data1->setConnectionString(connectionString);
    data1->setConnection(m_db);
    data1->setRecordSource(takein::segmentsStatement(textNumber));
    data1->refresh();
}

void frmAnalyse::showAnalysisPanel()
{
    Frame3->hide();
    Frame1->show();
}

void frmAnalyse::Form_Activate()
{
    if (m_failed || !isVisible())
        return;
    Frame1->hide();
    Frame3->show();

    const QString databasePath = m_paths.databasePath();
    const QString textPath = m_paths.textPath();
    OLE1->link(databasePath);

    try {
        const QString connection = connstr::build(databasePath);
        if (!m_db || (!m_pending && m_db->path() != databasePath))
            m_db = Connection::open(databasePath);

        data2->setConnectionString(connection);
        data2->setConnection(m_db);
        data2->setRecordSource(takein::textStatement(textPath));
        data2->refresh();

        if (Text4->text().isEmpty()) {
            // A new text: its row waits in a transaction for its segments.
            m_db->begin();
            m_pending = true;
            m_pendingText = textPath;
            takein::addText(*data2, textPath);
            openSegments(connection, Text4->text());
            if (m_timerFired) // shown late: the tick has passed already
                QTimer::singleShot(0, this, &frmAnalyse::Timer1_Timer);
        } else if (m_pending) {
            // Back from a modal window before the tick: the segmentation
            // still has to run; the row found is this window's own.
            openSegments(connection, Text4->text());
        } else {
            openSegments(connection, Text4->text());
            Timer1->stop();
            showAnalysisPanel();
            if (data1->recordCount() > 0)
                data1->moveFirst();
        }
    } catch (const StoreError &e) {
        fail(QStringLiteral("Le texte %1 n'a pas pu être ouvert dans la base d'analyse %2 ; "
                            "rien n'y a été enregistré.")
                 .arg(quoted(textPath), quoted(databasePath)),
             e.message());
    }
}

void frmAnalyse::Timer1_Timer()
{
    Timer1->stop();
    m_timerFired = true;
    if (m_pending)
        determiner_phrases();
}

void frmAnalyse::determiner_phrases()
{
    const QString textPath = m_pendingText;
    const QString databasePath = m_db ? m_db->path() : m_paths.databasePath();
    setCursor(Qt::WaitCursor);
    ProgressBar1->setMaximum(segmentation::kProgressMaximum);

    // The progress value follows every line; the bar itself is moved (and so
    // repainted) only every 50 ms, since a bar moved at each line would cost
    // more than the cutting itself.
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    auto progress = [this, &sinceRepaint](int value) {
        m_progress = value;
        emit progressChanged(value);
        if (sinceRepaint.elapsed() >= kRepaintEveryMs) {
            ProgressBar1->setValue(value);
            sinceRepaint.restart();
        }
    };

    QString failure;
    try {
        // The file is checked (a regular file, neither this database nor the
        // template) before anything is read from it.
        takein::TextFileSource source(textPath, *m_db);
        takein::storeSegments(source, *data1, Text4->text(), progress);
        m_db->commit();
        m_pending = false;
    } catch (const StoreError &e) {
        failure = e.message();
    } catch (const textfile::ReadError &e) {
        failure = e.message();
    }
    if (!failure.isEmpty()) {
        fail(QStringLiteral("Le texte %1 n'a pas pu être découpé en phrases ; rien n'en a été "
                            "enregistré dans la base d'analyse %2.")
                 .arg(quoted(textPath), quoted(databasePath)),
             failure);
        return;
    }

    Panel1->setText(textPath);
    try {
        // data1 already holds exactly this text's rows, in the order they were
        // saved (a new text number has no other segments), so it is put on
        // its first row without running its statement again: a second run
        // would hold the keys of a long text twice over for a moment.
        if (data1->recordCount() > 0)
            data1->moveFirst();
    } catch (const StoreError &e) {
        // The text is stored; only reading it back failed.
        messages::error(this, QStringLiteral("Les phrases du texte %1 sont enregistrées dans la "
                                             "base d'analyse %2, mais elles n'ont pas pu être "
                                             "relues.\n\n%3")
                                  .arg(quoted(textPath), quoted(databasePath), e.message()));
    }
    m_progress = segmentation::kProgressDone;
    ProgressBar1->setValue(m_progress);
    emit progressChanged(m_progress);
    unsetCursor();
    showAnalysisPanel();
}

void frmAnalyse::Command1_Click()
{
    const QString path = OLE1->linkedPath();
    if (!QFileInfo(path).isFile()) {
        messages::error(this, QStringLiteral("La base d'analyse %1 est introuvable : elle ne peut "
                                             "pas être ouverte.")
                                  .arg(quoted(path)));
        return;
    }
    // The coding application "Analyse de contenu" lies beside the program: it
    // opens the file itself. Without it, the desktop's application does.
    const QString coding =
        QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage");
    if (QFileInfo(coding).isExecutable() && desktop::startDetached(coding, {path}))
        return;
    if (!OLE1->open())
        messages::error(this, QStringLiteral("Le bureau n'a pas pu ouvrir la base d'analyse %1 : "
                                             "aucune application ne lui est associée, ou elle "
                                             "n'a pas pu démarrer.")
                                  .arg(quoted(path)));
}

void frmAnalyse::fermer_Click()
{
    close();
}

void frmAnalyse::About_Click()
{
    m_aboutOpen = true;
    {
        frmAbout w(this);
        w.exec();
    }
    m_aboutOpen = false;
    if (m_failed) {
        close();
        return;
    }
    // Back from a window of the program: this window becomes active again.
    Form_Activate();
}
