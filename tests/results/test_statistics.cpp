// The statistics of the results, against values worked out by hand and
// published ones: percentages and margins, Pearson's chi-square with its
// degrees of freedom, p-value and Cramér's V, and the upper tail of the
// chi-square distribution at the points printed in every table of it.
#include "results/chisquare.h"
#include "results/tables.h"

#include <QTest>
#include <cmath>

using Counts = std::vector<std::vector<qint64>>;
Q_DECLARE_METATYPE(Counts)

class TestStatistics : public QObject
{
    Q_OBJECT
private slots:
    void frequencies();
    void crossTableMargins();
    void chiSquareTables_data();
    void chiSquareTables();
    void upperTail_data();
    void upperTail();
    void pValueWritten_data();
    void pValueWritten();
    void severalCells_data();
    void severalCells();
};

void TestStatistics::frequencies()
{
    const results::FrequencyTable t = results::frequencyTable(
        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, {3, 0, 5}, 2);
    QCOMPARE(t.total, 8);
    QCOMPARE(t.uncoded, 2);
    QCOMPARE(t.percent(0), 37.5);
    QCOMPARE(t.percent(1), 0.0);
    QCOMPARE(t.percent(2), 62.5);
    // Nothing counted: no percentage rather than a made-up one.
    const results::FrequencyTable empty =
        results::frequencyTable({QStringLiteral("A")}, {0}, 4);
    QVERIFY(std::isnan(empty.percent(0)));
}

void TestStatistics::crossTableMargins()
{
    // Worked by hand: rows 10 and 30, columns 16 and 24, total 40.
    const results::CrossTable t = results::crossTable(
        {QStringLiteral("r1"), QStringLiteral("r2")}, {QStringLiteral("c1"), QStringLiteral("c2")},
        {{4, 6}, {12, 18}}, 1);
    QCOMPARE(t.rowTotals, (std::vector<qint64>{10, 30}));
    QCOMPARE(t.columnTotals, (std::vector<qint64>{16, 24}));
    QCOMPARE(t.total, 40);
    QCOMPARE(t.rowPercent(0, 0), 40.0);
    QCOMPARE(t.columnPercent(0, 0), 25.0);
    QCOMPARE(t.totalPercent(1, 1), 45.0);
    const results::CrossTable zero = results::crossTable(
        {QStringLiteral("r")}, {QStringLiteral("c1"), QStringLiteral("c2")}, {{0, 0}}, 0);
    QVERIFY(std::isnan(zero.rowPercent(0, 1)));
    QVERIFY(std::isnan(zero.columnPercent(0, 1)));
}

void TestStatistics::chiSquareTables_data()
{
    QTest::addColumn<Counts>("counts");
    QTest::addColumn<bool>("computed");
    QTest::addColumn<double>("chi2");
    QTest::addColumn<int>("df");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("small");
    QTest::addColumn<bool>("unreliable");

    // 2 x 2, every expected count 25: chi2 = 4 x 5²/25 = 4, V = sqrt(4/100),
    // p = erfc(sqrt(2)).
    QTest::newRow("2x2") << Counts{{20, 30}, {30, 20}} << true << 4.0 << 1
                         << std::erfc(std::sqrt(2.0)) << 0.2 << 0 << false;
    // The same with a value never used on each side: left out, same test.
    QTest::newRow("2x2 with empty row and column")
        << Counts{{20, 0, 30}, {0, 0, 0}, {30, 0, 20}} << true << 4.0 << 1
        << std::erfc(std::sqrt(2.0)) << 0.2 << 0 << false;
    // 3 x 3, every expected count 20: chi2 = 4 x 10²/20 = 20, df 4,
    // p = Q(2, 10) = 11 e^-10, V = sqrt(20 / (180 x 2)).
    QTest::newRow("3x3") << Counts{{10, 20, 30}, {20, 20, 20}, {30, 20, 10}} << true << 20.0 << 4
                         << 11 * std::exp(-10.0) << std::sqrt(20.0 / 360.0) << 0 << false;
    // Agresti, An Introduction to Categorical Data Analysis, table 2.5
    // (gender by party identification): X² = 30.07, df 2; p = e^(-X²/2).
    QTest::newRow("Agresti 2x3") << Counts{{762, 327, 468}, {484, 239, 477}} << true
                                 << 30.070149 << 2 << std::exp(-30.070149 / 2) << 0.104436 << 0
                                 << false;
    // Every expected count 2: four cells under 5 out of 4.
    QTest::newRow("small counts") << Counts{{3, 1}, {1, 3}} << true << 2.0 << 1
                                  << std::erfc(1.0) << 0.5 << 4 << true;
    // One non-empty column: no test.
    QTest::newRow("one column") << Counts{{3, 0}, {5, 0}} << false << 0.0 << 0 << 1.0 << 0.0
                                << 0 << false;
}

