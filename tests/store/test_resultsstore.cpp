// The counts of the results on a small analysis coded by hand: both units,
// the whole analysis and one text, frequencies and a cross-table, what is
// left out as "non codé", and the segments behind a cell.
#include "resultsexample.h"

#include "store/connection.h"
#include "store/resultsstore.h"

#include <QTest>

using namespace codingtest;
using results::Scope;
using results::Unit;
using Cells = QList<qint64>;
Q_DECLARE_METATYPE(results::Unit)
Q_DECLARE_METATYPE(results::Scope)

using namespace resultsexample;

class TestResultsStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void counts_data();
    void counts();
    void cellSegments_data();
    void cellSegments();
    void starts();

private:
    QTemporaryDir m_dir;
    QString m_db;
};

void TestResultsStore::initTestCase()
{
    m_db = freshDatabase(m_dir);
    fill(m_db);
}

void TestResultsStore::counts_data()
{
    QTest::addColumn<int>("columnList"); // 0: a frequency table of list 1
    QTest::addColumn<Unit>("unit");
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<Cells>("cells"); // row by row
    QTest::addColumn<qint64>("uncoded");
    // Segments in several cells, by segments only: for list 1, segment 1
    // (Z, A) and 4 (C, Z); crossed with list 2, segment 1 alone (Z X, Z Y,
    // A X), segment 4's C having no value of list 2.
    QTest::addColumn<qint64>("multiple");

    const Scope all = Scope::whole();
    QTest::newRow("frequencies, rows") << 0 << Unit::Lines << all << Cells{1, 1, 5} << qint64(2)
                                       << qint64(0);
    QTest::newRow("frequencies, segments")
        << 0 << Unit::Segments << all << Cells{1, 1, 3} << qint64(2) << qint64(2);
    QTest::newRow("frequencies, rows, text 1")
        << 0 << Unit::Lines << Scope::of({1}) << Cells{1, 0, 4} << qint64(2) << qint64(0);
    QTest::newRow("frequencies, segments, text 2")
        << 0 << Unit::Segments << Scope::of({2}) << Cells{0, 1, 1} << qint64(1) << qint64(1);
    QTest::newRow("frequencies, no text") << 0 << Unit::Segments << Scope::of({}) << Cells{0, 0, 0}
                                          << qint64(0) << qint64(0);
    QTest::newRow("cross, rows") << 2 << Unit::Lines << all << Cells{1, 0, 0, 0, 3, 2} << qint64(3)
                                 << qint64(0);
    QTest::newRow("cross, segments")
        << 2 << Unit::Segments << all << Cells{1, 0, 0, 0, 2, 2} << qint64(2) << qint64(1);
    QTest::newRow("cross, segments, texts 1 and 2")
        << 2 << Unit::Segments << Scope::of({1, 2}) << Cells{1, 0, 0, 0, 2, 2} << qint64(2)
        << qint64(1);
    QTest::newRow("cross, segments, text 2")
        << 2 << Unit::Segments << Scope::of({2}) << Cells{0, 0, 0, 0, 0, 1} << qint64(1)
        << qint64(0);
    QTest::newRow("cross, rows, text 2")
        << 2 << Unit::Lines << Scope::of({2}) << Cells{0, 0, 0, 0, 0, 1} << qint64(1) << qint64(0);
}

void TestResultsStore::counts()
{
    QFETCH(int, columnList);
    QFETCH(Unit, unit);
    QFETCH(Scope, scope);
    QFETCH(Cells, cells);
    QFETCH(qint64, uncoded);
    QFETCH(qint64, multiple);
    auto db = Connection::open(m_db);
    results::ResultsStore store(*db);
    Cells got;
    qint64 left = 0;
    qint64 several = 0;
    std::vector<results::Value> rows;
    if (columnList == 0) {
        const results::FrequencyCounts f = store.frequencies(1, unit, scope);
        got = Cells(f.counts.begin(), f.counts.end());
        left = f.uncoded;
        several = f.multiple;
        rows = f.values;
    } else {
        const results::CrossCounts c = store.crossCounts(1, columnList, unit, scope);
        for (const auto &row : c.counts)
            got += Cells(row.begin(), row.end());
        left = c.uncoded;
        several = c.multiple;
        rows = c.rows;
        QCOMPARE(c.columns.size(), size_t(2));
        QCOMPARE(c.columns[1].text, QStringLiteral("Y"));
    }
    QCOMPARE(got, cells);
    QCOMPARE(left, uncoded);
    QCOMPARE(several, multiple);
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0].text, QStringLiteral("Abeille"));
    QCOMPARE(rows[2].numero, Z); // French order, not the order of numbers
}

void TestResultsStore::cellSegments_data()
{
    QTest::addColumn<qint64>("rowValue");
    QTest::addColumn<int>("columnList");
    QTest::addColumn<qint64>("columnValue");
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<Cells>("segments");
    QTest::addColumn<Cells>("texts");

    QTest::newRow("Z, X") << Z << 2 << X << Scope::whole() << Cells{1, 2} << Cells{1, 1};
    QTest::newRow("Z, any of list 2") << Z << 2 << qint64(0) << Scope::whole() << Cells{1, 2, 4}
                                      << Cells{1, 1, 2};
    QTest::newRow("any of list 1, Y") << qint64(0) << 2 << Y << Scope::whole() << Cells{1, 4}
                                      << Cells{1, 2};
    QTest::newRow("C alone") << C << 0 << qint64(0) << Scope::whole() << Cells{4} << Cells{2};
    QTest::newRow("C, X: none") << C << 2 << X << Scope::whole() << Cells{} << Cells{};
    QTest::newRow("Z in text 2") << Z << 0 << qint64(0) << Scope::of({2}) << Cells{4} << Cells{2};
}

void TestResultsStore::cellSegments()
{
    QFETCH(qint64, rowValue);
    QFETCH(int, columnList);
    QFETCH(qint64, columnValue);
    QFETCH(Scope, scope);
    QFETCH(Cells, segments);
    QFETCH(Cells, texts);
    auto db = Connection::open(m_db);
    results::ResultsStore store(*db);
    Cells gotSegments;
    Cells gotTexts;
    for (const results::CellSegment &s :
         store.cellSegments(1, rowValue, columnList, columnValue, scope)) {
        gotSegments << s.segment;
        gotTexts << s.text;
    }
    QCOMPARE(gotSegments, segments);
    QCOMPARE(gotTexts, texts);
}

void TestResultsStore::starts()
{
    auto db = Connection::open(m_db);
    results::ResultsStore store(*db);
    const std::vector<QString> s = store.starts({4, 99, 1}, 3);
    QCOMPARE(s, (std::vector<QString>{QStringLiteral("Qua"), QString(), QStringLiteral("Un.")}));
}

QTEST_GUILESS_MAIN(TestResultsStore)
#include "test_resultsstore.moc"
