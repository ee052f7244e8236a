// Coding many segments at once: the rule (a segment holding the value is
// left, else its first empty row is filled, else a row is added), one step
// undone and redone exactly, refusals leaving the file as it was.
#include "../coding/codingtest.h"

#include "store/bulkcoding.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"
#include "store/undostore.h"

#include <QtTest>

using coding::SegmentValue;
using codingtest::Raw;

namespace {

constexpr qint64 A = 36, B = 37, X = 13;

// One text, segments 1 to 5; list 1: A (36), B (37); list 2: X (13).
// Coding rows, numbered as inserted, (segment, list 1, list 2), "-" empty:
//   1 (2, -, -)   2 (3, A, -)   3 (3, B, -)   4 (4, A, -)   5 (5, A, X)   6 (5, -, -)
QString example(const QTemporaryDir &dir)
{
    const QString path = codingtest::freshDatabase(dir);
    Raw db(path);
    codingtest::addValue(db, 1, QStringLiteral("A"));
    codingtest::addValue(db, 1, QStringLiteral("B"));
    codingtest::addValue(db, 2, QStringLiteral("X"));
    codingtest::addText(db, QStringLiteral("/t.txt"),
                        {QStringLiteral("Un."), QStringLiteral("Deux."), QStringLiteral("Trois."),
                         QStringLiteral("Quatre."), QStringLiteral("Cinq.")});
    if (!db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES"
                                " (2, 1, 1), (3, 36, 1), (3, 37, 1), (4, 36, 1), (5, 36, 13),"
                                " (5, 1, 1)")))
        qFatal("cannot code the example");
    return path;
}

QString codingRows(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral("SELECT numero, numtexte, numvar01, numvar02 FROM"
                                               " Contenus ORDER BY numero"))
        .join(QLatin1Char(' '));
}

const QString kBefore = QStringLiteral("1|2|1|1 2|3|36|1 3|3|37|1 4|4|36|1 5|5|36|13 6|5|1|1");

} // namespace

