// The main window: start state, the availability rule over every kind of
// path, the file dialogs, the two states of the database area, the windows it
// opens and how the program ends.
#include "app/filedialogs.h"
#include "app/frmMenu.h"
#include "common/messages.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}
} // namespace

class TestMenu : public QObject
{
    Q_OBJECT
private:
    frmMenu *menu = nullptr;
    QTemporaryDir dir;
    QStringList answers; // what the file dialogs return, in turn
    QStringList filters;
    QList<messages::Shown> shown;

    QLineEdit *source() { return menu->findChild<QLineEdit *>("source"); }
    QLineEdit *Text3() { return menu->findChild<QLineEdit *>("Text3"); }
    QPushButton *button(const char *name) { return menu->findChild<QPushButton *>(name); }
    QGroupBox *frame(const char *name) { return menu->findChild<QGroupBox *>(name); }
    QAction *action(const char *name) { return menu->findChild<QAction *>(name); }
    bool traitement() { return !button("suite")->isHidden(); }
    bool edition() { return action("edit_analyse")->isEnabled(); }

    // Paths of each kind the rule meets.
    QString path(const QString &kind)
    {
        if (kind == "empty")
            return QString();
        return dir.filePath(kind);
    }
    void setPath(QLineEdit *box, const QString &p)
    {
        // As a user would: select everything and type over it (or clear it).
        box->setFocus();
        box->selectAll();
        if (p.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            box->insert(p);
        QCOMPARE(box->text(), p);
    }
    struct Modal {
        QString name;              // empty when no modal window came
        Qt::CursorShape pointer{}; // the main window's pointer meanwhile
    };
    // Does `act`, notes the modal window it opens and the main window's
    // pointer while it is open, then lets `shut` close it.
    Modal whileModal(const std::function<void()> &act,
                     const std::function<void(QWidget *)> &shut = [](QWidget *w) { w->close(); })
    {
        Modal seen;
        // Local, so that it cannot fire after this returns when no modal
        // window came.
        QTimer look;
        look.setSingleShot(true);
        connect(&look, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen.name = modal->objectName();
            seen.pointer = menu->cursor().shape();
            shut(modal);
        });
        look.start(0);
        act();
        return seen;
    }
    void verifyBrowseState(bool browse)
    {
        QCOMPARE(frame("Frame2")->isHidden(), !browse);
        QCOMPARE(button("Annuler")->isHidden(), !browse);
        QCOMPARE(frame("Frame3")->isHidden(), browse);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        touch(dir.filePath("texte.txt"));
        touch(dir.filePath("base.mdb"));
        touch(dir.filePath("autre.bin"));
        touch(dir.filePath("sansextension"));
        QDir(dir.path()).mkdir("dossier");
        QDir(dir.path()).mkdir("dossier.mdb");
        filedialogs::setHook([this](QWidget *, const QString &filter, const QString &) {
            filters << filter;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        messages::setHandler([this](const messages::Shown &s) {
            shown << s;
            return false;
        });
    }
    void init()
    {
        answers.clear();
        filters.clear();
        shown.clear();
        menu = new frmMenu();
        menu->show();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
    }
    void cleanup()
    {
        delete menu;
        menu = nullptr;
    }

    void startState()
    {
        QCOMPARE(menu->windowTitle(), QString("Telmira - Une analyse de contenus"));
        QCOMPARE(menu->palette().color(QPalette::Window), QColor(255, 255, 192));
        QVERIFY(!traitement());
        QVERIFY(!edition());
        verifyBrowseState(false);
        QVERIFY(source()->text().isEmpty());
        QVERIFY(Text3()->text().isEmpty());
        QVERIFY(menu->statusBar()->currentMessage().isEmpty());
        QCOMPARE(menu->findChild<QStatusBar *>("StatusBar1"), menu->statusBar());
        QCOMPARE(menu->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(menu->findChild<QLabel *>("Label1")->text(), QString("Quillmere - TELMIRA"));
        QCOMPARE(menu->findChild<QLabel *>("Label2")->text(), QString("Quillmere - TELMIRA"));
        QCOMPARE(frame("Frame1")->title(), QString("Ouvrir un texte : "));
        QCOMPARE(frame("Frame2")->title(), QString("Ouvrir une base de données"));
        QCOMPARE(frame("Frame3")->title(), QString("Base de données"));
        QCOMPARE(frame("Frame1")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(frame("Frame1")->font().italic());
        // Controls inside a frame do not take the caption's look.
        QVERIFY(!button("Ouvrir_latin")->font().italic());
        QVERIFY(!source()->font().bold());
        QCOMPARE(button("Ouvrir_latin")->text(), QString("Parcourir..."));
        QCOMPARE(button("Command1")->text(), QString("Parcourir..."));
        QCOMPARE(button("Command2")->text(), QString("Nouvelle base de données"));
        QCOMPARE(button("Command3")->text(), QString("Base de données existante"));
        QCOMPARE(button("suite")->text(), QString("Traitement"));
        QCOMPARE(button("Annuler")->text(), QString("Annuler"));
        QCOMPARE(menu->findChild<QMenu *>("fichier")->title(), QString("&Fichier"));
        QCOMPARE(menu->findChild<QMenu *>("analyse")->title(), QString("&Analyse"));
        QCOMPARE(menu->findChild<QMenu *>("aide")->title(), QString("&Aide"));
        QCOMPARE(action("quitter")->text(), QString("&Quitter"));
        QCOMPARE(action("edit_analyse")->text(), QString("&Edition"));
        QCOMPARE(action("About")->text(), QString("&A propos de..."));
        QVERIFY(action("quitter")->isEnabled());
        QVERIFY(action("About")->isEnabled());
    }

    // Tab walks the controls in the window's order, skipping hidden ones.
    void focusOrder()
    {
        const QStringList all{"Ouvrir_latin", "source", "suite", "Text3", "Command1",
                              "Command2", "Command3", "Annuler"};
        QWidget *w = button("Ouvrir_latin");
        QStringList order;
        for (int i = 0; i < 30 && order.size() < all.size(); ++i) {
            if (all.contains(w->objectName()) && !order.contains(w->objectName()))
                order << w->objectName();
            w = w->nextInFocusChain();
        }
        QCOMPARE(order, all);
        QCOMPARE(QApplication::focusWidget(), button("Ouvrir_latin"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), source());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button("Command2"));
    }

    void rule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("databaseFirst");
        QTest::addColumn<bool>("traitement");
        QTest::addColumn<bool>("edition");
        const QStringList kinds{"empty", "missing.txt", "dossier", "dossier.mdb", "texte.txt",
                                "base.mdb", "autre.bin", "sansextension"};
        const QStringList files{"texte.txt", "base.mdb", "autre.bin", "sansextension"};
        for (const QString &t : kinds)
            for (const QString &d : kinds)
                for (bool databaseFirst : {false, true}) {
                    const QString name = QString("%1 + %2%3")
                                             .arg(t, d, databaseFirst ? " (base first)" : "");
                    QTest::newRow(qPrintable(name))
                        << t << d << databaseFirst << (files.contains(t) && files.contains(d))
                        << files.contains(d);
                }
    }
    void rule()
    {
        QFETCH(QString, text);
        QFETCH(QString, database);
        QFETCH(bool, databaseFirst);
        QFETCH(bool, traitement);
        QFETCH(bool, edition);
        button("Command3")->click();
        if (databaseFirst) {
            setPath(Text3(), path(database));
            setPath(source(), path(text));
        } else {
            setPath(source(), path(text));
            setPath(Text3(), path(database));
        }
        QCOMPARE(this->traitement(), traitement);
        QCOMPARE(this->edition(), edition);
    }

    // The text alone never enables "&Edition"; the database alone enables it
    // but does not show "Traitement".
    void oneSideOnly()
    {
        setPath(source(), path("texte.txt"));
        QVERIFY(!traitement());
        QVERIFY(!edition());
        setPath(source(), QString());
        button("Command3")->click();
        setPath(Text3(), path("base.mdb"));
        QVERIFY(!traitement());
        QVERIFY(edition());
    }

    // A change of the text path tests both paths again but leaves "&Edition"
    // as the last change of the database path set it.
    void textChangeLeavesEdition()
    {
        const QString gone = dir.filePath("bientot_parti.mdb");
        touch(gone);
        button("Command3")->click();
        setPath(Text3(), gone);
        setPath(source(), path("texte.txt"));
        QVERIFY(traitement());
        QVERIFY(edition());
        QVERIFY(QFile::remove(gone));
        // Nothing changed in a path: nothing noticed.
        QVERIFY(traitement());
        setPath(source(), path("autre.bin"));
        QVERIFY(!traitement()); // the database path was tested again
        QVERIFY(edition());     // but "&Edition" stays as it was
        setPath(Text3(), path("missing.mdb"));
        QVERIFY(!edition());
        setPath(source(), path("texte.txt"));
        QVERIFY(!edition());
    }

    // Typing letter by letter: "Traitement" appears at the keystroke that
    // completes the path and goes at the next one that spoils it.
    void letterByLetter_data()
    {
        QTest::addColumn<bool>("typeText");
        QTest::newRow("text path typed") << true;
        QTest::newRow("database path typed") << false;
    }
    void letterByLetter()
    {
        QFETCH(bool, typeText);
        button("Command3")->click();
        QLineEdit *typed = typeText ? source() : Text3();
        QLineEdit *other = typeText ? Text3() : source();
        setPath(other, typeText ? path("base.mdb") : path("texte.txt"));
        const QString full = typeText ? path("texte.txt") : path("base.mdb");
        typed->setFocus();
        for (int i = 0; i < full.size(); ++i) {
            QTest::keyClicks(typed, full.mid(i, 1));
            QCOMPARE(typed->text(), full.left(i + 1));
            const bool complete = i == full.size() - 1;
            QVERIFY2(traitement() == complete, qPrintable(typed->text()));
            if (!typeText)
                QVERIFY2(edition() == complete, qPrintable(typed->text()));
        }
        QTest::keyClicks(typed, "x");
        QVERIFY(!traitement());
        QTest::keyClick(typed, Qt::Key_Backspace);
        QVERIFY(traitement());
        QCOMPARE(edition(), true);
    }

    // Setting a box to the text it already holds runs nothing.
    void sameTextIsNoChange()
    {
        button("Command3")->click();
        const QString db = dir.filePath("mouvante.mdb");
        touch(db);
        setPath(Text3(), db);
        QVERIFY(edition());
        QVERIFY(QFile::remove(db));
        answers << db;
        button("Command1")->click();
        QCOMPARE(Text3()->text(), db);
        QVERIFY(edition()); // not tested again: no change
    }

    void browseButtons_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("filter");
        QTest::newRow("text") << "Ouvrir_latin" << "source" << "Fichiers Texte (*.TXT)";
        QTest::newRow("database") << "Command1" << "Text3" << "Fichiers Texte (*.mdb)";
    }
    // Choosing, cancelling before any choice, cancelling after a choice even
    // when the box was edited in between, choosing a name that does not exist.
    void browseButtons()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, boxName);
        QFETCH(QString, filter);
        button("Command3")->click();
        QPushButton *browse = button(qPrintable(buttonName));
        auto *box = menu->findChild<QLineEdit *>(boxName);

