// The guide: F1 (or "Aide > Guide d'utilisation") opens it from the windows of
// both programs, in one window, at the section of the window it is pressed
// in; its keyboard table names every shortcut of the coding window as the
// window's menus show it.
#include "../coding/codingtest.h"

#include "about/frmabout.h"
#include "analysis/frmAnalyse.h"
#include "app/Newanalyse.h"
#include "app/frmMenu.h"
#include "app/frmSplash.h"
#include "coding/addtexts.h"
#include "coding/coders.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmfiabilite.h"
#include "coding/frmtextes.h"
#include "coding/refiqdaactions.h"
#include "coding/session.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "common/qtfrench.h"
#include "guide/guide.h"
#include "guide/sections.h"
#include "variables/frmoptions.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <set>

namespace {
QList<QWidget *> guideWindows()
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmGuide") && w->isVisible())
            found << w;
    return found;
}
void closeGuide()
{
    for (QWidget *w : guideWindows())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
// As when the program starts again: the next opening makes a new window.
void forgetGuide()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmGuide"))
            delete w;
}
QWidget *topLevel(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

// Whether the heading of the section `name` is in view in the guide (the top
// of the guide when `name` is empty).
bool inView(QTextBrowser *texte, const QString &name)
{
    const int top = texte->verticalScrollBar()->value();
    if (name.isEmpty())
        return top == 0;
    QTextDocument *doc = texte->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(name)) {
                const QRectF r = doc->documentLayout()->blockBoundingRect(block);
                return r.top() >= top - 1 && r.top() < top + texte->viewport()->height();
            }
    return false;
}

// Where F1 pressed in a window took the guide.
struct Landing
{
    bool opened = false; // the guide's window came up
    QString section;     // the section it opened at
    bool inView = false; // and that section is in view
};

// Presses F1 where the window has the focus, notes where the guide opened
// and closes the guide.
Landing pressF1(QWidget *front)
{
    QWidget *target = front->focusWidget() ? front->focusWidget() : front;
    QTest::keyClick(target, Qt::Key_F1);
    Landing landing;
    const QList<QWidget *> shown = guideWindows();
    if (shown.size() != 1)
        return landing;
    landing.opened = true;
    landing.section = guide::currentSection();
    QCoreApplication::processEvents();
    landing.inView = inView(shown.first()->findChild<QTextBrowser *>("texte"), landing.section);
    closeGuide();
    return landing;
}

// Runs `open`, which waits in a modal window; once the modal window named
// `name` (its objectName, or its class) is in front, runs `act` on it, then
// closes it. Returns whether it came.
bool inFront(const QString &name, const std::function<void()> &open,
             const std::function<void(QWidget *)> &act)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *front = QApplication::activeModalWidget();
        if (seen || !front
            || (front->objectName() != name
                && QLatin1String(front->metaObject()->className()) != name))
            return;
        seen = true;
        poll.stop();
        act(front);
        front->close();
    });
    poll.start();
    open();
    poll.stop();
    return seen;
}

struct Paths : PathSource
{
    QString text;
    QString database;
    QString textPath() const override { return text; }
    QString databasePath() const override { return database; }
};
} // namespace

