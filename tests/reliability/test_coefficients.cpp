// The agreement coefficients against published worked examples and values
// worked out by hand (see each row's comment).
#include "reliability/coefficients.h"
#include "reliability/scale.h"

#include <QTest>

using namespace reliability;

Q_DECLARE_METATYPE(reliability::Level)

namespace {

// One line per coder, units separated by blanks, "." for missing.
Table table(const QStringList &coders)
{
    const qint64 units = coders.value(0).split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    Table t(units, int(coders.size()));
    for (int c = 0; c < coders.size(); ++c) {
        const QStringList cells = coders.at(c).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        Q_ASSERT(cells.size() == units);
        for (int u = 0; u < cells.size(); ++u)
            if (cells.at(u) != QLatin1String("."))
                t.set(u, c, cells.at(u).toDouble());
    }
    return t;
}

// Krippendorff's example of 4 observers, 12 units and missing values
// ("Computing Krippendorff's Alpha-Reliability", 2011).
const QStringList kFourCoders = {
    QStringLiteral("1 2 3 3 2 1 4 1 2 . . ."),
    QStringLiteral("1 2 3 3 2 2 4 1 2 5 . 3"),
    QStringLiteral(". 3 3 3 2 3 4 2 2 5 1 ."),
    QStringLiteral("1 2 3 3 2 4 4 1 2 5 1 ."),
};
// His example of two coders and ten units of binary data (same text).
const QStringList kBinary = {
    QStringLiteral("0 1 0 0 0 0 0 0 1 0"),
    QStringLiteral("1 1 1 0 0 1 0 0 0 0"),
};

// Cohen's kappa textbook case: 50 proposals read by two referees, 20 both
// yes, 5 yes/no, 10 no/yes, 15 both no: po = 0.70, pe = 0.5 x 0.6 + 0.5 x
// 0.4 = 0.50, kappa = 0.40.
QStringList referees()
{
    QString a, b;
    const auto add = [&](int times, const char *x, const char *y) {
        for (int i = 0; i < times; ++i) {
            a += QLatin1String(x) + QLatin1Char(' ');
            b += QLatin1String(y) + QLatin1Char(' ');
        }
    };
    add(20, "1", "1");
    add(5, "1", "0");
    add(10, "0", "1");
    add(15, "0", "0");
    return {a, b};
}

constexpr double kTolerance = 0.00005;

} // namespace

