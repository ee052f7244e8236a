// The analysis window driven as a user would: taking a new text in, opening a
// known one, "Analyse ", the About window, and every failure leaving nothing
// behind.
#include "analysis/frmAnalyse.h"
#include "analysis/takein.h"
#include "common/desktop.h"
#include "common/look.h"
#include "common/twips.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "store/connection.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>
#include <cstdio>

namespace {

struct Paths : PathSource
{
    QString text;
    QString db;
    QString textPath() const override { return text; }
    QString databasePath() const override { return db; }
};

struct Row
{
    qint64 number;
    QString value;
    bool operator==(const Row &o) const { return number == o.number && value == o.value; }
};

// What another program sees in the database: committed rows only.
QList<Row> query(const QString &db, const char *sql)
{
    QList<Row> rows;
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(db));
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) != SQLITE_OK)
        qFatal("query failed: %s", sqlite3_errmsg(h));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        rows.append({sqlite3_column_int64(st, 0),
                     QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)))});
    if (rc != SQLITE_DONE)
        qFatal("query failed: %s", sqlite3_errmsg(h));
    sqlite3_finalize(st);
    sqlite3_close(h);
    return rows;
}

QList<Row> chemin(const QString &db)
{
    return query(db, "select numero, chemin from Chemin order by numero");
}

QList<Row> textes(const QString &db)
{
    return query(db, "select numtexte, texte from textes order by numero");
}

void exec(const QString &db, const char *sql)
{
    sqlite3 *h = nullptr;
    sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    char *err = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &err) != SQLITE_OK)
        qFatal("exec failed: %s", err);
    sqlite3_close(h);
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

const QByteArray kText = "Il pleut. Il vente!\r\nQuoi ?! Bon.\r\n";
const QStringList kSegments = {"Il pleut.", "Il vente!\r\n", "Quoi ?", "!", " Bon."};

QList<Row> rowsOf(qint64 number, const QStringList &segments)
{
    QList<Row> rows;
    for (const QString &s : segments)
        rows.append({number, s});
    return rows;
}

// The child process of the interruption test: takes a text in and stops
// dead in the middle, waiting to be killed.
int childTakeIn()
{
    const QString db = qEnvironmentVariable("TELMIRA_CHILD_DB");
    const QString text = qEnvironmentVariable("TELMIRA_CHILD_TEXT");
    try {
        auto conn = Connection::open(db);
        conn->exec(QStringLiteral("pragma cache_size = 8")); // rows reach the file early
        RecordSource data2(QStringLiteral("data2"));
        RecordSource data1(QStringLiteral("data1"));
        data2.setConnection(conn);
        data1.setConnection(conn);
        conn->begin();
        data2.setRecordSource(takein::textStatement(text));
        data2.refresh();
        const QString number = takein::addText(data2, text);
        data1.setRecordSource(takein::segmentsStatement(number));
        data1.refresh();
        int lines = 0;
        takein::TextFileSource source(text, *conn);
        takein::storeSegments(source, data1, number, [&](int) {
            if (++lines == 3000) {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
                QThread::sleep(120);
            }
        });
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
    return 1;
}

} // namespace

class TestFrmAnalyse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controls();
    void colours();
    void newTextTakenInAfterTheTick();
    void progressValues();
    void secondOpeningAddsNothing();
    void closeBoxShowsMainWindow();
    void pathWithApostrophe();
    void pathLengthCountsCharacters_data();
    void pathLengthCountsCharacters();
    void emptyText_data();
    void emptyText();
    void analyseOpensTheDatabase();
    void analyseFailureIsReported();
    void aboutAfterSegmentsAddsNothing();
    void aboutBeforeTheTickKeepsTheTakeIn();
    void failureWhileAboutIsOpen();
    void closedBeforeTheTickLeavesNothing();
    void shownAfterTheTick();
    void windowDestroyedLeavesNothing();
    void programEndLeavesNothing();
    void refusedRowLeavesNothing();
    void refusedTextLeavesNothing_data();
    void refusedTextLeavesNothing();
    void activationFailures_data();
    void activationFailures();
    void killedTakeInLeavesNothing();

