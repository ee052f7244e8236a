// The analysis database's schema and the template's content, as the store
// enforces them; and the opening of files that are not analysis databases.
#include "storetest.h"

#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include <QFileInfo>
#include <QtTest>

using storetest::Raw;

namespace {
const QStringList kVariableTables = {"var_comp_01", "var_comp_02", "var_comp_03", "var_comp_04",
                                     "var_comp_05"};
}

class TestSchema : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_db;

    void open(RecordSource &rs, const QString &statement) { storetest::open(rs, m_db, statement); }

    // Adds one row through a record source on "select * from <table>";
    // returns its number.
    qint64 add(const QString &table, const QList<QPair<QString, QString>> &values)
    {
        RecordSource rs(QStringLiteral("rs"));
        open(rs, QStringLiteral("select * from ") + table);
        rs.addNew();
        for (const auto &v : values)
            rs.setValue(v.first, v.second);
        rs.update();
        return rs.currentKey();
    }

    // Expects the open of path to be refused and the file left as it was.
    void expectRefused(const QString &path)
    {
        const QByteArray before = storetest::bytesOf(path);
        try {
            Connection::open(path);
            QFAIL("a foreign file was opened");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("n'est pas une base d'analyse Telmira")),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(path));
        }
        QCOMPARE(storetest::bytesOf(path), before);
        for (const char *suffix : {"-journal", "-wal", "-shm"})
            QVERIFY(!QFile::exists(path + QLatin1String(suffix)));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_db = storetest::freshCopy(m_dir);
    }

    void freshTemplate()
    {
        const QString path = storetest::templatePath();
        QVERIFY(QFileInfo(path).isFile());
        Raw raw(m_db);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA application_id")).toInt(), kApplicationId);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), kSchemaVersion);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA page_size")), QStringLiteral("4096"));
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA foreign_key_check")), QString());
        for (const QString &t : {QStringLiteral("Chemin"), QStringLiteral("textes"),
                                 QStringLiteral("Contenus")})
            QCOMPARE(raw.count(t), 0);
        for (const QString &t : kVariableTables) {
            RecordSource rs(QStringLiteral("rs"));
            open(rs, QStringLiteral("select * from ") + t);
            QCOMPARE(rs.recordCount(), 1);
            QCOMPARE(rs.value(QStringLiteral("numero")), QStringLiteral("1"));
            QVERIFY(rs.isNull(QStringLiteral("variable0") + t.right(1)));
        }
        // The saved queries and the indexes.
        for (int k = 1; k <= 5; ++k)
            QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM \"var_comp_0%1 Requête\"")
                                    .arg(k)),
                     QStringLiteral("1"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM \"textes Requête\"")),
                 QStringLiteral("0"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(name, ' ') FROM (SELECT name FROM "
                                           "sqlite_schema WHERE type = 'index' AND sql IS NOT NULL "
                                           "ORDER BY name)")),
                 QStringLiteral("CategoriesDictionnaires_nom CategoriesDictionnaires_parent "
                                "CategoriesDictionnaires_rang Contenus_numtexte Contenus_numvar01 "
                                "Contenus_numvar02 Contenus_numvar03 Contenus_numvar04 "
                                "Contenus_numvar05 EntreesDictionnaires_categorie "
                                "ValeursAttributs_texte textes_numtexte"));
        // Defaults.
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/t')")));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES (1, 's')")));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO Contenus (numtexte) VALUES (1)")));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT numvar01 || numvar02 || numvar03 || numvar04 || "
                                           "numvar05 FROM Contenus")),
                 QStringLiteral("11111"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM \"textes Requête\"")),
                 QStringLiteral("1"));
        QVERIFY(!raw.exec(QStringLiteral("INSERT INTO textes (texte) VALUES ('sans texte')")));
    }

    // The first rows of a fresh copy get 1, 1, 1, 36, 13, 5, 13, 11.
    void countersOfAFreshCopy()
    {
        QCOMPARE(add(QStringLiteral("chemin"), {{"chemin", "/t/a.txt"}}), 1);
        QCOMPARE(add(QStringLiteral("textes"), {{"numtexte", "1"}, {"texte", "Un."}}), 1);
        QCOMPARE(add(QStringLiteral("textes"), {{"numtexte", "1"}, {"texte", "Deux."}}), 2);
        QCOMPARE(add(QStringLiteral("Contenus"), {{"numtexte", "2"}}), 1);
        const int next[] = {36, 13, 5, 13, 11};
        for (int k = 0; k < 5; ++k)
            QCOMPARE(add(QStringLiteral("Var_comp_0%1").arg(k + 1),
                         {{QStringLiteral("variable0%1").arg(k + 1), QStringLiteral("v")}}),
                     next[k]);
    }

    void countersNeverReused()
    {
        QCOMPARE(add(QStringLiteral("Var_comp_01"), {{"variable01", "a"}}), 36);
        QCOMPARE(add(QStringLiteral("Var_comp_01"), {{"variable01", "b"}}), 37);
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("DELETE FROM var_comp_01 WHERE numero = 37")));
        QCOMPARE(add(QStringLiteral("Var_comp_01"), {{"variable01", "c"}}), 38);
        QVERIFY(raw.exec(QStringLiteral("DELETE FROM var_comp_01 WHERE numero >= 36")));
        QCOMPARE(add(QStringLiteral("Var_comp_01"), {{"variable01", "d"}}), 39);
        QCOMPARE(add(QStringLiteral("chemin"), {{"chemin", "/a"}}), 1);
        QVERIFY(raw.exec(QStringLiteral("DELETE FROM Chemin")));
        QCOMPARE(add(QStringLiteral("chemin"), {{"chemin", "/a"}}), 2);
    }

    // Characters, not bytes: accented characters take two bytes each.
    void lengthLimits_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("stored");
        QTest::newRow("chemin 255") << "chemin" << "chemin" << 255 << true;
        QTest::newRow("chemin 256") << "chemin" << "chemin" << 256 << false;
        for (int k = 1; k <= 5; ++k) {
            const QString t = QStringLiteral("Var_comp_0%1").arg(k);
            const QString c = QStringLiteral("variable0%1").arg(k);
            QTest::addRow("%s 255", qPrintable(c)) << t << c << 255 << true;
            QTest::addRow("%s 256", qPrintable(c)) << t << c << 256 << false;
        }
    }
    void lengthLimits()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(int, length);
        QFETCH(bool, stored);
        QString text;
        for (int i = 0; i < length; ++i)
            text += i % 2 ? QChar(0xE9) : QChar(0x0153); // é œ
        Raw raw(m_db);
        const qint64 before = raw.count(table);
        if (stored) {
            add(table, {{column, text}});
            QCOMPARE(raw.scalar(QStringLiteral("SELECT %1 FROM %2 ORDER BY numero DESC")
                                    .arg(column, table)),
                     text);
        } else {
            try {
                add(table, {{column, text}});
                QFAIL("256 characters stored");
            } catch (const StoreError &e) {
                QVERIFY2(e.message().contains(QStringLiteral("255 caractères")),
                         qPrintable(e.message()));
            }
            QCOMPARE(raw.count(table), before);
        }
    }

    void zeroLengthTextsRefused_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::newRow("chemin") << "chemin" << "chemin";
        QTest::newRow("texte") << "textes" << "texte";
        for (int k = 1; k <= 5; ++k)
            QTest::addRow("variable0%d", k) << QStringLiteral("Var_comp_0%1").arg(k)
                                             << QStringLiteral("variable0%1").arg(k);
    }
    void zeroLengthTextsRefused()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        add(QStringLiteral("chemin"), {{"chemin", "/t"}});
        Raw raw(m_db);
        const qint64 before = raw.count(table);
        QList<QPair<QString, QString>> values{{column, QString()}};
        if (table == QLatin1String("textes"))
            values << qMakePair(QStringLiteral("numtexte"), QStringLiteral("1"));
        try {
            add(table, values);
            QFAIL("zero-length text stored");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("texte vide")), qPrintable(e.message()));
        }
        QCOMPARE(raw.count(table), before);
        // Raw SQL is refused too: the schema itself enforces it.
        QVERIFY(!raw.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES ('')").arg(table, column)));
        // A blank is a text.
        QList<QPair<QString, QString>> blank{{column, QStringLiteral(" ")}};
        if (table == QLatin1String("textes"))
            blank << qMakePair(QStringLiteral("numtexte"), QStringLiteral("1"));
        add(table, blank);
        QCOMPARE(raw.count(table), before + 1);
    }

    void integersStayIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("word") << "abc";
        QTest::newRow("too large") << "2147483648";
        QTest::newRow("too small") << "-2147483649";
        QTest::newRow("fraction") << "1.5";
    }
    void integersStayIntegers()
    {
        QFETCH(QString, text);
        add(QStringLiteral("chemin"), {{"chemin", "/t"}});
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 add(QStringLiteral("textes"), {{"numtexte", text}, {"texte", "s"}}));
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("textes")), 0);
    }

    void segmentOfMissingTextRefused()
    {
        try {
            add(QStringLiteral("textes"), {{"numtexte", "3"}, {"texte", "orpheline"}});
            QFAIL("segment stored without its text");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("n° 3")), qPrintable(e.message()));
        }
        // The default numtexte, 0, names no text either.
        QVERIFY_THROWS_EXCEPTION(StoreError, add(QStringLiteral("textes"), {{"texte", "x"}}));
        Raw raw(m_db);
        QCOMPARE(raw.count(QStringLiteral("textes")), 0);
    }

    // Chemin -> textes -> Contenus, on delete and on update.
    void cascadesFromChemin()
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral(
            "INSERT INTO Chemin (chemin) VALUES ('/a'), ('/b');"
            "INSERT INTO textes (numtexte, texte) VALUES (1, 'a1'), (1, 'a2'), (2, 'b1');"
            "INSERT INTO Contenus (numtexte) VALUES (1), (2), (3);")));
        QVERIFY(raw.exec(QStringLiteral("UPDATE Chemin SET numero = 10 WHERE numero = 2")));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT numtexte FROM textes WHERE texte = 'b1'")),
                 QStringLiteral("10"));
        // Deleting through a record source, as a window would.
        RecordSource rs(QStringLiteral("data2"));
        open(rs, QStringLiteral("select * from chemin where chemin = '/a'"));
        rs.deleteCurrent();
        QCOMPARE(raw.count(QStringLiteral("textes")), 1);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(numtexte) FROM Contenus")),
                 QStringLiteral("3"));
        QVERIFY(raw.exec(QStringLiteral("UPDATE textes SET numero = 30 WHERE numero = 3")));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT numtexte FROM Contenus")), QStringLiteral("30"));
    }

    // A variable row, row 1 included, takes its coding rows with it.
    void cascadesFromVariables_data()
    {
        QTest::addColumn<int>("list");
        for (int k = 1; k <= 5; ++k)
            QTest::addRow("var_comp_0%d", k) << k;
    }
    void cascadesFromVariables()
    {
        QFETCH(int, list);
        Raw raw(m_db);
        const QString t = QStringLiteral("var_comp_0%1").arg(list);
        const QString v = QStringLiteral("variable0%1").arg(list);
        const QString n = QStringLiteral("numvar0%1").arg(list);
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/a');"
                                        "INSERT INTO textes (numtexte, texte) VALUES (1, 's');")));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES ('x')").arg(t, v)));
        const QString x = raw.scalar(QStringLiteral("SELECT numero FROM %1 WHERE %2 = 'x'").arg(t, v));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO Contenus (numtexte) VALUES (1), (1);"
                                        "INSERT INTO Contenus (numtexte, %1) VALUES (1, %2);")
                             .arg(n, x)));
        QVERIFY(!raw.exec(QStringLiteral("INSERT INTO Contenus (numtexte, %1) VALUES (1, 999)").arg(n)));
        QCOMPARE(raw.count(QStringLiteral("Contenus")), 3);

        RecordSource rs(QStringLiteral("data"));
        open(rs, QStringLiteral("select * from Var_comp_0%1").arg(list));
        rs.moveLast();
        QCOMPARE(rs.value(v), QStringLiteral("x"));
        rs.deleteCurrent();
        QCOMPARE(raw.count(QStringLiteral("Contenus")), 2);
        rs.moveFirst();
        QCOMPARE(rs.currentKey(), 1);
        rs.deleteCurrent(); // row 1: every coding left at the default goes
        QCOMPARE(raw.count(QStringLiteral("Contenus")), 0);
        QCOMPARE(raw.count(QStringLiteral("textes")), 1);
    }

    // A 50 MB segment is stored whole and read back whole.
    void longSegmentStoredWhole()
    {
        add(QStringLiteral("chemin"), {{"chemin", "/t"}});
        QString big(50 * 1024 * 1024, QLatin1Char('a'));
        big[0] = QChar(0xC9); // É
        big[big.size() - 1] = QLatin1Char('.');
        add(QStringLiteral("textes"), {{"numtexte", "1"}, {"texte", big}});
        Raw raw(m_db);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT length(texte) FROM textes")),
                 QString::number(big.size()));
        RecordSource rs(QStringLiteral("data1"));
        open(rs, QStringLiteral("select * from textes where numtexte = 1"));
        QVERIFY(rs.value(QStringLiteral("texte")) == big);
    }

    void missingFileNotCreated()
    {
        const QString path = m_dir.filePath(QStringLiteral("nulle part.mdb"));
        try {
            Connection::open(path);
            QFAIL("a missing file was opened");
        } catch (const StoreError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("La base de données « %1 » est introuvable.").arg(path));
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    void textFileRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("texte.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Ceci n'est pas une base.\r\n").repeated(50));
        file.close();
        expectRefused(path);
    }

    void emptyFileRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("vide.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        expectRefused(path);
    }

    void otherApplicationsDatabaseRefused_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("no application id")
            << QStringLiteral("CREATE TABLE t (x); INSERT INTO t VALUES (1);");
        QTest::newRow("other application id")
            << QStringLiteral("PRAGMA application_id = 42; CREATE TABLE t (x);");
        QTest::newRow("other application in WAL mode")
            << QStringLiteral("PRAGMA journal_mode = WAL; CREATE TABLE t (x);");
    }
    void otherApplicationsDatabaseRefused()
    {
        QFETCH(QString, setup);
        const QString path = m_dir.filePath(QStringLiteral("autre.db"));
        QFile::remove(path);
        {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, setup.toUtf8().constData(), nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        }
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        expectRefused(path);
    }

    // Our application id, but a table missing: refused and untouched.
    void databaseLackingATableRefused_data()
    {
        QTest::addColumn<QString>("table");
        for (const char *t : {"Chemin", "textes", "Contenus", "var_comp_01", "var_comp_05"})
            QTest::newRow(t) << QString::fromLatin1(t);
    }
    void databaseLackingATableRefused()
    {
        QFETCH(QString, table);
        {
            Raw raw(m_db);
            QVERIFY(raw.exec(QStringLiteral("PRAGMA foreign_keys = OFF; DROP TABLE \"%1\"").arg(table)));
        }
        expectRefused(m_db);
    }

    void analysisDatabaseOpens()
    {
        auto connection = Connection::open(m_db);
        QCOMPARE(connection->path(), m_db);
        Raw raw(m_db);
        sqlite3_stmt *stmt = nullptr;
        QCOMPARE(sqlite3_prepare_v2(connection->handle(), "PRAGMA foreign_keys", -1, &stmt, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(stmt, 0), 1);
        sqlite3_finalize(stmt);
        QVERIFY_THROWS_EXCEPTION(StoreError, connection->exec(QStringLiteral("SELEC nothing")));
    }

    // A file the other program holds locked is waited for, then reported.
    void lockedFileReported()
    {
        auto connection = Connection::open(m_db);
        sqlite3_busy_timeout(connection->handle(), 50); // keep the test quick
        Raw holder(m_db);
        QVERIFY(holder.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(holder.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/x')")));
        RecordSource rs(QStringLiteral("data2"));
        rs.setConnection(connection);
        rs.setRecordSource(QStringLiteral("select * from chemin"));
        try {
            rs.refresh();
            QFAIL("read through a lock");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(m_db), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("verrouillée")), qPrintable(e.message()));
        }
        QVERIFY(holder.exec(QStringLiteral("ROLLBACK")));
        rs.refresh();
        QCOMPARE(rs.recordCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
