// The window of segments around one of a text, as the coding window's view
// of the running text reads it: which segments, in which order, at the ends
// of the text and across the segments of another text numbered among them;
// the coding rows that code them, with their values' texts; the texts cut at
// a number of characters as the engine counts them.
#include "../coding/codingtest.h"

#include "store/codingstore.h"
#include "store/connection.h"
#include "store/segmentwindow.h"

#include <QTest>

using namespace codingtest;
using Numbers = QList<qint64>;

class TestSegmentWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void segments_data();
    void segments();
    void codings();
    void cut_data();
    void cut();

private:
    coding::SegmentWindow read(qint64 text, qint64 around, int before, int after,
                               int maxChars = 1000);

    QTemporaryDir m_dir;
    QString m_db;
    qint64 m_a = 0;
    qint64 m_cuts = 0;
};

// Text A: segments 1 to 8, then 11 and 12, added after text B's 9 and 10.
// List 1: migration (36), travail (37); list 2: positif (13).
// Coding rows: 1 on segment 2 (migration); 2 on segment 3, left on the five
// empty values; 3 and 4 on segment 4 (travail and positif; migration, list 2
// null); 5 on segment 9 of text B; 6 on segment 11 (list 1 null, positif).
void TestSegmentWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_db = freshDatabase(m_dir);
    Raw db(m_db);
    m_a = addText(db, QStringLiteral("/corpus/a.txt"),
                  {QStringLiteral("Un."), QStringLiteral("Deux."), QStringLiteral("Trois."),
                   QStringLiteral("Quatre."), QStringLiteral("Cinq."), QStringLiteral("Six."),
                   QStringLiteral("Sept."), QStringLiteral("Huit.")});
    const qint64 b = addText(db, QStringLiteral("/corpus/b.txt"),
                             {QStringLiteral("Neuf."), QStringLiteral("Dix.")});
    QCOMPARE(m_a, 1);
    QCOMPARE(b, 2);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES "
                                   "(1, 'Onze.'), (1, 'Douze.')")));
    QCOMPARE(addValue(db, 1, QStringLiteral("migration")), 36);
    QCOMPARE(addValue(db, 1, QStringLiteral("travail")), 37);
    QCOMPARE(addValue(db, 2, QStringLiteral("positif")), 13);
    QVERIFY(db.exec(QStringLiteral(
        "INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES"
        " (2, 36, 1), (3, 1, 1), (4, 37, 13), (4, 36, NULL), (9, 36, 1), (11, NULL, 13)")));
    m_cuts = addText(db, QStringLiteral("/corpus/coupes.txt"), {QStringLiteral("x")});
}

coding::SegmentWindow TestSegmentWindow::read(qint64 text, qint64 around, int before, int after,
                                              int maxChars)
{
    auto store = coding::CodingStore::open(m_db);
    coding::SegmentWindowReader reader(store->connection());
    return reader.read(text, around, before, after, maxChars);
}

void TestSegmentWindow::segments_data()
{
    QTest::addColumn<qint64>("text");
    QTest::addColumn<qint64>("around");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<Numbers>("expected");
    QTest::addColumn<int>("current");

    QTest::newRow("the first segment") << qint64(1) << qint64(1) << 3 << 3 << Numbers{1, 2, 3, 4}
                                       << 0;
    QTest::newRow("the second") << qint64(1) << qint64(2) << 3 << 3 << Numbers{1, 2, 3, 4, 5}
                                << 1;
    QTest::newRow("the middle") << qint64(1) << qint64(5) << 3 << 3
                                << Numbers{2, 3, 4, 5, 6, 7, 8} << 3;
    QTest::newRow("across another text's segments")
        << qint64(1) << qint64(8) << 3 << 3 << Numbers{5, 6, 7, 8, 11, 12} << 3;
    QTest::newRow("the last segment")
        << qint64(1) << qint64(12) << 3 << 3 << Numbers{7, 8, 11, 12} << 3;
    QTest::newRow("more each side than the text has")
        << qint64(1) << qint64(6) << 40 << 40 << Numbers{1, 2, 3, 4, 5, 6, 7, 8, 11, 12} << 5;
    QTest::newRow("none each side") << qint64(1) << qint64(5) << 0 << 0 << Numbers{5} << 0;
    QTest::newRow("uneven sides") << qint64(1) << qint64(2) << 1 << 5
                                  << Numbers{1, 2, 3, 4, 5, 6, 7} << 1;
    // A segment the text does not hold (another text's, or one deleted):
    // its neighbours in the text all the same, none current.
    QTest::newRow("a segment the text does not hold")
        << qint64(1) << qint64(9) << 3 << 3 << Numbers{6, 7, 8, 11, 12} << -1;
    QTest::newRow("the other text") << qint64(2) << qint64(10) << 3 << 3 << Numbers{9, 10} << 1;
    QTest::newRow("a text that does not exist")
        << qint64(99) << qint64(5) << 3 << 3 << Numbers{} << -1;
}

