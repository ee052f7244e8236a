// Schema versions 2 to 5: the saved query's stable column names, the upgrade
// of an older file (whole or not at all), newer files refused, and the lists'
// names, definitions and properties version 2 adds.
#include "storetest.h"

#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/properties.h"
#include "store/schemaversion.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/storeerror.h"

#include <QFile>
#include <QtTest>

#include <sqlite3.h>

using storetest::Raw;

namespace {

QByteArray scriptText(const char *path)
{
    QFile script(QString::fromUtf8(path));
    if (!script.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", path);
    return script.readAll();
}

// A file as the version-1 template made it (or, with `upgrades`, the
// template of a later version), with one text, one segment and one coding
// row whose first value is "Économie".
QString versionOneFile(const QTemporaryDir &dir, const QByteArray &upgrades = {})
{
    const QString path = dir.filePath(QStringLiteral("v1.mdb"));
    QFile::remove(path);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                    nullptr);
    const QByteArray sql = scriptText(TELMIRA_SCHEMA_SQL) + upgrades
        + "INSERT INTO Chemin (chemin) VALUES ('/corpus/a.txt');"
          "INSERT INTO textes (numtexte, texte) VALUES (1, 'Une phrase.');"
          "INSERT INTO var_comp_01 (variable01) VALUES ('Économie');"
          "INSERT INTO Contenus (numtexte, numvar01) VALUES (1, 36);";
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot make a version-1 file: %s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return path;
}

QStringList viewColumns(const QString &path)
{
    Raw raw(path);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(raw.handle(), "SELECT * FROM \"textes Requête\"", -1, &stmt, nullptr);
    QStringList names;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i)
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
    sqlite3_finalize(stmt);
    return names;
}

const QStringList kViewColumns = {
    "Chemin.numero", "chemin", "textes.numero", "textes.numtexte", "texte",
    "var_comp_01.numero", "variable01", "Contenus.numero", "Contenus.numtexte",
    "numvar01", "numvar02", "numvar03", "numvar04", "numvar05",
    "var_comp_02.numero", "variable02", "var_comp_03.numero", "variable03",
    "var_comp_04.numero", "variable04", "var_comp_05.numero", "variable05"};

const char *const kViewRow =
    "SELECT \"Chemin.numero\" || '|' || chemin || '|' || \"textes.numero\" || '|' || texte "
    "|| '|' || variable01 || '|' || \"Contenus.numero\" FROM \"textes Requête\"";

} // namespace

