// The coding application and the safety of the analysis file: what it
// refuses to open, waits on another program said in the window and bounded,
// read-only and replaced files, backups at opening and their restoring,
// the place where a text was left, one program per analysis.
#include "codingtest.h"

#include "coding/contenussubform.h"
#include "coding/frmchemin.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "common/messages.h"
#include "common/waitnotice.h"
#include "store/backup.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/templatecopy.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

using codingtest::Raw;
using coding::frmChemin;
using coding::frmTextes;

class TestSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = codingtest::freshDatabase(*m_dir);
        Raw db(m_db);
        m_text = codingtest::addText(db, QStringLiteral("/corpus/t.txt"),
                                     {QStringLiteral("Un."), QStringLiteral("Deux."),
                                      QStringLiteral("Trois."), QStringLiteral("Quatre.")});
        m_value = codingtest::addValue(db, 1, QStringLiteral("Économie"));
        m_shown.clear();
        messages::setHandler([this](const messages::Shown &shown) {
            m_shown << shown;
            return true;
        });
        Connection::setWaitLimitMs(30000);
        Connection::setWaitNotifier({});
        Connection::startOperation();
    }
    void cleanup()
    {
        if (m_chemin)
            m_chemin->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_VERIFY(!m_chemin);
        messages::setHandler({});
        waitnotice::setObserver({});
        m_dir.reset();
    }

    void startRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("FIFO") << "fifo" << "pas un fichier ordinaire";
        QTest::newRow("template") << "template" << "modèle des nouvelles analyses";
    }
    void startRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        QString path = installedTemplatePath();
        if (kind == QLatin1String("fifo")) {
            path = m_dir->filePath(QStringLiteral("tube.mdb"));
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!coding::start(path));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown.at(0).text.contains(words), qPrintable(m_shown.at(0).text));
    }

    // Another program holds the file: "Nouvelle ligne" says in the window,
    // within half a second, what it waits for, gives up at the limit with a
    // French message, and nothing is stored.
    void lockedFile_newRowWaitsSaysAndStops()
    {
        frmTextes *w = startOnFirstText();
        QVERIFY(w);
        QStringList noticed;
        QElapsedTimer clock;
        qint64 firstNoticeMs = -1;
        QString noticeInWindow;
        waitnotice::setObserver([&](const QString &text) {
            if (firstNoticeMs < 0)
                firstNoticeMs = clock.elapsed();
            noticed << text;
        });
        Connection::setWaitNotifier([&](const Connection::Wait &wait) {
            waitnotice::tell(wait.state == Connection::Wait::Waiting, wait.path, wait.waitedMs,
                             wait.limitMs);
            if (auto *label = w->findChild<QLabel *>(QStringLiteral("attente")))
                if (label->isVisible())
                    noticeInWindow = label->text();
        });
        Connection::setWaitLimitMs(900);
        Raw other(m_db);
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        clock.start();
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("nouvelle_ligne")),
                          Qt::LeftButton);
        const qint64 elapsed = clock.elapsed();
        other.exec(QStringLiteral("ROLLBACK"));
        QVERIFY2(elapsed < 2500, qPrintable(QString::number(elapsed)));
        QVERIFY2(firstNoticeMs >= 0 && firstNoticeMs < 500,
                 qPrintable(QString::number(firstNoticeMs)));
        QVERIFY(noticed.first().contains(QStringLiteral("utilisée par un autre programme")));
        QVERIFY(noticeInWindow.contains(m_db));
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown.at(0).text.contains(QStringLiteral("verrouillée par un autre programme")),
                 qPrintable(m_shown.at(0).text));
        QCOMPARE(Raw(m_db).count(QStringLiteral("Contenus")), 0);
        QTRY_VERIFY(waitnotice::shownText().isEmpty());
    }

    // Read-only, or replaced under its name while open: every editing
    // action is disabled, the title says so, reading and export stay.
    void editingDisabled_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("read-only file") << false;
        QTest::newRow("replaced by a new analysis of the same name") << true;
    }
    void editingDisabled()
    {
        QFETCH(bool, replaced);
        {
            Raw db(m_db);
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                                .arg(m_value)));
        }
        if (replaced) {
            m_chemin = coding::start(m_db);
        } else {
            // The superuser may write any file: the store is opened read-only
            // as it is for a file the user may not write.
            auto *session = new coding::Session(std::make_unique<coding::CodingStore>(
                Connection::open(m_db, Connection::Access::ReadOnly)));
            m_chemin = new frmChemin(*session);
            m_chemin->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(m_chemin, &QObject::destroyed, session, &QObject::deleteLater);
            m_chemin->Form_Load();
            m_chemin->show();
        }
        QVERIFY(m_chemin);
        frmTextes *w = openFirstText(m_chemin);
        QVERIFY(w);
        const QByteArray before = storetest::bytesOf(m_db);
        if (replaced) {
            copyTemplate(storetest::templatePath(), m_db);
            QTRY_COMPARE_WITH_TIMEOUT(m_shown.size(), 1, 5000); // noticed within two seconds
            QVERIFY2(m_shown.at(0).text.contains(QStringLiteral("remplacée")),
                     qPrintable(m_shown.at(0).text));
        }
        const QString mark = replaced ? QStringLiteral("remplacé") : QStringLiteral("lecture seule");
        QVERIFY2(m_chemin->windowTitle().contains(mark), qPrintable(m_chemin->windowTitle()));
        QVERIFY(w->windowTitle().contains(mark));
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("nouvelle_ligne"))->isEnabled());
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("supprimer_ligne"))->isEnabled());
        QVERIFY(!w->subform()->combo(0, 1)->isEnabled());
        QCOMPARE(w->subform()->combo(0, 1)->currentText(), QStringLiteral("Économie"));
        QVERIFY(!w->findChild<QAction *>(QStringLiteral("action_nouvelle_ligne"))->isEnabled());
        QVERIFY(!m_chemin->findChild<QAction *>(QStringLiteral("restaurer_sauvegarde"))->isEnabled());
        QVERIFY(w->findChild<QAction *>(QStringLiteral("exporter"))->isEnabled());
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        if (!replaced)
            QCOMPARE(storetest::bytesOf(m_db), before);
    }

    // Opening makes a backup; "Restaurer une sauvegarde..." puts one back
    // after asking, the present state backed up first, and the windows read
    // the analysis again.
    void backupAtOpening_restoredFromTheMenu()
    {
        m_chemin = coding::start(m_db);
        QVERIFY(m_chemin);
        QCOMPARE(int(backup::list(m_db).size()), 1);
        {
            Raw db(m_db);
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/corpus/plus.txt')")));
        }
        m_chemin->findChild<QAction *>(QStringLiteral("actualiser"))->trigger();
        auto *texts = m_chemin->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
        QCOMPARE(texts->topLevelItemCount(), 2);
        bool driven = false;
        QTimer::singleShot(0, this, [&driven] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("sauvegardes"));
            QCOMPARE(dialog->findChild<QListWidget *>(QStringLiteral("liste_sauvegardes"))->count(),
                     1);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("restaurer")),
                              Qt::LeftButton);
            driven = true;
        });
        m_chemin->findChild<QAction *>(QStringLiteral("restaurer_sauvegarde"))->trigger();
        QVERIFY(driven);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Question);
        QCOMPARE(Raw(m_db).count(QStringLiteral("Chemin")), 1);
        QCOMPARE(texts->topLevelItemCount(), 1);
        const std::vector<backup::Entry> entries = backup::list(m_db);
        QCOMPARE(int(entries.size()), 2);
        QCOMPARE(Raw(entries.front().path).count(QStringLiteral("Chemin")), 2);
    }

    // The backup at opening keeps within its budget (the settings'
    // "sauvegardes/taille_max_mo"): an old copy dropped for room is said in
    // the status bar; copies taking more than a tenth of the free space of
    // their disk are told once per analysis, in a message.
    void backupAtOpening_budgetTold_data()
    {
        QTest::addColumn<int>("megabytes");  // the budget, 0 for the default
        QTest::addColumn<qint64>("freeBytes"); // of the disk of the copies
        QTest::addColumn<QStringList>("status"); // words in the status bar, each opening
        QTest::addColumn<int>("messages");     // messages shown, each opening
        QTest::addColumn<int>("kept");
        const qint64 plenty = qint64(1) << 40;
        QTest::newRow("within the budget")
            << 0 << plenty << QStringList{QString(), QString()} << 0 << 2;
        QTest::newRow("old copy dropped for room")
            << 1 << plenty
            << QStringList{QString(), QStringLiteral("Une ancienne sauvegarde de l'analyse a été "
                                                     "supprimée faute de place (1,0 Mio au plus "
                                                     "pour ses sauvegardes).")}
            << 0 << 1;
        // A copy of about 600 kB against 1 MB free: over its tenth.
        QTest::newRow("copies over a tenth of the free space, told once")
            << 0 << qint64(1) << QStringList{QString(), QString()} << 1 << 2;
    }
    void backupAtOpening_budgetTold()
    {
        QFETCH(int, megabytes);
        QFETCH(qint64, freeBytes);
        QFETCH(QStringList, status);
        QFETCH(int, messages);
        QFETCH(int, kept);
        if (freeBytes == 1)
            freeBytes = qint64(1) << 20;
        {
            Raw db(m_db);
            QVERIFY(db.exec(QStringLiteral("UPDATE textes SET texte = '%1' WHERE numero = "
                                           "(SELECT min(numero) FROM textes)")
                                .arg(QString(600 * 1024, QLatin1Char('x')))));
        }
        QVERIFY(QFileInfo(m_db).size() > 600 * 1024);
        QDir(backup::folderFor(m_db)).removeRecursively();
        QSettings settings;
        const QString warned = QStringLiteral("sauvegardes/place_signalee/")
                               + QFileInfo(backup::folderFor(m_db)).fileName();
        settings.remove(warned);
        if (megabytes > 0)
            settings.setValue(QStringLiteral("sauvegardes/taille_max_mo"), megabytes);
        settings.sync();
        backup::setFreeSpaceProbe([freeBytes](const QString &) { return freeBytes; });
        for (int opening = 0; opening < 2; ++opening) {
            if (opening > 0) {
                m_chemin->close();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QTRY_VERIFY(!m_chemin);
                Raw db(m_db);
                QVERIFY(db.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/corpus/%1.txt')")
                                    .arg(opening)));
            }
            m_chemin = coding::start(m_db);
            QVERIFY(m_chemin);
            const QString shown = m_chemin->statusBar()->currentMessage();
            if (status.at(opening).isEmpty())
                QVERIFY2(!shown.contains(QStringLiteral("sauvegarde")), qPrintable(shown));
            else
                QVERIFY2(shown.contains(status.at(opening)), qPrintable(shown));
            QCOMPARE(int(m_shown.size()), messages);
            if (messages > 0)
                QVERIFY2(m_shown.at(0).text.contains(QStringLiteral("plus du dixième de la place "
                                                                    "libre sur leur disque (1,0 "
                                                                    "Mio libres)")),
                         qPrintable(m_shown.at(0).text));
        }
        backup::setFreeSpaceProbe({});
        settings.remove(QStringLiteral("sauvegardes/taille_max_mo"));
        settings.remove(warned);
        QCOMPARE(int(backup::list(m_db).size()), kept);
    }

    // Another program holds the file: an action of the command line says on
    // standard error, at once, what it waits for, then that the wait ended
    // (the action goes on) or gave up at the limit (the action fails).
    void commandLine_waitSaidOnStandardError_data()
    {
        QTest::addColumn<bool>("released");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("after");
        QTest::newRow("released meanwhile") << true << 0 << "est libre : l'action reprend.";
        QTest::newRow("held to the limit") << false << 1 << "Attente abandonnée après 30 s : « %1 » "
                                                            "est toujours verrouillée par un autre "
                                                            "programme.";
    }
    void commandLine_waitSaidOnStandardError()
    {
        QFETCH(bool, released);
        QFETCH(int, exitCode);
        QFETCH(QString, after);
        Raw other(m_db);
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/corpus/autre.txt')")));
        QProcess program;
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
                      {QStringLiteral("--exporter"), m_db, m_dir->filePath(QStringLiteral("c.csv"))});
        QVERIFY(program.waitForStarted());
        QString err;
        const QString waiting = QStringLiteral("En attente de « %1 » : la base est verrouillée par "
                                               "un autre programme (jusqu'à 30 s)…\n")
                                    .arg(m_db);
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(program.readAllStandardError()))
                                     .contains(waiting),
                                 20000);
        if (released)
            other.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(program.waitForFinished(90000));
        other.exec(QStringLiteral("ROLLBACK"));
        err += QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitCode(), exitCode);
        QVERIFY2(err.startsWith(waiting), qPrintable(err));
        QCOMPARE(err.count(QStringLiteral("En attente")), 1);
        const QString line = released ? QStringLiteral("« %1 » ").arg(m_db) + after : after.arg(m_db);
        QVERIFY2(err.contains(waiting + line + QLatin1Char('\n')), qPrintable(err));
    }

    void textReopensWhereLeft()
    {
        frmTextes *w = startOnFirstText();
        QVERIFY(w);
        QVERIFY(w->goToNumber(3));
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w = openFirstText(m_chemin);
        QVERIFY(w);
        QCOMPARE(w->currentSegment(), qint64(3));
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("position"))->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    }

    // "Analyse " clicked again: the second program hands over to the first
    // and ends at once, without a window of its own.
    void secondStart_handsOverToTheOpenWindow()
    {
        m_chemin = coding::start(m_db);
        QVERIFY(m_chemin);
        QProcess second;
        second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
                     {m_db});
        QVERIFY(second.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(int(backup::list(m_db).size()), 1); // the second one never opened the file
    }

private:
    frmTextes *openFirstText(frmChemin *chemin)
    {
        auto *texts = chemin->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
        texts->setCurrentItem(texts->topLevelItem(0));
        QTest::keyClick(texts, Qt::Key_Return);
        frmTextes *w = chemin->textWindow(m_text);
        if (!w)
            return nullptr;
        w->activateWindow();
        if (!QTest::qWaitForWindowExposed(w))
            return nullptr;
        return w;
    }
    frmTextes *startOnFirstText()
    {
        m_chemin = coding::start(m_db);
        return m_chemin ? openFirstText(m_chemin) : nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_text = 0;
    qint64 m_value = 0;
    QList<messages::Shown> m_shown;
    QPointer<frmChemin> m_chemin;
};

QTEST_MAIN(TestSafety)
#include "test_safety.moc"