private:
    frmAnalyse *openWindow();
    QString freshDatabase();
    static bool analysisPanelShown(frmAnalyse *w);

    QTemporaryDir m_dir;
    Paths m_paths;
    QWidget m_main;
    QList<messages::Shown> m_shown;
    QStringList m_opened;
    bool m_openResult = true;
    int m_count = 0;
};

frmAnalyse *TestFrmAnalyse::openWindow()
{
    auto *w = new frmAnalyse(m_paths, &m_main);
    w->show();
    return w;
}

QString TestFrmAnalyse::freshDatabase()
{
    const QString path = m_dir.filePath(QStringLiteral("base%1.mdb").arg(++m_count));
    if (!QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE"), path))
        qFatal("cannot copy the template");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

bool TestFrmAnalyse::analysisPanelShown(frmAnalyse *w)
{
    return w && w->findChild<QGroupBox *>("Frame1")->isVisible()
        && !w->findChild<QGroupBox *>("Frame3")->isVisible();
}

void TestFrmAnalyse::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(qEnvironmentVariable("TELMIRA_TEMPLATE")), "template database missing");
    messages::setHandler([this](const messages::Shown &s) {
        m_shown.append(s);
        return false;
    });
    desktop::setOpenHook([this](const QString &path) {
        m_opened.append(path);
        return m_openResult;
    });
    // "Analyse " tries the coding application beside the program first; here
    // it never starts, so the desktop opens the file (tests/coding covers the
    // start).
    desktop::setStartHook([](const QString &, const QStringList &) { return false; });
}

void TestFrmAnalyse::init()
{
    m_shown.clear();
    m_opened.clear();
    m_openResult = true;
    m_paths.db = freshDatabase();
    m_paths.text = writeFile(m_dir.filePath(QStringLiteral("texte%1.txt").arg(m_count)), kText);
    m_main.show();
}

void TestFrmAnalyse::cleanup()
{
    QList<QPointer<frmAnalyse>> left;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *a = qobject_cast<frmAnalyse *>(w))
            left.append(a);
    for (const QPointer<frmAnalyse> &w : left)
        delete w.data();
}

// Read from grabbed images: both frames' insides are the exact light yellow;
// the menu bar and the status bar, which names the text, are not yellow.
void TestFrmAnalyse::colours()
{
    QPointer<frmAnalyse> w = openWindow();
    const QColor yellow(255, 255, 192);
    const auto inside = [](QWidget *frame) {
        const QImage image = frame->grab().toImage();
        const int scale = image.width() / frame->width();
        return QColor(image.pixel(20 * scale, (frame->height() - 20) * scale));
    };
    QTRY_VERIFY(w->takeInPending());
    QCOMPARE(inside(w->findChild<QGroupBox *>("Frame3")), yellow);
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(inside(w->findChild<QGroupBox *>("Frame1")), yellow);

    auto *status = w->findChild<QStatusBar *>("StatusBar1");
    const QImage bar = status->grab().toImage();
    const QColor ground(bar.pixel(bar.width() - 10, bar.height() / 2));
    QCOMPARE(ground, QApplication::palette().color(QPalette::Window));
    QVERIFY(ground != yellow);
    const QImage menu = w->menuBar()->grab().toImage();
    QVERIFY(QColor(menu.pixel(menu.width() - 10, menu.height() / 2)) != yellow);
}

