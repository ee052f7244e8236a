// A take-in refused by a full disk (here a file size limit, which makes the
// disk refuse the file's growth as a full one would): whatever the way the
// text came in (one text, a batch, the action --ajouter), the analysis file
// is left byte for byte as it was, with no journal beside it, once the work
// has failed, and the failure is told.
#include "../coding/codingtest.h"

#include "analysis/takein.h"
#include "analysis/batchtakein.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// No journal beside the file, or an empty one.
bool noHotJournal(const QString &db)
{
    const QFileInfo journal(db + QStringLiteral("-journal"));
    return !journal.exists() || journal.size() == 0;
}

// Runs `work` with the files of this process limited to `limit` bytes.
template <typename Work>
void withFileLimit(qint64 limit, Work work)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(limit);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    work();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

private slots:
    void takeInLeavesFileAsItWas_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("kilobytes"); // of the text
        QTest::newRow("one text, refused at its commit") << "one" << 64;
        QTest::newRow("one text, refused while the page cache spills") << "one" << 4096;
        QTest::newRow("a batch, refused at its commit") << "batch" << 64;
        QTest::newRow("a batch, refused while the page cache spills") << "batch" << 4096;
        QTest::newRow("--ajouter, refused at its commit") << "ajouter" << 64;
        QTest::newRow("--ajouter, refused while the page cache spills") << "ajouter" << 4096;
    }
    void takeInLeavesFileAsItWas()
    {
        QFETCH(QString, way);
        QFETCH(int, kilobytes);
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir, QStringLiteral("plein.mdb"));
        const QString text = dir.filePath(QStringLiteral("long.txt"));
        {
            QFile file(text);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray sentence("Une phrase assez longue pour remplir la page. ");
            QByteArray all;
            while (all.size() < kilobytes * 1024)
                all += sentence;
            file.write(all);
        }
        const QByteArray before = bytesOf(db);
        // Two pages more than the file holds: the text cannot go in.
        const qint64 limit = before.size() + 8192;
        QString failure;
        if (way != QLatin1String("ajouter")) {
            std::shared_ptr<Connection> connection = Connection::open(db);
            withFileLimit(limit, [&] {
                if (way == QLatin1String("one")) {
                    try {
                        takein::TextFileSource source(text, *connection);
                        takein::takeInText(*connection, text, source);
                    } catch (const StoreError &e) {
                        failure = e.message();
                    }
                } else {
                    const batch::Summary summary =
                        batch::takeIn(*connection, {text});
                    QCOMPARE(summary.outcomes.size(), size_t(1));
                    QCOMPARE(summary.outcomes[0].status, batch::Status::Failed);
                    failure = summary.outcomes[0].cause;
                }
            });
            // Already before the connection closes.
            QVERIFY(!connection->inTransaction());
            QVERIFY(noHotJournal(db));
            QVERIFY(bytesOf(db) == before);
        } else {
            QProcess program;
            program.setChildProcessModifier([limit] {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limited{};
                getrlimit(RLIMIT_FSIZE, &limited);
                limited.rlim_cur = rlim_t(limit);
                setrlimit(RLIMIT_FSIZE, &limited);
            });
            program.start(codingtest::codingProgram(),
                          {QStringLiteral("--ajouter"), db, text});
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitCode(), 1);
            failure = QString::fromUtf8(program.readAllStandardOutput());
        }
        QVERIFY2(failure.contains(QStringLiteral("le disque")), qPrintable(failure));
        QVERIFY(bytesOf(db) == before);
        QVERIFY(noHotJournal(db));
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "test_fulldisk.moc"
