// Dunning's log-likelihood G² of a word in a target against a reference,
// against values worked out by hand: its sign, the zero counts, equal rates
// and the p-value of the chi-square law with one degree of freedom.
#include "results/keyness.h"

#include <QTest>
#include <cmath>

class TestKeyness : public QObject
{
    Q_OBJECT
private slots:
    void logLikelihood_data();
    void logLikelihood();
};

void TestKeyness::logLikelihood_data()
{
    QTest::addColumn<qint64>("a"); // occurrences in the target
    QTest::addColumn<qint64>("c"); // words of the target
    QTest::addColumn<qint64>("b"); // occurrences in the reference
    QTest::addColumn<qint64>("d"); // words of the reference
    QTest::addColumn<double>("g2");
    QTest::addColumn<int>("sign");
    QTest::addColumn<double>("p");

    // E1 = 1000·30/11000 = 2.7272727, E2 = 10000·30/11000 = 27.2727273;
    // 10 ln(10/2.7272727) = 10 ln(3.6666667) = 10 · 1.2992830 = 12.992830,
    // 20 ln(20/27.2727273) = 20 ln(0.7333333) = 20 · (−0.3101549) = −6.203099;
    // G² = 2 (12.992830 − 6.203099) = 13.579463. 1 % against 0.2 %: over.
    // p = erfc(√(G²/2)) = erfc(2.605712) = 0.00022867.
    QTest::newRow("over-represented: 10 in 1000 against 20 in 10000")
        << qint64(10) << qint64(1000) << qint64(20) << qint64(10000) << 13.579463 << 1 << 0.00022867;
    // The same counts with the sides exchanged: the same G², under.
    QTest::newRow("under-represented: 20 in 10000 against 10 in 1000")
        << qint64(20) << qint64(10000) << qint64(10) << qint64(1000) << 13.579463 << -1 << 0.00022867;
    // a = 0: its term is 0. E2 = 100·10/200 = 5; G² = 2 · 10 ln(10/5) =
    // 20 ln 2 = 13.862944; p = erfc(√6.931472) = erfc(2.632769) = 0.00019664.
    QTest::newRow("absent from the target")
        << qint64(0) << qint64(100) << qint64(10) << qint64(100) << 13.862944 << -1 << 0.00019664;
    QTest::newRow("absent from the reference")
        << qint64(10) << qint64(100) << qint64(0) << qint64(100) << 13.862944 << 1 << 0.00019664;
    // E1 = 2·1/5 = 0.4; G² = 2 · 1 ln(1/0.4) = 2 ln 2.5 = 1.832581;
    // p = erfc(√0.916291) = erfc(0.957231) = 0.17582.
    QTest::newRow("one occurrence in a small target")
        << qint64(1) << qint64(2) << qint64(0) << qint64(3) << 1.832581 << 1 << 0.17582;
    // E1 = 5000·200/55000 = 18.181818, E2 = 181.818182;
    // 100 ln(100/18.181818) = 100 ln 5.5 = 170.474809,
    // 100 ln(100/181.818182) = 100 ln 0.55 = −59.783700;
    // G² = 2 (170.474809 − 59.783700) = 221.382218; p ≈ 4.5174e-50.
    QTest::newRow("large counts: 100 in 5000 against 100 in 50000")
        << qint64(100) << qint64(5000) << qint64(100) << qint64(50000) << 221.382218 << 1 << 4.5174e-50;
    // 5/100 = 10/200: E1 = 100·15/300 = 5 = a, E2 = 10 = b, every log 0.
    QTest::newRow("equal rates") << qint64(5) << qint64(100) << qint64(10) << qint64(200) << 0.0 << 0 << 1.0;
    QTest::newRow("no occurrence anywhere") << qint64(0) << qint64(100) << qint64(0) << qint64(200) << 0.0 << 0 << 1.0;
    QTest::newRow("empty target") << qint64(0) << qint64(0) << qint64(4) << qint64(200) << 0.0 << 0 << 1.0;
    QTest::newRow("empty reference") << qint64(3) << qint64(10) << qint64(0) << qint64(0) << 0.0 << 0 << 1.0;
}

void TestKeyness::logLikelihood()
{
    QFETCH(qint64, a);
    QFETCH(qint64, c);
    QFETCH(qint64, b);
    QFETCH(qint64, d);
    QFETCH(double, g2);
    QFETCH(int, sign);
    QFETCH(double, p);
    const results::Keyness k = results::logLikelihood(a, c, b, d);
    QVERIFY2(std::fabs(k.g2 - g2) < 1e-6, qPrintable(QString::number(k.g2, 'g', 12)));
    QCOMPARE(k.sign, sign);
    // Relative: the p-values span fifty orders of magnitude.
    QVERIFY2(std::fabs(k.p - p) <= 1e-4 * p, qPrintable(QString::number(k.p, 'g', 12)));
}

QTEST_APPLESS_MAIN(TestKeyness)
#include "test_keyness.moc"
