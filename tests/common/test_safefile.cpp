// A file written whole or not at all: whichever step fails (a write, the
// last one, the sync, the close, the rename), the old file stays byte for
// byte, nothing is left beside it and the cause is given in French; real
// faults (a full device, a name too long, a missing folder) likewise.
#include "common/safefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

Q_DECLARE_METATYPE(SafeFile::Step)

namespace {

const QByteArray kOld = "ancien contenu\r\n";

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// 600 KiB: more than the buffer holds, so that writes happen before commit.
QByteArray newContent()
{
    return QByteArray(600 * 1024, 'x');
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { SafeFile::setFaultHook({}); }

    void failure_keepsTheOldFile_data()
    {
        QTest::addColumn<SafeFile::Step>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("cause");
        QTest::newRow("creation refused") << SafeFile::Step::Open << EACCES
                                          << "l'accès est refusé";
        QTest::newRow("disk full, first write") << SafeFile::Step::Write << ENOSPC
                                                << "le disque est plein";
        QTest::newRow("disk full, last write") << SafeFile::Step::Flush << ENOSPC
                                               << "le disque est plein";
        QTest::newRow("quota at the sync") << SafeFile::Step::Sync << EDQUOT << "quota";
        QTest::newRow("I/O error at the close") << SafeFile::Step::Close << EIO
                                                << "erreur d'entrée-sortie";
        QTest::newRow("rename refused") << SafeFile::Step::Replace << EROFS
                                        << "le disque est en lecture seule";
        QTest::newRow("unknown cause") << SafeFile::Step::Flush << 9999
                                       << "erreur du système n° 9999";
    }
    void failure_keepsTheOldFile()
    {
        QFETCH(SafeFile::Step, step);
        QFETCH(int, error);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("codage.csv"));
        QVERIFY(writeFile(target, kOld));
        SafeFile::setFaultHook([&](SafeFile::Step s) { return s == step ? error : 0; });

        SafeFile file(target);
        bool ok = file.open(QIODevice::WriteOnly);
        if (ok)
            ok = file.write(newContent()) == newContent().size();
        if (ok)
            ok = file.commit();
        QVERIFY(!ok);
        QCOMPARE(file.systemError(), error);
        QVERIFY2(file.errorString().contains(cause), qPrintable(file.errorString()));
        QCOMPARE(bytesOf(target), kOld);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("codage.csv")});
    }

    void realFault_data()
    {
        QTest::addColumn<QString>("target"); // relative to a fresh folder, or absolute
        QTest::addColumn<QString>("cause");
        QTest::newRow("/dev/full") << "/dev/full" << "le disque est plein";
        QTest::newRow("name too long") << QString(300, QLatin1Char('a')) + ".csv"
                                       << "le nom du fichier est trop long";
        QTest::newRow("missing folder") << "absent/codage.csv" << "n'existe pas";
        QTest::newRow("a folder") << "." << "dossier";
    }
    void realFault()
    {
        QFETCH(QString, target);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        const QString path = QDir::isAbsolutePath(target) ? target : dir.filePath(target);
        SafeFile file(path);
        const bool ok = file.open(QIODevice::WriteOnly) && file.write(newContent()) > 0
                        && file.commit();
        QVERIFY(!ok);
        QVERIFY2(file.errorString().contains(cause), qPrintable(file.errorString()));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void commit_replacesThroughALinkKeepingTheMode()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("codage.csv"));
        const QString link = dir.filePath(QStringLiteral("lien.csv"));
        QVERIFY(writeFile(target, kOld));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner
                                                  | QFile::ReadGroup));
        QVERIFY(QFile::link(target, link));
        SafeFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(newContent()), qint64(newContent().size()));
        // Nothing replaced before the commit.
        QCOMPARE(bytesOf(target), kOld);
        QVERIFY(file.commit());
        QCOMPARE(bytesOf(target), newContent());
        QVERIFY(QFileInfo(link).isSymLink());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0640));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safefile.moc"
