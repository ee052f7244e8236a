// Dictionaries: matching with the words of search, counting a small
// analysis by text, value and attribute against hand counts, the words
// beside a category with their G² worked by hand, dictionaries kept in the
// analysis (round trip, refusals leaving the file as it was, older files),
// and coding a list with a dictionary as one step undone and redone.
#include "corpusexample.h"

#include "store/connection.h"
#include "store/dictionarycoding.h"
#include "store/dictionarystore.h"
#include "store/history.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/searchtokens.h"
#include "store/storeerror.h"
#include "words/dictionarycount.h"
#include "words/dictionarymatch.h"

#include <QtTest>

#include <cmath>

using codingtest::Raw;
using words::Dictionary;
using words::DictionaryCategory;
using words::DictionaryEntry;

namespace {

// An entry as dictionary files write it: "économ*", "-économe",
// "pouvoir d'achat", "sécurité soc*".
DictionaryEntry entry(QString written)
{
    DictionaryEntry e;
    if (written.startsWith(QLatin1Char('-'))) {
        e.exclusion = true;
        written = written.mid(1);
    }
    if (written.contains(QLatin1Char(' '))) {
        e.kind = DictionaryEntry::Kind::Phrase;
    } else if (written.endsWith(QLatin1Char('*'))) {
        e.kind = DictionaryEntry::Kind::Prefix;
        written.chop(1);
    }
    e.text = written;
    return e;
}

// Categories written "Économie > Emploi=chômage|emploi*", in tree order.
Dictionary dictionaryOf(const QStringList &categories, const QString &name = QStringLiteral("D"))
{
    Dictionary d;
    d.name = name;
    d.source = QStringLiteral("/dictionnaires/d.dic");
    for (const QString &c : categories) {
        const qsizetype equals = c.indexOf(QLatin1Char('='));
        const QString path = equals < 0 ? c : c.left(equals);
        DictionaryCategory category;
        const QStringList parts = path.split(QStringLiteral(" > "));
        category.name = parts.back();
        if (parts.size() == 2)
            category.parent = parts.front();
        if (equals >= 0)
            for (const QString &e : c.mid(equals + 1).split(QLatin1Char('|'), Qt::SkipEmptyParts))
                category.entries.push_back(entry(e));
        d.categories.push_back(category);
    }
    return d;
}

// The example's dictionary (corpusexample.h).
Dictionary animals()
{
    return dictionaryOf({QStringLiteral("Animaux=chat*|chien"), QStringLiteral("Sommeil=dort"),
                         QStringLiteral("Pays=état")});
}

QString codingRows(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral("SELECT numero, numtexte, numvar01, ifnull(numvar02,"
                                               " '-') FROM Contenus ORDER BY numero"))
        .join(QLatin1Char(' '));
}

QString listTwo(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral("SELECT numero, ifnull(variable02, '') FROM"
                                               " var_comp_02 ORDER BY numero"))
        .join(QLatin1Char(' '));
}

QString dictionaryRows(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral(
                                    "SELECT (SELECT count(*) FROM Dictionnaires) || '/' ||"
                                    " (SELECT count(*) FROM CategoriesDictionnaires) || '/' ||"
                                    " ifnull((SELECT group_concat(texte, ',') FROM EntreesDictionnaires), '-')"))
        .join(QLatin1Char(' '));
}

} // namespace

class TestDictionaries : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::shared_ptr<Connection> m_db; // an empty analysis, for its tokenizer
    std::unique_ptr<search::Tokenizer> m_tokenizer;

    words::DictionaryMatcher matcher(const Dictionary &d)
    {
        return words::DictionaryMatcher(d, [this](const QString &t) { return m_tokenizer->fold(t); });
    }

