// Counts over dates gathered by month or by year: time order, the empty
// periods in between, the categories without a date set apart, and each
// series' share of its period; a cross-table turned about keeps its test.
#include "results/chisquare.h"
#include "results/periods.h"
#include "results/tables.h"

#include <QTest>

using Counts = std::vector<std::vector<qint64>>;
Q_DECLARE_METATYPE(Counts)
Q_DECLARE_METATYPE(results::Period)

class TestPeriods : public QObject
{
    Q_OBJECT
private slots:
    void byPeriod_data();
    void byPeriod();
    void shares();
    void transposed();
};

void TestPeriods::byPeriod_data()
{
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<Counts>("counts"); // [date][series]
    QTest::addColumn<results::Period>("period");
    QTest::addColumn<QStringList>("periods");
    QTest::addColumn<Counts>("expected"); // [period][series]
    QTest::addColumn<qint64>("undated");

    const QStringList dates{QStringLiteral("2003-02-10"), QStringLiteral("2003-05-01"),
                            QStringLiteral("2004-01-15"), QStringLiteral("(sans valeur)")};
    const Counts counts{{1, 0, 4}, {0, 1, 1}, {2, 1, 0}, {5, 0, 0}};
    QTest::newRow("by month: February 2003 to January 2004, 12 months")
        << dates << counts << results::Period::Month
        << QStringList{QStringLiteral("2003-02"), QStringLiteral("2003-03"), QStringLiteral("2003-04"),
                       QStringLiteral("2003-05"), QStringLiteral("2003-06"), QStringLiteral("2003-07"),
                       QStringLiteral("2003-08"), QStringLiteral("2003-09"), QStringLiteral("2003-10"),
                       QStringLiteral("2003-11"), QStringLiteral("2003-12"), QStringLiteral("2004-01")}
        << Counts{{1, 0, 4}, {0, 0, 0}, {0, 0, 0}, {0, 1, 1}, {0, 0, 0}, {0, 0, 0},
                  {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {2, 1, 0}}
        << qint64(5);
    QTest::newRow("by year: two dates in 2003 summed")
        << dates << counts << results::Period::Year
        << QStringList{QStringLiteral("2003"), QStringLiteral("2004")}
        << Counts{{1, 1, 5}, {2, 1, 0}} << qint64(5);
    QTest::newRow("by year: an empty year between, dates out of order")
        << QStringList{QStringLiteral("2005-06-30"), QStringLiteral("2003-12-31")}
        << Counts{{3}, {2}} << results::Period::Year
        << QStringList{QStringLiteral("2003"), QStringLiteral("2004"), QStringLiteral("2005")}
        << Counts{{2}, {0}, {3}} << qint64(0);
    QTest::newRow("by month: one month, two days")
        << QStringList{QStringLiteral("2010-03-31"), QStringLiteral("2010-03-01")}
        << Counts{{1, 2}, {3, 4}} << results::Period::Month
        << QStringList{QStringLiteral("2010-03")} << Counts{{4, 6}} << qint64(0);
    QTest::newRow("no date at all")
        << QStringList{QStringLiteral("(sans valeur)"), QStringLiteral("2003-02-30")}
        << Counts{{1}, {2}} << results::Period::Month << QStringList{} << Counts{} << qint64(3);
}

void TestPeriods::byPeriod()
{
    QFETCH(QStringList, dates);
    QFETCH(Counts, counts);
    QFETCH(results::Period, period);
    QFETCH(QStringList, periods);
    QFETCH(Counts, expected);
    QFETCH(qint64, undated);
    const results::PeriodCounts got =
        results::byPeriod(std::vector<QString>(dates.begin(), dates.end()), counts, period);
    QCOMPARE(QStringList(got.periods.begin(), got.periods.end()), periods);
    QCOMPARE(got.counts, expected);
    QCOMPARE(got.undated, undated);
}

void TestPeriods::shares()
{
    // 2003: 1, 1, 5 of 7; 2004: 2, 1, 0 of 3; an empty year, nothing.
    results::PeriodCounts counts;
    counts.periods = {QStringLiteral("2003"), QStringLiteral("2004"), QStringLiteral("2005")};
    counts.counts = {{1, 1, 5}, {2, 1, 0}, {0, 0, 0}};
    const std::vector<std::vector<double>> s = results::periodShares(counts);
    QCOMPARE(s.size(), size_t(3));
    QVERIFY(qAbs(s[0][0] - 100.0 / 7) < 1e-9);
    QVERIFY(qAbs(s[0][2] - 500.0 / 7) < 1e-9);
    QVERIFY(qAbs(s[1][0] - 200.0 / 3) < 1e-9);
    QCOMPARE(s[1][2], 0.0);
    QCOMPARE(s[2], (std::vector<double>{0, 0, 0}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             results::byPeriod({QStringLiteral("2003-01-01")}, {}, results::Period::Year));
}

void TestPeriods::transposed()
{
    // [[5, 0], [2, 1]]: N = 8, expected 4.375, 0.625, 2.625, 0.375;
    // chi2 = 25/4.375 + 4/2.625 + 1/0.375 - 8 = 40/21; turned about, the same.
    const results::CrossTable table = results::crossTable(
        {QStringLiteral("X"), QStringLiteral("Y")}, {QStringLiteral("a"), QStringLiteral("b")},
        {{5, 0}, {2, 1}}, 3, 1);
    const results::CrossTable t = results::transposed(table);
    QCOMPARE(t.rowLabels, (std::vector<QString>{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(t.columnLabels, (std::vector<QString>{QStringLiteral("X"), QStringLiteral("Y")}));
    QCOMPARE(t.counts, (Counts{{5, 2}, {0, 1}}));
    QCOMPARE(t.rowTotals, (std::vector<qint64>{7, 1}));
    QCOMPARE(t.columnTotals, (std::vector<qint64>{5, 3}));
    QCOMPARE(t.uncoded, qint64(3));
    QCOMPARE(t.multiple, qint64(1));
    QVERIFY(qAbs(results::chiSquare(t.counts).statistic - 40.0 / 21) < 1e-12);
}

QTEST_GUILESS_MAIN(TestPeriods)
#include "test_periods.moc"
