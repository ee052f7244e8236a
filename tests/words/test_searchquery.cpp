// The query language of search: what a query is read into (the FTS5
// expression, every word quoted, fully parenthesised), the French message
// and the place of what cannot be read, and what the expressions find in a
// real FTS5 table tokenized as the index of the segments is.
#include "words/searchquery.h"

#include <QTest>
#include <sqlite3.h>

using Rows = QList<qint64>;

class TestSearchQuery : public QObject
{
    Q_OBJECT
private slots:
    void expressions_data();
    void expressions();
    void errors_data();
    void errors();
    void terms();
    void matches_data();
    void matches();
};

void TestSearchQuery::expressions_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("fts");

    const auto row = [](const char *name, const char *query, const char *fts) {
        QTest::newRow(name) << QString::fromUtf8(query) << QString::fromUtf8(fts);
    };
    row("one word", "chômage", "\"chômage\"");
    row("spaces around", "   chômage  ", "\"chômage\"");
    row("two words: AND", "chômage emploi", "(\"chômage\" AND \"emploi\")");
    row("three words: one AND", "a b c", "(\"a\" AND \"b\" AND \"c\")");
    row("phrase", "\"une phrase exacte\"", "\"une phrase exacte\"");
    row("prefix", "écolog*", "\"écolog\" *");
    row("prefix phrase, star outside", "\"une phr\"*", "\"une phr\" *");
    row("prefix phrase, star inside", "\"une phr*\"", "\"une phr\" *");
    row("OU", "crise OU récession", "(\"crise\" OR \"récession\")");
    row("three OU", "a OU b OU c", "(\"a\" OR \"b\" OR \"c\")");
    row("ou in lower case is a word", "crise ou récession", "(\"crise\" AND \"ou\" AND \"récession\")");
    row("AND before OU (left)", "a b OU c", "((\"a\" AND \"b\") OR \"c\")");
    row("AND before OU (right)", "a OU b c", "(\"a\" OR (\"b\" AND \"c\"))");
    row("one exclusion", "emploi -chômage", "(\"emploi\" NOT \"chômage\")");
    row("exclusions gathered", "a -c b -d", "((\"a\" AND \"b\") NOT (\"c\" OR \"d\"))");
    row("exclusion first", "-c a", "(\"a\" NOT \"c\")");
    row("excluded phrase", "a -\"b c\"", "(\"a\" NOT \"b c\")");
    row("excluded group", "-(a b) c", "(\"c\" NOT (\"a\" AND \"b\"))");
    row("group", "(crise OU récession) emploi", "((\"crise\" OR \"récession\") AND \"emploi\")");
    row("group of one", "(mot)", "\"mot\"");
    row("exclusion inside a group", "a (b -c)", "(\"a\" AND (\"b\" NOT \"c\"))");
    row("nested groups", "((a OU b) c) OU d", "(((\"a\" OR \"b\") AND \"c\") OR \"d\")");
    row("groups side by side", "(a)(b)", "(\"a\" AND \"b\")");
    row("apostrophe: one string, a phrase for the index", "l'État", "\"l'État\"");
    row("hyphen inside a word", "peut-être", "\"peut-être\"");
    row("FTS5 keywords are words", "AND OR NOT NEAR", "(\"AND\" AND \"OR\" AND \"NOT\" AND \"NEAR\")");
    row("NEAR( is a word", "NEAR(a b)", "(\"NEAR\" AND (\"a\" AND \"b\"))");
    row("column filter and caret are characters", "col:mot ^début", "(\"col:mot\" AND \"^début\")");
    row("double quote inside a word doubled", "aujourd\"hui", "\"aujourd\"\"hui\"");
    row("plus sign", "a+b", "\"a+b\"");
    row("-OU is an excluded word", "a -OU", "(\"a\" NOT \"OU\")");
    row("quoted OU is a word", "a \"OU\" b", "(\"a\" AND \"OU\" AND \"b\")");
    row("digits", "2003", "\"2003\"");
}

