// Where the template is found and where new analyses go: the program's folder
// when it holds the template and can be written, else the documents'
// "Telmira" folder, made when needed.
#include "store/places.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
} // namespace

class TestPlaces : public QObject
{
    Q_OBJECT
private slots:
    void analysesFolder_data()
    {
        QTest::addColumn<bool>("templateBeside");
        QTest::addColumn<bool>("programWritable");
        QTest::addColumn<bool>("documentsExist");
        QTest::addColumn<QString>("expected"); // relative to the test folder
        QTest::newRow("build tree") << true << true << true << "bin";
        QTest::newRow("read-only portable copy") << true << false << true << "Documents/Telmira";
        QTest::newRow("installed in a writable bin") << false << true << true << "Documents/Telmira";
        QTest::newRow("installed, no documents folder yet")
            << false << false << false << "Documents/Telmira";
    }
    void analysesFolder()
    {
        QFETCH(bool, templateBeside);
        QFETCH(bool, programWritable);
        QFETCH(bool, documentsExist);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const places::Folders folders{root.filePath("bin"), root.filePath("Documents")};
        QVERIFY(QDir().mkpath(folders.program));
        if (templateBeside)
            touch(folders.program + "/telmira");
        if (documentsExist)
            QVERIFY(QDir().mkpath(folders.documents));
        // Permissions do not bind root: the folder is also reported read-only.
        if (!programWritable)
            QFile::setPermissions(folders.program, QFile::ReadOwner | QFile::ExeOwner);
        const auto writable = [&](const QString &folder) {
            return (programWritable || folder != folders.program)
                && places::isWritableFolder(folder);
        };
        QCOMPARE(places::analysesFolder(folders, writable), root.filePath(expected));
        QVERIFY(QFileInfo(root.filePath(expected)).isDir());
        QFile::setPermissions(folders.program, QFile::ReadOwner | QFile::WriteOwner
                                                   | QFile::ExeOwner);
    }

    // The Open dialog's folder: the same rule, but nothing is made.
    void analysesFolderToBrowse_data()
    {
        QTest::addColumn<bool>("templateBeside");
        QTest::addColumn<QString>("made"); // folders that exist under the test folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree") << true << "Documents" << "bin";
        QTest::newRow("installed, analyses made") << false << "Documents/Telmira"
                                                  << "Documents/Telmira";
        QTest::newRow("installed, none made yet") << false << "Documents" << "Documents";
        QTest::newRow("installed, no documents folder") << false << "" << "";
    }
    void analysesFolderToBrowse()
    {
        QFETCH(bool, templateBeside);
        QFETCH(QString, made);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const places::Folders folders{root.filePath("bin"), root.filePath("Documents")};
        QVERIFY(QDir().mkpath(folders.program));
        if (templateBeside)
            touch(folders.program + "/telmira");
        if (!made.isEmpty())
            QVERIFY(QDir().mkpath(root.filePath(made)));
        QCOMPARE(places::analysesFolderToBrowse(folders),
                 expected.isEmpty() ? QString() : root.filePath(expected));
        QCOMPARE(QFileInfo::exists(root.filePath("Documents/Telmira")),
                 made == "Documents/Telmira");
    }

    void readOnlyFolderIsNotWritable()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not bind root");
        QTemporaryDir root;
        QVERIFY(places::isWritableFolder(root.path()));
        QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(!places::isWritableFolder(root.path()));
        QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A documents folder that cannot be made (a file stands in its way).
    void documentsFolderCannotBeMade()
    {
        QTemporaryDir root;
        touch(root.filePath("fichier"));
        const places::Folders folders{root.filePath("bin"), root.filePath("fichier/Documents")};
        try {
            places::analysesFolder(folders);
            QFAIL("no error");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(
                         root.filePath("fichier/Documents/Telmira"))),
                     qPrintable(e.message()));
        }
    }

    void findTemplate_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected"); // empty: not found
        QTest::newRow("beside the program") << true << false << "bin/telmira";
        QTest::newRow("installed data folder") << false << true << "share/telmira/telmira";
        QTest::newRow("both: beside first") << true << true << "bin/telmira";
        QTest::newRow("neither") << false << false << "";
    }
    void findTemplate()
    {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString bin = root.filePath("bin");
        QVERIFY(QDir().mkpath(bin));
        if (beside)
            touch(root.filePath("bin/telmira"));
        if (installed)
            touch(root.filePath("share/telmira/telmira"));
        QCOMPARE(places::dataFolder(bin), root.filePath("share/telmira"));
        try {
            QCOMPARE(places::findTemplate(bin), root.filePath(expected));
            QVERIFY(!expected.isEmpty());
        } catch (const StoreError &e) {
            QVERIFY(expected.isEmpty());
            // The message names both places looked in.
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(bin))
                         && e.message().contains(
                             QDir::toNativeSeparators(root.filePath("share/telmira"))),
                     qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlaces)
#include "test_places.moc"