private slots:
    void initTestCase()
    {
        m_db = Connection::open(codingtest::freshDatabase(m_dir, QStringLiteral("vide.mdb")));
        m_tokenizer = std::make_unique<search::Tokenizer>(*m_db);
    }

    // One category's entries on one segment: its count (runs of
    // overlapping occurrences) and each entry's.
    void matching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("entryCounts");

        // "l" "etat" "et" "l" "etat": case and accents folded, "'" separates.
        QTest::newRow("accents and case") << QStringLiteral("L'État et l'état.")
                                          << QStringList{QStringLiteral("etat")} << 2
                                          << QList<int>{2};
        // Lexicoder writes its patterns in capitals.
        QTest::newRow("capitals") << QStringLiteral("Le chomage.")
                                  << QStringList{QStringLiteral("CHÔMAGE")} << 1 << QList<int>{1};
        // économie, économies, économe: three words beginning "econom".
        QTest::newRow("prefix") << QStringLiteral("Économie, économies et économe.")
                                << QStringList{QStringLiteral("économ*")} << 3 << QList<int>{3};
        // économe excluded: 2 left; the exclusion counts its own 1.
        QTest::newRow("exclusion") << QStringLiteral("Économie, économies et économe.")
                                   << QStringList{QStringLiteral("économ*"),
                                                  QStringLiteral("-économe")}
                                   << 2 << QList<int>{2, 1};
        // "economie" matched by both entries: one place for the category.
        QTest::newRow("two entries, one word") << QStringLiteral("L'économie.")
                                               << QStringList{QStringLiteral("économ*"),
                                                              QStringLiteral("économie")}
                                               << 1 << QList<int>{1, 1};
        // The prefix matches the word itself.
        QTest::newRow("prefix is a word") << QStringLiteral("Econom.")
                                          << QStringList{QStringLiteral("econom*")} << 1
                                          << QList<int>{1};
        // "pouvoir d achat" side by side once; "pouvoir et achat" apart.
        QTest::newRow("phrase") << QStringLiteral("Le pouvoir d'achat baisse ; pouvoir et achat.")
                                << QStringList{QStringLiteral("pouvoir d'achat")} << 1
                                << QList<int>{1};
        // Words 1-3 "pouvoir d achat" (phrase) and 3 "achat" overlap: one
        // run; 6 "achat" another: 2. The entries: phrase 1, achat 2.
        QTest::newRow("phrase and its word")
            << QStringLiteral("Le pouvoir d'achat et l'achat.")
            << QStringList{QStringLiteral("pouvoir d'achat"), QStringLiteral("achat")} << 2
            << QList<int>{1, 2};
        // "securite sociale", "securite socialisee" match; "securite routiere" not.
        QTest::newRow("phrase with a prefix word")
            << QStringLiteral("Sécurité sociale, sécurité socialisée, sécurité routière.")
            << QStringList{QStringLiteral("sécurité soc*")} << 2 << QList<int>{2};
        // The phrase excluded covers words 0-1: "sécurité" there left out,
        // "sécurité routière" counted.
        QTest::newRow("phrase excluded")
            << QStringLiteral("Sécurité sociale et sécurité routière.")
            << QStringList{QStringLiteral("sécurité"), QStringLiteral("-sécurité sociale")} << 1
            << QList<int>{1, 1};
        // "peut-être" is "peut" "etre" for search, as is "peut être".
        QTest::newRow("hyphenated word") << QStringLiteral("Il viendra peut-être, peut être.")
                                         << QStringList{QStringLiteral("peut-être")} << 2
                                         << QList<int>{2};
        // Side by side but not overlapping: two places.
        QTest::newRow("adjacent") << QStringLiteral("Chômage chômage.")
                                  << QStringList{QStringLiteral("chômage")} << 2 << QList<int>{2};
        // A phrase cut by the end of the segment does not match.
        QTest::newRow("phrase at the end") << QStringLiteral("Il parle de pouvoir")
                                           << QStringList{QStringLiteral("pouvoir d'achat")} << 0
                                           << QList<int>{0};
        // "&" holds no word for search: it matches nothing.
        QTest::newRow("no word") << QStringLiteral("Toi & moi.")
                                 << QStringList{QStringLiteral("&"), QStringLiteral("moi")} << 1
                                 << QList<int>{0, 1};
    }
    void matching()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QFETCH(int, count);
        QFETCH(QList<int>, entryCounts);
        const words::DictionaryMatcher m =
            matcher(dictionaryOf({QStringLiteral("C=") + entries.join(QLatin1Char('|'))}));
        search::Tokens tokens;
        m_tokenizer->tokenize(text.toUtf8(), &tokens);
        words::SegmentMatch match;
        m.scan(tokens, &match);
        const int found = match.categories.empty() ? 0 : match.categories.front().second;
        QCOMPARE(found, count);
        QList<int> perEntry(entries.size(), 0);
        for (const auto &[e, n] : match.entries)
            perEntry[e] = n;
        QCOMPARE(perEntry, entryCounts);
    }

    // A parent counts its own entries and its children's, each place once;
    // its exclusions leave out its children's places for itself only.
    void nesting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QList<int>>("counts"); // per category, in order

        const QStringList economy{QStringLiteral("Économie=économ*|-économe"),
                                  QStringLiteral("Économie > Emploi=chômage|emploi*"),
                                  QStringLiteral("Santé=santé")};
        // Emploi: chômage, emploi = 2. Économie: économie (économe
        // excluded) 1 + its child's 2 = 3. Santé 0.
        QTest::newRow("parent and child")
            << QStringLiteral("Le chômage et l'emploi pèsent sur l'économie ; un ménage économe.")
            << economy << QList<int>{3, 2, 0};
        // "emploi" is an entry of both: one place for the parent.
        QTest::newRow("same place in both")
            << QStringLiteral("L'emploi.")
            << QStringList{QStringLiteral("Économie=emploi"),
                           QStringLiteral("Économie > Emploi=emploi*")}
            << QList<int>{1, 1};
        // The child counts "économe"; the parent excludes it: 0 for it.
        QTest::newRow("parent's exclusion")
            << QStringLiteral("Un ménage économe.")
            << QStringList{QStringLiteral("Économie=-économe"),
                           QStringLiteral("Économie > Ménage=économe")}
            << QList<int>{0, 1};
        // The child's exclusion reaches the parent through it: "économe"
        // left out by the child is not lifted; the parent's own word stays.
        QTest::newRow("child's exclusion")
            << QStringLiteral("Un ménage économe.")
            << QStringList{QStringLiteral("Économie=ménage"),
                           QStringLiteral("Économie > Ménage=économ*|-économe")}
            << QList<int>{1, 0};
    }
    void nesting()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, categories);
        QFETCH(QList<int>, counts);
        const words::DictionaryMatcher m = matcher(dictionaryOf(categories));
        search::Tokens tokens;
        m_tokenizer->tokenize(text.toUtf8(), &tokens);
        words::SegmentMatch match;
        m.scan(tokens, &match);
        QList<int> found(categories.size(), 0);
        for (const auto &[c, n] : match.categories)
            found[c] = n;
        QCOMPARE(found, counts);
    }

    // An entry's FTS5 expression finds what the entry matches
    // (store/searchstore.h).
    void expressions_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("expression");
        QTest::newRow("word") << QStringLiteral("chômage") << QStringLiteral("\"chômage\"");
        QTest::newRow("prefix") << QStringLiteral("économ*") << QStringLiteral("\"économ\"*");
        QTest::newRow("phrase") << QStringLiteral("sécurité soc*")
                                << QStringLiteral("\"sécurité\" + \"soc\"*");
        QTest::newRow("apostrophe") << QStringLiteral("l'État") << QStringLiteral("\"l'État\"");
        QTest::newRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\"\"b\"");
    }
    void expressions()
    {
        QFETCH(QString, written);
        QFETCH(QString, expression);
        QCOMPARE(words::entryExpression(entry(written)), expression);
    }

    // corpusexample.h, words of search per segment (15 in all):
    //   1 le chat dort (3)   2 le chien et le chat (5)   3 etat dort (2)
    //   4 un chien (2)       5 chiens et chats (3)
    // Animaux (chat*, chien): 1:1  2:2  4:1  5:1 ("chats"; "chiens" is no
    //   "chien") = 5 in 4 segments. Sommeil (dort): 1, 3 = 2 in 2.
    //   Pays (état): 3 = 1 in 1.
    // List 1: Animaux on 2 and 4, Sommeil on 1 and 3, 5 none. Journal: text 1
    //   "Le Monde", text 2 "Libération".
    // Each line: group label, its segments, words, then per category
    // occurrences/segments.
    void counting_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<qint64>>("texts"); // empty: all
        QTest::addColumn<int>("codedWith");       // 0, or 1: segments coded Sommeil in list 1
        QTest::addColumn<bool>("sleepOnOne");     // segment 1 also coded Animaux
        QTest::addColumn<QStringList>("lines");

        using K = search::Grouping::Kind;
        QTest::newRow("whole") << int(K::Whole) << QList<qint64>{} << 0 << false
                               << QStringList{QStringLiteral("Toute l'analyse;5;15;5/4;2/2;1/1")};
        // Text 1: segments 1-3, 3+5+2 = 10 words; Animaux 1+2 = 3 in 2,
        // Sommeil 2 in 2, Pays 1. Text 2: 4-5, 5 words; Animaux 2 in 2.
        QTest::newRow("texts") << int(K::Text) << QList<qint64>{} << 0 << false
                               << QStringList{QStringLiteral("un.txt;3;10;3/2;2/2;1/1"),
                                              QStringLiteral("deux.txt;2;5;2/2;0/0;0/0")};
        // Animaux: 2, 4 (5+2 words), Animaux 2+1. Sommeil: 1, 3 (3+2),
        // Animaux 1, Sommeil 2, Pays 1. Not coded: 5 (3), Animaux 1.
        QTest::newRow("values") << int(K::ListValue) << QList<qint64>{} << 0 << false
                                << QStringList{QStringLiteral("Animaux;2;7;3/2;0/0;0/0"),
                                               QStringLiteral("Sommeil;2;5;1/1;2/2;1/1"),
                                               QStringLiteral("(non codé);1;3;1/1;0/0;0/0")};
        QTest::newRow("attribute") << int(K::Attribute) << QList<qint64>{} << 0 << false
                                   << QStringList{QStringLiteral("Le Monde;3;10;3/2;2/2;1/1"),
                                                  QStringLiteral("Libération;2;5;2/2;0/0;0/0")};
        QTest::newRow("text 2 only") << int(K::Whole) << QList<qint64>{2} << 0 << false
                                     << QStringList{QStringLiteral("Toute l'analyse;2;5;2/2;0/0;0/0")};
        // Segment 1 also coded Animaux: it counts in both values' lines
        // (Animaux: 1, 2, 4, 10 words, Animaux 1+2+1; Sommeil: 1, 3), and
        // once in the whole analysis.
        QTest::newRow("two values") << int(K::ListValue) << QList<qint64>{} << 0 << true
                                    << QStringList{QStringLiteral("Animaux;3;10;4/3;1/1;0/0"),
                                                   QStringLiteral("Sommeil;2;5;1/1;2/2;1/1"),
                                                   QStringLiteral("(non codé);1;3;1/1;0/0;0/0")};
        // Only the segments coded Sommeil (1, 3): chat, dort, état dort.
        QTest::newRow("coded with") << int(K::Whole) << QList<qint64>{} << 1 << false
                                    << QStringList{QStringLiteral("Toute l'analyse;2;5;1/1;2/2;1/1")};
    }

    void counting()
    {
        QFETCH(int, kind);
        QFETCH(QList<qint64>, texts);
        QFETCH(int, codedWith);
        QFETCH(bool, sleepOnOne);
        QFETCH(QStringList, lines);
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("compte.mdb"));
        const corpusexample::Values v = corpusexample::fill(path);
        if (sleepOnOne) {
            Raw raw(path);
            QVERIFY(raw.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                                 .arg(v.animaux)));
        }
        auto db = Connection::open(path);
        words::DictionaryCountOptions options;
        options.grouping.kind = search::Grouping::Kind(kind);
        options.grouping.list = 1;
        options.grouping.attribute = 1;
        if (!texts.isEmpty())
            options.restriction.scope =
                results::Scope::of(std::vector<qint64>(texts.begin(), texts.end()));
        if (codedWith != 0) {
            options.restriction.list = codedWith;
            options.restriction.value = v.sommeil;
        }
        words::DictionaryScan scan(*db, animals());
        const std::optional<words::DictionaryCount> count = scan.count(options);
        QVERIFY(count);
        QStringList found;
        for (size_t g = 0; g < count->groups.size(); ++g) {
            QStringList line{count->groups[g].label, QString::number(count->groupSegments[g]),
                             QString::number(count->groupWords[g])};
            for (size_t c = 0; c < 3; ++c)
                line << QStringLiteral("%1/%2").arg(count->occurrences[g][c]).arg(count->holding[g][c]);
            found << line.join(QLatin1Char(';'));
        }
        QCOMPARE(found, lines);
    }

    // The whole analysis, each segment once, and each entry:
    // chat* 1 (seg. 1) + 1 (2) + 1 (5) = 3 in 3; chien 2 in 2 (2, 4);
    // dort 2 in 2; état 1 in 1.
    void entryCounts()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("entrees.mdb"));
        corpusexample::fill(path);
        auto db = Connection::open(path);
        words::DictionaryScan scan(*db, animals());
        words::DictionaryCountOptions options;
        options.grouping.kind = search::Grouping::Kind::ListValue;
        options.grouping.list = 1;
        qint64 calls = 0;
        const auto count = scan.count(options, [&calls](qint64 done, qint64 total) {
            ++calls;
            return done <= total;
        });
        QVERIFY(count);
        QVERIFY(calls > 0);
        QCOMPARE(count->segments, 5);
        QCOMPARE(count->words, 15);
        QCOMPARE(count->categoryOccurrences, (std::vector<qint64>{5, 2, 1}));
        QCOMPARE(count->categorySegments, (std::vector<qint64>{4, 2, 1}));
        QCOMPARE(count->entryOccurrences, (std::vector<qint64>{3, 2, 2, 1}));
        QCOMPARE(count->entrySegments, (std::vector<qint64>{3, 2, 2, 1}));
        // Stopped at once: nothing.
        QVERIFY(!scan.count(options, [](qint64, qint64) { return false; }));
    }

    // Emploi (chômage) over four segments, 12 words:
    //   1 hausse du chômage record   2 chômage record   3 record du monde
    //   4 le chat dort
    // Beside chômage (5 words around): hausse, du, record (1); record (2):
    // 4 places. hausse: a 1 of c 4, b 0 of d 8: E1 = 4*1/12 = 1/3,
    //   G² = 2 ln 3 = 2.1972246.
    // record: a 2, b 1: E1 = 4*3/12 = 1, E2 = 8*3/12 = 2,
    //   G² = 2 (2 ln 2 + ln 1/2) = 2 ln 2 = 1.3862944.
    // du: a 1, b 1 (3): E1 = 2/3, E2 = 4/3, G² = 2 (ln 1.5 + ln 0.75) =
    //   0.2355660, a/c = 1/4 over b/d = 1/8: kept.
    void neighbours()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("voisins.mdb"));
        {
            Raw raw(path);
            codingtest::addText(raw, QStringLiteral("/t.txt"),
                                {QStringLiteral("Hausse du chômage record."),
                                 QStringLiteral("Chômage record."),
                                 QStringLiteral("Record du monde."),
                                 QStringLiteral("Le chat dort.")});
        }
        auto db = Connection::open(path);
        words::DictionaryScan scan(*db, dictionaryOf({QStringLiteral("Emploi=chômage")}));
        words::DictionaryCountOptions options;
        options.neighbours = true;
        const auto count = scan.count(options);
        QVERIFY(count);
        QCOMPARE(count->words, 12);
        const std::vector<words::NeighbourWord> &near = count->neighbours.at(0);
        QCOMPARE(near.size(), size_t(3));
        const QStringList wordsFound{near[0].word, near[1].word, near[2].word};
        QCOMPARE(wordsFound, (QStringList{QStringLiteral("hausse"), QStringLiteral("record"),
                                          QStringLiteral("du")}));
        QVERIFY(std::abs(near[0].g2 - 2.1972246) < 1e-6);
        QVERIFY(std::abs(near[1].g2 - 1.3862944) < 1e-6);
        QVERIFY(std::abs(near[2].g2 - 0.2355660) < 1e-6);
        QCOMPARE(near[1].beside, 2);
        QCOMPARE(near[1].count, 3);
    }

    // Where an entry counts, as search places: "L'économie et l'économe."
    // économ* counts "économie" (UTF-16 2-10), not "économe" (excluded).
    void entryPlaces()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("places.mdb"));
        {
            Raw raw(path);
            codingtest::addText(raw, QStringLiteral("/t.txt"),
                                {QStringLiteral("L'économie et l'économe.")});
        }
        auto db = Connection::open(path);
        words::DictionaryScan scan(*db, dictionaryOf({QStringLiteral("Économie=économ*|-économe")}));
        const std::vector<search::Hit> kept = scan.entryHits(0, {1, 42});
        QCOMPARE(kept.size(), size_t(1));
        QCOMPARE(kept[0].text, 1);
        QCOMPARE(kept[0].segment, 1);
        QCOMPARE(kept[0].start, 2);
        QCOMPARE(kept[0].length, 8);
        const std::vector<search::Hit> excluded = scan.entryHits(1, {1});
        QCOMPARE(excluded.size(), size_t(1));
        QCOMPARE(excluded[0].start, 16);
        QCOMPARE(excluded[0].length, 7);
        // The search store finds the entry's segment by its expression.
        search::SearchIndex index(*db);
        QVERIFY(index.update());
        search::SearchStore store(*db);
        QCOMPARE(store.segments(words::entryExpression(entry(QStringLiteral("économ*"))), {}),
                 (std::vector<qint64>{1}));
    }

    // An entry finds the segments the same query finds (the index of search,
    // FTS5), for words cut by apostrophes and hyphens, prefixes and phrases:
    //   1 "L'État et l'écologie."   2 "Un État écologiste, peut-être."
    //   3 "Le pouvoir d'achat baisse."   4 "Peut être demain : la sécurité sociale."
    //   5 "Pouvoir et achat, sécurité routière."
    void agreesWithSearch_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QList<qint64>>("segments");
        QTest::newRow("etat") << QStringLiteral("etat") << QList<qint64>{1, 2};
        QTest::newRow("l'État") << QStringLiteral("l'État") << QList<qint64>{1};
        QTest::newRow("écolog*") << QStringLiteral("écolog*") << QList<qint64>{1, 2};
        QTest::newRow("peut-être") << QStringLiteral("peut-être") << QList<qint64>{2, 4};
        QTest::newRow("pouvoir d'achat") << QStringLiteral("pouvoir d'achat") << QList<qint64>{3};
        QTest::newRow("sécurité soc*") << QStringLiteral("sécurité soc*") << QList<qint64>{4};
        QTest::newRow("ACHAT") << QStringLiteral("ACHAT") << QList<qint64>{3, 5};
    }
    void agreesWithSearch()
    {
        QFETCH(QString, written);
        QFETCH(QList<qint64>, segments);
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("accord.mdb"));
        {
            Raw raw(path);
            codingtest::addText(raw, QStringLiteral("/t.txt"),
                                {QStringLiteral("L'État et l'écologie."),
                                 QStringLiteral("Un État écologiste, peut-être."),
                                 QStringLiteral("Le pouvoir d'achat baisse."),
                                 QStringLiteral("Peut être demain : la sécurité sociale."),
                                 QStringLiteral("Pouvoir et achat, sécurité routière.")});
        }
        auto db = Connection::open(path);
        words::DictionaryScan scan(*db, dictionaryOf({QStringLiteral("C=") + written}));
        words::DictionaryCountOptions options;
        options.keepSegments = 10;
        const words::DictionaryCount count = *scan.count(options);
        const std::vector<qint64> matched = count.entryPlaces.at(0);
        QCOMPARE(QList<qint64>(matched.begin(), matched.end()), segments);
        search::SearchIndex index(*db);
        QVERIFY(index.update());
        search::SearchStore store(*db);
        const std::vector<qint64> found = store.segments(words::entryExpression(entry(written)), {});
        QCOMPARE(QList<qint64>(found.begin(), found.end()), segments);
    }

    // Kept in the analysis and read back as it was: nesting, kinds,
    // exclusions, a phrase word's star, the order, the source.
    void roundTrip()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("garde.mdb"));
        auto db = Connection::open(path);
        QVERIFY(dictionaries::available(*db));
        QVERIFY(dictionaries::list(*db).empty());
        const Dictionary d = dictionaryOf(
            {QStringLiteral("Économie=économ*|-économe|pouvoir d'achat|sécurité soc*"),
             QStringLiteral("Économie > Emploi=chômage|emploi*"), QStringLiteral("Santé="),
             QStringLiteral("Santé > Hôpital=hôpital*"), QStringLiteral("Agriculture=blé")},
            QStringLiteral("Politiques"));
        const qint64 number = dictionaries::save(*db, d);
        const dictionaries::Stored stored = dictionaries::read(*db, number);
        QCOMPARE(stored.dictionary.name, d.name);
        QCOMPARE(stored.dictionary.source, d.source);
        QCOMPARE(stored.dictionary.categories.size(), d.categories.size());
        for (size_t i = 0; i < d.categories.size(); ++i)
            QCOMPARE(stored.dictionary.categories[i], d.categories[i]);
        QCOMPARE(stored.entries.at(0).size(), size_t(4));
        const std::vector<dictionaries::Summary> all = dictionaries::list(*db);
        QCOMPARE(all.size(), size_t(1));
        QCOMPARE(all[0].categories, 5);
        QCOMPARE(all[0].entries, 8);
        QCOMPARE(dictionaries::find(*db, QStringLiteral("Politiques")), std::optional<qint64>(number));
        QCOMPARE(dictionaries::freeName(*db, QStringLiteral("Politiques")),
                 QStringLiteral("Politiques (2)"));

        // Replaced whole under the same name.
        const qint64 again =
            dictionaries::save(*db, dictionaryOf({QStringLiteral("A=a")}, d.name), true);
        QCOMPARE(dictionaries::list(*db).size(), size_t(1));
        QCOMPARE(dictionaries::read(*db, again).dictionary.categories.size(), size_t(1));
        QCOMPARE(dictionaryRows(path), QStringLiteral("1/1/a"));
    }

    // A dictionary refused is not kept at all; the one there stays.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");

        QTest::newRow("name taken") << QStringList{QStringLiteral("B=b")} << QStringLiteral("Gardé")
                                    << QStringLiteral("L'analyse a déjà un dictionnaire « Gardé ».");
        QTest::newRow("no name") << QStringList{QStringLiteral("B=b")} << QStringLiteral("  ")
                                 << QStringLiteral("Un dictionnaire doit avoir un nom.");
        QTest::newRow("no category") << QStringList{} << QStringLiteral("Vide")
                                     << QStringLiteral("Le dictionnaire « Vide » n'a aucune "
                                                       "catégorie.");
        QTest::newRow("child first") << QStringList{QStringLiteral("A > B=b"), QStringLiteral("A=a")}
                                     << QStringLiteral("X")
                                     << QStringLiteral("La catégorie « A > B » n'est pas sous une "
                                                       "catégorie du premier niveau qui la "
                                                       "précède.");
        QTest::newRow("path twice") << QStringList{QStringLiteral("A=a"), QStringLiteral("A=b")}
                                    << QStringLiteral("X")
                                    << QStringLiteral("La catégorie « A » est donnée deux fois.");
        QTest::newRow("counted and excluded")
            << QStringList{QStringLiteral("A=a|b|-a")} << QStringLiteral("X")
            << QStringLiteral("La catégorie « A » compte et exclut à la fois « a ».");
        QTest::newRow("entry too long")
            << QStringList{QStringLiteral("A=") + QString(256, QLatin1Char('x'))} << QStringLiteral("X")
            << QStringLiteral("Catégorie « A » : L'entrée « xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx… » "
                              "est trop longue (255 caractères au plus).");
        QTest::newRow("star inside") << QStringList{QStringLiteral("A=éco*nomie")} << QStringLiteral("X")
                                     << QStringLiteral("Catégorie « A » : L'entrée « éco*nomie » a un "
                                                       "« * » mal placé : il ne finit qu'un mot d'une "
                                                       "expression, et un préfixe s'écrit sans lui.");
    }
    void refusals()
    {
        QFETCH(QStringList, categories);
        QFETCH(QString, name);
        QFETCH(QString, message);
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("refus.mdb"));
        auto db = Connection::open(path);
        dictionaries::save(*db, dictionaryOf({QStringLiteral("A=a")}, QStringLiteral("Gardé")));
        const QString before = dictionaryRows(path);
        try {
            dictionaries::save(*db, dictionaryOf(categories, name));
            QFAIL("the dictionary was kept");
        } catch (const StoreError &e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(dictionaryRows(path), before);
    }

    // Edits one by one, each refused when it would break a rule.
    void edits()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("edits.mdb"));
        auto db = Connection::open(path);
        const qint64 d = dictionaries::save(*db, dictionaryOf({QStringLiteral("Économie=économ*")},
                                                              QStringLiteral("Éco")));
        const dictionaries::Stored first = dictionaries::read(*db, d);
        const qint64 economy = first.categories.at(0);
        const qint64 employment = dictionaries::addCategory(*db, d, economy, QStringLiteral("Emploi"));
        const qint64 health = dictionaries::addCategory(*db, d, 0, QStringLiteral(" Santé "));
        auto refused = [](const std::function<void()> &edit, const QString &message) {
            try {
                edit();
            } catch (const StoreError &e) {
                return e.message() == message ? QString() : e.message();
            }
            return QStringLiteral("not refused");
        };
        QCOMPARE(refused([&] { dictionaries::addCategory(*db, d, employment, QStringLiteral("X")); },
                         QStringLiteral("Une sous-catégorie ne peut pas en avoir : un seul niveau "
                                        "d'imbrication est pris en charge.")),
                 QString());
        QCOMPARE(refused([&] { dictionaries::renameCategory(*db, health, QStringLiteral("Économie")); },
                         QStringLiteral("Le dictionnaire a déjà une catégorie « Économie ».")),
                 QString());
        QCOMPARE(refused([&] { dictionaries::addCategory(*db, d, 0, QStringLiteral("A > B")); },
                         QStringLiteral("Le nom de catégorie « A > B » contient « > », qui sépare "
                                        "une catégorie de sa catégorie parente.")),
                 QString());
        const qint64 jobless = dictionaries::addEntry(*db, employment, entry(QStringLiteral("chômage")));
        QCOMPARE(refused([&] { dictionaries::addEntry(*db, employment, entry(QStringLiteral("chômage"))); },
                         QStringLiteral("La catégorie a déjà l'entrée « chômage »."))
                     ,
                 QString());
        QCOMPARE(refused([&] { dictionaries::addEntry(*db, employment, entry(QStringLiteral("-chômage"))); },
                         QStringLiteral("La catégorie ne peut pas compter et exclure à la fois "
                                        "« chômage »."))
                     ,
                 QString());
        dictionaries::changeEntry(*db, jobless, entry(QStringLiteral("chôm*")));
        dictionaries::addEntry(*db, health, entry(QStringLiteral("sécurité sociale")));
        dictionaries::rename(*db, d, QStringLiteral("Économie et santé"));
        QCOMPARE(refused([&] { dictionaries::rename(*db, 999, QStringLiteral("Z")); },
                         QStringLiteral("Le dictionnaire n° 999 n'est plus dans l'analyse « %1 ».")
                             .arg(path)),
                 QString());

        const dictionaries::Stored stored = dictionaries::read(*db, d);
        const Dictionary expected = dictionaryOf(
            {QStringLiteral("Économie=économ*"), QStringLiteral("Économie > Emploi=chôm*"),
             QStringLiteral("Santé=sécurité sociale")});
        QCOMPARE(stored.dictionary.name, QStringLiteral("Économie et santé"));
        QCOMPARE(stored.dictionary.categories.size(), size_t(3));
        for (size_t i = 0; i < 3; ++i)
            QCOMPARE(stored.dictionary.categories[i], expected.categories[i]);

        // A category removed takes its children and their entries.
        dictionaries::removeCategory(*db, economy);
        QCOMPARE(dictionaryRows(path), QStringLiteral("1/1/sécurité sociale"));
        dictionaries::remove(*db, d);
        QCOMPARE(dictionaryRows(path), QStringLiteral("0/0/-"));
    }

    // A version-4 file has no dictionaries: none listed, none kept, and it
    // is not changed; the file opened read-only refuses too.
    void olderAndReadOnlyFiles()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("v4.mdb"));
        {
            Raw raw(path);
            QVERIFY(raw.exec(QStringLiteral("DROP TABLE EntreesDictionnaires;"
                                            "DROP TABLE CategoriesDictionnaires;"
                                            "DROP TABLE Dictionnaires; PRAGMA user_version = 4")));
        }
        {
            auto db = Connection::open(path, Connection::Access::ReadOnly);
            QVERIFY(!dictionaries::available(*db));
            QVERIFY(dictionaries::list(*db).empty());
            QVERIFY(!dictionaries::find(*db, QStringLiteral("A")));
            try {
                dictionaries::save(*db, dictionaryOf({QStringLiteral("A=a")}, QStringLiteral("A")));
                QFAIL("kept in an old file");
            } catch (const StoreError &e) {
                QCOMPARE(e.message(), QStringLiteral("L'analyse « %1 » ne peut pas garder de "
                                                     "dictionnaires : elle est d'une version plus "
                                                     "ancienne. Ouvrez-la dans « Analyse de "
                                                     "contenu », qui la met à jour.")
                                          .arg(path));
            }
        }
        {
            Raw raw(path);
            QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")), QStringLiteral("4"));
        }
        const QString current = codingtest::freshDatabase(m_dir, QStringLiteral("lecture.mdb"));
        auto db = Connection::open(current, Connection::Access::ReadOnly);
        try {
            dictionaries::save(*db, dictionaryOf({QStringLiteral("A=a")}, QStringLiteral("A")));
            QFAIL("kept in a read-only file");
        } catch (const StoreError &e) {
            QCOMPARE(e.message(), QStringLiteral("L'analyse « %1 » est ouverte en lecture seule : "
                                                 "ses dictionnaires ne peuvent pas être changés.")
                                      .arg(current));
        }
    }

    // Coding list 2 of corpusexample.h (its rows: 1 seg. 1, 2 and 3 seg. 2,
    // 4 seg. 3, 5 seg. 4, all empty in list 2; 6 seg. 5 holding Jour) with
    // Animaux, Sommeil, Pays; list 2 already holds "Sommeil " (spaces
    // around: the same value) as 6 after Jour (5)... numbered below.
    // Segment by segment, each one's categories in category order:
    //   1 (Animaux, Sommeil): row 1 filled with Animaux; row 7 added for Sommeil.
    //   2 (Animaux): row 2 filled.
    //   3 (Sommeil, Pays): row 4 filled with Sommeil; row 8 added for Pays.
    //   4 (Animaux): row 5 filled.
    //   5 (Animaux): row 6 holds Jour: row 9 added.
    // Coded: Animaux 4, Sommeil 2, Pays 1; segments 1 to 5: 5.
    void codingWithHistory()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("codage.mdb"));
        const corpusexample::Values v = corpusexample::fill(path);
        qint64 sleep = 0;
        {
            Raw raw(path);
            sleep = codingtest::addValue(raw, 2, QStringLiteral("Sommeil "));
        }
        const QString rowsBefore = codingRows(path);
        const QString listBefore = listTwo(path);
        QCOMPARE(rowsBefore, QStringLiteral("1|1|%1|- 2|2|%2|- 3|2|%2|- 4|3|%1|- 5|4|%2|- 6|5|1|%3")
                                 .arg(v.sommeil)
                                 .arg(v.animaux)
                                 .arg(v.jour));
        auto db = Connection::open(path);
        coding::History history(*db);
        const Dictionary d = animals();
        std::vector<QString> paths;
        for (const DictionaryCategory &c : d.categories)
            paths.push_back(c.path());
        words::DictionaryScan scan(*db, d);
        const std::optional<coding::DictionaryOutcome> outcome =
            history.codeByDictionary(2, paths, [&](coding::DictionaryCoding &coding) {
                return scan.code(coding, {});
            });
        QVERIFY(outcome);
        QCOMPARE(outcome->coded, (std::vector<qint64>{4, 2, 1}));
        QCOMPARE(outcome->segments, 5);
        QCOMPARE(outcome->added, (std::vector<QString>{QStringLiteral("Animaux"),
                                                       QStringLiteral("Pays")}));
        const qint64 animals = outcome->values.at(0);
        const qint64 country = outcome->values.at(2);
        QCOMPARE(outcome->values.at(1), sleep);
        QCOMPARE(history.undoText(), QStringLiteral("Annuler le codage par dictionnaire (5 segments)"));
        const QString rowsAfter =
            QStringLiteral("1|1|%1|%4 2|2|%2|%4 3|2|%2|- 4|3|%1|%5 5|4|%2|%4 6|5|1|%3 7|1|1|%5 "
                           "8|3|1|%6 9|5|1|%4")
                .arg(v.sommeil)
                .arg(v.animaux)
                .arg(v.jour)
                .arg(animals)
                .arg(sleep)
                .arg(country);
        QCOMPARE(codingRows(path), rowsAfter);
        const QString listAfter = listTwo(path);
        QCOMPARE(listAfter, listBefore + QStringLiteral(" %1|Animaux %2|Pays").arg(animals).arg(country));

        history.undo(); // the coding, then the values added
        QCOMPARE(codingRows(path), rowsBefore);
        QCOMPARE(listTwo(path), listBefore);
        history.redo();
        QCOMPARE(codingRows(path), rowsAfter);
        QCOMPARE(listTwo(path), listAfter);

        // Again: nothing to code, no step.
        const auto again = history.codeByDictionary(2, paths, [&](coding::DictionaryCoding &coding) {
            return scan.code(coding, {});
        });
        QVERIFY(again);
        QCOMPARE(again->segments, 0);
        QCOMPARE(again->unchanged, 7);
        QCOMPARE(history.undoCount(), 1);
        QCOMPARE(codingRows(path), rowsAfter);
    }

    // Segments close together are read by ranges: the rule still holds.
    // 100 segments of one text given value A; before: 10 holds A, 20 has a
    // row empty in list 1, 30 a row holding B, 50 was removed. After: 10
    // left, 20 filled, 30 and the 96 others without rows get a new row, 50
    // missing: 98 coded (1 filled, 97 added), 2 unchanged, 1 missing.
    void bulkCodingByRanges()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("plages.mdb"));
        qint64 a = 0;
        qint64 b = 0;
        {
            Raw raw(path);
            QStringList many;
            for (int i = 1; i <= 100; ++i)
                many << QStringLiteral("Segment %1.").arg(i);
            codingtest::addText(raw, QStringLiteral("/t.txt"), many);
            a = codingtest::addValue(raw, 1, QStringLiteral("A"));
            b = codingtest::addValue(raw, 1, QStringLiteral("B"));
            QVERIFY(raw.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES"
                                            " (10, %1), (20, 1), (30, %2);"
                                            "DELETE FROM textes WHERE numero = 50")
                                 .arg(a)
                                 .arg(b)));
        }
        const QString before = codingRows(path);
        auto db = Connection::open(path);
        coding::History history(*db);
        std::vector<coding::SegmentValue> all;
        for (qint64 segment = 100; segment >= 1; --segment)
            all.push_back({segment, a});
        const coding::BulkOutcome outcome =
            history.codeSegments(1, all, QStringLiteral("le codage"));
        QCOMPARE(outcome.segments, 98);
        QCOMPARE(outcome.filled, 1);
        QCOMPARE(outcome.added, 97);
        QCOMPARE(outcome.unchanged, 2);
        QCOMPARE(outcome.missing, 1);
        Raw raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(DISTINCT numtexte) FROM Contenus WHERE"
                                           " numvar01 = %1")
                                .arg(a)),
                 QStringLiteral("99"));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT numvar01 FROM Contenus WHERE numtexte = 20")),
                 QString::number(a));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM Contenus WHERE numtexte = 30")),
                 QStringLiteral("2"));
        history.undo();
        QCOMPARE(codingRows(path), before);
    }

    // Stopped, or failing halfway: nothing of it is left, no step.
    void codingStopped()
    {
        const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("arret.mdb"));
        corpusexample::fill(path);
        const QString rowsBefore = codingRows(path);
        const QString listBefore = listTwo(path);
        auto db = Connection::open(path);
        coding::History history(*db);
        words::DictionaryScan scan(*db, animals());
        const std::vector<QString> paths{QStringLiteral("Animaux"), QStringLiteral("Sommeil"),
                                         QStringLiteral("Pays")};
        QVERIFY(!history.codeByDictionary(2, paths, [&](coding::DictionaryCoding &coding) {
            return scan.code(coding, {}, [](qint64, qint64) { return false; });
        }));
        QCOMPARE(codingRows(path), rowsBefore);
        QCOMPARE(listTwo(path), listBefore);
        QVERIFY(!history.canUndo());
        // A category that cannot be a value: refused before anything.
        try {
            history.codeByDictionary(2, {QString(256, QLatin1Char('x'))},
                                     [](coding::DictionaryCoding &) { return true; });
            QFAIL("coded");
        } catch (const StoreError &e) {
            QVERIFY(e.message().startsWith(QStringLiteral("La catégorie « xxx")));
        }
        QCOMPARE(listTwo(path), listBefore);
        // A file opened read-only refuses before anything.
        auto readOnly = Connection::open(path, Connection::Access::ReadOnly);
        coding::History reading(*readOnly);
        reading.setReadOnly(true);
        QVERIFY_THROWS_EXCEPTION(StoreError, reading.codeByDictionary(2, paths, [](auto &) {
            return true;
        }));
    }
};

QTEST_GUILESS_MAIN(TestDictionaries)
#include "test_dictionaries.moc"