void TestFrmAnalyse::controls()
{
    QPointer<frmAnalyse> w = openWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Telmira - Analyse"));
    QVERIFY(!m_main.isVisible()); // Form_Load hides the main window
    QCOMPARE(w->findChild<QGroupBox *>("Frame3")->title(), QStringLiteral("Détermination des phrases"));
    QCOMPARE(w->findChild<QLabel *>("Label1")->text(),
             QStringLiteral("Veuillez patientez, traitement en cours..."));
    QCOMPARE(w->findChild<QPushButton *>("Command1")->text(), QStringLiteral("Analyse "));
    // Fonts, colours and places as laid out.
    auto *frame3 = w->findChild<QGroupBox *>("Frame3");
    auto *label1 = w->findChild<QLabel *>("Label1");
    auto *command1 = w->findChild<QPushButton *>("Command1");
    QCOMPARE(frame3->font().family(), look::kTimes);
    QVERIFY(frame3->font().bold());
    QCOMPARE(frame3->palette().color(QPalette::WindowText), look::kDarkBlue);
    QCOMPARE(frame3->geometry(), twips::rect(120, 0, 9615, 3375));
    QCOMPARE(w->findChild<QGroupBox *>("Frame1")->geometry(), twips::rect(120, 0, 9615, 3375));
    QCOMPARE(label1->font().family(), look::kVerdana);
    QCOMPARE(label1->font().pointSizeF(), 20.25);
    QVERIFY(label1->font().bold() && label1->font().italic());
    QCOMPARE(label1->palette().color(QPalette::WindowText),
             QApplication::palette().color(QPalette::WindowText)); // not the caption's blue
    QCOMPARE(label1->geometry(), twips::rect(120, 960, 9375, 855));
    QCOMPARE(w->findChild<QProgressBar *>("ProgressBar1")->geometry(),
             twips::rect(240, 2040, 9135, 615));
    QCOMPARE(w->findChild<QWidget *>("OLE1")->geometry(), twips::rect(960, 240, 795, 795));
    QCOMPARE(command1->font().family(), look::kTimes);
    QCOMPARE(command1->font().pointSizeF(), 18.0);
    QCOMPARE(command1->geometry(), twips::rect(3240, 1200, 3015, 975));
    QCOMPARE(w->findChild<QAction *>("fermer")->text(), QStringLiteral("&Fermer"));
    QCOMPARE(w->findChild<QAction *>("About")->text(), QStringLiteral("&A propos de"));
    QVERIFY(w->findChild<QStatusBar *>("StatusBar1"));
    QVERIFY(w->findChild<QWidget *>("OLE1"));
    QCOMPARE(w->findChild<QProgressBar *>("ProgressBar1")->minimum(), 0);
    for (const char *name : {"data1", "data2"})
        QVERIFY2(w->findChild<RecordSource *>(name), name);
    for (const char *name : {"Text2", "Text3", "Text4", "Text5"})
        QVERIFY2(w->findChild<BoundField *>(name), name);
    auto *timer = w->findChild<QTimer *>("Timer1");
    QVERIFY(timer && timer->isSingleShot() && timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QTRY_VERIFY(analysisPanelShown(w));
}

void TestFrmAnalyse::newTextTakenInAfterTheTick()
{
    QPointer<frmAnalyse> w = openWindow();
    // Activation: the row is added but not visible to others before the
    // segments are stored; the segmentation panel shows.
    QTRY_VERIFY(w->takeInPending());
    QVERIFY(w->findChild<QGroupBox *>("Frame3")->isVisible());
    QVERIFY(!w->findChild<QGroupBox *>("Frame1")->isVisible());
    QCOMPARE(w->findChild<BoundField *>("Text4")->text(), QStringLiteral("1"));
    QCOMPARE(w->findChild<BoundField *>("Text5")->text(), m_paths.text);
    QVERIFY(chemin(m_paths.db).isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QVERIFY(!w->takeInPending());
    QCOMPARE(chemin(m_paths.db), (QList<Row>{{1, m_paths.text}}));
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
    QCOMPARE(w->findChild<QLabel *>("Panel1")->text(), m_paths.text);
    QCOMPARE(w->findChild<QProgressBar *>("ProgressBar1")->value(), 999);
    QCOMPARE(w->findChild<QProgressBar *>("ProgressBar1")->maximum(), 1000);
    QCOMPARE(w->findChild<BoundField *>("Text3")->text(), kSegments.first());
    QCOMPARE(w->findChild<BoundField *>("Text2")->text(), QStringLiteral("1"));
    QVERIFY(!w->findChild<QTimer *>("Timer1")->isActive());
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::progressValues()
{
    QByteArray text;
    for (int i = 1; i <= 2000; ++i)
        text += "Ligne " + QByteArray::number(i) + ".\r\n";
    writeFile(m_paths.text, text);
    QPointer<frmAnalyse> w = openWindow();
    QList<int> values;
    connect(w, &frmAnalyse::progressChanged, [&](int v) { values.append(v); });
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(values.size(), 2001);
    QCOMPARE(values.at(0), 1);     // after line 1
    QCOMPARE(values.at(997), 998); // after line 998
    QCOMPARE(values.at(998), 1);   // after line 999
    QCOMPARE(values.at(999), 2);   // after line 1000
    QCOMPARE(values.at(1999), 4);  // after line 2000
    QCOMPARE(values.last(), 999);  // at the end
    QVERIFY(!values.mid(0, 2000).contains(999));
    QCOMPARE(w->progressValue(), 999);
    QCOMPARE(w->findChild<QProgressBar *>("ProgressBar1")->value(), 999);
    QCOMPARE(textes(m_paths.db).size(), 2000);
}

void TestFrmAnalyse::secondOpeningAddsNothing()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    w->findChild<QAction *>("fermer")->trigger();
    QTRY_VERIFY(w.isNull());
    QVERIFY(m_main.isVisible());

    w = openWindow();
    QTRY_VERIFY(analysisPanelShown(w)); // at once, no tick awaited
    QVERIFY(!w->findChild<QTimer *>("Timer1")->isActive());
    QVERIFY(!w->takeInPending());
    QCOMPARE(w->findChild<BoundField *>("Text3")->text(), kSegments.first());
    QCOMPARE(w->findChild<QLabel *>("Panel1")->text(), QString());
    QTest::qWait(1200);
    QCOMPARE(chemin(m_paths.db).size(), 1);
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
}

void TestFrmAnalyse::closeBoxShowsMainWindow()
{
    QPointer<frmAnalyse> w = openWindow();
    QVERIFY(!m_main.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QVERIFY(w->close()); // the close box
    QTRY_VERIFY(w.isNull());
    QVERIFY(m_main.isVisible());
}

void TestFrmAnalyse::pathWithApostrophe()
{
    m_paths.text = writeFile(m_dir.filePath("l'auteur/l'été d'hier.txt"), kText);
    // Another text recorded first, so the number is not 1 by chance.
    exec(m_paths.db, "insert into Chemin(chemin) values ('autre.txt')");
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(chemin(m_paths.db), (QList<Row>{{1, "autre.txt"}, {2, m_paths.text}}));
    QCOMPARE(textes(m_paths.db), rowsOf(2, kSegments));
    w->close();
    QTRY_VERIFY(w.isNull());

    w = openWindow();
    QTRY_VERIFY(analysisPanelShown(w));
    QCOMPARE(w->findChild<BoundField *>("Text4")->text(), QStringLiteral("2"));
    QCOMPARE(w->findChild<BoundField *>("Text3")->text(), kSegments.first());
    QCOMPARE(chemin(m_paths.db).size(), 2);
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::pathLengthCountsCharacters_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("stored");
    QTest::newRow("255") << 255 << true;
    QTest::newRow("256") << 256 << false;
}

// The limit counts characters, as the column does: one outside the basic
// plane is one character, though two UTF-16 units.
void TestFrmAnalyse::pathLengthCountsCharacters()
{
    QFETCH(int, length);
    QFETCH(bool, stored);
    QString path = QStringLiteral("/");
    while (QStringView(path).toUcs4().size() < length)
        path += QString::fromUcs4(U"\U0001F4DA");
    RecordSource data2(QStringLiteral("data2"));
    data2.setConnection(Connection::open(m_paths.db));
    data2.setRecordSource(takein::textStatement(path));
    data2.refresh();
    if (stored) {
        QCOMPARE(takein::addText(data2, path), QStringLiteral("1"));
        QCOMPARE(chemin(m_paths.db), (QList<Row>{{1, path}}));
    } else {
        try {
            takein::addText(data2, path);
            QFAIL("a path of 256 characters was stored");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("256 caractères")), qPrintable(e.message()));
        }
        QVERIFY(chemin(m_paths.db).isEmpty());
    }
}

void TestFrmAnalyse::emptyText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("blank lines") << QByteArray("\r\n   \r\n  \r\n");
}

