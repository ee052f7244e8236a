// Record sources as the windows use them: statements, moves, adds, saves,
// deletes and bound fields.
#include "storetest.h"

#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include <QtTest>

using storetest::Raw;

class TestRecordSource : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_db;

    void open(RecordSource &rs, const QString &statement) { storetest::open(rs, m_db, statement); }
    // Adds a Chemin row through a record source; returns its number.
    qint64 addText(const QString &path)
    {
        RecordSource rs(QStringLiteral("data2"));
        open(rs, QStringLiteral("select * from chemin where chemin = ") + sqlLiteral(path));
        rs.addNew();
        rs.setValue(QStringLiteral("chemin"), path);
        rs.update();
        return rs.currentKey();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_db = storetest::freshCopy(m_dir);
    }

    void connectionStrings()
    {
        const QString path = QStringLiteral("C:\\Mes analyses\\l'été;1.mdb");
        const QString cs = connstr::build(path);
        QCOMPARE(cs, QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Mes "
                                    "analyses\\l'été;1.mdb;Mode=ReadWrite;Persist Security "
                                    "Info=False"));
        QCOMPARE(connstr::dataSource(cs), path);
        QCOMPARE(sqlLiteral(QStringLiteral("l'été")), QStringLiteral("'l''été'"));
        QCOMPARE(sqlLiteral(QString()), QStringLiteral("''"));
    }

    // The chemin statement finds exactly the row of a path holding apostrophes.
    void cheminStatementAsWritten()
    {
        const QString odd = QStringLiteral("/textes/l'œil d'Anne.txt");
        const QString other = QStringLiteral("/textes/autre.txt");
        QCOMPARE(addText(other), 1);
        QCOMPARE(addText(odd), 2);

        RecordSource data2(QStringLiteral("data2"));
        BoundField text4(QStringLiteral("Text4"), &data2, QStringLiteral("numero"));
        BoundField text5(QStringLiteral("Text5"), &data2, QStringLiteral("chemin"));
        open(data2, QStringLiteral("select * from chemin where chemin = '") + QString(odd).replace(
                        QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("'"));
        QCOMPARE(data2.recordCount(), 1);
        QVERIFY(data2.hasCurrent());
        QCOMPARE(text4.text(), QStringLiteral("2"));
        QCOMPARE(text5.text(), odd);
        QCOMPARE(data2.columns(), QStringList({QStringLiteral("numero"), QStringLiteral("chemin")}));

        open(data2, QStringLiteral("select * from chemin where chemin = ")
                        + sqlLiteral(QStringLiteral("/inconnu.txt")));
        QCOMPARE(data2.recordCount(), 0);
        QCOMPARE(text4.text(), QString());
    }

    void statementsReachTablesWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("column");
        for (int k = 1; k <= 5; ++k)
            QTest::addRow("Var_comp_0%d", k) << QStringLiteral("select * from Var_comp_0%1").arg(k)
                                              << QStringLiteral("variable0%1").arg(k);
        QTest::newRow("TEXTES") << QStringLiteral("SELECT * FROM TEXTES WHERE NUMTEXTE = 1")
                                << QStringLiteral("texte");
        QTest::newRow("quoted") << QStringLiteral("select * from \"CHEMIN\"") << QStringLiteral("chemin");
    }
    void statementsReachTablesWithoutRegardToCase()
    {
        QFETCH(QString, statement);
        QFETCH(QString, column);
        RecordSource rs(QStringLiteral("data1"));
        open(rs, statement);
        QVERIFY(rs.columns().contains(column));
        // A write reaches the table too.
        if (column.startsWith(QStringLiteral("variable"))) {
            QCOMPARE(rs.recordCount(), 1);
            QVERIFY(rs.isNull(column));
            QCOMPARE(rs.value(QStringLiteral("NUMERO")), QStringLiteral("1"));
            rs.setValue(column.toUpper(), QStringLiteral("Écrit"));
            rs.update();
            Raw raw(m_db);
            QCOMPARE(raw.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE numero = 1")
                                    .arg(column, QStringLiteral("var_comp_0") + column.right(1))),
                     QStringLiteral("Écrit"));
        }
    }

    // The rows come in the statement's order.
    void statementOrderKept()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral(
            "INSERT INTO var_comp_05 (variable05) VALUES ('b'), ('c'), ('a')")));
        RecordSource rs(QStringLiteral("data5"));
        open(rs, QStringLiteral("select * from Var_comp_05 where variable05 is not null "
                                "order by variable05 desc"));
        QStringList seen;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            seen << rs.value(QStringLiteral("variable05"));
        QCOMPARE(seen, QStringList({"c", "b", "a"}));
        open(rs, QStringLiteral("select * from var_comp_05 ORDER BY numero DESC;"));
        QCOMPARE(rs.currentKey(), 13);
    }

    void badStatementsFail_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("delete") << QStringLiteral("delete from textes");
        QTest::newRow("unknown table") << QStringLiteral("select * from absente");
        QTest::newRow("two statements")
            << QStringLiteral("select * from textes where numtexte = 1; delete from textes");
        QTest::newRow("bad where") << QStringLiteral("select * from textes where nulle = 1");
        QTest::newRow("view") << QStringLiteral("select * from \"textes Requête\"");
    }
    void badStatementsFail()
    {
        QFETCH(QString, statement);
        RecordSource rs(QStringLiteral("data1"));
        rs.setConnectionString(connstr::build(m_db));
        rs.setRecordSource(statement);
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.refresh());
        QVERIFY(!rs.hasCurrent());
        QCOMPARE(rs.recordCount(), 0);
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("var_comp_01")), 1);
    }

    // A database path with blanks, accents, apostrophes and ';'.
    void oddDatabasePath()
    {
        const QString odd = storetest::freshCopy(m_dir, QStringLiteral("l'été; d'Anne.mdb"));
        RecordSource rs(QStringLiteral("data1"));
        rs.setConnectionString(connstr::build(odd));
        rs.setRecordSource(QStringLiteral("select * from Var_comp_01"));
        rs.refresh();
        QCOMPARE(rs.connection()->path(), odd);
        QCOMPARE(rs.recordCount(), 1);
    }

    void missingDatabaseFails()
    {
        RecordSource rs(QStringLiteral("data1"));
        const QString missing = m_dir.filePath(QStringLiteral("absente.mdb"));
        rs.setConnectionString(connstr::build(missing));
        rs.setRecordSource(QStringLiteral("select * from Var_comp_01"));
        try {
            rs.refresh();
            QFAIL("refresh of a missing database succeeded");
        } catch (const StoreError &e) {
            QVERIFY(e.message().contains(missing));
            QVERIFY(e.message().contains(QStringLiteral("introuvable")));
        }
        QVERIFY(!QFile::exists(missing));
    }

    void movesOnEmptySet()
    {
        RecordSource rs(QStringLiteral("data1"));
        BoundField field(QStringLiteral("Text3"), &rs, QStringLiteral("texte"));
        open(rs, QStringLiteral("select * from textes where numtexte = 1"));
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(!rs.hasCurrent());
        QVERIFY(rs.eof());
        QVERIFY(rs.bof());
        QCOMPARE(field.text(), QString());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.moveFirst());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.moveLast());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.moveNext());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.movePrevious());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.value(QStringLiteral("texte")));
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.setValue(QStringLiteral("texte"), QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(StoreError, field.setText(QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.update());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.deleteCurrent());
        QCOMPARE(rs.currentKey(), -1);
    }

    void movesOnOneRowSet()
    {
        RecordSource rs(QStringLiteral("data1"));
        BoundField text2(QStringLiteral("Text2"), &rs, QStringLiteral("numero"));
        open(rs, QStringLiteral("select * from Var_comp_03"));
        QCOMPARE(rs.recordCount(), 1);
        QVERIFY(rs.hasCurrent());
        QVERIFY(!rs.bof());
        QVERIFY(!rs.eof());
        QCOMPARE(text2.text(), QStringLiteral("1"));

        rs.moveNext(); // past the last row
        QVERIFY(rs.eof());
        QVERIFY(!rs.hasCurrent());
        QCOMPARE(text2.text(), QString());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.value(QStringLiteral("numero")));
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.update());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.moveNext());

        rs.movePrevious(); // back on the row
        QVERIFY(rs.hasCurrent());
        QCOMPARE(rs.currentKey(), 1);
        rs.movePrevious(); // before the first row
        QVERIFY(rs.bof());
        QVERIFY(!rs.hasCurrent());
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.movePrevious());
        rs.moveNext();
        QCOMPARE(rs.currentKey(), 1);
        rs.moveLast();
        QCOMPARE(rs.currentKey(), 1);
        rs.moveFirst();
        QCOMPARE(rs.currentKey(), 1);
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.value(QStringLiteral("absente")));
    }

    // The variables window's add: add new, write, save, refresh.
    void addSaveStaysCurrent()
    {
        RecordSource rs(QStringLiteral("data1"));
        BoundField text2(QStringLiteral("Text2"), &rs, QStringLiteral("numero"));
        BoundField text4(QStringLiteral("Text4"), &rs, QStringLiteral("variable01"));
        open(rs, QStringLiteral("select * from Var_comp_01"));
        rs.addNew();
        QVERIFY(rs.hasCurrent());
        QCOMPARE(rs.currentKey(), -1);
        QCOMPARE(text4.text(), QString());
        QVERIFY(rs.isNull(QStringLiteral("variable01")));
        text4.setText(QStringLiteral("Homme"));
        QCOMPARE(text4.text(), QStringLiteral("Homme"));
        rs.update();
        QCOMPARE(rs.currentKey(), 36);
        QCOMPARE(text2.text(), QStringLiteral("36"));
        QCOMPARE(text4.text(), QStringLiteral("Homme"));
        QCOMPARE(rs.recordCount(), 2);
        rs.update(); // nothing to save is no failure
        rs.movePrevious();
        QCOMPARE(rs.currentKey(), 1);
        rs.moveNext();
        QCOMPARE(rs.currentKey(), 36);
        rs.moveNext();
        QVERIFY(rs.eof());

        rs.refresh();
        QCOMPARE(rs.recordCount(), 2);
        rs.moveLast();
        QCOMPARE(text4.text(), QStringLiteral("Homme"));
    }

    // A new row not saved: dropped by a move, by cancel, by refresh.
    void unsavedNewRows()
    {
        RecordSource rs(QStringLiteral("data1"));
        open(rs, QStringLiteral("select * from Var_comp_02"));
        rs.addNew();
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(rs.recordCount(), 1);
        rs.addNew();
        rs.movePrevious();
        QCOMPARE(rs.currentKey(), 1);
        rs.addNew();
        rs.setValue(QStringLiteral("variable02"), QStringLiteral("jamais"));
        rs.cancelUpdate();
        QCOMPARE(rs.currentKey(), 1);
        rs.addNew();
        rs.setValue(QStringLiteral("variable02"), QStringLiteral("jamais"));
        rs.refresh();
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("var_comp_02")), 1);
        // A new row with a change is stored by the move.
        rs.addNew();
        rs.setValue(QStringLiteral("variable02"), QStringLiteral("oui"));
        rs.moveFirst();
        QCOMPARE(raw.scalar(QStringLiteral("SELECT variable02 FROM var_comp_02 WHERE numero = 13")),
                 QStringLiteral("oui"));
    }

    // The list editor's "Modifier": locate, save, write, move previous then
    // next; leaving the row stores the value.
    void leavingARowSavesIt()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral(
            "INSERT INTO var_comp_01 (variable01) VALUES ('a'), ('b'), ('c')")));
        RecordSource rs(QStringLiteral("data1"));
        BoundField text2(QStringLiteral("Text2"), &rs, QStringLiteral("numero"));
        BoundField text4(QStringLiteral("Text4"), &rs, QStringLiteral("variable01"));
        open(rs, QStringLiteral("select * from Var_comp_01"));
        QCOMPARE(rs.recordCount(), 4);
        rs.moveFirst();
        while (text2.text().toInt() != 37)
            rs.moveNext();
        rs.update();
        text4.setText(QStringLiteral("B modifié"));
        rs.movePrevious();
        rs.moveNext();
        QCOMPARE(raw.scalar(QStringLiteral("SELECT variable01 FROM var_comp_01 WHERE numero = 37")),
                 QStringLiteral("B modifié"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(coalesce(variable01, '-'), ',') "
                                           "FROM var_comp_01")),
                 QStringLiteral("-,a,B modifié,c"));
        QCOMPARE(text4.text(), QStringLiteral("B modifié"));

        // Same on the first row: moving before it saves it too.
        rs.moveFirst();
        text4.setText(QStringLiteral("premier"));
        rs.movePrevious();
        QVERIFY(rs.bof());
        rs.moveNext();
        QCOMPARE(text4.text(), QStringLiteral("premier"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT variable01 FROM var_comp_01 WHERE numero = 1")),
                 QStringLiteral("premier"));
    }

    // "Modifier" on a row deleted meanwhile: the walk ends past the last row,
    // and nothing can be written there; no other row receives the value.
    void rowGoneMeanwhile()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES ('a'), ('b')")));
        RecordSource rs(QStringLiteral("data1"));
        open(rs, QStringLiteral("select * from Var_comp_01"));
        QVERIFY(raw.exec(QStringLiteral("DELETE FROM var_comp_01 WHERE numero = 37")));
        rs.moveLast();
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.value(QStringLiteral("variable01")));
        rs.setValue(QStringLiteral("variable01"), QStringLiteral("perdu"));
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.update());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM var_comp_01 WHERE variable01 = "
                                           "'perdu'")),
                 QStringLiteral("0"));
        rs.moveFirst();
        QCOMPARE(rs.value(QStringLiteral("numero")), QStringLiteral("1"));
    }

    // A refused save leaves the table unchanged, reports the engine's cause,
    // and does not leave the source stuck on the refused change.
    void refusedSaveLeavesTableUnchanged_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cause");
        QTest::newRow("empty") << QStringLiteral("select * from Var_comp_01")
                               << QStringLiteral("variable01") << QString()
                               << QStringLiteral("texte vide");
        QTest::newRow("256") << QStringLiteral("select * from Var_comp_01")
                             << QStringLiteral("variable01") << QString(256, QChar(0xE9))
                             << QStringLiteral("255 caractères");
        QTest::newRow("not a number") << QStringLiteral("select * from Var_comp_01")
                                      << QStringLiteral("numero") << QStringLiteral("un")
                                      << QStringLiteral("nombre entier");
    }
    void refusedSaveLeavesTableUnchanged()
    {
        QFETCH(QString, statement);
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, cause);
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("UPDATE var_comp_01 SET variable01 = 'avant'")));
        const QByteArray before = storetest::bytesOf(m_db);

        RecordSource rs(QStringLiteral("data1"));
        open(rs, statement);
        // An existing row.
        rs.setValue(column, text);
        try {
            rs.moveNext();
            QFAIL("refused value saved");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
            QVERIFY(e.message().startsWith(QStringLiteral("Enregistrement refusé")));
        }
        QVERIFY(rs.hasCurrent());
        QCOMPARE(rs.value(QStringLiteral("variable01")), QStringLiteral("avant"));
        rs.moveNext(); // not stuck
        QVERIFY(rs.eof());
        // A new row.
        rs.addNew();
        rs.setValue(column, text);
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.update());
        QVERIFY(!rs.hasCurrent());
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(storetest::bytesOf(m_db), before);
        QCOMPARE(raw.count(QStringLiteral("var_comp_01")), 1);
        // The counter was not used up either.
        rs.addNew();
        rs.setValue(QStringLiteral("variable01"), QStringLiteral("ok"));
        rs.update();
        QCOMPARE(rs.currentKey(), 36);
    }

    void segmentsOfUnknownTextRefused()
    {
        RecordSource data1(QStringLiteral("data1"));
        open(data1, QStringLiteral("select * from textes where numtexte = 7"));
        data1.addNew();
        data1.setValue(QStringLiteral("numtexte"), QStringLiteral("7"));
        data1.setValue(QStringLiteral("texte"), QStringLiteral("Une phrase."));
        try {
            data1.update();
            QFAIL("segment of a missing text saved");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("texte n° 7")), qPrintable(e.message()));
        }
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("textes")), 0);
    }

    // The segmentation's sequence: add new, numtexte, texte, update; then
    // refresh and read the segments back in saving order.
    void segmentsStoredAndReadBack()
    {
        const qint64 text = addText(QStringLiteral("/t/a.txt"));
        RecordSource data1(QStringLiteral("data1"));
        BoundField text2(QStringLiteral("Text2"), &data1, QStringLiteral("numtexte"));
        BoundField text3(QStringLiteral("Text3"), &data1, QStringLiteral("texte"));
        open(data1, QStringLiteral("select * from textes where numtexte = ") + QString::number(text));
        const int n = 173; // several cache blocks, the last one partial
        for (int i = 0; i < n; ++i) {
            data1.addNew();
            text2.setText(QString::number(text));
            text3.setText(QStringLiteral("Phrase %1 : « déjà vu ».\r\n").arg(i));
            data1.update();
            QCOMPARE(data1.currentKey(), i + 1);
        }
        QCOMPARE(data1.recordCount(), n);
        data1.refresh();
        QCOMPARE(data1.recordCount(), n);
        data1.moveFirst();
        for (int i = 0; i < n; ++i) {
            QCOMPARE(text3.text(), QStringLiteral("Phrase %1 : « déjà vu ».\r\n").arg(i));
            QCOMPARE(text2.text(), QString::number(text));
            data1.moveNext();
        }
        QVERIFY(data1.eof());
        for (int i = n - 1; i >= 0; --i) {
            data1.movePrevious();
            QCOMPARE(data1.currentKey(), i + 1);
            QCOMPARE(text3.text(), QStringLiteral("Phrase %1 : « déjà vu ».\r\n").arg(i));
        }
        data1.movePrevious();
        QVERIFY(data1.bof());
        // Another text's segments are not in the set.
        const qint64 other = addText(QStringLiteral("/t/b.txt"));
        RecordSource otherSource(QStringLiteral("data1"));
        open(otherSource, QStringLiteral("select * from textes where numtexte = ") + QString::number(other));
        QCOMPARE(otherSource.recordCount(), 0);
    }

    void deleteThenMove()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral(
            "INSERT INTO var_comp_04 (variable04) VALUES ('a'), ('b'), ('c')")));
        RecordSource rs(QStringLiteral("data4"));
        open(rs, QStringLiteral("select * from Var_comp_04"));
        QCOMPARE(rs.recordCount(), 4);
        rs.moveFirst();
        rs.moveNext(); // 13 'a'
        QCOMPARE(rs.currentKey(), 13);
        rs.deleteCurrent();
        QVERIFY(!rs.hasCurrent());
        QCOMPARE(rs.recordCount(), 3);
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.value(QStringLiteral("variable04")));
        rs.moveNext();
        QCOMPARE(rs.currentKey(), 14);
        QCOMPARE(rs.value(QStringLiteral("variable04")), QStringLiteral("b"));
        rs.deleteCurrent();
        rs.movePrevious();
        QCOMPARE(rs.currentKey(), 1);
        rs.moveLast();
        rs.deleteCurrent();
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(numero) FROM var_comp_04")),
                 QStringLiteral("1"));
    }

    // Keys are held as runs of consecutive numbers: deletes, key changes and
    // adds in the middle of a run keep every row where it stands.
    void keysFollowEveryChange()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO var_comp_04 (variable04) VALUES "
                                        "('a'), ('b'), ('c'), ('d'), ('e'), ('f'), ('g')")));
        RecordSource rs(QStringLiteral("data4"));
        open(rs, QStringLiteral("select * from var_comp_04"));
        QList<qint64> model = {1, 13, 14, 15, 16, 17, 18, 19};
        auto keysWalked = [&] {
            QList<qint64> keys;
            rs.moveFirst();
            while (!rs.eof()) {
                keys << rs.currentKey();
                rs.moveNext();
            }
            return keys;
        };
        auto goTo = [&](qint64 key) {
            rs.moveFirst();
            while (rs.currentKey() != key)
                rs.moveNext();
        };
        QCOMPARE(keysWalked(), model);
        goTo(15); // inside the run 13..19
        rs.deleteCurrent();
        model.removeOne(15);
        QCOMPARE(keysWalked(), model);
        goTo(17);
        rs.setValue(QStringLiteral("numero"), QStringLiteral("40"));
        rs.update();
        model[model.indexOf(17)] = 40;
        QCOMPARE(keysWalked(), model);
        goTo(13); // first of its run
        rs.deleteCurrent();
        model.removeOne(13);
        QCOMPARE(keysWalked(), model);
        for (int i = 0; i < 3; ++i) { // 41, 42, 43 follow the highest number
            rs.addNew();
            rs.setValue(QStringLiteral("variable04"), QStringLiteral("n%1").arg(i));
            rs.update();
            model << rs.currentKey();
        }
        QCOMPARE(model.mid(model.size() - 3), (QList<qint64>{41, 42, 43}));
        QCOMPARE(keysWalked(), model);
        QCOMPARE(rs.recordCount(), model.size());
        for (int i = model.size() - 1; i >= 0; --i) { // backwards too
            rs.moveLast();
            for (int j = model.size() - 1; j > i; --j)
                rs.movePrevious();
            QCOMPARE(rs.currentKey(), model.at(i));
        }
        rs.refresh(); // the statement's own order: by number
        std::sort(model.begin(), model.end());
        QCOMPARE(keysWalked(), model);
    }

    // Several record sources on one connection share its transaction.
    void sharedConnectionTransaction()
    {
        auto connection = Connection::open(m_db);
        RecordSource data2(QStringLiteral("data2"));
        RecordSource data1(QStringLiteral("data1"));
        data2.setConnection(connection);
        data1.setConnection(connection);
        data2.setRecordSource(QStringLiteral("select * from chemin where chemin = '/x'"));
        data2.refresh();
        connection->begin();
        QVERIFY(connection->inTransaction());
        data2.addNew();
        data2.setValue(QStringLiteral("chemin"), QStringLiteral("/x"));
        data2.update();
        data1.setRecordSource(QStringLiteral("select * from textes where numtexte = 1"));
        data1.refresh();
        data1.addNew();
        data1.setValue(QStringLiteral("numtexte"), QStringLiteral("1"));
        data1.setValue(QStringLiteral("texte"), QStringLiteral("s"));
        data1.update();
        connection->rollback();
        QVERIFY(!connection->inTransaction());
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("Chemin")), 0);
        QCOMPARE(raw.count(QStringLiteral("textes")), 0);
        connection->rollback(); // nothing to roll back: no failure
        QVERIFY_THROWS_EXCEPTION(StoreError, connection->commit());

        connection->begin();
        data2.refresh();
        data2.addNew();
        data2.setValue(QStringLiteral("chemin"), QStringLiteral("/x"));
        data2.update();
        connection->commit();
        QCOMPARE(raw.count(QStringLiteral("Chemin")), 1);
        QCOMPARE(data1.connection(), connection);
    }

    // A connection is opened again only when the connection string changed.
    void connectionReusedUntilStringChanges()
    {
        RecordSource rs(QStringLiteral("data1"));
        QVERIFY(!rs.connection());
        open(rs, QStringLiteral("select * from Var_comp_01"));
        const auto first = rs.connection();
        QVERIFY(first);
        rs.refresh();
        QCOMPARE(rs.connection(), first);
        const QString second = storetest::freshCopy(m_dir, QStringLiteral("b.mdb"));
        rs.setConnectionString(connstr::build(second));
        rs.refresh();
        QVERIFY(rs.connection() != first);
        QCOMPARE(rs.connection()->path(), second);
    }
};

QTEST_GUILESS_MAIN(TestRecordSource)
#include "test_recordsource.moc"