void TestSearchQuery::expressions()
{
    QFETCH(QString, query);
    QFETCH(QString, fts);
    const words::SearchQuery q = words::parseQuery(query);
    QVERIFY2(q.ok, qPrintable(q.error));
    QCOMPARE(q.fts, fts);
    QVERIFY(q.error.isEmpty());
}

void TestSearchQuery::errors_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("error");

    const auto row = [](const char *name, const char *query, int position, const char *why) {
        QTest::newRow(name) << QString::fromUtf8(query) << position
                            << QStringLiteral("La requête ne se lit pas au caractère %1 : %2.")
                                   .arg(position)
                                   .arg(QString::fromUtf8(why));
    };
    const char *unclosedQuote = "guillemet sans fin";
    const char *unclosedGroup = "parenthèse ouverte sans parenthèse fermante";
    const char *strayClose = "parenthèse fermante sans parenthèse ouvrante";
    const char *onlyExcluded = "des mots exclus seulement : il faut au moins un mot à chercher avec eux";
    const char *star = "l'astérisque ne se met qu'à la fin d'un mot (écolog*)";
    row("empty", "", 1, "aucun mot à chercher");
    row("spaces only", "   ", 1, "aucun mot à chercher");
    row("quote without end", "\"une phrase", 1, unclosedQuote);
    row("quote without end after a word", "mot \"abc", 5, unclosedQuote);
    row("open group without end", "(a b", 1, unclosedGroup);
    row("inner group closed, outer not", "a (b (c)", 3, unclosedGroup);
    row("open parenthesis at the end", "a (", 3, unclosedGroup);
    row("closing parenthesis too many", "a b)", 4, strayClose);
    row("closing parenthesis alone", ")", 1, strayClose);
    row("closing parenthesis first", ") a", 1, strayClose);
    row("empty group", "a () b", 3, "groupe vide");
    row("empty group with a space", "a ( )", 3, "groupe vide");
    row("OU first", "OU a", 1, "OU sans mot avant lui");
    row("OU first in a group", "b (OU a)", 4, "OU sans mot avant lui");
    row("OU last", "a OU", 3, "OU sans mot après lui");
    row("OU last in a group", "(a OU) b", 4, "OU sans mot après lui");
    row("OU twice", "a OU OU b", 3, "OU sans mot après lui");
    row("exclusion alone", "-a", 1, onlyExcluded);
    row("exclusions alone", "-a -b", 1, onlyExcluded);
    row("group of exclusions", "a (-b)", 4, onlyExcluded);
    row("exclusion alone beside OU", "a OU -b", 6, onlyExcluded);
    row("dash alone", "—", 1, "« — » n'a ni lettre ni chiffre");
    row("star alone", "a *", 3, "« * » n'a ni lettre ni chiffre");
    row("hyphen alone", "a - b", 3, "« - » n'a ni lettre ni chiffre");
    row("punctuation alone", "a ... b", 3, "« ... » n'a ni lettre ni chiffre");
    row("empty phrase", "a \"\"", 3, "la phrase entre guillemets n'a ni lettre ni chiffre");
    row("phrase of punctuation", "\" — \"", 1, "la phrase entre guillemets n'a ni lettre ni chiffre");
    row("star inside a word", "éco*logie", 4, star);
    row("star first", "*mot", 1, star);
    row("two stars", "mot**", 4, star);
    row("star inside a phrase", "\"une * phrase\"", 6, star);
    row("the first fault is told", "(a \"b", 4, unclosedQuote);
}

void TestSearchQuery::errors()
{
    QFETCH(QString, query);
    QFETCH(int, position);
    QFETCH(QString, error);
    const words::SearchQuery q = words::parseQuery(query);
    QVERIFY(!q.ok);
    QCOMPARE(q.errorPosition, position);
    QCOMPARE(q.error, error);
    QVERIFY(q.fts.isEmpty());
}