void TestFrmAnalyse::emptyText()
{
    QFETCH(QByteArray, bytes);
    writeFile(m_paths.text, bytes);
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(chemin(m_paths.db).size(), 1);
    QVERIFY(textes(m_paths.db).isEmpty());
    QCOMPARE(w->findChild<BoundField *>("Text3")->text(), QString());
    QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_opened, QStringList{m_paths.db});
    w->close();
    QTRY_VERIFY(w.isNull());

    // Opened again: a known text without segments, no error either.
    w = openWindow();
    QTRY_VERIFY(analysisPanelShown(w));
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::analyseOpensTheDatabase()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_opened, QStringList{m_paths.db}); // the file itself, not a copy
    // The container names the file, shortened in its middle to fit.
    QCOMPARE(w->findChild<QWidget *>("OLE1")->toolTip(), m_paths.db);
    const QString shown = w->findChild<QLabel *>("OLE1_name")->text();
    const QString name = QFileInfo(m_paths.db).fileName();
    QVERIFY(shown == name
            || (shown.contains(QChar(0x2026)) && name.startsWith(shown.section(QChar(0x2026), 0, 0))
                && name.endsWith(shown.section(QChar(0x2026), 1))));
    // A double click on the object does the same.
    QTest::mouseDClick(w->findChild<QWidget *>("OLE1"), Qt::LeftButton);
    QCOMPARE(m_opened, (QStringList{m_paths.db, m_paths.db}));
    m_opened.clear();
    w->close();
    QTRY_VERIFY(w.isNull());

    w = openWindow(); // known text
    QTRY_VERIFY(analysisPanelShown(w));
    QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_opened, QStringList{m_paths.db});
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::analyseFailureIsReported()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    m_openResult = false;
    QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, messages::Kind::Error);
    QVERIFY(m_shown.first().text.contains(m_paths.db));
    QVERIFY(analysisPanelShown(w)); // the window stays
}

