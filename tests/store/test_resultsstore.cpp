// The counts of the results on a small analysis coded by hand: both units,
// the whole analysis and one text, frequencies and a cross-table, what is
// left out as "non codé", and the segments behind a cell; a list crossed
// with an attribute, and the texts kept by conditions on their attributes.
#include "attributesexample.h"

#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"

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
    void attributeCounts_data();
    void attributeCounts();
    void conditions_data();
    void conditions();
    void attributeCells_data();
    void attributeCells();
    void refusedConditions_data();
    void refusedConditions();

private:
    // Scope of the conditions named (see conditionNamed), on all texts or
    // those numbered.
    Scope scopeOf(const QStringList &conditions, std::vector<qint64> texts = {}, bool all = true);

    QTemporaryDir m_dir;
    QString m_db;
    QString m_attributes; // attributesexample.h
};

Scope TestResultsStore::scopeOf(const QStringList &conditions, std::vector<qint64> texts, bool all)
{
    Scope scope = all ? Scope::whole() : Scope::of(std::move(texts));
    // "journal=Le Monde", "date=2003-01-01..2003-12-31": attributes 1, 2, 3
    // are journal, date and pages.
    const QStringList names{QStringLiteral("journal"), QStringLiteral("date"),
                            QStringLiteral("pages")};
    for (const QString &c : conditions) {
        const QString name = c.section(QLatin1Char('='), 0, 0);
        const QString value = c.section(QLatin1Char('='), 1);
        const qint64 number = names.indexOf(name) + 1;
        if (value.contains(QLatin1String("..")))
            scope.conditions.push_back(results::Condition::between(
                number, name, value.section(QStringLiteral(".."), 0, 0),
                value.section(QStringLiteral(".."), 1)));
        else
            scope.conditions.push_back(results::Condition::equals(number, name, value));
    }
    return scope;
}