class TestSchemaVersion : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    // Every connection reads the same names, in the same order.
    void viewColumnsHaveStableNames()
    {
        const QString db = storetest::freshCopy(m_dir);
        QCOMPARE(viewColumns(db), kViewColumns);
        QCOMPARE(viewColumns(db), kViewColumns);
    }

    void versionOneUpgradedWhenOpenedForCoding()
    {
        const QString path = versionOneFile(m_dir);
        QCOMPARE(Raw(path).scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("1"));
        {
            // Read as version 1: default names, no definitions, no properties.
            auto db = Connection::open(path);
            QCOMPARE(codebook::listNames(*db)[2], QStringLiteral("Variable de comparaison 3"));
            QVERIFY(codebook::definitions(*db, 1).empty());
            QVERIFY(!properties::value(*db, properties::kCoder));
            QVERIFY_THROWS_EXCEPTION(StoreError, codebook::setListName(*db, 1, QStringLiteral("x")));
        }
        auto store = coding::CodingStore::open(path);
        Connection &db = store->connection();
        QCOMPARE(schema::version(db), kSchemaVersion);
        QCOMPARE(viewColumns(path), kViewColumns);
        QCOMPARE(Raw(path).scalar(QString::fromUtf8(kViewRow)),
                 QStringLiteral("1|/corpus/a.txt|1|Une phrase.|Économie|1"));

        codebook::setListName(db, 1, QStringLiteral(" Thème "));
        codebook::setDefinition(db, 1, 36, QStringLiteral("Tout ce qui touche à l'argent."));
        properties::setValue(db, properties::kCoder, QStringLiteral("Chloé"));
        QCOMPARE(codebook::listNames(db)[0], QStringLiteral("Thème"));
        QCOMPARE(codebook::definitions(db, 1).at(36), QStringLiteral("Tout ce qui touche à l'argent."));
        QCOMPARE(*properties::value(db, properties::kCoder), QStringLiteral("Chloé"));
        // An empty name or definition gives the default back.
        codebook::setListName(db, 1, QString());
        codebook::setDefinition(db, 1, 36, QStringLiteral("  "));
        QCOMPARE(codebook::listNames(db)[0], QStringLiteral("Variable de comparaison 1"));
        QVERIFY(codebook::definitions(db, 1).empty());
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 codebook::setListName(db, 2, QStringLiteral("a") + QChar(0)));
    }

    // A failure halfway leaves the file at version 1, its view as it was.
    void failedUpgradeLeavesVersionOne()
    {
        const QString path = versionOneFile(m_dir);
        QVERIFY(Raw(path).exec(QStringLiteral("CREATE TABLE Proprietes (x)")));
        const QString viewBefore = Raw(path).scalar(
            QStringLiteral("SELECT sql FROM sqlite_schema WHERE name = 'textes Requête'"));
        try {
            coding::CodingStore::open(path);
            QFAIL("the upgrade did not fail");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("n'a pas pu être mise à jour")),
                     qPrintable(e.message()));
        }
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("1"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name IN "
                                           "('Listes', 'Definitions')")),
                 QStringLiteral("0"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT sql FROM sqlite_schema WHERE name = "
                                           "'textes Requête'")),
                 viewBefore);
    }

    // A version-2 file gains the notes and attributes tables; a failure at
    // that step leaves it at version 2, its own tables untouched.
    void versionTwoUpgraded_data()
    {
        QTest::addColumn<QString>("foreignTable");
        QTest::addColumn<int>("versionAfter");
        QTest::newRow("clean") << QString() << kSchemaVersion;
        QTest::newRow("foreign Notes table") << QStringLiteral("Notes") << 2;
        QTest::newRow("foreign Attributs table") << QStringLiteral("Attributs") << 2;
    }
    void versionTwoUpgraded()
    {
        QFETCH(QString, foreignTable);
        QFETCH(int, versionAfter);
        const QString path = versionOneFile(
            m_dir, scriptText(TELMIRA_UPGRADE_V2_SQL)
                       + "INSERT INTO Listes VALUES (1, 'Thème');");
        QCOMPARE(Raw(path).scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("2"));
        if (!foreignTable.isEmpty())
            QVERIFY(Raw(path).exec(QStringLiteral("CREATE TABLE %1 (x)").arg(foreignTable)));
        bool failed = false;
        try {
            coding::CodingStore::open(path);
        } catch (const StoreError &e) {
            failed = true;
            QVERIFY2(e.message().contains(QStringLiteral("(version 3)")), qPrintable(e.message()));
        }
        QCOMPARE(failed, !foreignTable.isEmpty());
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), versionAfter);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT nom FROM Listes")), QStringLiteral("Thème"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name IN "
                                           "('Notes', 'Attributs', 'ValeursAttributs')")),
                 QString::number(foreignTable.isEmpty() ? 3 : 1));
    }

    // A version-3 file gains the index of the words, which then finds its
    // segment; a failure at that step leaves it at version 3.
    void versionThreeUpgraded_data()
    {
        QTest::addColumn<QString>("foreignTable");
        QTest::addColumn<int>("versionAfter");
        QTest::newRow("clean") << QString() << kSchemaVersion;
        QTest::newRow("foreign Recherche table") << QStringLiteral("Recherche") << 3;
        QTest::newRow("foreign RechercheEtat table") << QStringLiteral("RechercheEtat") << 3;
    }
    void versionThreeUpgraded()
    {
        QFETCH(QString, foreignTable);
        QFETCH(int, versionAfter);
        const QString path = versionOneFile(
            m_dir, scriptText(TELMIRA_UPGRADE_V2_SQL) + scriptText(TELMIRA_UPGRADE_V3_SQL)
                       + "INSERT INTO Notes VALUES (3, 0, 'Une note.');");
        QCOMPARE(Raw(path).scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("3"));
        if (!foreignTable.isEmpty())
            QVERIFY(Raw(path).exec(QStringLiteral("CREATE TABLE %1 (x)").arg(foreignTable)));
        bool failed = false;
        try {
            auto store = coding::CodingStore::open(path);
            search::SearchIndex index(store->connection());
            QCOMPARE(index.pending(), 1);
            QVERIFY(index.update());
            QCOMPARE(index.table(), QStringLiteral("\"main\".\"Recherche\""));
            QCOMPARE(search::SearchStore(store->connection()).countSegments(QStringLiteral("phrase"), {}),
                     1);
        } catch (const StoreError &e) {
            failed = true;
            QVERIFY2(e.message().contains(QStringLiteral("(version 4)")), qPrintable(e.message()));
        }
        QCOMPARE(failed, !foreignTable.isEmpty());
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), versionAfter);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT note FROM Notes")), QStringLiteral("Une note."));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name IN "
                                           "('Recherche', 'RechercheEtat')")),
                 QString::number(foreignTable.isEmpty() ? 2 : 1));
    }

    // A version-4 file gains the dictionaries' and the suggestions' tables;
    // a failure at that step leaves it at version 4, its index as it was.
    void versionFourUpgraded_data()
    {
        QTest::addColumn<QString>("foreignTable");
        QTest::addColumn<int>("versionAfter");
        QTest::newRow("clean") << QString() << 5;
        QTest::newRow("foreign Dictionnaires table") << QStringLiteral("Dictionnaires") << 4;
        QTest::newRow("foreign SuggestionsAcceptees table")
            << QStringLiteral("SuggestionsAcceptees") << 4;
    }
    void versionFourUpgraded()
    {
        QFETCH(QString, foreignTable);
        QFETCH(int, versionAfter);
        const QString path = versionOneFile(
            m_dir, scriptText(TELMIRA_UPGRADE_V2_SQL) + scriptText(TELMIRA_UPGRADE_V3_SQL)
                       + scriptText(TELMIRA_UPGRADE_V4_SQL));
        QCOMPARE(Raw(path).scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("4"));
        if (!foreignTable.isEmpty())
            QVERIFY(Raw(path).exec(QStringLiteral("CREATE TABLE %1 (x)").arg(foreignTable)));
        bool failed = false;
        try {
            coding::CodingStore::open(path);
        } catch (const StoreError &e) {
            failed = true;
            QVERIFY2(e.message().contains(QStringLiteral("(version 5)")), qPrintable(e.message()));
        }
        QCOMPARE(failed, !foreignTable.isEmpty());
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), versionAfter);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name IN "
                                           "('Dictionnaires', 'CategoriesDictionnaires', "
                                           "'EntreesDictionnaires', 'ModelesSuggestions', "
                                           "'SuggestionsAcceptees')")),
                 QString::number(foreignTable.isEmpty() ? 5 : 1));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT segments FROM RechercheEtat")),
                 QStringLiteral("0"));
    }

    // The template holds the index, empty and current.
    void templateHoldsTheIndex()
    {
        const QString path = storetest::freshCopy(m_dir);
        QCOMPARE(Raw(path).scalar(QStringLiteral("SELECT segments || '|' || dernier || '|' || "
                                                 "compteur FROM RechercheEtat")),
                 QStringLiteral("0|0|0"));
        auto db = Connection::open(path);
        QVERIFY(search::SearchIndex(*db).current());
    }

    void newerVersionRefused()
    {
        const QString path = storetest::freshCopy(m_dir);
        QVERIFY(Raw(path).exec(
            QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion + 1)));
        const QByteArray before = storetest::bytesOf(path);
        try {
            coding::CodingStore::open(path);
            QFAIL("a newer file was opened");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("plus récente")), qPrintable(e.message()));
        }
        QCOMPARE(storetest::bytesOf(path), before);
    }
};

QTEST_GUILESS_MAIN(TestSchemaVersion)
#include "test_schemaversion.moc"
