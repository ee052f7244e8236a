// The index of the words of the segments: built from nothing, brought up to
// date after segments were added or removed by another connection, built in
// the connection's temporary database for a file that may not be written
// or is too old to hold it, stopped halfway and taken up again.
#include "searchexample.h"

#include "store/connection.h"
#include "store/searchindex.h"
#include "store/storeerror.h"

#include <QtTest>

using storetest::Raw;

namespace {

// The segments the index finds for an FTS5 expression, by number: "1,3".
QString found(Connection &db, const QString &table, const QString &fts)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QStringLiteral("SELECT rowid FROM %1 WHERE \"Recherche\" MATCH ?1"
                                          " ORDER BY rowid")
                               .arg(table)
                               .toUtf8();
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(db.handle()));
    const QByteArray expression = fts.toUtf8();
    sqlite3_bind_text(stmt, 1, expression.constData(), -1, SQLITE_TRANSIENT);
    QStringList rows;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        rows << QString::number(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return rows.join(QLatin1Char(','));
}

const QString kMain = QStringLiteral("\"main\".\"Recherche\"");
const QString kTemp = QStringLiteral("\"temp\".\"Recherche\"");

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void freshTemplateIsCurrent()
    {
        const QString path = storetest::freshCopy(m_dir);
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        QVERIFY(index.current());
        QCOMPARE(index.pending(), 0);
        QCOMPARE(index.table(), kMain);
    }

    // After a first update, another connection changes the segments; the
    // index sees it and catches up. The example holds 7 segments.
    void catchesUp_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<qint64>("pending");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("segments");
        QTest::addColumn<QString>("state"); // segments|dernier|compteur after
        QTest::newRow("nothing") << QString() << qint64(0) << "chat" << "2,3,4,5" << "7|7|7";
        // Two added: only they are read.
        QTest::newRow("added")
            << "INSERT INTO textes (numtexte, texte) VALUES (1, 'Un chat.'), (2, 'Le chien.')"
            << qint64(2) << "chat" << "2,3,4,5,8" << "9|9|9";
        // One removed: all 6 left are read again, the removed one no more found.
        QTest::newRow("removed") << "DELETE FROM textes WHERE numero = 3" << qint64(6) << "chat"
                                 << "2,4,5" << "6|7|7";
        // The last one removed, one added: counts the same, all read again.
        QTest::newRow("last removed, one added")
            << "DELETE FROM textes WHERE numero = 7;"
               "INSERT INTO textes (numtexte, texte) VALUES (2, 'Chat perché.')"
            << qint64(7) << "chat" << "2,3,4,5,8" << "7|8|8";
        // Added then removed again: only the counter moved; nothing to read.
        QTest::newRow("added and removed")
            << "INSERT INTO textes (numtexte, texte) VALUES (1, 'Un chat.');"
               "DELETE FROM textes WHERE numero = 8"
            << qint64(0) << "chat" << "2,3,4,5" << "7|7|8";
    }
    void catchesUp()
    {
        QFETCH(QString, change);
        QFETCH(qint64, pending);
        QFETCH(QString, query);
        QFETCH(QString, segments);
        QFETCH(QString, state);
        const QString path = storetest::freshCopy(m_dir);
        searchexample::fill(path);
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        QVERIFY(!index.current());
        QCOMPARE(index.pending(), 7);
        QVERIFY(index.update());
        QVERIFY(index.current());
        if (!change.isEmpty()) {
            QVERIFY(Raw(path).exec(change));
            QVERIFY(!index.current());
        }
        QCOMPARE(index.pending(), pending);
        QList<qint64> told;
        QVERIFY(index.update([&](qint64 done, qint64 total) {
            told << done << total;
            return true;
        }));
        if (pending > 0)
            QCOMPARE(told, (QList<qint64>{pending, pending}));
        QVERIFY(index.current());
        QCOMPARE(index.pending(), 0);
        QCOMPARE(found(*db, index.table(), query), segments);
        QCOMPARE(Raw(path).scalar(QStringLiteral(
                     "SELECT segments || '|' || dernier || '|' || compteur FROM RechercheEtat")),
                 state);
    }

    // Words as the index takes them: case and accents ignored, decomposed
    // accents too, apostrophes separate, a segment without text holds none.
    void words_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("segments");
        QTest::newRow("accents and case") << "etat" << "1";
        QTest::newRow("after an apostrophe") << "economie" << "1";
        QTest::newRow("upper case") << "CHAT" << "2,3,4,5";
        QTest::newRow("decomposed accents") << "ete" << "6";
        QTest::newRow("prefix") << "chat*" << "2,3,4,5";
        QTest::newRow("phrase") << "\"un chat\"" << "3";
        QTest::newRow("not a prefix of chassent") << "chass*" << "2";
    }
    void words()
    {
        QFETCH(QString, query);
        QFETCH(QString, segments);
        const QString path = storetest::freshCopy(m_dir);
        searchexample::fill(path);
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        QVERIFY(index.update());
        QCOMPARE(found(*db, index.table(), query), segments);
    }

    // A file that may not be written, and a version-3 file opened read-only
    // (never upgraded): the index is built in "temp", the file untouched.
    void builtInTemp_data()
    {
        QTest::addColumn<bool>("versionThree");
        QTest::addColumn<bool>("indexedBefore");
        QTest::addColumn<QString>("table");
        QTest::newRow("read-only, index out of date") << false << false << kTemp;
        QTest::newRow("read-only, index current") << false << true << kMain;
        QTest::newRow("version 3") << true << false << kTemp;
    }
    void builtInTemp()
    {
        QFETCH(bool, versionThree);
        QFETCH(bool, indexedBefore);
        QFETCH(QString, table);
        const QString path = storetest::freshCopy(m_dir);
        searchexample::fill(path);
        if (indexedBefore) {
            auto db = Connection::open(path);
            QVERIFY(search::SearchIndex(*db).update());
        }
        if (versionThree)
            QVERIFY(Raw(path).exec(QStringLiteral("DROP TABLE Recherche; DROP TABLE RechercheEtat; "
                                                  "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                                                  "DROP TABLE EntreesDictionnaires; "
                                                  "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires;"
                                                  " PRAGMA user_version = 3")));
        const QString version = Raw(path).scalar(QStringLiteral("PRAGMA user_version"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
        const QByteArray before = storetest::bytesOf(path);
        {
            auto db = Connection::open(path, Connection::Access::ReadOnly);
            search::SearchIndex index(*db);
            QCOMPARE(index.current(), indexedBefore);
            QCOMPARE(index.pending(), indexedBefore ? 0 : 7);
            QVERIFY(index.update());
            QVERIFY(index.current());
            QCOMPARE(index.table(), table);
            QCOMPARE(search::SearchIndex::tableFor(*db), table);
            QCOMPARE(found(*db, index.table(), QStringLiteral("chat*")), QStringLiteral("2,3,4,5"));
            QCOMPARE(storetest::bytesOf(path), before);
            // Another program adds a segment: the file's own index is out of
            // date, one is built in "temp" and kept from then on.
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QVERIFY(Raw(path).exec(
                QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES (1, 'Chaton.')")));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
            QVERIFY(!index.current());
            QCOMPARE(index.pending(), indexedBefore ? 8 : 1);
            QVERIFY(index.update());
            QCOMPARE(index.table(), kTemp);
            QCOMPARE(found(*db, index.table(), QStringLiteral("chat*")),
                     QStringLiteral("2,3,4,5,8"));
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        // Never upgraded.
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")), version);
        if (versionThree)
            QCOMPARE(version, QStringLiteral("3"));
    }

    // Stopped after its first batch ("Arrêter"), the index keeps what that
    // batch indexed, says it is not current and takes up where it stopped;
    // so does a rebuild after a removal, and an update after an addition.
    void stopAndResume_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<qint64>("pendingAfterStop");
        QTest::addColumn<QString>("foundAfterStop"); // "chat" in the index as kept
        QTest::addColumn<QString>("foundAtEnd");
        // 7 segments, batches of 2: segments 1 and 2 indexed, 5 to go.
        QTest::newRow("from nothing") << QString() << qint64(5) << "2" << "2,3,4,5";
        // 6 left, read again from nothing: 1 and 3 indexed, 4 to go.
        QTest::newRow("rebuild after a removal")
            << "DELETE FROM textes WHERE numero = 2" << qint64(4) << "3" << "3,4,5";
        // Three added (8, 9, 10) to a current index: 8 and 9 indexed, 1 to go.
        QTest::newRow("update after an addition")
            << "INSERT INTO textes (numtexte, texte) VALUES (1, 'Un chat.'), (1, 'Deux chats, un chat.'),"
               " (2, 'Le chat.')"
            << qint64(1) << "2,3,4,5,8,9" << "2,3,4,5,8,9,10";
    }
    void stopAndResume()
    {
        QFETCH(QString, change);
        QFETCH(qint64, pendingAfterStop);
        QFETCH(QString, foundAfterStop);
        QFETCH(QString, foundAtEnd);
        const QString path = storetest::freshCopy(m_dir);
        searchexample::fill(path);
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        index.setBatchSize(2);
        if (!change.isEmpty()) {
            QVERIFY(index.update());
            QVERIFY(Raw(path).exec(change));
        }
        int calls = 0;
        QVERIFY(!index.update([&](qint64 done, qint64) {
            ++calls;
            return done < 2;
        }));
        QCOMPARE(calls, 1);
        QVERIFY(!index.current());
        QCOMPARE(index.pending(), pendingAfterStop);
        QCOMPARE(found(*db, index.table(), QStringLiteral("chat")), foundAfterStop);
        // A new connection takes up the work.
        auto other = Connection::open(path);
        search::SearchIndex again(*other);
        again.setBatchSize(2);
        QList<qint64> done;
        QVERIFY(again.update([&](qint64 d, qint64 total) {
            done << d;
            return total == pendingAfterStop;
        }));
        QCOMPARE(done.back(), pendingAfterStop);
        QVERIFY(index.current());
        QCOMPARE(index.pending(), qint64(0));
        QCOMPARE(found(*db, index.table(), QStringLiteral("chat")), foundAtEnd);
    }
};

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "test_searchindex.moc"