namespace {
// Closes the About window as soon as it is up; the flag tells it was up.
std::shared_ptr<bool> closeAboutSoon()
{
    auto seen = std::make_shared<bool>(false);
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, seen] {
        if (QWidget *m = QApplication::activeModalWidget()) {
            *seen = m->inherits("frmAbout");
            m->close();
            poll->deleteLater();
        }
    });
    poll->start();
    return seen;
}
} // namespace

void TestFrmAnalyse::aboutAfterSegmentsAddsNothing()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    auto seen = closeAboutSoon();
    w->findChild<QAction *>("About")->trigger();
    QVERIFY(*seen);
    QVERIFY(analysisPanelShown(w));
    QCOMPARE(chemin(m_paths.db).size(), 1);
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
    QCOMPARE(w->findChild<BoundField *>("Text3")->text(), kSegments.first());
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::aboutBeforeTheTickKeepsTheTakeIn()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    auto seen = closeAboutSoon();
    w->findChild<QAction *>("About")->trigger(); // closed well within the second
    QVERIFY(*seen);
    QVERIFY(w->takeInPending());
    QVERIFY(w->findChild<QTimer *>("Timer1")->isActive());
    QVERIFY(w->findChild<QGroupBox *>("Frame3")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(chemin(m_paths.db).size(), 1);
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
}

