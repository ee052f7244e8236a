// The suggestions in the store. The segments as the suggestions see them,
// read from an analysis: each with its neighbours in its text (never another
// text's), the values of the previous segment, the attributes of its text
// and its own values (every row's, once each, row 1 of the list being no
// value); the same unit read alone; the fingerprint that tells when the
// coding changed. The model kept in the file, handed out only while its
// fingerprint is the coding's. Accepted suggestions: coded by the rule of
// the bulk coding and recorded in the same step, undone and redone
// exactly, ended by a value chosen by hand; and left out, on request, by
// the results and the export.
#include "../coding/codingtest.h"

#include "store/connection.h"
#include "store/exportstore.h"
#include "store/history.h"
#include "store/resultsstore.h"
#include "store/suggestionstore.h"
#include "store/suggestionunits.h"

#include <QTest>
#include <QTimeZone>

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
    void keptModel_data();
    void keptModel();
    void acceptMany_data();
    void acceptMany();
    void handChoice_data();
    void handChoice();
    void leftOut_data();
    void leftOut();
    void acceptedNotLearnt();

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
    QCOMPARE(addValue(db, 2, "Z"), 13); // the value of list 2 that segment 4 holds
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
        QCOMPARE(u.before, segment == 1 || segment == 6 ? qint64(0) : segment - 1);
        QVERIFY(u.previousAccepted.empty());
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
    // Segment 1 had X and segment 6 had Y: now the other way round, the
    // same values on the same rows and segments in all.
    QTest::newRow("values swapped between two segments")
        << "UPDATE Contenus SET numvar01 = CASE numero WHEN 1 THEN 37 ELSE 36 END"
           " WHERE numero IN (1, 5)"
        << true;
    QTest::newRow("an attribute's value changed")
        << "UPDATE ValeursAttributs SET valeur = 'Libération' WHERE attribut = 1" << true;
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
    const QString before = suggestions::fingerprint(*db, 1, 1);
    // Segments 1, 2 and 6 hold values of list 1, on 5 rows.
    QVERIFY2(before.contains(QStringLiteral("segments 3;lignes 5;")), qPrintable(before));
    {
        Raw raw(m_db);
        raw.exec(change);
    }
    QCOMPARE(suggestions::fingerprint(*db, 1, 1) != before, changes);
    // Another version of the learning is another fingerprint.
    QVERIFY(suggestions::fingerprint(*db, 1, 2) != suggestions::fingerprint(*db, 1, 1));
}

namespace {

QString table(const QString &path, const QString &sql)
{
    Raw db(path);
    return rows(db, sql).join(QLatin1Char(' '));
}

const QString kRowsSql = QStringLiteral("SELECT numero, numtexte, numvar01 FROM Contenus ORDER BY numero");
const QString kRecordsSql = QStringLiteral("SELECT contenu, liste, valeur, confiance, codeur, date"
                                           " FROM SuggestionsAcceptees ORDER BY contenu, liste");
// The coding rows of init(): numero|segment|list 1.
const QString kRowsBefore = QStringLiteral("1|1|36 2|2|37 3|2|36 4|2|36 5|6|37 6|4|1");
const QDateTime kWhen(QDate(2026, 12, 9), QTime(14, 30, 5), QTimeZone::utc());

} // namespace

void TestSuggestionUnits::keptModel_data()
{
    QTest::addColumn<QString>("change"); // made after the model was kept
    QTest::addColumn<int>("learning");   // the version asked for
    QTest::addColumn<bool>("handedOut");
    QTest::newRow("the same coding") << QString() << 1 << true;
    QTest::newRow("a value changed since")
        << "UPDATE Contenus SET numvar01 = 37 WHERE numero = 1" << 1 << false;
    QTest::newRow("a coding row added since")
        << "INSERT INTO Contenus (numtexte, numvar01) VALUES (7, 36)" << 1 << false;
    QTest::newRow("another list coded since")
        << "UPDATE Contenus SET numvar02 = 13 WHERE numero = 1" << 1 << true;
    QTest::newRow("learnt by another version") << QString() << 2 << false;
}