        setPath(box, "tapé à la main");
        answers << "";
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(box->text(), QString("tapé à la main"));

        const QString chosen = boxName == "source" ? path("texte.txt") : path("base.mdb");
        answers << chosen;
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(box->text(), chosen);

        setPath(box, "modifié");
        answers << "";
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(box->text(), chosen);

        answers << dir.filePath("inexistant.TXT");
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(box->text(), dir.filePath("inexistant.TXT"));
        QVERIFY(!traitement());
        QVERIFY(shown.isEmpty());

        QCOMPARE(filters, QStringList(4, filter));
        QCOMPARE(menu->cursor().shape(), Qt::ArrowCursor);
    }

    // Database first, then the text: "Traitement" comes with the text.
    void chooseDatabaseThenText()
    {
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        answers << path("base.mdb");
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QVERIFY(edition());
        QVERIFY(!traitement());
        answers << path("texte.txt");
        QTest::mouseClick(button("Ouvrir_latin"), Qt::LeftButton);
        QVERIFY(traitement());
    }

    void states()
    {
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        verifyBrowseState(true);
        setPath(source(), path("texte.txt"));
        setPath(Text3(), path("base.mdb"));
        QVERIFY(traitement());
        QVERIFY(edition());
        QTest::mouseClick(button("Annuler"), Qt::LeftButton);
        verifyBrowseState(false);
        QVERIFY(Text3()->text().isEmpty());
        QCOMPARE(source()->text(), path("texte.txt"));
        QVERIFY(!traitement());
        QVERIFY(!edition());
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        verifyBrowseState(true);
        QVERIFY(Text3()->text().isEmpty());
    }

    // "Annuler" after a path that named a folder or nothing.
    void annulerAfterInvalid()
    {
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        setPath(Text3(), path("dossier.mdb"));
        QVERIFY(!edition());
        QTest::mouseClick(button("Annuler"), Qt::LeftButton);
        QVERIFY(!edition());
        QVERIFY(!traitement());
        verifyBrowseState(false);
    }

    void pathSource()
    {
        const PathSource &paths = *menu;
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        setPath(source(), "/un/texte.txt");
        setPath(Text3(), "/une/base.mdb");
        QCOMPARE(paths.textPath(), QString("/un/texte.txt"));
        QCOMPARE(paths.databasePath(), QString("/une/base.mdb"));
        setPath(Text3(), "/autre.mdb");
        QCOMPARE(paths.databasePath(), QString("/autre.mdb"));
    }

    // "&Quitter" ends the program at once: no window is closed.
    void quitter()
    {
        bool closedSomething = false;
        menu->installEventFilter(this);
        connect(this, &TestMenu::sawClose, this, [&] { closedSomething = true; });
        QTimer::singleShot(0, action("quitter"), &QAction::trigger);
        QTimer fallback;
        fallback.setSingleShot(true);
        connect(&fallback, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        fallback.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(menu->isVisible());
        QVERIFY(!closedSomething);
    }

    // Closing the main window, the last window, ends the program.
    void closeLastWindow()
    {
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QTimer::singleShot(0, menu, &QWidget::close);
        QTimer fallback;
        fallback.setSingleShot(true);
        connect(&fallback, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        fallback.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!menu->isVisible());
    }

    // "Nouvelle base de données": the dialog is modal, the main window keeps
    // the busy pointer until it has closed; cancelling changes nothing.
    void nouvelleBase()
    {
        const Modal seen = whileModal(
            [this] { QTest::mouseClick(button("Command2"), Qt::LeftButton); },
            [](QWidget *modal) {
                if (auto *cancel = modal->findChild<QPushButton *>("CancelButton"))
                    QTest::mouseClick(cancel, Qt::LeftButton);
                if (modal->isVisible())
                    modal->close();
            });
        QCOMPARE(seen.name, QString("Newanalyse"));
        QCOMPARE(seen.pointer, Qt::WaitCursor);
        QCOMPARE(menu->cursor().shape(), Qt::ArrowCursor);
        verifyBrowseState(false);
        QVERIFY(Text3()->text().isEmpty());
        QVERIFY(menu->isVisible());
    }

    // "&A propos de..." opens the About window, modal; the pointer stays.
    void aPropos()
    {
        const Modal seen = whileModal([this] { action("About")->trigger(); });
        QCOMPARE(seen.name, QString("frmAbout"));
        QCOMPARE(seen.pointer, Qt::ArrowCursor);
    }

    // "&Edition" opens the variables window, modal, under the busy pointer;
    // on a file that is no analysis database it explains why and stays shut.
    void editionOpensVariables_data()
    {
        QTest::addColumn<bool>("realDatabase");
        QTest::newRow("analysis database") << true;
        QTest::newRow("any file") << false;
    }
    void editionOpensVariables()
    {
        QFETCH(bool, realDatabase);
        QString db = path("autre.bin");
        if (realDatabase) {
            db = dir.filePath("analyse.mdb");
            QFile::remove(db);
            QVERIFY(QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE"), db));
            QFile(db).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        setPath(Text3(), db);
        QVERIFY(edition());
        const Modal seen = whileModal([this] { action("edit_analyse")->trigger(); });
        if (realDatabase) {
            QCOMPARE(seen.name, QString("frmOptions"));
            QCOMPARE(seen.pointer, Qt::WaitCursor);
        } else {
            QVERIFY(seen.name.isEmpty());
            QCOMPARE(shown.size(), 1);
        }
        QCOMPARE(menu->cursor().shape(), Qt::ArrowCursor);
    }

    // "Traitement" opens the analysis window, once; it hides the main window
    // while it is open.
    void traitementOpensAnalysis()
    {
        const QString db = dir.filePath("traitement.mdb");
        QFile::remove(db);
        QVERIFY(QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE"), db));
        QFile(db).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        setPath(source(), path("texte.txt"));
        setPath(Text3(), db);
        QVERIFY(traitement());
        QTest::mouseClick(button("suite"), Qt::LeftButton);
        QCOMPARE(menu->cursor().shape(), Qt::ArrowCursor);
        QWidget *analysis = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmAnalyse" && w->isVisible())
                analysis = w;
        QVERIFY(analysis);
        QPointer<QWidget> guard(analysis);
        QTRY_VERIFY(!menu->isVisible());
        analysis->close();
        QTRY_VERIFY(guard.isNull());
        QTRY_VERIFY(menu->isVisible());
    }

signals:
    void sawClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            emit sawClose();
        return QObject::eventFilter(watched, event);
    }
};

QTEST_MAIN(TestMenu)
#include "test_menu.moc"
