// ZIP members read with their safety limits.
#include "documents.h"
#include "exchange/zipfile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestZipFile : public QObject
{
    Q_OBJECT
private slots:
    void safeNames_data();
    void safeNames();
    void refusedMembers();
};

void TestZipFile::safeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << QStringLiteral("sources/entretien.txt") << true;
    QTest::newRow("dots in a name") << QStringLiteral("a..b/c.txt") << true;
    QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << false;
    QTest::newRow("parent") << QStringLiteral("sources/../../x") << false;
    QTest::newRow("backslash") << QStringLiteral("..\\x") << false;
    QTest::newRow("drive") << QStringLiteral("C:/x") << false;
}

void TestZipFile::safeNames()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(exchange::ZipFile::isSafeName(name), safe);
}

void TestZipFile::refusedMembers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    documents::writeZip(path, {{QStringLiteral("ok.txt"), QByteArray("bonjour")},
                               {QStringLiteral("../dehors.txt"), QByteArray("évadé")},
                               {QStringLiteral("gros.txt"), QByteArray(3 << 20, 'a')}});
    const exchange::ZipFile zip(path);
    QCOMPARE(zip.names(), (QStringList{QStringLiteral("ok.txt"), QStringLiteral("gros.txt")}));
    QCOMPARE(zip.read(QStringLiteral("ok.txt")), QByteArray("bonjour"));
    QVERIFY_THROWS_EXCEPTION(exchange::ZipError, zip.read(QStringLiteral("../dehors.txt")));
    // Over the caller's limit, and inflating 3 MiB out of a few bytes.
    QVERIFY_THROWS_EXCEPTION(exchange::ZipError, zip.read(QStringLiteral("gros.txt"), 1 << 20));
    QVERIFY_THROWS_EXCEPTION(exchange::ZipError, zip.read(QStringLiteral("gros.txt")));
}

QTEST_MAIN(TestZipFile)
#include "test_zipfile.moc"
