// New analysis databases: whole, atomic copies of the template.
#include "storetest.h"

#include "store/connection.h"
#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

class TestTemplateCopy : public QObject
{
    Q_OBJECT

private:
    // The folder's entries, to prove no temporary file is left behind.
    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

private slots:
    void templatePathInFolder()
    {
        QCOMPARE(templatePathIn(QStringLiteral("/opt/telmira")), QStringLiteral("/opt/telmira/telmira"));
    }

    void copyIsWholeAndOpens()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Mon analyse.mdb"));
        copyTemplate(storetest::templatePath(), target);
        QCOMPARE(storetest::bytesOf(target), storetest::bytesOf(storetest::templatePath()));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("Mon analyse.mdb")});
        auto connection = Connection::open(target);
        QVERIFY(connection);
    }

    void existingTargetReplacedByCompleteCopy()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.mdb"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("ancienne analyse");
        old.close();
        copyTemplate(storetest::templatePath(), target);
        QCOMPARE(storetest::bytesOf(target), storetest::bytesOf(storetest::templatePath()));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.mdb")});
    }

    void missingTemplateLeavesNothing()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.mdb"));
        const QString missing = dir.filePath(QStringLiteral("pas de modèle"));
        try {
            copyTemplate(missing, target);
            QFAIL("copied a missing template");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(target), qPrintable(e.message()));
            QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("introuvable")));
        }
        QVERIFY(entries(dir.path()).isEmpty());
    }

    void missingTemplateLeavesExistingTargetUntouched()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.mdb"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("les données d'une recherche");
        old.close();
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 copyTemplate(dir.filePath(QStringLiteral("absent")), target));
        QCOMPARE(storetest::bytesOf(target), QByteArray("les données d'une recherche"));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.mdb")});
    }

    void unwritableFolderReported_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing folder") << "absent/a.mdb";
        QTest::newRow("folder is a file") << "fichier/a.mdb";
        QTest::newRow("target is a folder") << "dossier";
    }
    void unwritableFolderReported()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("fichier")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dossier")));
        const QStringList before = entries(dir.path());
        const QString target = dir.filePath(relative);
        try {
            copyTemplate(storetest::templatePath(), target);
            QFAIL("copied into an impossible place");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(target)), qPrintable(e.message()));
            QVERIFY(e.message().startsWith(QStringLiteral("La base de données")));
        }
        QCOMPARE(entries(dir.path()), before);
        QVERIFY(entries(dir.filePath(QStringLiteral("dossier"))).isEmpty());
    }

    // A write failing halfway (here a file size limit, as a full disk would)
    // leaves neither a partial copy nor a changed target.
    void failedWriteLeavesNoPartialFile()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.mdb"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("ancienne");
        old.close();
        const qint64 size = QFileInfo(storetest::templatePath()).size();
        QVERIFY(size > 8192);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(size / 2);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        QString message;
        try {
            copyTemplate(storetest::templatePath(), target);
        } catch (const StoreError &e) {
            message = e.message();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY2(message.contains(target), qPrintable(message));
        QCOMPARE(storetest::bytesOf(target), QByteArray("ancienne"));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.mdb")});
#else
        QSKIP("needs a file size limit");
#endif
    }

    void readOnlyFolderReported()
    {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP("permissions do not bind the super-user");
#endif
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QString target = dir.filePath(QStringLiteral("a.mdb"));
        QVERIFY_THROWS_EXCEPTION(StoreError, copyTemplate(storetest::templatePath(), target));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(entries(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTemplateCopy)
#include "test_templatecopy.moc"
