// The analysis file's safety in the store: what is refused as an analysis,
// the French causes of the engine's failures, bounded waits on another
// program, a file replaced or deleted while open, read-only files, backups.
#include "storetest.h"

#include "store/backup.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/exportstore.h"
#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using storetest::Raw;

namespace {

// The engine's English never reaches a message.
bool hasEngineWords(const QString &message)
{
    static const QRegularExpression english(
        QStringLiteral("constraint|failed|database|unable|locked\\b|disk I/O|Unknown error|"
                       "no such|malformed"),
        QRegularExpression::CaseInsensitiveOption);
    return english.match(message).hasMatch();
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const StoreError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    }

    void init()
    {
        Connection::setWaitLimitMs(30000);
        Connection::setWaitNotifier({});
        Connection::startOperation();
    }

    void refused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("template") << "template" << "modèle des nouvelles analyses";
        QTest::newRow("symbolic link to the template") << "symlink" << "modèle des nouvelles";
        QTest::newRow("hard link to the template") << "hardlink" << "modèle des nouvelles";
        QTest::newRow("FIFO") << "fifo" << "pas un fichier ordinaire";
        QTest::newRow("/dev/zero") << "zero" << "pas un fichier ordinaire";
        QTest::newRow("folder") << "folder" << "c'est un dossier";
        QTest::newRow("name too long") << "long" << "trop long";
    }
    void refused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        QTemporaryDir dir;
        const QString templ = installedTemplatePath();
        QVERIFY(QFileInfo::exists(templ));
        QString path = dir.filePath(QStringLiteral("x.mdb"));
        if (kind == QLatin1String("template"))
            path = templ;
        else if (kind == QLatin1String("symlink"))
            QVERIFY(QFile::link(templ, path));
        else if (kind == QLatin1String("hardlink")
                 && ::link(QFile::encodeName(templ).constData(), QFile::encodeName(path).constData()))
            QSKIP("the template lies on another file system");
        else if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else if (kind == QLatin1String("zero"))
            path = QStringLiteral("/dev/zero");
        else if (kind == QLatin1String("folder"))
            path = dir.path();
        else if (kind == QLatin1String("long"))
            path = dir.filePath(QString(300, QLatin1Char('a')) + QStringLiteral(".mdb"));
        const QByteArray before = kind == QLatin1String("folder") || kind == QLatin1String("zero")
                                      ? QByteArray()
                                      : storetest::bytesOf(templ);
        for (Connection::Access access :
             {Connection::Access::ReadWrite, Connection::Access::ReadOnly}) {
            const QString message = failureOf([&] { Connection::open(path, access); });
            QVERIFY2(message.contains(words), qPrintable(message));
            QVERIFY2(!hasEngineWords(message), qPrintable(message));
        }
        if (!before.isEmpty())
            QCOMPARE(storetest::bytesOf(templ), before);
    }

    void damagedTemplate_namedAndNothingCopied()
    {
        QTemporaryDir dir;
        const QString templ = storetest::freshCopy(dir, QStringLiteral("telmira"));
        {
            // A page of the file overwritten: the header still says SQLite.
            QFile file(templ);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.size() > 8192);
            file.seek(4096);
            file.write(QByteArray(4096, '\x5a'));
        }
        const QString target = dir.filePath(QStringLiteral("Nouvelle.mdb"));
        const QString message = failureOf([&] { copyTemplate(templ, target); });
        QVERIFY2(message.contains(QStringLiteral("Le modèle d'analyse « %1 » est endommagé")
                                      .arg(templ)),
                 qPrintable(message));
        QVERIFY(!hasEngineWords(message));
        QVERIFY(!QFileInfo::exists(target));
        // A link named like a new analysis that leads to the template.
        const QString link = dir.filePath(QStringLiteral("Lien.mdb"));
        QVERIFY(QFile::link(storetest::templatePath(), link));
        const QByteArray before = storetest::bytesOf(storetest::templatePath());
        QVERIFY(failureOf([&] { copyTemplate(storetest::templatePath(), link); })
                    .contains(QStringLiteral("le modèle")));
        QCOMPARE(storetest::bytesOf(storetest::templatePath()), before);
    }

    void engineCauses_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("words");
        QTest::newRow("value too long")
            << QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES ('%1')")
                   .arg(QString(256, QLatin1Char('x')))
            << "la valeur de « variable01 » est trop longue (255 caractères au plus)";
        QTest::newRow("empty value") << "INSERT INTO var_comp_02 (variable02) VALUES ('')"
                                     << "la valeur de « variable02 » est vide";
        QTest::newRow("no such segment")
            << "INSERT INTO Contenus (numtexte) VALUES (999)"
            << "une valeur ne renvoie à aucun enregistrement de la table liée";
        QTest::newRow("number taken") << "INSERT INTO var_comp_01 (numero, variable01) VALUES (1, 'a')"
                                      << "ce numéro existe déjà";
    }
    void engineCauses()
    {
        QFETCH(QString, sql);
        QFETCH(QString, words);
        QTemporaryDir dir;
        auto db = Connection::open(storetest::freshCopy(dir));
        const QString message = failureOf([&] { db->exec(sql); });
        QVERIFY2(message.contains(words), qPrintable(message));
        QVERIFY2(!hasEngineWords(message), qPrintable(message));
    }

    void resultCodes_inFrench_data()
    {
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("words");
        QTest::newRow("full") << int(SQLITE_FULL) << "le disque est plein";
        QTest::newRow("busy") << int(SQLITE_BUSY) << "verrouillée par un autre programme";
        QTest::newRow("read-only") << int(SQLITE_READONLY) << "protégée en écriture";
        QTest::newRow("moved") << int(SQLITE_READONLY_DBMOVED) << "remplacé, déplacé ou supprimé";
        QTest::newRow("rights") << int(SQLITE_PERM) << "droits d'accès";
        QTest::newRow("damaged") << int(SQLITE_CORRUPT) << "endommagé";
        QTest::newRow("too big") << int(SQLITE_TOOBIG) << "trop longue";
        QTest::newRow("unknown") << 12345 << "code 12345";
    }
    void resultCodes_inFrench()
    {
        QFETCH(int, rc);
        QFETCH(QString, words);
        const QString cause = sqlfailure::cause(nullptr, rc);
        QVERIFY2(cause.contains(words), qPrintable(cause));
        QVERIFY(!hasEngineWords(cause));
    }

    // Another program holds the file: the operation gives up after the
    // limit, waits halfway through a transaction included, says so in
    // French, is heard of within half a second and leaves the file as it was.
    void lockedFile_waitIsBounded_data()
    {
        QTest::addColumn<bool>("midTransaction");
        QTest::newRow("read while another program writes") << false;
        QTest::newRow("large take-in while another program reads") << true;
    }
    void lockedFile_waitIsBounded()
    {
        QFETCH(bool, midTransaction);
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir);
        Raw other(path);
        auto db = Connection::open(path);
        QList<Connection::Wait> heard;
        QElapsedTimer clock;
        qint64 firstHeardMs = -1;
        Connection::setWaitNotifier([&](const Connection::Wait &wait) {
            if (firstHeardMs < 0)
                firstHeardMs = clock.elapsed();
            heard << wait;
        });
        constexpr int kLimit = 800;
        Connection::setWaitLimitMs(kLimit);
        const QByteArray before = storetest::bytesOf(path);

        sqlite3_stmt *reading = nullptr;
        QString message;
        if (midTransaction) {
            // A small page cache: the take-in must write to the file (an
            // exclusive lock) long before its end.
            db->exec(QStringLiteral("PRAGMA cache_size = 20"));
            QVERIFY(other.exec(QStringLiteral("BEGIN")));
            QVERIFY(sqlite3_prepare_v2(other.handle(), "SELECT * FROM var_comp_01", -1, &reading,
                                       nullptr) == SQLITE_OK);
            QCOMPARE(sqlite3_step(reading), SQLITE_ROW);
            clock.start();
            message = failureOf([&] {
                db->begin();
                db->exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('t.txt')"));
                for (int i = 0; i < 200; ++i)
                    db->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                                            "i + 1 FROM n WHERE i < 50) INSERT INTO textes "
                                            "(numtexte, texte) SELECT 1, '%1' || i FROM n")
                                 .arg(QString(400, QLatin1Char('p'))));
                db->commit();
            });
            db->rollback();
        } else {
            QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            clock.start();
            message = failureOf([&] { coding::CodingStore(db).texts(); });
        }
        const qint64 elapsed = clock.elapsed();
        sqlite3_finalize(reading);
        other.exec(QStringLiteral("ROLLBACK"));

        QVERIFY2(message.contains(QStringLiteral("verrouillée par un autre programme")),
                 qPrintable(message));
        QVERIFY2(!hasEngineWords(message), qPrintable(message));
        QVERIFY2(elapsed < kLimit + 1500, qPrintable(QString::number(elapsed)));
        QVERIFY(!heard.isEmpty());
        QVERIFY2(firstHeardMs >= 0 && firstHeardMs < 500, qPrintable(QString::number(firstHeardMs)));
        QCOMPARE(heard.first().state, Connection::Wait::Waiting);
        QCOMPARE(heard.first().path, path);
        QCOMPARE(heard.last().state, Connection::Wait::GaveUp);
        QVERIFY(heard.last().waitedMs <= kLimit + 100);
        QCOMPARE(storetest::bytesOf(path), before);
        QCOMPARE(Raw(path).count(QStringLiteral("textes")), 0);
    }

    void replacedOrDeleted_noWriteToTheOldCopy_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("a new analysis of the same name") << true;
        QTest::newRow("deleted") << false;
    }
    void replacedOrDeleted_noWriteToTheOldCopy()
    {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir);
        {
            Raw db(path);
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('t.txt')")));
            QVERIFY(db.exec(QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES (1, 'a')")));
        }
        auto store = coding::CodingStore::open(path);
        QVERIFY(store->connection().sameFile());
        if (replaced)
            copyTemplate(storetest::templatePath(), path); // renamed over it, as Telmira does
        else
            QVERIFY(QFile::remove(path));
        QVERIFY(!store->connection().sameFile());
        const QString message = failureOf([&] { store->addCoding(1); });
        QVERIFY2(message.contains(replaced ? QStringLiteral("remplacée") : QStringLiteral("supprimée")),
                 qPrintable(message));
        QVERIFY(failureOf([&] { coding::ExportReader reader(store->connection()); })
                    .contains(QStringLiteral("rien n'y est plus enregistré ni exporté")));
        if (replaced)
            QCOMPARE(storetest::bytesOf(path), storetest::bytesOf(storetest::templatePath()));
    }

    void readOnlyFile_opensForReadingOnly()
    {
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir);
        {
            Raw db(path);
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('t.txt')")));
            QVERIFY(db.exec(QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES (1, 'a')")));
        }
        QFile::setPermissions(path, QFile::ReadOwner);
        const QByteArray before = storetest::bytesOf(path);
        if (::geteuid() != 0) { // the superuser writes any file
            QCOMPARE(Connection::accessFor(path), Connection::Access::ReadOnly);
            QVERIFY(failureOf([&] { Connection::open(path); }).contains(QStringLiteral("protégée")));
        }
        auto store = std::make_unique<coding::CodingStore>(
            Connection::open(path, Connection::Access::ReadOnly));
        QVERIFY(store->readOnly());
        QCOMPARE(store->texts().size(), size_t(1));
        QVERIFY(failureOf([&] { store->addCoding(1); }).contains(QStringLiteral("lecture seule")));
        QCOMPARE(storetest::bytesOf(path), before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    // Ten copies kept, newest first; none made of an unchanged file; a copy
    // put back after the present state is itself kept, within the ten.
    void backups_keptAndRestored()
    {
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir, QStringLiteral("Corpus.mdb"));
        auto db = Connection::open(path);
        QVERIFY(backup::list(path).empty());
        const QString first = backup::make(*db);
        QCOMPARE(backup::make(*db), first); // unchanged: no second copy
        for (int i = 1; i <= 11; ++i) {
            db->exec(QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES ('v%1')").arg(i));
            backup::make(*db);
        }
        std::vector<backup::Entry> entries = backup::list(path);
        QCOMPARE(int(entries.size()), backup::kKept);
        for (size_t i = 1; i < entries.size(); ++i)
            QVERIFY(entries[i - 1].when > entries[i].when);
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(entries.front().path.startsWith(backup::folderFor(path)));
        QCOMPARE(Raw(entries.front().path).count(QStringLiteral("var_comp_01")), 12);

        // The oldest kept holds v1 and v2; it is put back.
        const QString oldest = entries.back().path;
        QCOMPARE(Raw(oldest).count(QStringLiteral("var_comp_01")), 3);
        db->exec(QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES ('après')"));
        backup::restore(*db, oldest);
        QCOMPARE(Raw(path).count(QStringLiteral("var_comp_01")), 3);
        QVERIFY(db->sameFile());
        entries = backup::list(path);
        // The restored copy was spared, and counts among the ten.
        QCOMPARE(int(entries.size()), backup::kKept);
        QCOMPARE(entries.back().path, oldest);
        QCOMPARE(Raw(entries.front().path).count(QStringLiteral("var_comp_01")), 13);
        // A damaged copy is refused; the analysis is unchanged.
        const QString bad = dir.filePath(QStringLiteral("abimee.mdb"));
        QVERIFY(QFile::copy(entries.front().path, bad));
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(2048);
            file.write(QByteArray(file.size() - 2048, '\x33'));
        }
        const QByteArray before = storetest::bytesOf(path);
        const QString message = failureOf([&] { backup::restore(*db, bad); });
        QVERIFY2(message.contains(QStringLiteral("L'analyse est inchangée")), qPrintable(message));
        QCOMPARE(storetest::bytesOf(path), before);
    }

    // What a killed backup left in the folder of the copies (built here byte
    // by byte) is removed at the next backup and never listed; a partial
    // copy another program is writing, and a file that is not a copy, stay.
    void backups_leftoversRemoved_data()
    {
        QTest::addColumn<QStringList>("names");   // files left in the folder
        QTest::addColumn<bool>("locked");         // the first one is being written
        QTest::addColumn<QStringList>("remaining"); // besides the new copy
        const QString partial = QStringLiteral("2026-01-02_03-04-05-006_c3-4096.mdb.partiel");
        QTest::newRow("copy and its journal, killed halfway")
            << QStringList{partial, partial + QStringLiteral("-journal")} << false << QStringList{};
        QTest::newRow("journal alone") << QStringList{partial + QStringLiteral("-journal")}
                                       << false << QStringList{};
        QTest::newRow("empty copy, killed at once") << QStringList{partial} << false
                                                    << QStringList{};
        QTest::newRow("copy being written by another program")
            << QStringList{partial} << true << QStringList{partial};
        QTest::newRow("a file that is not a copy")
            << QStringList{QStringLiteral("notes.txt")} << false
            << QStringList{QStringLiteral("notes.txt")};
    }
    void backups_leftoversRemoved()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, locked);
        QFETCH(QStringList, remaining);
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir, QStringLiteral("Tue.mdb"));
        const QString folder = backup::folderFor(path);
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : names) {
            QFile file(QDir(folder).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (name.endsWith(QLatin1String("-journal")))
                file.write(QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8)
                           + QByteArray(504, '\0'));
            else if (name.endsWith(QLatin1String(".partiel")) && !locked)
                file.write(QByteArray("SQLite format 3\0", 16) + QByteArray(1000, '\x11'));
        }
        std::unique_ptr<Raw> writer;
        if (locked) {
            writer = std::make_unique<Raw>(QDir(folder).filePath(names.first()));
            QVERIFY(writer->exec(QStringLiteral("BEGIN IMMEDIATE")));
            QVERIFY(writer->exec(QStringLiteral("CREATE TABLE t (x)")));
        }
        // Never listed, before and after the next backup.
        QVERIFY(backup::list(path).empty());
        auto db = Connection::open(path);
        const QString copy = backup::make(*db);
        const std::vector<backup::Entry> entries = backup::list(path);
        QCOMPARE(int(entries.size()), 1);
        QCOMPARE(entries.front().path, copy);
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        left.removeOne(QFileInfo(copy).fileName());
        if (locked)
            left.removeOne(names.first() + QStringLiteral("-journal")); // the writer's own
        QCOMPARE(left, remaining);
    }

    // A copy the disk refuses halfway (a file size limit stands for a full
    // disk) leaves nothing in the folder, its journal included.
    void backups_failedCopyLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir, QStringLiteral("Plein.mdb"));
        const QString folder = backup::folderFor(path);
        QDir(folder).removeRecursively();
        auto db = Connection::open(path);
        const qint64 size = QFileInfo(path).size();
        QVERIFY(size > 8192);
        QVERIFY(QDir().mkpath(folder));
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(size / 2);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString message = failureOf([&] { backup::make(*db); });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY2(message.contains(QStringLiteral("n'a pas pu être faite")), qPrintable(message));
        QVERIFY2(!hasEngineWords(message), qPrintable(message));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The copies of one analysis keep within their budget: at most so many,
    // at most so many bytes, the newest one always. Every copy here has the
    // size S of the analysis (rows added within its pages), so that the
    // bytes are counted in copies: a budget of 2.5 S holds two.
    void backups_budget_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<double>("bytesInCopies"); // the byte budget, in S
        QTest::addColumn<int>("made");             // copies made in a row
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("lastForRoom");      // dropped for room by the last one
        QTest::addColumn<int>("lastForCount");
        QTest::newRow("within both") << 10 << 100.0 << 4 << 4 << 0 << 0;
        QTest::newRow("bound by the count") << 3 << 100.0 << 5 << 3 << 0 << 1;
        QTest::newRow("bound by the bytes") << 10 << 2.5 << 5 << 2 << 1 << 0;
        QTest::newRow("budget below one copy: the newest stays") << 10 << 0.5 << 3 << 1 << 1 << 0;
        QTest::newRow("both at once: the count first") << 2 << 2.0 << 4 << 2 << 0 << 1;
        QTest::newRow("count of zero: one copy") << 0 << 100.0 << 3 << 1 << 0 << 1;
    }
    void backups_budget()
    {
        QFETCH(int, copies);
        QFETCH(double, bytesInCopies);
        QFETCH(int, made);
        QFETCH(int, kept);
        QFETCH(int, lastForRoom);
        QFETCH(int, lastForCount);
        QTemporaryDir dir;
        const QString path = storetest::freshCopy(dir, QStringLiteral("Budget.mdb"));
        QDir(backup::folderFor(path)).removeRecursively();
        const qint64 size = QFileInfo(path).size();
        backup::setFreeSpaceProbe([](const QString &) { return qint64(123456789); });
        auto db = Connection::open(path);
        const backup::Budget budget{copies, qint64(bytesInCopies * double(size))};
        backup::Outcome outcome;
        for (int i = 0; i < made; ++i) {
            db->exec(QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES ('v%1')").arg(i));
            outcome = backup::makeWithin(*db, budget);
            QVERIFY(outcome.made);
        }
        backup::setFreeSpaceProbe({});
        QCOMPARE(QFileInfo(path).size(), size);
        const std::vector<backup::Entry> entries = backup::list(path);
        QCOMPARE(int(entries.size()), kept);
        QCOMPARE(entries.front().path, outcome.path);
        QCOMPARE(int(outcome.droppedForRoom.size()), lastForRoom);
        QCOMPARE(outcome.droppedForCount, lastForCount);
        QCOMPARE(outcome.keptBytes, kept * size);
        QCOMPARE(outcome.freeBytes, qint64(123456789));
        // The newest are the ones kept.
        QCOMPARE(Raw(entries.back().path).count(QStringLiteral("var_comp_01")),
                 qint64(1 + made - kept + 1));
    }
};

QTEST_GUILESS_MAIN(TestFileSafety)
#include "test_filesafety.moc"