void TestSuggestionUnits::keptModel()
{
    QFETCH(QString, change);
    QFETCH(int, learning);
    QFETCH(bool, handedOut);
    auto db = Connection::open(m_db);
    const QByteArray bytes("\x00\x01model\xff", 9);
    suggestions::keepModel(*db, 1, suggestions::fingerprint(*db, 1, 1), bytes);
    // Kept again: replaced, one row per list.
    suggestions::keepModel(*db, 1, suggestions::fingerprint(*db, 1, 1), bytes);
    QCOMPARE(table(m_db, QStringLiteral("SELECT liste, length(modele) FROM ModelesSuggestions")),
             QStringLiteral("1|9"));
    if (!change.isEmpty()) {
        Raw raw(m_db);
        raw.exec(change);
    }
    const auto kept = suggestions::keptModel(*db, 1, suggestions::fingerprint(*db, 1, learning));
    QCOMPARE(kept.has_value(), handedOut);
    if (kept)
        QCOMPARE(kept->bytes, bytes);
    // Nothing is kept for list 2.
    QVERIFY(!suggestions::keptModel(*db, 2, suggestions::fingerprint(*db, 2, 1)));
}

void TestSuggestionUnits::acceptMany_data()
{
    QTest::addColumn<QList<qint64>>("segments"); // each accepted with its value
    QTest::addColumn<QList<qint64>>("values");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("rowsAfter");
    QTest::addColumn<QString>("records");
    // Segment 3 has no row: a new row 7. Segment 4's row 6 has list 1
    // empty: filled. Segment 1 holds X already: left, not recorded.
    QTest::newRow("a new row, an empty field, a value already held")
        << QList<qint64>{3, 4, 1} << QList<qint64>{X, Y, X}
        << "l'acceptation des suggestions (2 segments)"
        << kRowsBefore.left(kRowsBefore.size() - 5) + "6|4|37 7|3|36"
        << "6|1|37|0.75|Marie|2026-12-09T14:30:05Z 7|1|36|0.9|Marie|2026-12-09T14:30:05Z";
    // A segment given two values (a list of several values at once): its
    // second goes on a new row.
    QTest::newRow("two values for one segment")
        << QList<qint64>{5, 5} << QList<qint64>{X, Y}
        << "l'acceptation des suggestions (2 segments)"
        << kRowsBefore + " 7|5|36 8|5|37"
        << "7|1|36|0.9|Marie|2026-12-09T14:30:05Z 8|1|37|0.75|Marie|2026-12-09T14:30:05Z";
    // Segment 6 has been coded Y since X was suggested for it: it keeps its
    // coding, and only segment 3 is coded.
    QTest::newRow("a segment coded since the suggestion")
        << QList<qint64>{6, 3} << QList<qint64>{X, X}
        << "l'acceptation des suggestions (1 segment)" << kRowsBefore + " 7|3|36"
        << "7|1|36|0.9|Marie|2026-12-09T14:30:05Z";
    QTest::newRow("one segment") << QList<qint64>{7} << QList<qint64>{Y}
                                 << "l'acceptation des suggestions (1 segment)"
                                 << kRowsBefore + " 7|7|37"
                                 << "7|1|37|0.75|Marie|2026-12-09T14:30:05Z";
}

void TestSuggestionUnits::acceptMany()
{
    QFETCH(QList<qint64>, segments);
    QFETCH(QList<qint64>, values);
    QFETCH(QString, step);
    QFETCH(QString, rowsAfter);
    QFETCH(QString, records);
    auto db = Connection::open(m_db);
    std::vector<suggestions::Accepted> accepted;
    for (int i = 0; i < segments.size(); ++i)
        accepted.push_back({segments.at(i), values.at(i), values.at(i) == X ? 0.9 : 0.75});
    const coding::BulkOutcome outcome =
        suggestions::acceptMany(*db, 1, accepted, QStringLiteral("Marie"), kWhen);
    QCOMPARE(outcome.set.description, step);
    QCOMPARE(table(m_db, kRowsSql), rowsAfter);
    QCOMPARE(table(m_db, kRecordsSql), records);
    // Undone: the rows and the records as they were; redone: as after.
    undo::apply(*db, outcome.set.rows, undo::Direction::Undo);
    QCOMPARE(table(m_db, kRowsSql), kRowsBefore);
    QCOMPARE(table(m_db, kRecordsSql), QString());
    undo::apply(*db, outcome.set.rows, undo::Direction::Redo);
    QCOMPARE(table(m_db, kRowsSql), rowsAfter);
    QCOMPARE(table(m_db, kRecordsSql), records);
    // A record changed by another program: the undo is refused, nothing written.
    {
        Raw raw(m_db);
        raw.exec(QStringLiteral("UPDATE SuggestionsAcceptees SET codeur = 'Paul'"));
    }
    QVERIFY_THROWS_EXCEPTION(undo::Conflict,
                             undo::apply(*db, outcome.set.rows, undo::Direction::Undo));
    QCOMPARE(table(m_db, kRowsSql), rowsAfter);
}