void TestStatistics::chiSquareTables()
{
    QFETCH(Counts, counts);
    QFETCH(bool, computed);
    QFETCH(double, chi2);
    QFETCH(int, df);
    QFETCH(double, p);
    QFETCH(double, v);
    QFETCH(int, small);
    QFETCH(bool, unreliable);
    const results::ChiSquare t = results::chiSquare(counts);
    QCOMPARE(t.computed, computed);
    QCOMPARE(t.degreesOfFreedom, df);
    QVERIFY2(std::fabs(t.statistic - chi2) < 1e-5, qPrintable(QString::number(t.statistic, 'g', 12)));
    QVERIFY2(std::fabs(t.pValue - p) <= 1e-9 * std::max(1.0, p) + 1e-14,
             qPrintable(QString::number(t.pValue, 'g', 12)));
    QVERIFY2(std::fabs(t.cramersV - v) < 1e-6, qPrintable(QString::number(t.cramersV, 'g', 12)));
    QCOMPARE(t.smallExpected, small);
    QCOMPARE(t.unreliable(), unreliable);
    // A warning exactly when the test is missing or unreliable, and it says
    // how many cells.
    const QString warning = results::chiSquareWarning(t);
    QCOMPARE(!warning.isEmpty(), !computed || unreliable);
    if (unreliable)
        QVERIFY(warning.contains(QStringLiteral("%1 cellule(s) sur %2").arg(small).arg(t.cells())));
}

void TestStatistics::upperTail_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("df");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("tolerance");
    // Critical values as printed (three decimals) in tables of the
    // distribution.
    QTest::newRow("3.841 df 1") << 3.841 << 1 << 0.05 << 5e-5;
    QTest::newRow("6.635 df 1") << 6.635 << 1 << 0.01 << 5e-6;
    QTest::newRow("5.991 df 2") << 5.991 << 2 << 0.05 << 5e-5;
    QTest::newRow("9.210 df 2") << 9.210 << 2 << 0.01 << 5e-6;
    QTest::newRow("7.815 df 3") << 7.815 << 3 << 0.05 << 5e-5;
    QTest::newRow("18.307 df 10") << 18.307 << 10 << 0.05 << 5e-5;
    QTest::newRow("124.342 df 100") << 124.342 << 100 << 0.05 << 5e-5;
    // Closed forms: df 2 is e^(-x/2); df 1 is erfc(sqrt(x/2)).
    QTest::newRow("df 2 closed form, far tail") << 80.0 << 2 << std::exp(-40.0) << 1e-28;
    QTest::newRow("df 1 closed form") << 0.5 << 1 << std::erfc(0.5) << 1e-13;
    QTest::newRow("zero") << 0.0 << 3 << 1.0 << 0.0;
}

void TestStatistics::upperTail()
{
    QFETCH(double, x);
    QFETCH(int, df);
    QFETCH(double, p);
    QFETCH(double, tolerance);
    const double q = results::chiSquareUpperTail(x, df);
    QVERIFY2(std::fabs(q - p) <= tolerance, qPrintable(QString::number(q, 'g', 15)));
}

void TestStatistics::pValueWritten_data()
{
    QTest::addColumn<Counts>("counts");
    QTest::addColumn<QString>("p");
    // Worked by hand. [[20, 0], [0, 20]]: every cell expects 10, chi2 =
    // 4 x 100 / 10 = 40, df 1, p = erfc(sqrt(20)) = 2.5396290e-10.
    QTest::newRow("far tail, df 1") << Counts{{20, 0}, {0, 20}} << QStringLiteral("2.539629e-10");
    // chi2 = 4 x 25 / 25 = 4, df 1: p = erfc(sqrt(2)) = 0.045500264.
    QTest::newRow("df 1") << Counts{{20, 30}, {30, 20}} << QStringLiteral("0.04550026");
    // Every cell expects 20: chi2 = 4 x 100 / 20 = 20, df 2: p = e^-10 =
    // 4.5399930e-05.
    QTest::newRow("df 2") << Counts{{10, 20, 30}, {30, 20, 10}} << QStringLiteral("4.539993e-05");
}

void TestStatistics::pValueWritten()
{
    QFETCH(Counts, counts);
    QFETCH(QString, p);
    QCOMPARE(results::pValueText(results::chiSquare(counts).pValue), p);
}

void TestStatistics::severalCells_data()
{
    QTest::addColumn<qint64>("multiple");
    QTest::addColumn<QString>("note");    // empty: none
    QTest::addColumn<QString>("warning"); // a part of the chi-square's; empty: none
    QTest::newRow("none") << qint64(0) << QString() << QString();
    QTest::newRow("one") << qint64(1) << QStringLiteral("1 segment compté dans plusieurs cases")
                         << QStringLiteral("ne sont pas indépendantes");
    QTest::newRow("twelve") << qint64(12)
                            << QStringLiteral("12 segments comptés dans plusieurs cases")
                            << QStringLiteral("12 segment(s) sont comptés dans plusieurs cases");
}

void TestStatistics::severalCells()
{
    QFETCH(qint64, multiple);
    QFETCH(QString, note);
    QFETCH(QString, warning);
    const results::CrossTable t = results::crossTable(
        {QStringLiteral("r1"), QStringLiteral("r2")}, {QStringLiteral("c1"), QStringLiteral("c2")},
        {{4, 6}, {12, 18}}, 1, multiple);
    QCOMPARE(t.multiple, multiple);
    QCOMPARE(results::multipleNote(t.multiple), note);
    const QString said = results::independenceWarning(t.multiple);
    QCOMPARE(said.isEmpty(), warning.isEmpty());
    QVERIFY2(said.contains(warning), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
