#include "coding/frmchemin.h"

#include "coding/addtexts.h"
#include "coding/frmattributs.h"
#include "coding/filedialogs.h"
#include "coding/frmdictionnaires.h"
#include "coding/frmfiabilite.h"
#include "coding/frmnotes.h"
#include "coding/frmiramuteq.h"
#include "coding/frmtextes.h"
#include "coding/refiqdaactions.h"
#include "coding/session.h"
#include "coding/singleinstance.h"
#include "common/look.h"
#include "common/messages.h"
#include "guide/guide.h"
#include "store/backup.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace coding {

frmChemin::frmChemin(Session &session, QWidget *parent) : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("Chemin"));
    updateTitle();
    connect(&m_session, &Session::coderChanged, this, &frmChemin::updateTitle);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);

    auto *title = new QLabel(QStringLiteral("Textes de l'analyse"), central);
    title->setObjectName(QStringLiteral("titre"));
    title->setFont(look::font(look::kTimes, 14, true));
    look::setTextColour(title, look::kDarkBlue);
    layout->addWidget(title);

    base = new QLabel(QStringLiteral("Base d'analyse : %1").arg(m_session.databasePath()), central);
    base->setObjectName(QStringLiteral("base"));
    base->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(base);

    Modifiable4 = new QTreeWidget(central);
    Modifiable4->setObjectName(QStringLiteral("Modifiable4"));
    Modifiable4->setRootIsDecorated(false);
    Modifiable4->setUniformRowHeights(true);
    Modifiable4->setAlternatingRowColors(true);
    Modifiable4->setHeaderLabels({QStringLiteral("N°"), QStringLiteral("Chemin du texte"),
                                  QStringLiteral("Segments"), QStringLiteral("Segments codés")});
    Modifiable4->header()->setStretchLastSection(false);
    Modifiable4->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    Modifiable4->setColumnWidth(0, 60);
    Modifiable4->setColumnWidth(2, 90);
    Modifiable4->setColumnWidth(3, 120);
    layout->addWidget(Modifiable4, 1);
    connect(Modifiable4, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { openText(Modifiable4->indexOfTopLevelItem(item)); });

    auto *buttons = new QHBoxLayout;
    ouvrir = new QPushButton(QStringLiteral("&Ouvrir le texte (Entrée)"), central);
    ouvrir->setObjectName(QStringLiteral("ouvrir"));
    ouvrir->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(ouvrir);
    layout->addLayout(buttons);
    connect(ouvrir, &QPushButton::clicked, this, [this] {
        openText(Modifiable4->indexOfTopLevelItem(Modifiable4->currentItem()));
    });

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    auto *ajouter = fichier->addAction(QStringLiteral("&Ajouter des textes..."), this, [this] {
        addTexts(m_session, this);
        refresh();
    });
    ajouter->setObjectName(QStringLiteral("ajouterTextes"));
    ajouter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    auto *attributs = fichier->addAction(QStringLiteral("A&ttributs des textes..."), this,
                                         [this] { frmAttributs::open(m_session, this); });
    attributs->setObjectName(QStringLiteral("attributs_textes"));
    auto *importerAttributs =
        fichier->addAction(QStringLiteral("Importer des attributs (&CSV)..."), this, [this] {
            const QString done = importAttributes(m_session, this);
            if (!done.isEmpty())
                status(done);
        });
    importerAttributs->setObjectName(QStringLiteral("importer_attributs"));
    fichier->addSeparator();
    fichier->addAction(m_session.makeExportAction(this));
    fichier->addAction(m_session.makeCodebookAction(this));
    fichier->addAction(m_session.makeCodebookImportAction(this));
    fichier->addAction(m_session.makeStatAction(this));
    fichier->addAction(makeIramuteqAction(m_session, this));
    fichier->addAction(m_session.makeCommaAction(this));
    fichier->addAction(m_session.makeResultsAction(this));
    fichier->addAction(m_session.makeSearchAction(this));
    fichier->addAction(m_session.makeVocabularyAction(this));
    fichier->addAction(makeDictionariesAction(m_session, this));
    fichier->addAction(m_session.makeSuggestionsAction(this));
    fichier->addSeparator();
    fichier->addAction(m_session.makeCoderAction(this));
    fichier->addAction(m_session.makeCoderCopyAction(this));
    auto *fiabilite = fichier->addAction(QStringLiteral("Fia&bilité inter-codeurs..."), this,
                                         &frmChemin::openReliability);
    fiabilite->setObjectName(QStringLiteral("fiabilite_intercodeurs"));
    fichier->addSeparator();
    fichier->addActions(makeExchangeActions(m_session, this));
    fichier->addSeparator();
    fichier->addAction(m_session.makeRestoreAction(this));
    fichier->addSeparator();
    auto *actualiser = fichier->addAction(QStringLiteral("&Actualiser"), this, &frmChemin::refresh);
    actualiser->setObjectName(QStringLiteral("actualiser"));
    actualiser->setShortcut(QKeySequence(Qt::Key_F5));
    auto *quitter = fichier->addAction(QStringLiteral("&Quitter"), qApp,
                                       &QApplication::closeAllWindows);
    quitter->setObjectName(QStringLiteral("quitter"));
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu *edition = m_session.makeEditMenu(this);
    menuBar()->addMenu(edition);
    addNoteActions(edition);
    menuBar()->addMenu(m_session.makeListsMenu(this));
    menuBar()->addMenu(guide::makeMenu(this));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(&m_session, &Session::listsChanged, this, &frmChemin::refresh);
    connect(&m_session, &Session::readOnlyChanged, this, &frmChemin::updateTitle);
    // A backup put back: the texts' windows showed what is gone.
    connect(&m_session, &Session::restored, this, [this] {
        for (const QPointer<frmTextes> &window : std::as_const(m_open))
            if (window)
                window->close();
        m_open.clear();
        refresh();
        status(QStringLiteral("Sauvegarde restaurée."));
    });
    connect(&m_session, &Session::segmentWanted, this, [this](qint64 text, qint64 segment) {
        for (int line = 0; line < Modifiable4->topLevelItemCount(); ++line)
            if (Modifiable4->topLevelItem(line)->data(0, Qt::UserRole).toLongLong() == text) {
                if (frmTextes *window = openText(line))
                    window->goToNumber(segment);
                return;
            }
        status(QStringLiteral("Le texte n° %1 n'est plus dans l'analyse.").arg(text));
    });
    connect(&m_session, &Session::codingChanged, this, [this] {
        if (isActiveWindow())
            refresh();
        else
            m_stale = true;
    });
    resize(820, 420);
}