void TestResultsStore::initTestCase()
{
    m_db = freshDatabase(m_dir);
    fill(m_db);
    m_attributes = freshDatabase(m_dir, QStringLiteral("attributs.mdb"));
    attributesexample::fill(m_attributes);
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

// List 1 crossed with each attribute; the counts by text are in
// attributesexample.h, each text's falling in its value's column.
void TestResultsStore::attributeCounts_data()
{
    QTest::addColumn<qint64>("attribute");
    QTest::addColumn<Unit>("unit");
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<Cells>("cells"); // row by row: Abeille, Chat, Zèbre
    QTest::addColumn<qint64>("uncoded");
    QTest::addColumn<qint64>("multiple");

    const Scope all = Scope::whole();
    const QStringList journal{QStringLiteral("Le Monde"), QStringLiteral("Libération"),
                              QStringLiteral("(sans valeur)")};
    QTest::newRow("journal, coding rows")
        << qint64(1) << Unit::Lines << all << journal << Cells{1, 0, 2, 0, 1, 1, 4, 1, 0}
        << qint64(2) << qint64(0);
    QTest::newRow("journal, segments")
        << qint64(1) << Unit::Segments << all << journal << Cells{1, 0, 2, 0, 1, 1, 2, 1, 0}
        << qint64(2) << qint64(3);
    // The columns stay when a text is left out; its counts go.
    QTest::newRow("journal, coding rows, texts 2 and 3")
        << qint64(1) << Unit::Lines << Scope::of({2, 3}) << journal
        << Cells{0, 0, 2, 0, 1, 1, 0, 1, 0} << qint64(0) << qint64(0);
    QTest::newRow("journal, segments, journal = Le Monde")
        << qint64(1) << Unit::Segments << scopeOf({QStringLiteral("journal=Le Monde")}) << journal
        << Cells{1, 0, 0, 0, 0, 0, 2, 0, 0} << qint64(1) << qint64(1);
    // Every text has a date: no "(sans valeur)"; dates in their order.
    QTest::newRow("date, coding rows")
        << qint64(2) << Unit::Lines << all
        << QStringList{QStringLiteral("2003-02-10"), QStringLiteral("2003-05-01"),
                       QStringLiteral("2004-01-15")}
        << Cells{1, 0, 2, 0, 1, 1, 4, 1, 0} << qint64(2) << qint64(0);
    // French order, as the values are text: "12" before "3,5" before "40".
    QTest::newRow("pages, coding rows")
        << qint64(3) << Unit::Lines << all
        << QStringList{QStringLiteral("12"), QStringLiteral("3,5"), QStringLiteral("40")}
        << Cells{1, 0, 2, 0, 1, 1, 4, 1, 0} << qint64(2) << qint64(0);
}

void TestResultsStore::attributeCounts()
{
    QFETCH(qint64, attribute);
    QFETCH(Unit, unit);
    QFETCH(Scope, scope);
    QFETCH(QStringList, columns);
    QFETCH(Cells, cells);
    QFETCH(qint64, uncoded);
    QFETCH(qint64, multiple);
    auto db = Connection::open(m_attributes);
    results::ResultsStore store(*db);
    const results::CrossCounts c = store.attributeCounts(1, attribute, unit, scope);
    QStringList gotColumns;
    for (const results::Value &v : c.columns)
        gotColumns << v.text;
    QCOMPARE(gotColumns, columns);
    QCOMPARE(c.columns.back().numero == results::kWithoutValue,
             columns.back() == QLatin1String("(sans valeur)"));
    Cells got;
    for (const auto &row : c.counts)
        got += Cells(row.begin(), row.end());
    QCOMPARE(got, cells);
    QCOMPARE(c.uncoded, uncoded);
    QCOMPARE(c.multiple, multiple);
    QCOMPARE(c.rows.front().text, QStringLiteral("Abeille"));
}

// The frequencies of list 1 by coding rows (Abeille, Chat, Zèbre, then "non
// codé") for the texts the conditions keep; the texts' counts are in
// attributesexample.h. Crossed with list 2, the rows holding a value of
// both: 5 in text 1 (not (-, X), (null, Y)), 1 in text 2 (not (C, -)), 3 in
// text 3.
void TestResultsStore::conditions_data()
{
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<Cells>("counts"); // Abeille, Chat, Zèbre, non codé
    QTest::addColumn<qint64>("crossTotal");

    QTest::newRow("journal = Le Monde: text 1")
        << scopeOf({QStringLiteral("journal=Le Monde")}) << Cells{1, 0, 4, 2} << qint64(5);
    QTest::newRow("journal = Libération: text 2")
        << scopeOf({QStringLiteral("journal=Libération")}) << Cells{0, 1, 1, 0} << qint64(1);
    QTest::newRow("a value no text has") << scopeOf({QStringLiteral("journal=le monde")})
                                         << Cells{0, 0, 0, 0} << qint64(0);
    QTest::newRow("date in 2003: texts 1 and 2")
        << scopeOf({QStringLiteral("date=2003-01-01..2003-12-31")}) << Cells{1, 1, 5, 2} << qint64(6);
    QTest::newRow("date from 2003-03-01: texts 2 and 3")
        << scopeOf({QStringLiteral("date=2003-03-01..")}) << Cells{2, 2, 1, 0} << qint64(4);
    QTest::newRow("date up to 2003-02-10, bound included: text 1")
        << scopeOf({QStringLiteral("date=..2003-02-10")}) << Cells{1, 0, 4, 2} << qint64(5);
    // As numbers, not as text (as text, "12" and "40" are not from "4").
    QTest::newRow("pages from 4 to 50: texts 1 and 3")
        << scopeOf({QStringLiteral("pages=4..50")}) << Cells{3, 1, 4, 2} << qint64(8);
    QTest::newRow("pages from 3 to 3.5, a decimal comma stored: text 2")
        << scopeOf({QStringLiteral("pages=3..3.5")}) << Cells{0, 1, 1, 0} << qint64(1);
    QTest::newRow("pages from 3,5, a decimal comma given: texts 1 to 3")
        << scopeOf({QStringLiteral("pages=3,5..")}) << Cells{3, 2, 5, 2} << qint64(9);
    QTest::newRow("both conditions must hold: none")
        << scopeOf({QStringLiteral("journal=Le Monde"), QStringLiteral("date=2003-03-01..")})
        << Cells{0, 0, 0, 0} << qint64(0);
    QTest::newRow("both hold: text 2")
        << scopeOf({QStringLiteral("journal=Libération"), QStringLiteral("pages=..10")})
        << Cells{0, 1, 1, 0} << qint64(1);
    QTest::newRow("texts 1 and 2 chosen, date from 2003-03-01: text 2")
        << scopeOf({QStringLiteral("date=2003-03-01..")}, {1, 2}, false) << Cells{0, 1, 1, 0} << qint64(1);
}

void TestResultsStore::conditions()
{
    QFETCH(Scope, scope);
    QFETCH(Cells, counts);
    auto db = Connection::open(m_attributes);
    results::ResultsStore store(*db);
    const results::FrequencyCounts f = store.frequencies(1, Unit::Lines, scope);
    Cells got(f.counts.begin(), f.counts.end());
    got << f.uncoded;
    QCOMPARE(got, counts);

    // The cross-table with list 2, restricted the same.
    QFETCH(qint64, crossTotal);
    const results::CrossCounts cross = store.crossCounts(1, 2, Unit::Lines, scope);
    qint64 total = 0;
    for (const auto &row : cross.counts)
        for (qint64 n : row)
            total += n;
    QCOMPARE(total, crossTotal);
}

void TestResultsStore::attributeCells_data()
{
    QTest::addColumn<qint64>("listValue");        // 0: any
    QTest::addColumn<qint64>("attribute");
    QTest::addColumn<QString>("value");           // "-": any; "": none
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<Cells>("segments");

    QTest::newRow("Abeille, journal without value") << A << qint64(1) << QString() << Scope::whole()
                                                   << Cells{6, 7};
    QTest::newRow("any, journal = Le Monde") << qint64(0) << qint64(1) << QStringLiteral("Le Monde")
                                             << Scope::whole() << Cells{1, 2};
    QTest::newRow("Zèbre, any journal") << Z << qint64(1) << QStringLiteral("-") << Scope::whole()
                                        << Cells{1, 2, 4};
    QTest::newRow("Zèbre, any journal, in 2003 from March")
        << Z << qint64(1) << QStringLiteral("-") << scopeOf({QStringLiteral("date=2003-03-01..")})
        << Cells{4};
    QTest::newRow("Chat, date 2004-01-15") << C << qint64(2) << QStringLiteral("2004-01-15")
                                           << Scope::whole() << Cells{6};
    // The list-to-list cell under a condition.
    QTest::newRow("Zèbre, pages from 4 (list 1 alone)")
        << Z << qint64(0) << QStringLiteral("-") << scopeOf({QStringLiteral("pages=4..")})
        << Cells{1, 2};
}

void TestResultsStore::attributeCells()
{
    QFETCH(qint64, listValue);
    QFETCH(qint64, attribute);
    QFETCH(QString, value);
    QFETCH(Scope, scope);
    QFETCH(Cells, segments);
    auto db = Connection::open(m_attributes);
    results::ResultsStore store(*db);
    const std::vector<results::CellSegment> found =
        attribute == 0 ? store.cellSegments(1, listValue, 0, 0, scope)
                       : store.attributeCellSegments(
                             1, listValue, attribute,
                             value == QLatin1String("-") ? std::nullopt : std::optional(value),
                             scope);
    Cells got;
    for (const results::CellSegment &s : found)
        got << s.segment;
    QCOMPARE(got, segments);
}

void TestResultsStore::refusedConditions_data()
{
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::newRow("a range on text") << scopeOf({QStringLiteral("journal=A..Z")})
                                     << QStringLiteral("« journal » ne se prend pas par intervalle");
    QTest::newRow("a bound not a date") << scopeOf({QStringLiteral("date=2003..2004")})
                                        << QStringLiteral("« 2003 » de l'attribut « date » n'est "
                                                          "pas une date AAAA-MM-JJ");
    QTest::newRow("a bound not a number") << scopeOf({QStringLiteral("pages=..dix")})
                                          << QStringLiteral("n'est pas un nombre");
}

void TestResultsStore::refusedConditions()
{
    QFETCH(Scope, scope);
    QFETCH(QString, message);
    auto db = Connection::open(m_attributes);
    results::ResultsStore store(*db);
    try {
        store.frequencies(1, Unit::Segments, scope);
        QFAIL("the condition was taken");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestResultsStore)
#include "test_resultsstore.moc"
