// Taking a text in without a window (takeInText, the entry point of batches):
// segments stored as their exact UTF-8 bytes whatever the file's encoding,
// and every failure (a value the store cannot hold, a text already recorded,
// a stop, a read failure) leaving the database as it was.
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The stored rows as another program reads them: "numtexte|bytes of texte".
QList<QByteArray> storedRows(Connection &db, const char *sql)
{
    QList<QByteArray> rows;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &st, nullptr) != SQLITE_OK)
        qFatal("query failed: %s", sqlite3_errmsg(db.handle()));
    while (sqlite3_step(st) == SQLITE_ROW) {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(st, 1));
        rows << QByteArray::number(sqlite3_column_int64(st, 0)) + '|'
                    + QByteArray(bytes, sqlite3_column_bytes(st, 1));
    }
    sqlite3_finalize(st);
    return rows;
}

QList<QByteArray> segments(Connection &db)
{
    return storedRows(db, "select numtexte, texte from textes order by numero");
}

QList<QByteArray> texts(Connection &db)
{
    return storedRows(db, "select numero, chemin from Chemin order by numero");
}

QByteArray utf16le(const QString &text)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    return out;
}

// A source that fails after its first piece, as a file gone unreadable would.
struct FailingSource : takein::Utf8Source
{
    int pieces = 0;
    bool next(QByteArray &piece) override
    {
        if (pieces++ > 0)
            throw textfile::ReadError(QStringLiteral("Lecture impossible."));
        piece = "Un. Deux. Trois.";
        return true;
    }
    qint64 size() const override { return -1; }
};

} // namespace

class TestTakeIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void storedExactly_data();
    void storedExactly();
    void failureLeavesNothing_data();
    void failureLeavesNothing();

private:
    QTemporaryDir m_dir;
    QString m_db;
    int m_count = 0;
};

void TestTakeIn::init()
{
    m_db = m_dir.filePath(QStringLiteral("base%1.mdb").arg(++m_count));
    QVERIFY(QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE"), m_db));
    QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
}

void TestTakeIn::storedExactly_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("stored");
    const QString marks = QStringLiteral("Un. ") + QChar(0xFEFF) + QStringLiteral("Deux. ")
                          + QChar(0xFFFE) + QStringLiteral("Trois. Fin\r\n");
    const QList<QByteArray> markSegments = {"1|Un.", "1|\xEF\xBB\xBF" "Deux.",
                                            "1|\xEF\xBF\xBE" "Trois.", "1| Fin"};
    QTest::newRow("UTF-8, segments beginning with U+FEFF and U+FFFE")
        << marks.toUtf8() << markSegments;
    QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + marks.toUtf8() << markSegments;
    QTest::newRow("UTF-16 LE") << utf16le(marks) << markSegments;
    QTest::newRow("Windows-1252")
        << QByteArray("\xC7" "a co\xFBte 10 \x80. \x93Oui\x94, dit-il. Fin")
        << QList<QByteArray>{"1|\xC3\x87" "a co\xC3\xBBte 10 \xE2\x82\xAC.",
                             "1|\xE2\x80\x9C" "Oui\xE2\x80\x9D, dit-il.", "1| Fin"};
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
}

void TestTakeIn::storedExactly()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, stored);
    const QString path = writeFile(m_dir.filePath(QStringLiteral("texte.txt")), file);
    auto db = Connection::open(m_db);
    QVERIFY(!takein::isRecorded(*db, path));
    takein::TextFileSource source(path, *db);
    qint64 lastProgress = 0;
    const takein::Result r =
        takein::takeInText(*db, path, source, [&](qint64 done) { lastProgress = done; });
    QCOMPARE(segments(*db), stored);
    QCOMPARE(texts(*db), QList<QByteArray>{"1|" + path.toUtf8()});
    QVERIFY(takein::isRecorded(*db, path));
    QCOMPARE(r.segments, qint64(stored.size()));
    QCOMPARE(r.bytes, source.size());
    QCOMPARE(lastProgress, source.size());
    QVERIFY(!db->inTransaction());
}

void TestTakeIn::failureLeavesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("words");
    QTest::newRow("a sentence over the store's limit, no full stop")
        << "huge" << "la longueur la plus grande que la base d'analyse puisse enregistrer";
    QTest::newRow("a segment at the limit, its row over it")
        << "atLimit" << "dépasse la longueur la plus grande que la base puisse enregistrer";
    QTest::newRow("the text already recorded") << "again" << "est déjà dans la base d'analyse";
    QTest::newRow("stopped after the first piece") << "stop" << "arrêtée";
    QTest::newRow("the source failing midway") << "failing" << "Lecture impossible.";
    QTest::newRow("the database itself as the text") << "itself" << "la base d'analyse elle-même";
}

void TestTakeIn::failureLeavesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, words);
    const int limit = 1000;
    QByteArray text = "Court. " + QByteArray(limit + 1, 'x');
    if (kind == QLatin1String("stop"))
        text = "Court. Long.";
    if (kind == QLatin1String("atLimit"))
        text = "Court.\r\n" + QByteArray(limit, 'x'); // no blank before the last one
    const QString path = writeFile(m_dir.filePath(QStringLiteral("texte.txt")), text);
    auto db = Connection::open(m_db);
    sqlite3_limit(db->handle(), SQLITE_LIMIT_LENGTH, limit);

    QList<QByteArray> before;
    if (kind == QLatin1String("again")) {
        takein::TextFileSource first(path, *db);
        QVERIFY_THROWS_EXCEPTION(StoreError, takein::takeInText(*db, path, first));
        sqlite3_limit(db->handle(), SQLITE_LIMIT_LENGTH, 1 << 30);
        takein::TextFileSource second(path, *db);
        takein::takeInText(*db, path, second);
        before = segments(*db);
        QCOMPARE(before.size(), 2);
    }
    QString message;
    try {
        if (kind == QLatin1String("failing")) {
            FailingSource source;
            takein::takeInText(*db, path, source);
        } else {
            takein::TextFileSource source(kind == QLatin1String("itself") ? m_db : path, *db);
            int pieces = 0;
            const bool stop = kind == QLatin1String("stop");
            takein::takeInText(*db, path, source, {}, [&] { return stop && pieces++ > 0; });
        }
        QFAIL("the take-in succeeded");
    } catch (const StoreError &e) {
        message = e.message();
    } catch (const textfile::ReadError &e) {
        message = e.message();
    } catch (const takein::Stopped &) {
        message = takein::Stopped::message();
    }
    QVERIFY2(message.contains(words), qPrintable(message));
    QVERIFY2(!message.contains(QStringLiteral("too big")), qPrintable(message));
    QCOMPARE(segments(*db), before);
    QCOMPARE(texts(*db).size(), before.isEmpty() ? 0 : 1);
    QVERIFY(!db->inTransaction());
}

QTEST_GUILESS_MAIN(TestTakeIn)
#include "test_takein.moc"
