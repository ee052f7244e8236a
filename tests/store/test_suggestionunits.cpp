// The segments as the suggestions see them, read from an analysis: each
// with its neighbours in its text (never another text's), the values of
// the previous segment, the attributes of its text and its own values
// (every row's, once each, row 1 of the list being no value); the same
// unit read alone; the fingerprint that tells when the coding changed.
#include "../coding/codingtest.h"

#include "store/connection.h"
#include "store/suggestionunits.h"

#include <QTest>

using namespace codingtest;
using suggestions::Unit;
using suggestions::UnitReader;

class TestSuggestionUnits : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void units_data();
    void units();
    void fingerprintFollowsTheCoding_data();
    void fingerprintFollowsTheCoding();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

namespace {
// List 1 values: X = 36, Y = 37. Text A: segments 1 to 5, text B: 6 and 7.
const qint64 X = 36, Y = 37;
} // namespace

void TestSuggestionUnits::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    QCOMPARE(addValue(db, 1, "X"), X);
    QCOMPARE(addValue(db, 1, "Y"), Y);
    const qint64 a = addText(db, "/c/a.txt", {"s1", "s2", "s3", "s4", "s5"});
    addText(db, "/c/b.txt", {"s6", "s7"});
    // Segment 1: X; 2: Y and X on two rows, and X again; 4: a row without
    // a value in list 1 (a value in list 2 only); 6: Y.
    db.exec("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, 36), (2, 37), (2, 36), (2, 36),"
            " (6, 37)");
    db.exec("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES (4, 1, 13)");
    db.exec(QStringLiteral("INSERT INTO Attributs (nom) VALUES ('journal'), ('date')"));
    db.exec(QStringLiteral("INSERT INTO ValeursAttributs VALUES (1, %1, 'Le Monde'),"
                           " (2, %1, '2003-04-01')")
                .arg(a));
}

void TestSuggestionUnits::units_data()
{
    QTest::addColumn<qint64>("segment");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("context"); // nearest first, before then after
    QTest::addColumn<QStringList>("wider");   // the next ones out, likewise
    QTest::addColumn<QList<qint64>>("previous");
    QTest::addColumn<QStringList>("attributes");
    QTest::addColumn<QList<qint64>>("values");
    const QStringList inA{"journal=Le Monde", "date=2003-04-01"};
    QTest::newRow("first of its text") << qint64(1) << "s1" << QStringList{"s2"} << QStringList{"s3"}
                                       << QList<qint64>{} << inA << QList<qint64>{X};
    QTest::newRow("values of several rows, once each")
        << qint64(2) << "s2" << QStringList{"s1", "s3"} << QStringList{"s4"} << QList<qint64>{X} << inA
        << QList<qint64>{X, Y};
    QTest::newRow("after a segment of two values")
        << qint64(3) << "s3" << QStringList{"s2", "s4"} << QStringList{"s1", "s5"} << QList<qint64>{X, Y} << inA
        << QList<qint64>{};
    QTest::newRow("a row without a value in the list")
        << qint64(4) << "s4" << QStringList{"s3", "s5"} << QStringList{"s2"} << QList<qint64>{} << inA
        << QList<qint64>{};
    QTest::newRow("last of its text") << qint64(5) << "s5" << QStringList{"s4"} << QStringList{"s3"}
                                      << QList<qint64>{} << inA << QList<qint64>{};
    QTest::newRow("another text, without attributes")
        << qint64(6) << "s6" << QStringList{"s7"} << QStringList{} << QList<qint64>{} << QStringList{}
        << QList<qint64>{Y};
    QTest::newRow("previous in its own text only")
        << qint64(7) << "s7" << QStringList{"s6"} << QStringList{} << QList<qint64>{Y} << QStringList{}
        << QList<qint64>{};
}

void TestSuggestionUnits::units()
{
    QFETCH(qint64, segment);
    QFETCH(QString, content);
    QFETCH(QStringList, context);
    QFETCH(QStringList, wider);
    QFETCH(QList<qint64>, previous);
    QFETCH(QStringList, attributes);
    QFETCH(QList<qint64>, values);
    auto db = Connection::open(m_db, Connection::Access::ReadOnly);
    UnitReader reader(*db, 1, 1, 2);

    auto check = [&](const Unit &u) {
        QCOMPARE(u.segment, segment);
        QCOMPARE(u.content, content);
        QCOMPARE(u.context, context);
        QCOMPARE(u.wider, wider);
        QCOMPARE(QList<qint64>(u.previous.begin(), u.previous.end()), previous);
        QCOMPARE(u.attributes, attributes);
        QCOMPARE(QList<qint64>(u.values.begin(), u.values.end()), values);
    };
    // Read in the reading order, among the coded or the others as it is.
    const UnitReader::Which which =
        values.isEmpty() ? UnitReader::Which::NotCoded : UnitReader::Which::Coded;
    QList<qint64> order;
    bool seen = false;
    reader.read(which, [&](Unit &&u) {
        order << u.segment;
        if (u.segment == segment) {
            seen = true;
            check(u);
        }
        return true;
    });
    QVERIFY(seen);
    const QList<qint64> coded{1, 2, 6}, notCoded{3, 4, 5, 7};
    QCOMPARE(order, which == UnitReader::Which::Coded ? coded : notCoded);
    // Alone, for the coding window.
    const std::optional<Unit> alone = reader.unit(segment);
    QVERIFY(alone.has_value());
    check(*alone);
    QVERIFY(!reader.unit(99).has_value());
}

void TestSuggestionUnits::fingerprintFollowsTheCoding_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changes");
    QTest::newRow("a value changed") << "UPDATE Contenus SET numvar01 = 36 WHERE numero = 5" << true;
    QTest::newRow("a value moved to another segment")
        << "UPDATE Contenus SET numtexte = 3 WHERE numero = 1" << true;
    QTest::newRow("a row added") << "INSERT INTO Contenus (numtexte, numvar01) VALUES (5, 36)" << true;
    QTest::newRow("a row removed") << "DELETE FROM Contenus WHERE numero = 3" << true;
    QTest::newRow("another list") << "UPDATE Contenus SET numvar02 = 13 WHERE numero = 1" << false;
    QTest::newRow("an empty row added") << "INSERT INTO Contenus (numtexte) VALUES (7)" << false;
}

void TestSuggestionUnits::fingerprintFollowsTheCoding()
{
    QFETCH(QString, change);
    QFETCH(bool, changes);
    auto db = Connection::open(m_db, Connection::Access::ReadOnly);
    const UnitReader::Fingerprint before = UnitReader(*db, 1).fingerprint();
    QCOMPARE(before.segments, 3);
    QCOMPARE(before.rows, 5);
    {
        Raw raw(m_db);
        raw.exec(change);
    }
    QCOMPARE(UnitReader(*db, 1).fingerprint() != before, changes);
}

QTEST_GUILESS_MAIN(TestSuggestionUnits)
#include "test_suggestionunits.moc"