void TestSuggestionUnits::handChoice_data()
{
    QTest::addColumn<qint64>("chosen"); // by hand on row 7, list 1, after X was accepted there
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("records");
    QTest::newRow("another value") << Y << "Annuler le choix de « Y » (ligne de codage n° 7)"
                                   << QString();
    QTest::newRow("the empty value")
        << qint64(1) << "Annuler le retrait de la suggestion acceptée (ligne de codage n° 7)"
        << QString();
    // The same value chosen again changes nothing: it stays accepted.
    QTest::newRow("the value accepted")
        << X << "Annuler l'acceptation de la suggestion « X » (ligne de codage n° 7)"
        << "7|1|36|0.9|Marie|2026-12-09T14:30:05Z";
}

void TestSuggestionUnits::handChoice()
{
    QFETCH(qint64, chosen);
    QFETCH(QString, step);
    QFETCH(QString, records);
    auto db = Connection::open(m_db);
    coding::History history(*db);
    const qint64 row = history.addCoding(3);
    QCOMPARE(row, 7);
    history.acceptSuggestion(row, 1, X, 0.9, QStringLiteral("Marie"));
    Raw(m_db).exec(QStringLiteral("UPDATE SuggestionsAcceptees SET date = '2026-12-09T14:30:05Z'"));
    // The date set as above for the comparison; the step's image reads the
    // file again when undone, so it is set back there too.
    const QString accepted = QStringLiteral("7|1|36|0.9|Marie|2026-12-09T14:30:05Z");
    QCOMPARE(table(m_db, kRecordsSql), accepted);
    QCOMPARE(suggestions::acceptedCounts(*db), (std::vector<qint64>{1, 0, 0, 0, 0}));
    try {
        history.setCodingValue(row, 1, chosen);
    } catch (const StoreError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(history.undoText(), step);
    QCOMPARE(table(m_db, kRecordsSql), records);
    QCOMPARE(table(m_db, QStringLiteral("SELECT numvar01 FROM Contenus WHERE numero = 7")),
             QString::number(chosen));
    if (chosen != X) {
        // Undone: the accepted suggestion again, recorded as it was.
        history.undo();
        QCOMPARE(table(m_db, kRecordsSql), accepted);
        QCOMPARE(table(m_db, QStringLiteral("SELECT numvar01 FROM Contenus WHERE numero = 7")),
                 QStringLiteral("36"));
    }
}

void TestSuggestionUnits::leftOut_data()
{
    QTest::addColumn<bool>("leaveOut");
    QTest::addColumn<bool>("bySegment");
    QTest::addColumn<QString>("counts"); // X, Y, non codé
    // After accepting X for segment 3 (new row 7) and Y for segment 4 (row
    // 6 filled), list 1 holds, row by row: 1 X, 2 Y, 3 X, 4 X, 5 Y, 6 Y*,
    // 7 X* (* accepted).
    // Rows counted: X 4 (1, 3, 4, 7), Y 3 (2, 5, 6), none empty.
    QTest::newRow("rows, suggestions counted") << false << false << "4 3 0";
    // Left out: rows 6 and 7 are empty: X 3, Y 2, non codé 2.
    QTest::newRow("rows, suggestions left out") << true << false << "3 2 2";
    // Segments (7 in all): X on 1, 2, 3; Y on 2, 4, 6; the others (5, 7)
    // hold none.
    QTest::newRow("segments, suggestions counted") << false << true << "3 3 2";
    // Left out: X on 1, 2; Y on 2, 6; 3, 4, 5 and 7 hold none.
    QTest::newRow("segments, suggestions left out") << true << true << "2 2 4";
}

void TestSuggestionUnits::leftOut()
{
    QFETCH(bool, leaveOut);
    QFETCH(bool, bySegment);
    QFETCH(QString, counts);
    auto db = Connection::open(m_db);
    suggestions::acceptMany(*db, 1, {{3, X, 0.9}, {4, Y, 0.75}}, QStringLiteral("Marie"), kWhen);
    results::ResultsStore store(*db);
    store.leaveOutAcceptedSuggestions(leaveOut);
    const results::FrequencyCounts f = store.frequencies(
        1, bySegment ? results::Unit::Segments : results::Unit::Lines, results::Scope::whole());
    QCOMPARE(int(f.values.size()), 2);
    QCOMPARE(QStringLiteral("%1 %2 %3").arg(f.counts[0]).arg(f.counts[1]).arg(f.uncoded), counts);
    // The segments of the cell X: those the count holds.
    const std::vector<results::CellSegment> cell =
        store.cellSegments(1, X, 0, 0, results::Scope::whole());
    QCOMPARE(qint64(cell.size()), bySegment ? f.counts[0] : (leaveOut ? 2 : 3));

    // The export reads the same rows: marked, or given as the empty value.
    coding::ExportReader reader(*db, leaveOut ? coding::ExportReader::Suggestions::LeftOut
                                              : coding::ExportReader::Suggestions::Marked);
    QStringList seen;
    reader.forEachSegment([&](const coding::ExportSegment &s) {
        for (const coding::ExportCoding &c : s.codings)
            seen << QStringLiteral("%1:%2%3")
                        .arg(c.numero)
                        .arg(c.numvar[0])
                        .arg(c.accepted[0] ? QStringLiteral("*") : QString());
        return true;
    });
    QCOMPARE(seen.join(QLatin1Char(' ')),
             leaveOut ? QStringLiteral("1:36 2:37 3:36 4:36 7:1 6:1 5:37")
                      : QStringLiteral("1:36 2:37 3:36 4:36 7:36* 6:37* 5:37"));
}

void TestSuggestionUnits::acceptedNotLearnt()
{
    auto db = Connection::open(m_db);
    const QString before = suggestions::fingerprint(*db, 1, 1);
    // X accepted for segment 3, Y for segment 7.
    suggestions::acceptMany(*db, 1, {{3, X, 0.9}, {7, Y, 0.8}}, QStringLiteral("Marie"), kWhen);
    // What is learnt is the coder's own coding: the same as before.
    QCOMPARE(suggestions::fingerprint(*db, 1, 1), before);
    UnitReader reader(*db, 1, 1, 2);
    QList<qint64> coded, notCoded;
    reader.read(UnitReader::Which::Coded, [&](Unit &&u) {
        coded << u.segment;
        return true;
    });
    std::vector<qint64> fourAccepted, fourPrevious{0};
    reader.read(UnitReader::Which::NotCoded, [&](Unit &&u) {
        notCoded << u.segment;
        if (u.segment == 4) {
            fourPrevious = u.previous;
            fourAccepted = u.previousAccepted;
        }
        return true;
    });
    QVERIFY(fourPrevious.empty());
    QCOMPARE(coded, (QList<qint64>{1, 2, 6}));
    QCOMPARE(notCoded, (QList<qint64>{4, 5})); // 3 and 7 are coded now
    // Segment 4 follows segment 3, whose X was accepted: no previous value
    // to learn from, X given apart for suggesting, alone as in a stream.
    QCOMPARE(fourAccepted, std::vector<qint64>{X});
    const std::optional<Unit> four = reader.unit(4);
    QVERIFY(four && four->previous.empty() && four->values.empty());
    QCOMPARE(four->previousAccepted, std::vector<qint64>{X});
    const std::optional<Unit> three = reader.unit(3);
    QVERIFY(three && three->values.empty());
    QCOMPARE(QList<qint64>(three->previous.begin(), three->previous.end()), (QList<qint64>{X, Y}));
}

QTEST_GUILESS_MAIN(TestSuggestionUnits)
#include "test_suggestionunits.moc"