void TestSearchQuery::terms()
{
    // What is sought, as written; the excluded left out, in groups too.
    const words::SearchQuery q = words::parseQuery(
        QStringLiteral("chômage -emploi \"une phrase\" (éco* OU crise) -(a b)"));
    QVERIFY(q.ok);
    QCOMPARE(q.terms, (QStringList{QStringLiteral("chômage"), QStringLiteral("\"une phrase\""),
                                   QStringLiteral("éco*"), QStringLiteral("crise")}));
}

void TestSearchQuery::matches_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<Rows>("rows");

    // The rows of the table (see matches()):
    // 1 L'État français          6 les écologistes votent
    // 2 l'état de la France      7 une phrase exacte ici
    // 3 ÉTAT D'URGENCE           8 une exacte phrase
    // 4 peut-être demain         9 crise et récession
    // 5 écologie et économie    10 AND OR NEAR: rien
    //                           11 être ou ne pas être
    const auto row = [](const char *query, Rows rows) {
        QTest::newRow(query) << QString::fromUtf8(query) << rows;
    };
    row("etat", {1, 2, 3});
    row("ÉTAT", {1, 2, 3});
    row("être", {4, 11});
    row("peut-être", {4});
    row("l'État", {1, 2});
    row("écolog*", {5, 6});
    row("ecolog*", {5, 6});
    row("\"une phrase exacte\"", {7});
    row("phrase exacte", {7, 8});
    row("\"écologie et\"*", {5});
    row("écologie OU crise", {5, 9});
    row("état -france", {1, 3});
    row("(écologie OU crise) -récession", {5});
    row("économie écologie", {5});
    row("ou", {11});
    row("AND", {10});
    row("NEAR", {10});
    row("rien:", {10});
    row("a OU b", {});
    row("être -(ne pas)", {4});
}

void TestSearchQuery::matches()
{
    QFETCH(QString, query);
    QFETCH(Rows, rows);
    const words::SearchQuery q = words::parseQuery(query);
    QVERIFY2(q.ok, qPrintable(q.error));

    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    const auto exec = [db](const char *sql) {
        char *message = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
        const QByteArray text = message ? QByteArray(message) : QByteArray();
        sqlite3_free(message);
        return rc == SQLITE_OK ? QByteArray() : text + " (" + sql + ")";
    };
    QByteArray failed = exec("CREATE VIRTUAL TABLE t USING fts5(x, tokenize='unicode61 remove_diacritics 2')");
    const char *texts[] = {"L'État français", "l'état de la France", "ÉTAT D'URGENCE", "peut-être demain",
                           "écologie et économie", "les écologistes votent", "une phrase exacte ici",
                           "une exacte phrase", "crise et récession", "AND OR NEAR: rien",
                           "être ou ne pas être"};
    for (size_t i = 0; i < std::size(texts) && failed.isEmpty(); ++i) {
        const QByteArray insert = "INSERT INTO t(rowid, x) VALUES(" + QByteArray::number(qint64(i + 1)) + ", '"
                                  + QByteArray(texts[i]).replace("'", "''") + "')";
        failed = exec(insert.constData());
    }
    Rows got;
    if (failed.isEmpty()) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT rowid FROM t WHERE t MATCH ?1 ORDER BY rowid", -1, &st, nullptr) != SQLITE_OK) {
            failed = sqlite3_errmsg(db);
        } else {
            const QByteArray fts = q.fts.toUtf8();
            sqlite3_bind_text(st, 1, fts.constData(), int(fts.size()), SQLITE_TRANSIENT);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                got.append(sqlite3_column_int64(st, 0));
            if (rc != SQLITE_DONE)
                failed = QByteArray(sqlite3_errmsg(db)) + " for " + fts;
            sqlite3_finalize(st);
        }
    }
    sqlite3_close(db);
    QVERIFY2(failed.isEmpty(), failed.constData());
    QCOMPARE(got, rows);
}

QTEST_APPLESS_MAIN(TestSearchQuery)
#include "test_searchquery.moc"