class TestCoefficients : public QObject
{
    Q_OBJECT
private slots:
    void alpha_data()
    {
        QTest::addColumn<QStringList>("coders");
        QTest::addColumn<Level>("level");
        QTest::addColumn<int>("status");
        QTest::addColumn<double>("expected");
        const int ok = Coefficient::Defined;
        // Worked by hand from the coincidence matrix: n = 40 pairable values
        // (n1..n5 = 9, 13, 10, 5, 3); disagreeing pairs only in units 2, 6, 8.
        // Nominal: 1 - 39 x 8 / 1216 = 0.7434 (published 0.743).
        QTest::newRow("Krippendorff 4x12 nominal") << kFourCoders << Level::Nominal << ok << 0.74342;
        // Ordinal: 1 - 39 x 1891 / 399480 = 0.8154 (published 0.815).
        QTest::newRow("Krippendorff 4x12 ordinal") << kFourCoders << Level::Ordinal << ok << 0.81538;
        // Interval: 1 - 39 x 17.333 / 4480 = 0.8491 (published 0.849).
        QTest::newRow("Krippendorff 4x12 interval") << kFourCoders << Level::Interval << ok << 0.84911;
        // Ratio: 1 - 39 x 0.89731 / 172.732 = 0.7974 (published 0.797).
        QTest::newRow("Krippendorff 4x12 ratio") << kFourCoders << Level::Ratio << ok << 0.79741;
        // 1 - 19 x 8 / (2 x 14 x 6) = 0.0952 (published 0.095).
        QTest::newRow("Krippendorff binary 2x10") << kBinary << Level::Nominal << ok << 0.095238;
        // Unit 4 lacks coder B and does not count: n = 8 (five 1, three 2),
        // one disagreeing unit: 1 - 7 x 2 / (2 x 5 x 3) = 0.5333.
        QTest::newRow("one coder missing a unit")
            << QStringList{QStringLiteral("1 2 1 2 1"), QStringLiteral("1 2 2 . 1")}
            << Level::Nominal << ok << 0.533333;
        // Three coders, one unit each 1,1,2 and one 2,2,2: n = 6 (two 1,
        // four 2), o12 = o21 = 2 x 1 / 2 = 1: 1 - 5 x 2 / (2 x 2 x 4) = 0.375.
        QTest::newRow("three coders")
            << QStringList{QStringLiteral("1 2"), QStringLiteral("1 2"), QStringLiteral("2 2")}
            << Level::Nominal << ok << 0.375;
        QTest::newRow("one value used by everyone")
            << QStringList{QStringLiteral("3 3 3 ."), QStringLiteral("3 3 . 3")} << Level::Nominal
            << int(Coefficient::SingleValue) << 0.0;
        QTest::newRow("one value, interval")
            << QStringList{QStringLiteral("3 3"), QStringLiteral("3 3")} << Level::Interval
            << int(Coefficient::SingleValue) << 0.0;
        QTest::newRow("no pair")
            << QStringList{QStringLiteral("1 . 2"), QStringLiteral(". 2 .")} << Level::Nominal
            << int(Coefficient::NoPair) << 0.0;
    }
    void alpha()
    {
        QFETCH(QStringList, coders);
        QFETCH(Level, level);
        QFETCH(int, status);
        QFETCH(double, expected);
        const Coefficient a = reliability::alpha(table(coders), level);
        QCOMPARE(int(a.status), status);
        if (a.defined())
            QVERIFY2(qAbs(a.value - expected) < kTolerance, qPrintable(QString::number(a.value)));
    }

    void kappaAndAgreement_data()
    {
        QTest::addColumn<QStringList>("coders");
        QTest::addColumn<int>("kappaStatus");
        QTest::addColumn<double>("kappa");
        QTest::addColumn<double>("agreement");
        const int ok = Coefficient::Defined;
        QTest::newRow("referees, 50 proposals") << referees() << ok << 0.40 << 0.70;
        // po = 6/10; pe = 0.8 x 0.6 + 0.2 x 0.4 = 0.56: (0.6 - 0.56) / 0.44.
        QTest::newRow("Krippendorff binary 2x10") << kBinary << ok << 0.090909 << 0.6;
        // Kappa needs two coders. Agreement: 86 agreeing ordered pairs of 110.
        QTest::newRow("Krippendorff 4x12") << kFourCoders << int(Coefficient::NoPair) << 0.0
                                           << 0.781818;
        // Units with both values only: 1/1, 2/2, 1/2 give po 2/3, pe = 4/9.
        QTest::newRow("missing unit left out")
            << QStringList{QStringLiteral("1 2 1 2"), QStringLiteral("1 2 2 .")} << ok << 0.4
            << 0.666667;
        QTest::newRow("one value used by both")
            << QStringList{QStringLiteral("4 4"), QStringLiteral("4 4")}
            << int(Coefficient::SingleValue) << 0.0 << 1.0;
    }
    void kappaAndAgreement()
    {
        QFETCH(QStringList, coders);
        QFETCH(int, kappaStatus);
        QFETCH(double, kappa);
        QFETCH(double, agreement);
        const Table t = table(coders);
        const Coefficient k = cohensKappa(t);
        QCOMPARE(int(k.status), kappaStatus);
        if (k.defined())
            QVERIFY2(qAbs(k.value - kappa) < kTolerance, qPrintable(QString::number(k.value)));
        const Coefficient a = percentAgreement(t);
        QVERIFY(a.defined());
        QVERIFY2(qAbs(a.value - agreement) < kTolerance, qPrintable(QString::number(a.value)));
    }