void frmChemin::Form_Load()
{
    refresh();
    if (Modifiable4->topLevelItemCount() > 0)
        Modifiable4->setCurrentItem(Modifiable4->topLevelItem(0));
    Modifiable4->setFocus();
}

void frmChemin::refresh()
{
    m_stale = false;
    std::vector<TextInfo> texts;
    try {
        texts = m_session.store().texts();
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La liste des textes n'a pas pu être lue.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    const int current = Modifiable4->indexOfTopLevelItem(Modifiable4->currentItem());
    Modifiable4->clear();
    for (const TextInfo &t : texts) {
        auto *item = new QTreeWidgetItem(
            {QString::number(t.numero), t.chemin, QString::number(t.segments),
             QString::number(t.coded)});
        item->setData(0, Qt::UserRole, t.numero);
        item->setToolTip(1, t.chemin);
        for (int c : {0, 2, 3})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        Modifiable4->addTopLevelItem(item);
    }
    if (current >= 0 && current < Modifiable4->topLevelItemCount())
        Modifiable4->setCurrentItem(Modifiable4->topLevelItem(current));
    ouvrir->setEnabled(!texts.empty());
    if (texts.empty())
        status(QStringLiteral("Aucun texte dans cette analyse : prenez d'abord un texte en charge "
                              "avec Telmira."));
}

frmTextes *frmChemin::textWindow(qint64 textNumber) const
{
    return m_open.value(textNumber).data();
}

frmTextes *frmChemin::openText(int line)
{
    QTreeWidgetItem *item = Modifiable4->topLevelItem(line);
    if (!item)
        return nullptr;
    const qint64 number = item->data(0, Qt::UserRole).toLongLong();
    if (frmTextes *open = textWindow(number)) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto *window = new frmTextes(m_session, number, item->text(1));
    if (!window->Form_Load()) {
        delete window;
        return nullptr;
    }
    m_open.insert(number, window);
    window->show();
    return window;
}

void frmChemin::askCoderIfNone()
{
    m_session.askCoderIfNone(this);
}

frmFiabilite *frmChemin::openReliability()
{
    if (!m_reliability) {
        m_reliability = new frmFiabilite;
        m_reliability->setAttribute(Qt::WA_DeleteOnClose);
        m_reliability->addFile(m_session.databasePath());
    }
    m_reliability->show();
    m_reliability->raise();
    m_reliability->activateWindow();
    return m_reliability;
}

void frmChemin::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_stale)
        refresh();
}