class TestGuide : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    Paths m_paths;
    QPointer<coding::frmChemin> m_chemin;
    // A message whose text starts so is shown, and F1 pressed in it.
    QString m_messageWanted;
    Landing m_messageLanding;

    // A window of either program, shown and active, as the row names it.
    QWidget *openWindow(const QString &which)
    {
        if (which == "frmMenu")
            return new frmMenu();
        m_chemin = coding::start(m_db);
        if (!m_chemin || which == "frmChemin")
            return m_chemin;
        return m_chemin->openText(0);
    }

    QAction *action(const char *name)
    {
        return m_chemin ? m_chemin->findChild<QAction *>(QLatin1String(name)) : nullptr;
    }

    // Opens the window or dialog the row names, in front, as the researcher
    // opens it, and presses F1 in it.
    void land(const QString &which, Landing &landing)
    {
        const auto showAndPress = [&landing](QWidget *w) {
            w->show();
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            landing = pressF1(w);
        };
        const auto press = [&landing](QWidget *front) { landing = pressF1(front); };

        // Telmira.
        if (which == "frmSplash") {
            auto *splash = new frmSplash();
            showAndPress(splash);
            splash->close();
            return;
        }
        if (which == "frmMenu") {
            frmMenu menu;
            showAndPress(&menu);
            return;
        }
        if (which == "Newanalyse") {
            frmMenu menu;
            Newanalyse dialog(menu);
            showAndPress(&dialog);
            return;
        }
        if (which == "frmAnalyse") {
            QWidget main;
            QPointer<frmAnalyse> w = new frmAnalyse(m_paths, &main);
            showAndPress(w);
            if (w)
                w->close();
            return;
        }
        if (which == "frmOptions") {
            frmOptions w(m_paths);
            QVERIFY(w.Form_Load());
            showAndPress(&w);
            return;
        }
        if (which == "frmAbout") {
            frmAbout w;
            showAndPress(&w);
            return;
        }

        // Analyse de contenu.
        m_chemin = coding::start(m_db);
        QVERIFY(m_chemin);
        if (which == "Chemin") {
            showAndPress(m_chemin);
        } else if (which == "textes") {
            coding::frmTextes *w = m_chemin->openText(0);
            QVERIFY(w);
            showAndPress(w);
        } else if (which.startsWith("var_comp_0")) {
            QAction *open = action(qPrintable("editer_" + which));
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "remplacer_par") {
            QAction *open = action("editer_var_comp_01");
            QVERIFY(open);
            bool replaced = false;
            QVERIFY(inFront("var_comp_01", [open] { open->trigger(); }, [&](QWidget *list) {
                auto *values = list->findChild<QListWidget *>("List1");
                auto *button = list->findChild<QPushButton *>("remplacer");
                QVERIFY(values && button);
                const QList<QListWidgetItem *> emploi = values->findItems("Emploi", Qt::MatchExactly);
                QCOMPARE(emploi.size(), 1);
                values->setCurrentItem(emploi.first());
                emploi.first()->setSelected(true);
                replaced = inFront("remplacer_par", [button] { button->click(); }, press);
            }));
            QVERIFY(replaced);
        } else if (which == "AjoutTextes") {
            coding::dialogs::setTextsHook({});
            QAction *open = action("ajouterTextes");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "progressionAjout") {
            // Enough texts for the progress to be up a while; F1 in it, then
            // closing it stops the batch, whose summary is closed too.
            QStringList files;
            for (int i = 0; i < 40; ++i) {
                files << m_dir->filePath(QString("lot_%1.txt").arg(i));
                QFile file(files.last());
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(QByteArray("Une phrase du lot. Une autre phrase.\n").repeated(200));
            }
            coding::dialogs::setTextsHook([files](QWidget *) {
                coding::dialogs::TextChoice choice;
                choice.paths = files;
                return choice;
            });
            QAction *open = action("ajouterTextes");
            QVERIFY(open);
            bool progressed = false;
            QVERIFY(inFront("BilanAjout", [&] {
                progressed = inFront(which, [open] { open->trigger(); }, press);
            }, [](QWidget *) {}));
            coding::dialogs::setTextsHook({});
            QVERIFY(progressed);
        } else if (which == "BilanAjout") {
            batch::Summary summary;
            batch::Outcome added;
            added.path = "/textes/b.txt";
            added.status = batch::Status::Added;
            added.segments = 2;
            summary.outcomes.push_back(added);
            coding::frmBilanAjout w(summary, m_chemin);
            showAndPress(&w);
        } else if (which == "frmExport") {
            coding::dialogs::setOptionsHook({});
            QAction *open = action("exporter");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "dialogue_fichier") {
            coding::dialogs::setOptionsHook([](QWidget *, coding::ExportOptions &) { return true; });
            coding::dialogs::setSaveHook({});
            QAction *open = action("exporter");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
            coding::dialogs::setOptionsHook({});
        } else if (which == "Resultats" || which == "Recherche" || which == "frmVocabulaire"
                   || which == "frmSuggestions" || which == "Dictionnaires") {
            QAction *open = action(which == "Resultats"        ? "resultats"
                                   : which == "Recherche"      ? "rechercher"
                                   : which == "frmSuggestions" ? "suggestions"
                                   : which == "Dictionnaires"  ? "dictionnaires"
                                                               : "vocabulaire");
            QVERIFY(open);
            open->trigger();
            QWidget *w = topLevel(which);
            QVERIFY(w);
            showAndPress(w);
            w->close();
        } else if (which == "fiabilite") {
            QWidget *w = m_chemin->openReliability();
            QVERIFY(w);
            showAndPress(w);
        } else if (which == "CopieCodeur") {
            QAction *open = action("copie_codeur");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "QInputDialog") {
            coding::coders::setNameHook(nullptr);
            QAction *open = action("codeur");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "frmCodeurs") {
            coding::frmCodeurs w({{"g1", "Marie", 3}, {"g2", "Paul", 2}}, m_chemin);
            showAndPress(&w);
        } else if (which == "frmPlacement") {
            std::vector<refiqda::Code> codes(6);
            for (size_t i = 0; i < codes.size(); ++i)
                codes[i].name = QString("Code %1").arg(i + 1);
            coding::frmPlacement w(codes, {"Un", "Deux", "Trois", "Quatre", "Cinq"}, m_chemin);
            showAndPress(&w);
        } else if (which == "bilan_refiqda") {
            // The codebook's six first-level codes are placed, then the
            // summary of the import is told.
            const QString book = QFINDTESTDATA("../exchange/handwritten.qdc");
            QVERIFY(!book.isEmpty());
            coding::dialogs::setFileHook([book](QWidget *, const QString &) { return book; });
            m_messageWanted = "Importation de";
            QAction *open = action("importer_qdc");
            QVERIFY(open);
            QVERIFY(inFront("frmPlacement", [open] { open->trigger(); }, [](QWidget *placement) {
                placement->findChild<QPushButton *>("importer")->click();
            }));
            coding::dialogs::setFileHook({});
            landing = m_messageLanding;
        } else if (which == "message") {
            m_messageWanted = "Un message";
            messages::plain(m_chemin, "Un message de la fenêtre des textes.");
            landing = m_messageLanding;
        } else if (which == "sauvegardes") {
            QAction *open = action("restaurer_sauvegarde");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else if (which == "frmAttributs" || which == "frmNotes") {
            QAction *open = action(which == "frmAttributs" ? "attributs_textes" : "notes");
            QVERIFY(open);
            open->trigger();
            QWidget *w = topLevel(which);
            QVERIFY(w);
            showAndPress(w);
            w->close();
        } else if (which == "frmNote" || which == "frmIramuteq") {
            QAction *open = action(which == "frmNote" ? "note_analyse" : "exporter_iramuteq");
            QVERIFY(open);
            QVERIFY(inFront(which, [open] { open->trigger(); }, press));
        } else {
            QFAIL(qPrintable("no such window in the test: " + which));
        }
    }

private slots:
    void initTestCase()
    {
        // Settings and backups of a test's own, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(installQtFrenchTranslations());
        guide::installHelp(*qApp);
        messages::setHandler([this](const messages::Shown &shown) {
            if (m_messageWanted.isEmpty() || !shown.text.startsWith(m_messageWanted))
                return false;
            // The message as the program shows it, over the list of texts.
            m_messageWanted.clear();
            QMessageBox box(QMessageBox::NoIcon, messages::title(), shown.text, QMessageBox::Ok,
                            m_chemin);
            box.show();
            if (QTest::qWaitForWindowExposed(&box))
                m_messageLanding = pressF1(&box);
            return false;
        });
        coding::coders::setNameHook([](QWidget *, const QString &) { return std::nullopt; });
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = codingtest::freshDatabase(*m_dir);
        {
            codingtest::Raw db(m_db);
            codingtest::addText(db, "/textes/a.txt", {"Un.", "Deux."});
            codingtest::addValue(db, 1, "Emploi");
            codingtest::addValue(db, 1, "Santé");
        }
        // Telmira's windows work on an analysis and a text of their own.
        m_paths.database = codingtest::freshDatabase(*m_dir, "telmira.mdb");
        m_paths.text = m_dir->filePath("texte.txt");
        QFile text(m_paths.text);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Une phrase. Une autre phrase.\n");
    }
    void cleanup()
    {
        closeGuide();
        if (m_chemin)
            m_chemin->close();
        m_messageWanted.clear();
        m_messageLanding = Landing();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void opensWithF1_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("section");
        QTest::newRow("Telmira's main window") << "frmMenu" << "fenetre-principale";
        QTest::newRow("coding: list of texts") << "frmChemin" << "textes-analyse";
        QTest::newRow("coding: text window") << "frmTextes" << "fenetre-codage";
    }
    void opensWithF1()
    {
        QFETCH(QString, window);
        QFETCH(QString, section);
        QWidget *w = openWindow(window);
        QVERIFY(w);
        std::unique_ptr<QWidget> owned(window == "frmMenu" ? w : nullptr);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));

        auto *aide = w->findChild<QMenu *>("aide");
        QVERIFY(aide);
        QCOMPARE(aide->title(), QString("&Aide"));
        QAction *item = aide->actions().value(0);
        QVERIFY(item);
        QCOMPARE(item->text(), QString("&Guide d'utilisation"));

        QTest::keyClick(w, Qt::Key_F1);
        QTRY_COMPARE(guideWindows().size(), 1);
        QWidget *shown = guideWindows().first();
        QCOMPARE(shown->windowTitle(), QString("Telmira - Guide d'utilisation"));
        auto *texte = shown->findChild<QTextBrowser *>("texte");
        QVERIFY(texte);
        QVERIFY(texte->toPlainText().contains("La démarche, pas à pas"));
        QVERIFY(texte->toPlainText().contains("Sauvegarder et partager une analyse"));
        QCOMPARE(guide::currentSection(), section);

        // Again, from the menu, after the guide was scrolled elsewhere: the
        // same window comes forward, at the window's section.
        texte->verticalScrollBar()->setValue(0);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        item->trigger();
        QCOMPARE(guideWindows().size(), 1);
        QCOMPARE(guideWindows().first(), shown);
        QCOMPARE(guide::currentSection(), section);
        QTRY_VERIFY(inView(texte, section));
    }

    // Every window and dialog of both programs: F1 in it opens the guide at
    // the section that describes it (or, for a message or a file dialog, the
    // section of the task it belongs to), a section the guide has, in view.
    void everyWindowHasItsSection_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("section");
        QTest::newRow("Telmira: start-up") << "frmSplash" << "accueil";
        QTest::newRow("Telmira: main window") << "frmMenu" << "fenetre-principale";
        QTest::newRow("Telmira: new analysis") << "Newanalyse" << "nouvelle-analyse";
        QTest::newRow("Telmira: take-in") << "frmAnalyse" << "traitement";
        QTest::newRow("Telmira: variables") << "frmOptions" << "variables";
        QTest::newRow("Telmira: about") << "frmAbout" << "a-propos";
        QTest::newRow("coding: list of texts") << "Chemin" << "textes-analyse";
        QTest::newRow("coding: a message over it") << "message" << "textes-analyse";
        QTest::newRow("coding: text window") << "textes" << "fenetre-codage";
        for (int k = 1; k <= 5; ++k)
            QTest::newRow(qPrintable(QString("coding: list %1").arg(k)))
                << QString("var_comp_0%1").arg(k) << "listes";
        QTest::newRow("coding: replace a value") << "remplacer_par" << "remplacer-valeur";
        QTest::newRow("coding: add texts") << "AjoutTextes" << "ajout-textes";
        QTest::newRow("coding: add texts, progress") << "progressionAjout" << "ajout-textes";
        QTest::newRow("coding: add texts, summary") << "BilanAjout" << "bilan-ajout";
        QTest::newRow("coding: export options") << "frmExport" << "export-csv";
        QTest::newRow("coding: export, its file") << "dialogue_fichier" << "export-csv";
        QTest::newRow("coding: results") << "Resultats" << "resultats";
        QTest::newRow("coding: search") << "Recherche" << "recherche";
        QTest::newRow("coding: vocabulary") << "frmVocabulaire" << "vocabulaire";
        QTest::newRow("coding: suggestions") << "frmSuggestions" << "suggestions";
        QTest::newRow("coding: dictionaries") << "Dictionnaires" << "dictionnaires";
        QTest::newRow("coding: reliability") << "fiabilite" << "fiabilite";
        QTest::newRow("coding: copy for a coder") << "CopieCodeur" << "copie-codeur";
        QTest::newRow("coding: the coder's name") << "QInputDialog" << "codeur";
        QTest::newRow("coding: REFI-QDA coders") << "frmCodeurs" << "refiqda-codeurs";
        QTest::newRow("coding: REFI-QDA codes") << "frmPlacement" << "refiqda-codes";
        QTest::newRow("coding: REFI-QDA import summary") << "bilan_refiqda" << "echanges";
        QTest::newRow("coding: restore a backup") << "sauvegardes" << "restaurer";
        QTest::newRow("coding: the texts' attributes") << "frmAttributs" << "attributs";
        QTest::newRow("coding: the notes") << "frmNotes" << "notes";
        QTest::newRow("coding: a note") << "frmNote" << "notes";
        QTest::newRow("coding: export for Iramuteq") << "frmIramuteq" << "iramuteq";
    }
    void everyWindowHasItsSection()
    {
        QFETCH(QString, window);
        QFETCH(QString, section);
        Landing landing;
        land(window, landing);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(landing.opened, "F1 did not open the guide");
        QCOMPARE(landing.section, section);
        QVERIFY2(guide::anchors(guide::html()).contains(landing.section),
                 qPrintable(landing.section + " is no section of the guide"));
        QVERIFY2(landing.inView, "the guide does not show the section");
    }

    // Every window of the table names a section the guide has, once.
    void tableNamesSectionsOfTheGuide_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("section");
        for (const guide::Section &s : guide::sections())
            QTest::newRow(s.window) << QString(s.window) << QString(s.anchor);
    }
    void tableNamesSectionsOfTheGuide()
    {
        QFETCH(QString, window);
        QFETCH(QString, section);
        const QStringList anchors = guide::anchors(guide::html());
        QCOMPARE(anchors.count(section), 1);
        int rows = 0;
        for (const guide::Section &s : guide::sections())
            rows += window == QLatin1String(s.window);
        QCOMPARE(rows, 1);
        QCOMPARE(guide::sectionOf(window), section);
    }

    // A dialog waits in front: the guide opened from it comes over it (the
    // dialog would otherwise keep it from being read), and stays open as a
    // window of its own once the dialog has closed.
    void overAModalDialog()
    {
        frmMenu menu;
        menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QAction *about = menu.findChild<QAction *>("About");
        QVERIFY(about);
        QVERIFY(inFront("frmAbout", [about] { about->trigger(); }, [](QWidget *dialog) {
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_F1);
            QCOMPARE(guideWindows().size(), 1);
            QWidget *shown = guideWindows().first();
            QCOMPARE(QApplication::activeModalWidget(), shown);
            QCOMPARE(guide::currentSection(), QString("a-propos"));
            QVERIFY(dialog->isVisible());
            dialog->close();
            QTRY_COMPARE(shown->windowModality(), Qt::NonModal);
            QVERIFY(shown->isVisible());
        }));
        QCOMPARE(guideWindows().size(), 1);
    }

    // F1 in the guide itself leaves it where the reader is.
    void f1InTheGuideKeepsItsPlace()
    {
        guide::show("resultats");
        QCOMPARE(guideWindows().size(), 1);
        QWidget *shown = guideWindows().first();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        auto *texte = shown->findChild<QTextBrowser *>("texte");
        texte->verticalScrollBar()->setValue(texte->verticalScrollBar()->value() / 2);
        const int place = texte->verticalScrollBar()->value();
        QTest::keyClick(texte, Qt::Key_F1);
        QCOMPARE(guideWindows().size(), 1);
        QCOMPARE(texte->verticalScrollBar()->value(), place);
        QCOMPARE(guide::currentSection(), QString("resultats"));
    }

    void closesWith_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("Ctrl+W") << int(Qt::Key_W) << int(Qt::ControlModifier);
    }
    void closesWith()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        guide::show("fiabilite");
        QCOMPARE(guideWindows().size(), 1);
        QWidget *shown = guideWindows().first();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QTest::keyClick(shown->findChild<QTextBrowser *>("texte"), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(guideWindows().isEmpty());
    }

    // The size the reader gave the guide comes back at its next opening, and
    // at the next run of the program (the settings).
    void remembersItsSize_data()
    {
        QTest::addColumn<bool>("earlierRun"); // the size was written by an earlier run
        QTest::addColumn<QSize>("size");
        QTest::newRow("from the last opening") << false << QSize(500, 420);
        QTest::newRow("from an earlier run") << true << QSize(610, 430);
    }
    void remembersItsSize()
    {
        QFETCH(bool, earlierRun);
        QFETCH(QSize, size);
        forgetGuide();
        QSettings().remove("guide");
        if (earlierRun) {
            QSettings().setValue("guide/taille", size);
        } else {
            guide::show("accueil");
            QWidget *shown = guideWindows().value(0);
            QVERIFY(shown);
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QVERIFY(shown->size() != size);
            shown->resize(size);
            QTest::keyClick(shown->findChild<QTextBrowser *>("texte"), Qt::Key_Escape);
            QTRY_VERIFY(guideWindows().isEmpty());
            QCOMPARE(QSettings().value("guide/taille").toSize(), size);
            guide::show("accueil");
            QCOMPARE(guideWindows().value(0)->size(), size);
            closeGuide();
            forgetGuide();
        }
        guide::show("accueil");
        QWidget *shown = guideWindows().value(0);
        QVERIFY(shown);
        QCOMPARE(shown->size(), size);
        closeGuide();
        QSettings().remove("guide");
    }

    // The budget of the backups the guide states is the one the program
    // keeps: its defaults, and its example of the settings once written.
    void backupBudgetAsTheGuideSays_data()
    {
        QTest::addColumn<bool>("example"); // the guide's example written in the settings
        QTest::addColumn<int>("copies");
        QTest::addColumn<qint64>("megabytes");
        QTest::newRow("defaults") << false << 10 << qint64(2048);
        QTest::newRow("the guide's example") << true << 5 << qint64(500);
    }
    void backupBudgetAsTheGuideSays()
    {
        QFETCH(bool, example);
        QFETCH(int, copies);
        QFETCH(qint64, megabytes);
        QTextDocument guide;
        guide.setHtml(guide::html());
        const QString text = guide.toPlainText();
        const int start = text.indexOf("Sauvegardes automatiques.");
        QVERIFY(start >= 0);
        const QString section = text.mid(start, text.indexOf("Partager.", start) - start);
        const auto plainSpaces = [](QString t) {
            return t.replace(QChar(0x00A0), ' ').replace(QChar(0x202F), ' ');
        };
        QVERIFY2(plainSpaces(section).contains(
                     plainSpaces(QString("au plus %1 copies et au plus %2 Mio")
                                     .arg(backup::kKept)
                                     .arg(QLocale(QLocale::French).toString(backup::kKeptBytes >> 20)))),
                 qPrintable(section));
        QSettings settings;
        settings.remove("sauvegardes");
        if (example) {
            const int from = section.indexOf("[sauvegardes]");
            QVERIFY(from >= 0);
            const QStringList lines = section.mid(from).split('\n');
            for (int i = 1; i < lines.size() && lines.at(i).contains('='); ++i)
                settings.setValue("sauvegardes/" + lines.at(i).section('=', 0, 0).trimmed(),
                                  lines.at(i).section('=', 1).trimmed());
        }
        const backup::Budget budget = backup::budgetFromSettings();
        settings.remove("sauvegardes");
        QCOMPARE(budget.copies, copies);
        QCOMPARE(budget.bytes, megabytes * 1024 * 1024);
    }

    void keyboardTableNamesTheCodingWindowsKeys()
    {
        const QString html = guide::html();
        const int start = html.indexOf("<table");
        const int end = html.indexOf("</table>");
        QVERIFY(start >= 0 && end > start);
        QTextDocument table;
        table.setHtml(html.mid(start, end - start + 8));
        const QString keys = table.toPlainText();

        m_chemin = coding::start(m_db);
        QVERIFY(m_chemin);
        coding::frmTextes *w = m_chemin->openText(0);
        QVERIFY(w);
        int checked = 0;
        for (QAction *action : w->findChildren<QAction *>()) {
            for (const QKeySequence &key : action->shortcuts()) {
                const QString name = key.toString(QKeySequence::NativeText);
                QVERIFY2(keys.contains(name),
                         qPrintable(QString("%1 (%2) is missing from the guide")
                                        .arg(name, action->text())));
                ++checked;
            }
        }
        QVERIFY(checked >= 15);
    }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