    void valueAlphas_data()
    {
        QTest::addColumn<QStringList>("coders");
        QTest::addColumn<QList<double>>("expected"); // one per value, ascending
        // By hand: alpha_c = 1 - (n - 1)(n_c - o_cc) / (n_c (n - n_c)), n = 40:
        // 1: o11 = 7, 1 - 39 x 2 / (9 x 31); 2: o22 = 10, 1 - 39 x 3 / (13 x 27);
        // 3: o33 = 8, 1 - 39 x 2 / (10 x 30); 4: o44 = 4, 1 - 39 / (5 x 35); 5: 1.
        QTest::newRow("Krippendorff 4x12")
            << kFourCoders << QList<double>{0.720430, 0.666667, 0.74, 0.777143, 1.0};
        // With two values, each value's alpha is the variable's alpha.
        QTest::newRow("binary") << kBinary << QList<double>{0.095238, 0.095238};
    }
    void valueAlphas()
    {
        QFETCH(QStringList, coders);
        QFETCH(QList<double>, expected);
        const std::vector<ValueAlpha> values = reliability::valueAlphas(coincidences(table(coders)));
        QCOMPARE(int(values.size()), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QVERIFY(values[size_t(i)].alpha.defined());
            QVERIFY2(qAbs(values[size_t(i)].alpha.value - expected.at(i)) < kTolerance,
                     qPrintable(QString::number(values[size_t(i)].alpha.value)));
        }
    }

    void disagreementsAndUnits()
    {
        const Table t = table(kFourCoders);
        QCOMPARE(reliability::disagreements(t), (std::vector<qint64>{1, 5, 7}));
        QCOMPARE(coincidences(t).units, qint64(11)); // unit 12 has one value
    }

    void bootstrapInterval()
    {
        const Table t = table(kFourCoders);
        const Interval a = bootstrap(t, Level::Nominal);
        const Interval b = bootstrap(t, Level::Nominal);
        QVERIFY(a.low.defined() && a.high.defined());
        QCOMPARE(a.low.value, b.low.value); // same seed, same interval
        QCOMPARE(a.high.value, b.high.value);
        QVERIFY(a.low.value <= 0.7434 && 0.7434 <= a.high.value);
        QVERIFY(a.high.value <= 1.0);
        QVERIFY(a.samples > 900);
        const Interval other = bootstrap(t, Level::Nominal, kDefaultResamples, 7);
        QVERIFY(other.low.value != a.low.value || other.high.value != a.high.value);
        const Interval single = bootstrap(table({QStringLiteral("2 2"), QStringLiteral("2 2")}),
                                          Level::Nominal);
        QCOMPARE(int(single.low.status), int(Coefficient::SingleValue));
    }