void frmChemin::closeEvent(QCloseEvent *event)
{
    for (const QPointer<frmTextes> &window : std::as_const(m_open))
        if (window)
            window->close();
    if (m_reliability)
        m_reliability->close();
    closeNotes(m_session);
    QMainWindow::closeEvent(event);
}

void frmChemin::addNoteActions(QMenu *edition)
{
    edition->addSeparator();
    edition->addAction(makeNotesAction(m_session, this));
    auto *analyse = edition->addAction(QStringLiteral("Note sur l'&analyse..."), this, [this] {
        editNote(m_session, 3, 0, QStringLiteral("Note sur l'analyse"), this);
    });
    analyse->setObjectName(QStringLiteral("note_analyse"));
}

void frmChemin::updateTitle()
{
    setWindowTitle(m_session.titled(QStringLiteral("Analyse de contenu")) + m_session.titleMark());
}

void frmChemin::status(const QString &text)
{
    statusBar()->showMessage(text, 8000);
}

frmChemin *start(const QString &argument, bool *handedOver)
{
    const guide::Scope help("ouverture_analyse");
    const QString path = argument.isEmpty() ? dialogs::openDatabase(nullptr) : argument;
    if (path.isEmpty())
        return nullptr;
    // Already open in another window of the program: that one comes forward.
    if (instance::raiseRunning(path)) {
        if (handedOver)
            *handedOver = true;
        return nullptr;
    }
    // The backup comes before anything is written to the file (the
    // upgrade of an older schema included).
    backup::Outcome backedUp;
    const auto backUp = [&backedUp](Connection &db) {
        QProgressDialog progress(QStringLiteral("Sauvegarde de l'analyse avant son ouverture..."),
                                 QStringLiteral("Arrêter"), 0, 1000);
        progress.setObjectName(QStringLiteral("progression_sauvegarde"));
        progress.setWindowTitle(QStringLiteral("Analyse de contenu"));
        progress.setMinimumDuration(500);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QString failure;
        try {
            backedUp = backup::makeWithin(db, backup::budgetFromSettings(),
                                          [&progress](int done, int total) {
                                              progress.setMaximum(std::max(total, 1));
                                              progress.setValue(
                                                  std::min(done, std::max(total, 1)));
                                              return !progress.wasCanceled();
                                          });
        } catch (const StoreError &e) {
            failure = e.message();
        }
        progress.close();
        if (!failure.isEmpty()
            && !messages::ask(nullptr, QStringLiteral("%1\n\nOuvrir l'analyse quand même, sans "
                                                      "sauvegarde ?")
                                           .arg(failure)))
            throw StoreError(QStringLiteral("L'analyse n'a pas été ouverte, faute de "
                                            "sauvegarde."));
    };
    std::unique_ptr<CodingStore> store;
    try {
        store = CodingStore::open(path, backUp);
    } catch (const StoreError &e) {
        messages::error(nullptr, QStringLiteral("Analyse de contenu ne peut pas ouvrir ce "
                                                "fichier.\n\n%1")
                                     .arg(e.message()));
        return nullptr;
    }
    auto *session = new Session(std::move(store));
    auto *window = new frmChemin(*session);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The session lives as long as its start-up window.
    QObject::connect(window, &QObject::destroyed, session, &QObject::deleteLater);
    instance::listen(path, window, [window] {
        QWidget *front = QApplication::activeModalWidget();
        if (!front)
            front = window;
        front->show();
        front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
        front->raise();
        front->activateWindow();
    });
    window->Form_Load();
    window->show();
    Session::tellBackup(backedUp, path, window);
    return window;
}

} // namespace coding