void TestSegmentWindow::segments()
{
    QFETCH(qint64, text);
    QFETCH(qint64, around);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(Numbers, expected);
    QFETCH(int, current);
    const coding::SegmentWindow window = read(text, around, before, after);
    Numbers got;
    for (const coding::WindowSegment &s : window.segments)
        got << s.numero;
    QCOMPARE(got, expected);
    QCOMPARE(window.current, current);
}

void TestSegmentWindow::codings()
{
    // The whole of text A, and segment 9 of text B numbered among its own.
    const coding::SegmentWindow window = read(m_a, 8, 40, 40);
    QStringList got;
    for (const coding::WindowSegment &s : window.segments) {
        QCOMPARE(s.coded(), !s.codings.empty());
        for (const coding::WindowCoding &c : s.codings) {
            QStringList values;
            for (int k = 0; k < coding::kLists; ++k)
                values << QStringLiteral("%1 %2").arg(c.numvar[size_t(k)]).arg(c.value[size_t(k)]);
            got << QStringLiteral("%1 #%2: %3").arg(s.numero).arg(c.numero).arg(values.join('|'));
        }
    }
    // Row 2, on the five empty values, codes nothing; a null is the empty
    // value; row 5 is text B's.
    QCOMPARE(got, (QStringList{
                      QStringLiteral("2 #1: 36 migration|1 |1 |1 |1 "),
                      QStringLiteral("4 #3: 37 travail|13 positif|1 |1 |1 "),
                      QStringLiteral("4 #4: 36 migration|1 |1 |1 |1 "),
                      QStringLiteral("11 #6: 1 |13 positif|1 |1 |1 "),
                  }));
}

void TestSegmentWindow::cut_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("maxChars");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("cut");

    QTest::newRow("shorter") << QStringLiteral("Élan vital.") << 20
                             << QStringLiteral("Élan vital.") << false;
    QTest::newRow("exactly the limit")
        << QStringLiteral("Élan vital.") << 11 << QStringLiteral("Élan vital.") << false;
    QTest::newRow("one over") << QStringLiteral("Élan vital.") << 10
                              << QStringLiteral("Élan vital") << true;
    QTest::newRow("accents count as one") << QStringLiteral("Été à Noël.") << 4
                                          << QStringLiteral("Été ") << true;
    // Beyond the basic plane: one character, two UTF-16 units.
    QTest::newRow("an emoji is one character")
        << QStringLiteral("\U0001F600 ok") << 4 << QStringLiteral("\U0001F600 ok") << false;
    QTest::newRow("never half of one")
        << QStringLiteral("\U0001F600\U0001F601\U0001F602") << 2
        << QStringLiteral("\U0001F600\U0001F601") << true;
    QTest::newRow("line ends kept") << QStringLiteral("Un\r\ndeux.\r\n") << 5
                                    << QStringLiteral("Un\r\nd") << true;
    QTest::newRow("a limit under one keeps one")
        << QStringLiteral("Oui.") << 0 << QStringLiteral("O") << true;
}

void TestSegmentWindow::cut()
{
    QFETCH(QString, stored);
    QFETCH(int, maxChars);
    QFETCH(QString, expected);
    QFETCH(bool, cut);
    {
        Raw db(m_db);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db.handle(), "UPDATE textes SET texte = ?1 WHERE numtexte = ?2", -1,
                           &stmt, nullptr);
        const QByteArray utf8 = stored.toUtf8();
        sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(stmt, 2, m_cuts);
        QCOMPARE(sqlite3_step(stmt), SQLITE_DONE);
        sqlite3_finalize(stmt);
    }
    const qint64 segment = 13; // text A's 10, text B's 2, then this one
    const coding::SegmentWindow window = read(m_cuts, segment, 3, 3, maxChars);
    QCOMPARE(window.segments.size(), size_t(1));
    QCOMPARE(window.segments[0].numero, segment);
    QCOMPARE(window.segments[0].text, expected);
    QCOMPARE(window.segments[0].cut, cut);
}

QTEST_GUILESS_MAIN(TestSegmentWindow)
#include "test_segmentwindow.moc"