    void scaleOfList_data()
    {
        QTest::addColumn<QStringList>("texts"); // values 2, 3, 4... of the list
        QTest::addColumn<Level>("level");
        QTest::addColumn<QList<qint64>>("order");   // the user's ordinal order; empty: none
        QTest::addColumn<QList<double>>("numbers"); // empty: refused
        const QList<qint64> none;
        const QStringList ranked = {QStringLiteral("3 - souvent"), QStringLiteral("1 - jamais"),
                                    QStringLiteral("2 - parfois")};
        QTest::newRow("ordinal, numbered") << ranked << Level::Ordinal << none
                                           << QList<double>{3, 1, 2};
        QTest::newRow("ordinal, list order")
            << QStringList{QStringLiteral("fort"), QStringLiteral("faible")} << Level::Ordinal
            << none << QList<double>{2, 3};
        QTest::newRow("interval, decimal comma")
            << QStringList{QStringLiteral("2,5"), QStringLiteral(" -1"), QStringLiteral("10 ans")}
            << Level::Interval << none << QList<double>{2.5, -1, 10};
        QTest::newRow("interval, a word") << QStringList{QStringLiteral("1"), QStringLiteral("beaucoup")}
                                          << Level::Interval << none << QList<double>{};
        QTest::newRow("ratio, negative") << QStringList{QStringLiteral("-2")} << Level::Ratio
                                         << none << QList<double>{};
        QTest::newRow("interval, number run into text")
            << QStringList{QStringLiteral("1.2.3")} << Level::Interval << none << QList<double>{};
        // Two values that begin with one number are refused, never merged.
        const QStringList twice = {QStringLiteral("1 - jamais"), QStringLiteral("1 - rarement"),
                                   QStringLiteral("2 - souvent")};
        QTest::newRow("ordinal, same leading number") << twice << Level::Ordinal << none
                                                      << QList<double>{};
        QTest::newRow("interval, 2 and 2,0")
            << QStringList{QStringLiteral("2"), QStringLiteral("2,0")} << Level::Interval << none
            << QList<double>{};
        QTest::newRow("ratio, same number")
            << QStringList{QStringLiteral("3 - a"), QStringLiteral("3 - b")} << Level::Ratio
            << none << QList<double>{};
        // The user's order: values 2, 3, 4 ranked 4, 2, 3 (value 4 first).
        QTest::newRow("ordinal, order given") << twice << Level::Ordinal << QList<qint64>{4, 2, 3}
                                              << QList<double>{2, 3, 1};
        // A value left out of the order comes after, in order of entry.
        QTest::newRow("ordinal, order missing a value")
            << ranked << Level::Ordinal << QList<qint64>{3} << QList<double>{2, 1, 3};
        QTest::newRow("interval ignores the order") << twice << Level::Interval
                                                    << QList<qint64>{4, 2, 3} << QList<double>{};
    }
    void scaleOfList()
    {
        QFETCH(QStringList, texts);
        QFETCH(Level, level);
        QFETCH(QList<qint64>, order);
        QFETCH(QList<double>, numbers);
        std::map<qint64, QString> list;
        for (int i = 0; i < texts.size(); ++i)
            list[i + 2] = texts.at(i);
        QString error;
        const auto s = scale(list, level, &error, std::vector<qint64>(order.begin(), order.end()));
        QCOMPARE(s.has_value(), !numbers.isEmpty());
        if (!s) {
            QVERIFY(!error.isEmpty());
            return;
        }
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(s->at(i + 2), numbers.at(i));
    }
    void ordinalOrderShown_data();
    void ordinalOrderShown();
};

void TestCoefficients::ordinalOrderShown_data()
{
    QTest::addColumn<QStringList>("texts"); // values 2, 3, 4... of the list
    QTest::addColumn<QList<qint64>>("order");
    QTest::addColumn<bool>("byNumber");
    QTest::addColumn<QString>("refusal"); // a part of it; empty: none
    QTest::newRow("leading numbers")
        << QStringList{QStringLiteral("3 - souvent"), QStringLiteral("1 - jamais"),
                       QStringLiteral("2 - parfois")}
        << QList<qint64>{3, 4, 2} << true << QString();
    QTest::newRow("order of entry")
        << QStringList{QStringLiteral("fort"), QStringLiteral("1 - faible")} << QList<qint64>{2, 3}
        << false << QString();
    // The two 2s stay in their order of entry, and the order is refused.
    QTest::newRow("same leading number")
        << QStringList{QStringLiteral("2 - b"), QStringLiteral("1 - a"), QStringLiteral("2 - c")}
        << QList<qint64>{3, 2, 4} << true
        << QStringLiteral("« 2 - b » et « 2 - c » commencent par le même nombre (2)");
}

void TestCoefficients::ordinalOrderShown()
{
    QFETCH(QStringList, texts);
    QFETCH(QList<qint64>, order);
    QFETCH(bool, byNumber);
    QFETCH(QString, refusal);
    std::map<qint64, QString> list;
    for (int i = 0; i < texts.size(); ++i)
        list[i + 2] = texts.at(i);
    const OrdinalOrder shown = ordinalOrder(list);
    QCOMPARE(QList<qint64>(shown.values.begin(), shown.values.end()), order);
    QCOMPARE(shown.byLeadingNumber, byNumber);
    QCOMPARE(shown.refusal.isEmpty(), refusal.isEmpty());
    QVERIFY2(shown.refusal.contains(refusal), qPrintable(shown.refusal));
}

QTEST_GUILESS_MAIN(TestCoefficients)
#include "test_coefficients.moc"