// The tick comes while the About window is open and the segmentation fails:
// reported, nothing left behind, and the window closes once the About window
// has closed.
void TestFrmAnalyse::failureWhileAboutIsOpen()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    QVERIFY(QFile::remove(m_paths.text)); // gone before the tick
    bool aboutOpenAtFailure = false;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, [&] {
        QWidget *m = QApplication::activeModalWidget();
        if (!m_shown.isEmpty() && m && m->inherits("frmAbout")) {
            aboutOpenAtFailure = true;
            poll.stop();
            m->close();
        }
    });
    poll.start();
    w->findChild<QAction *>("About")->trigger(); // returns once the About window has closed
    QVERIFY(aboutOpenAtFailure);
    QTRY_VERIFY(w.isNull());
    QVERIFY(m_main.isVisible());
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown.first().text.contains(m_paths.text));
    QVERIFY(chemin(m_paths.db).isEmpty());
}

void TestFrmAnalyse::closedBeforeTheTickLeavesNothing()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    w->findChild<QAction *>("fermer")->trigger();
    QTRY_VERIFY(w.isNull());
    QVERIFY(m_main.isVisible());
    QTest::qWait(1100);
    QVERIFY(chemin(m_paths.db).isEmpty());
    QVERIFY(textes(m_paths.db).isEmpty());

    // The next opening takes the text in again.
    w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(chemin(m_paths.db), (QList<Row>{{1, m_paths.text}}));
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
}

void TestFrmAnalyse::shownAfterTheTick()
{
    // Created, then shown only once its timer has fired: the take-in still
    // runs and is committed.
    QPointer<frmAnalyse> w = new frmAnalyse(m_paths, &m_main);
    QTest::qWait(1200);
    w->show();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QVERIFY(!w->takeInPending());
    QCOMPARE(textes(m_paths.db), rowsOf(1, kSegments));
}

void TestFrmAnalyse::windowDestroyedLeavesNothing()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    delete w.data();
    QVERIFY(chemin(m_paths.db).isEmpty());
}

void TestFrmAnalyse::programEndLeavesNothing()
{
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    // What QCoreApplication::quit() announces before the program ends.
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QVERIFY(!w->takeInPending());
    QVERIFY(chemin(m_paths.db).isEmpty());
}

void TestFrmAnalyse::refusedRowLeavesNothing()
{
    QByteArray text;
    for (int i = 1; i <= 300; ++i)
        text += "Phrase " + QByteArray::number(i) + ". ";
    text += "Refus. Suite.";
    writeFile(m_paths.text, text);
    exec(m_paths.db, "create trigger refus before insert on textes when new.texte = 'Refus.' "
                     "begin select raise(abort, 'ligne refusée'); end");
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000); // reported, then closed
    QVERIFY(m_main.isVisible());
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, messages::Kind::Error);
    QVERIFY(m_shown.first().text.contains(m_paths.text));
    QVERIFY(m_shown.first().text.contains(QStringLiteral("ligne refusée")));
    QVERIFY(chemin(m_paths.db).isEmpty());
    QVERIFY(textes(m_paths.db).isEmpty());

    // Once the cause is gone, the next opening takes the text in.
    exec(m_paths.db, "drop trigger refus");
    m_shown.clear();
    w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 5000);
    QCOMPARE(textes(m_paths.db).size(), 302);
    QVERIFY(m_shown.isEmpty());
}

void TestFrmAnalyse::refusedTextLeavesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("cause");
    QTest::newRow("removed before the tick") << "removed" << "introuvable";
    QTest::newRow("the database itself") << "database" << "c'est la base d'analyse elle-même";
    QTest::newRow("a link to the database") << "link" << "c'est la base d'analyse elle-même";
    QTest::newRow("a link to the template") << "template" << "c'est le modèle des bases d'analyse";
    QTest::newRow("a named pipe") << "fifo" << "c'est un tube nommé (FIFO)";
}