class TestBulkCoding : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    // B given to segments 1 to 5, 99 (gone) and 2 again:
    //   1 no row: row 7 added        2 row 1 empty: filled
    //   3 holds B on its second row: left      4 only A: row 8 added
    //   5 row 5 holds A, row 6 empty: row 6 filled      99 gone
    // → 4 segments coded (2 filled, 2 added), 2 unchanged of which 1 gone.
    void theRule()
    {
        const QString path = example(m_dir);
        QCOMPARE(codingRows(path), kBefore);
        auto db = Connection::open(path);
        coding::History history(*db);
        const coding::BulkOutcome outcome = history.codeSegments(
            1, {{1, B}, {2, B}, {3, B}, {4, B}, {5, B}, {99, B}, {2, B}},
            QStringLiteral("le codage des segments trouvés"));
        QCOMPARE(outcome.segments, 4);
        QCOMPARE(outcome.filled, 2);
        QCOMPARE(outcome.added, 2);
        QCOMPARE(outcome.unchanged, 2);
        QCOMPARE(outcome.missing, 1);
        QCOMPARE(outcome.set.size(), size_t(4));
        QCOMPARE(outcome.set.description,
                 QStringLiteral("le codage des segments trouvés (4 segments)"));
        const QString after = QStringLiteral("1|2|37|1 2|3|36|1 3|3|37|1 4|4|36|1 5|5|36|13 "
                                             "6|5|37|1 7|1|37|1 8|4|37|1");
        QCOMPARE(codingRows(path), after);
        QCOMPARE(history.undoText(),
                 QStringLiteral("Annuler le codage des segments trouvés (4 segments)"));

        history.undo();
        QCOMPARE(codingRows(path), kBefore);
        history.redo();
        QCOMPARE(codingRows(path), after); // rows 7 and 8 back with their numbers
        history.undo();
        QCOMPARE(codingRows(path), kBefore);
    }

    // Nothing to change: no step.
    void nothingChangedMakesNoStep()
    {
        const QString path = example(m_dir);
        auto db = Connection::open(path);
        coding::History history(*db);
        const coding::BulkOutcome outcome =
            history.codeSegments(1, {{3, B}, {4, A}, {42, A}}, QStringLiteral("le codage"));
        QCOMPARE(outcome.segments, 0);
        QCOMPARE(outcome.unchanged, 3);
        QCOMPARE(outcome.missing, 1);
        QVERIFY(outcome.set.empty());
        QVERIFY(!history.canUndo());
        QCOMPARE(codingRows(path), kBefore);
    }

    void oneSegmentNamedSo()
    {
        const QString path = example(m_dir);
        auto db = Connection::open(path);
        const coding::BulkOutcome outcome =
            coding::codeSegments(*db, 2, {{1, X}}, QStringLiteral("le codage du dictionnaire"));
        QCOMPARE(outcome.set.description, QStringLiteral("le codage du dictionnaire (1 segment)"));
        QCOMPARE(outcome.added, 1);
    }

    // 1,234 segments: the count with the French thousands separator (a
    // narrow no-break space, as the French locale writes it).
    void thousandsSeparated()
    {
        const QString path = example(m_dir);
        QVERIFY(Raw(path).exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1229)"
            " INSERT INTO textes (numtexte, texte) SELECT 1, 'Segment ' || i || '.' FROM n")));
        std::vector<SegmentValue> all;
        for (qint64 s = 1; s <= 1234; ++s)
            all.push_back({s, A});
        auto db = Connection::open(path);
        // Segments 3, 4 and 5 hold A already: 1,231 coded.
        const coding::BulkOutcome outcome = coding::codeSegments(*db, 1, all, QStringLiteral("x"));
        QCOMPARE(outcome.segments, 1231);
        QCOMPARE(outcome.set.description, QStringLiteral("x (1\u202f231 segments)"));
    }

    // The rows a step added are kept in compact form; undoing and redoing
    // still check each of them as an image would: a row another program
    // changed or deleted, or a number it took meanwhile, refuses the whole
    // undo or redo, and nothing is written.
    void addedRowsChecked_data()
    {
        QTest::addColumn<bool>("beforeRedo"); // the other program acts after the undo
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("an added row changed")
            << false << "UPDATE Contenus SET numvar02 = 13 WHERE numero = 8"
            << "la ligne de codage n° 8 a été modifiée entre-temps";
        QTest::newRow("an added row given another segment")
            << false << "UPDATE Contenus SET numtexte = 2 WHERE numero = 7"
            << "la ligne de codage n° 7 a été modifiée entre-temps";
        QTest::newRow("an added row deleted")
            << false << "DELETE FROM Contenus WHERE numero = 7"
            << "la ligne de codage n° 7 a été supprimée entre-temps";
        QTest::newRow("a number taken before the redo")
            << true << "INSERT INTO Contenus (numero, numtexte) VALUES (8, 1)"
            << "la ligne de codage n° 8 existe de nouveau";
        QTest::newRow("a segment deleted before the redo")
            << true << "DELETE FROM textes WHERE numero = 1"
            << "renvoie à un segment ou à une valeur supprimés entre-temps";
    }
    void addedRowsChecked()
    {
        QFETCH(bool, beforeRedo);
        QFETCH(QString, elsewhere);
        QFETCH(QString, refusal);
        const QString path = example(m_dir);
        auto db = Connection::open(path);
        coding::History history(*db);
        // Rows 7 (segment 1) and 8 (segment 4) added, rows 1 and 6 filled.
        const coding::BulkOutcome outcome = history.codeSegments(
            1, {{1, B}, {2, B}, {4, B}, {5, B}}, QStringLiteral("le codage"));
        QCOMPARE(outcome.added, 2);
        QCOMPARE(outcome.set.added.size(), size_t(1));
        if (beforeRedo)
            history.undo();
        QVERIFY(Raw(path).exec(elsewhere));
        const QString before = codingRows(path);
        try {
            if (beforeRedo)
                history.redo();
            else
                history.undo();
            QFAIL("the step was replayed");
        } catch (const undo::Conflict &e) {
            QVERIFY2(e.message().contains(refusal), qPrintable(e.message()));
        }
        QCOMPARE(codingRows(path), before);
    }

    void refused_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("cause");
        QTest::newRow("value missing") << 1 << qint64(99) << "n'est pas dans la liste 1";
        QTest::newRow("empty value") << 1 << qint64(1) << "n'est pas dans la liste 1";
        QTest::newRow("value of another list") << 2 << B << "n'est pas dans la liste 2";
        QTest::newRow("no such list") << 6 << A << "la liste n° 6 n'existe pas";
    }
    void refused()
    {
        QFETCH(int, list);
        QFETCH(qint64, value);
        QFETCH(QString, cause);
        const QString path = example(m_dir);
        auto db = Connection::open(path);
        coding::History history(*db);
        try {
            history.codeSegments(list, {{1, A}, {2, value}}, QStringLiteral("le codage"));
            QFAIL("the step was written");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
        }
        QVERIFY(!history.canUndo());
        QCOMPARE(codingRows(path), kBefore);
    }

    void readOnlyRefused()
    {
        const QString path = example(m_dir);
        auto db = Connection::open(path);
        coding::History history(*db);
        history.setReadOnly(true);
        QVERIFY_THROWS_EXCEPTION(StoreError, history.codeSegments(1, {{1, A}}, QStringLiteral("x")));
        QCOMPARE(codingRows(path), kBefore);
    }
};

QTEST_GUILESS_MAIN(TestBulkCoding)
#include "test_bulkcoding.moc"