void TestFrmAnalyse::refusedTextLeavesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    const QString link = m_dir.filePath(QStringLiteral("lien%1.txt").arg(m_count));
    if (kind == QLatin1String("database")) {
        m_paths.text = m_paths.db;
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(m_paths.db, link));
        m_paths.text = link;
    } else if (kind == QLatin1String("template")) {
        // The template beside the program, where the tests run it from.
        QVERIFY(QFile::link(QCoreApplication::applicationDirPath() + "/telmira", link));
        m_paths.text = link;
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(link).constData(), 0600) == 0);
        m_paths.text = link;
    }
    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w->takeInPending());
    if (kind == QLatin1String("removed"))
        QVERIFY(QFile::remove(m_paths.text)); // gone before the tick
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000);
    QVERIFY(m_main.isVisible());
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown.first().text.contains(m_paths.text));
    QVERIFY2(m_shown.first().text.contains(cause), qPrintable(m_shown.first().text));
    QVERIFY(chemin(m_paths.db).isEmpty());
}

void TestFrmAnalyse::activationFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("database missing") << QStringLiteral("missing");
    QTest::newRow("not an analysis database") << QStringLiteral("foreign");
    QTest::newRow("path over 255 characters") << QStringLiteral("long");
}

void TestFrmAnalyse::activationFailures()
{
    QFETCH(QString, kind);
    QString named = m_paths.db;
    if (kind == QLatin1String("missing")) {
        QFile::remove(m_paths.db);
    } else if (kind == QLatin1String("foreign")) {
        writeFile(m_paths.db, "Ceci n'est pas une base.\r\n");
    } else {
        const QString dir = m_dir.filePath(QString(120, QLatin1Char('d')) + "/"
                                           + QString(120, QLatin1Char('e')));
        m_paths.text = writeFile(dir + "/texte.txt", kText);
        QVERIFY(m_paths.text.size() > 255);
        named = m_paths.text;
    }
    const QByteArray before = QFile::exists(m_paths.db) ? [&] {
        QFile f(m_paths.db);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }() : QByteArray();

    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY(w.isNull());
    QVERIFY(m_main.isVisible());
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.first().kind, messages::Kind::Error);
    QVERIFY2(m_shown.first().text.contains(named), qPrintable(m_shown.first().text));
    if (kind == QLatin1String("long")) {
        QVERIFY(m_shown.first().text.contains(QStringLiteral("255")));
        QVERIFY(chemin(m_paths.db).isEmpty());
    } else if (kind == QLatin1String("foreign")) {
        QFile f(m_paths.db);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    } else {
        QVERIFY(!QFile::exists(m_paths.db));
    }
    QTest::qWait(1100); // the timer is gone with the window
    QCOMPARE(m_shown.size(), 1);
}

void TestFrmAnalyse::killedTakeInLeavesNothing()
{
    QByteArray text;
    for (int i = 1; i <= 20000; ++i)
        text += "Phrase numéro " + QByteArray::number(i) + ", assez longue pour remplir des pages."
                " Et une autre.\r\n";
    writeFile(m_paths.text, text);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TELMIRA_CHILD_TAKEIN", "1");
    env.insert("TELMIRA_CHILD_DB", m_paths.db);
    env.insert("TELMIRA_CHILD_TEXT", m_paths.text);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray out;
    while (!out.contains("ready") && child.waitForReadyRead(20000))
        out += child.readAllStandardOutput();
    QVERIFY2(out.contains("ready"), child.readAllStandardError().constData());
    child.kill(); // mid-transaction, no chance to clean up
    QVERIFY(child.waitForFinished());
    QVERIFY(QFile::exists(m_paths.db + "-journal")); // caught in the middle of writing

    QVERIFY(chemin(m_paths.db).isEmpty());
    QVERIFY(textes(m_paths.db).isEmpty());

    QPointer<frmAnalyse> w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(analysisPanelShown(w), 10000);
    QCOMPARE(chemin(m_paths.db), (QList<Row>{{1, m_paths.text}}));
    QCOMPARE(textes(m_paths.db).size(), 40000);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("TELMIRA_CHILD_TAKEIN")) {
        QCoreApplication app(argc, argv);
        return childTakeIn();
    }
    QApplication app(argc, argv);
    TestFrmAnalyse test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_frmanalyse.moc"
