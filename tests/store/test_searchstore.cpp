// Search over the example of searchexample.h: counts of segments and of
// occurrences worked out by hand, the places of the hits (in UTF-16 units,
// emoji and decomposed accents included), restrictions, paging, the
// concordance's context across segments, the segments read one by one.
#include "searchexample.h"

#include "store/connection.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/storeerror.h"

#include <QtTest>

using search::Hit;
using search::Restriction;

namespace {

// "text:segment:start+length" for each hit, separated by spaces.
QString shown(const std::vector<Hit> &hits)
{
    QStringList parts;
    for (const Hit &h : hits)
        parts << QStringLiteral("%1:%2:%3+%4").arg(h.text).arg(h.segment).arg(h.start).arg(h.length);
    return parts.join(QLatin1Char(' '));
}

Restriction coded(bool yes)
{
    Restriction r;
    r.list = 1;
    r.value = searchexample::kFelin;
    r.coded = yes;
    return r;
}

Restriction ofText(qint64 text)
{
    Restriction r;
    r.scope = results::Scope::of({text});
    return r;
}

Restriction ofJournal(const QString &value)
{
    Restriction r;
    r.scope.conditions.push_back(
        results::Condition::equals(1, QStringLiteral("journal"), value));
    return r;
}

} // namespace

Q_DECLARE_METATYPE(search::Restriction)

class TestSearchStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::shared_ptr<Connection> m_db;

private slots:
    void initTestCase()
    {
        const QString path = storetest::freshCopy(m_dir);
        searchexample::fill(path);
        m_db = Connection::open(path);
        QVERIFY(search::SearchIndex(*m_db).update());
    }
    void cleanupTestCase() { m_db.reset(); }

    // Counts by hand over the segments of searchexample.h:
    //   chat   2: chat; 3: chat, chat; 4: CHAT; 5: chat         → 4 segments, 5
    //   chat*  2: chats, chat; 3: chat, chat, chats; 4; 5        → 4 segments, 7
    //          (text 1: 2 + 3 = 5; text 2: 1 + 1 = 2)
    //   chat OR chat*: the same words, each once                  → 4, 7
    //   "un chat"  3: "Un chat", "un chat"                        → 1, 2
    //   etat   1: État, état                                      → 1, 2
    //   ete    6 (decomposed)                                     → 1, 1
    //   chat chats (both): 2, 3; each word an occurrence          → 2, 2+3 = 5
    // Restrictions on chat*: text 2 (4, 5) → 2, 2; coded Félin (3, 4) →
    // 2, 3+1 = 4; not coded (2, 5) → 2, 2+1 = 3.
    void counts_data()
    {
        QTest::addColumn<QString>("fts");
        QTest::addColumn<Restriction>("restriction");
        QTest::addColumn<qint64>("segments");
        QTest::addColumn<qint64>("occurrences");
        QTest::addColumn<QString>("perText");
        const Restriction all;
        QTest::newRow("word") << "chat" << all << qint64(4) << qint64(5) << "1:3 2:2";
        QTest::newRow("prefix") << "chat*" << all << qint64(4) << qint64(7) << "1:5 2:2";
        QTest::newRow("word or its prefix") << "chat OR chat*" << all << qint64(4) << qint64(7)
                                            << "1:5 2:2";
        QTest::newRow("phrase") << "\"un chat\"" << all << qint64(1) << qint64(2) << "1:2";
        QTest::newRow("accents and case") << "etat" << all << qint64(1) << qint64(2) << "1:2";
        QTest::newRow("decomposed accents") << "ete" << all << qint64(1) << qint64(1) << "2:1";
        QTest::newRow("two words") << "chat chats" << all << qint64(2) << qint64(5) << "1:5";
        QTest::newRow("none") << "chien" << all << qint64(0) << qint64(0) << "";
        QTest::newRow("text 2") << "chat*" << ofText(2) << qint64(2) << qint64(2) << "2:2";
        QTest::newRow("journal Le Monde") << "chat*" << ofJournal(QStringLiteral("Le Monde"))
                                          << qint64(2) << qint64(2) << "2:2";
        QTest::newRow("journal Libération") << "chat*" << ofJournal(QStringLiteral("Libération"))
                                            << qint64(0) << qint64(0) << "";
        QTest::newRow("coded") << "chat*" << coded(true) << qint64(2) << qint64(4) << "1:3 2:1";
        QTest::newRow("not coded") << "chat*" << coded(false) << qint64(2) << qint64(3)
                                   << "1:2 2:1";
    }
    void counts()
    {
        QFETCH(QString, fts);
        QFETCH(Restriction, restriction);
        QFETCH(qint64, segments);
        QFETCH(qint64, occurrences);
        QFETCH(QString, perText);
        search::SearchStore store(*m_db);
        QCOMPARE(store.countSegments(fts, restriction), segments);
        const search::HitCounts counts = store.count(fts, restriction);
        QCOMPARE(counts.segments, segments);
        QCOMPARE(counts.occurrences, occurrences);
        QStringList texts;
        for (const auto &[text, n] : store.occurrencesPerText(fts, restriction))
            texts << QStringLiteral("%1:%2").arg(text).arg(n);
        QCOMPARE(texts.join(QLatin1Char(' ')), perText);
        QCOMPARE(qint64(store.segments(fts, restriction).size()), segments);
        // The hits add up to the occurrences.
        QCOMPARE(qint64(store.hits(fts, restriction, 0, 0, 100).size()), occurrences);
    }

    // Places in the segment's text, in UTF-16 units, worked out by hand:
    //   1 "L'État et l'état": État at 2, état at 12 (4 each)
    //   2 "Les chats chassent le chat.": chats 4+5, chat 22+4
    //   3 "Un chat noir, un chat blanc : deux chats.": chat 3, 17; chats 35+5;
    //     "un chat" 0+7 and 14+7
    //   4 "Le\tCHAT": 3+4
    //   5 "😀 Le chat 😀 rit.": the emoji counts 2: chat 6+4, rit 14+3
    //   6 "e◌́te◌́ chaud": été 0+5 (two combining accents), chaud 6+5
    void places_data()
    {
        QTest::addColumn<QString>("fts");
        QTest::addColumn<QString>("hits");
        QTest::newRow("accents and case") << "etat" << "1:1:2+4 1:1:12+4";
        QTest::newRow("prefix, in order")
            << "chat*" << "1:2:4+5 1:2:22+4 1:3:3+4 1:3:17+4 1:3:35+5 2:4:3+4 2:5:6+4";
        QTest::newRow("phrase") << "\"un chat\"" << "1:3:0+7 1:3:14+7";
        QTest::newRow("after an emoji") << "rit" << "2:5:14+3";
        QTest::newRow("combining accents") << "ete" << "2:6:0+5";
        QTest::newRow("after combining accents") << "chaud" << "2:6:6+5";
        QTest::newRow("restricted to text 2") << "chat*" << "2:4:3+4 2:5:6+4";
    }
    void places()
    {
        QFETCH(QString, fts);
        QFETCH(QString, hits);
        search::SearchStore store(*m_db);
        const Restriction r = QTest::currentDataTag() == QByteArray("restricted to text 2")
                                  ? ofText(2)
                                  : Restriction();
        QCOMPARE(shown(store.hits(fts, r, 0, 0, 100)), hits);
    }

    // Pages of 1 and 2 segments, each after the last hit of the one before,
    // give the hits of the search read at once.
    void pagingGivesTheSame_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("3") << 3;
    }
    void pagingGivesTheSame()
    {
        QFETCH(int, pageSize);
        search::SearchStore store(*m_db);
        const QString fts = QStringLiteral("chat*");
        const std::vector<Hit> all = store.hits(fts, {}, 0, 0, 100);
        std::vector<Hit> paged;
        qint64 text = 0;
        qint64 segment = 0;
        int pages = 0;
        for (;;) {
            const std::vector<Hit> page = store.hits(fts, {}, text, segment, pageSize);
            if (page.empty())
                break;
            ++pages;
            paged.insert(paged.end(), page.begin(), page.end());
            text = page.back().text;
            segment = page.back().segment;
        }
        QCOMPARE(shown(paged), shown(all));
        QCOMPARE(pages, (4 + pageSize - 1) / pageSize); // 4 segments
    }

    // The context of a hit, worked out by hand. Segments 1 and 2 were cut
    // apart at a space that neither keeps: one space joins them. Segment 2
    // ends with CR LF, shown as one space, and joins segment 3 with no other.
    // Text 1 ends with segment 3: the context never runs into text 2.
    void concordance_data()
    {
        QTest::addColumn<QString>("fts");
        QTest::addColumn<int>("hit");
        QTest::addColumn<int>("chars");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("after");
        // "…l'économie." + " " + "Les " → the last 10: "omie. Les "
        QTest::newRow("joined by one space") << "chats" << 0 << 10 << "omie. Les " << "chats"
                                             << " chassent ";
        // "Les chats chassent le chat." + " " (CR LF) + "Un chat " → last 20
        QTest::newRow("across a line end") << "noir" << 0 << 20 << "nt le chat. Un chat "
                                           << "noir" << ", un chat blanc : de";
        QTest::newRow("end of the text") << "chats" << 1 << 10 << "nc : deux " << "chats" << ".";
        QTest::newRow("start of the text, a tab") << "chat" << 3 << 5 << "Le " << "CHAT"
                                                   << " dort";
        // ". " + "😀 Le chat 😀 rit." → 12 units: ". 😀 Le chat"
        QTest::newRow("into the next segment") << "dort" << 0 << 12 << "Le CHAT " << "dort"
                                               << QString::fromUtf8(". \xF0\x9F\x98\x80 Le chat");
        QTest::newRow("emoji kept whole")
            << "chat" << 4 << 3 << "Le " << "chat" << QString::fromUtf8(" \xF0\x9F\x98\x80");
        QTest::newRow("emoji never cut") << "chat" << 4 << 2 << "e " << "chat" << " ";
        // "😀 " before "Le": its last 2 units are half the emoji and a space.
        QTest::newRow("emoji never cut before") << "le" << 2 << 2 << " " << "Le" << " c";
        // Segment 5 (18 units) + " " + "e◌́te◌́ " (6) = 25; the first 5 ("😀 Le") dropped.
        QTest::newRow("combining accents")
            << "chaud" << 0 << 20
            << QString::fromUtf8(" chat \xF0\x9F\x98\x80 rit. e\xCC\x81te\xCC\x81 ") << "chaud"
            << "";
    }
    void concordance()
    {
        QFETCH(QString, fts);
        QFETCH(int, hit);
        QFETCH(int, chars);
        QFETCH(QString, before);
        QFETCH(QString, found);
        QFETCH(QString, after);
        search::SearchStore store(*m_db);
        const std::vector<Hit> hits = store.hits(fts, {}, 0, 0, 100);
        QVERIFY(size_t(hit) < hits.size());
        const std::vector<search::ConcordanceLine> lines = store.concordance({hits[size_t(hit)]}, chars);
        QCOMPARE(lines.size(), size_t(1));
        QCOMPARE(lines[0].before, before);
        QCOMPARE(lines[0].found, found);
        QCOMPARE(lines[0].after, after);
    }

    // Segments not numbered in the order of their texts (text 1 holds
    // segments 1 and 4, text 2 segments 2 and 3): hits still come text by
    // text, read at once or page by page; and likewise when the last
    // segment comes after the index was built (to the last text: the order
    // holds; to an earlier one: it no longer does).
    void textsInterleaved_data()
    {
        QTest::addColumn<int>("second");  // the text of segment 2
        QTest::addColumn<int>("third");   // of segment 3
        QTest::addColumn<int>("fourth");  // of segment 4
        QTest::addColumn<bool>("later");  // segment 4 added after the index was built
        QTest::addColumn<bool>("interleaved");
        QTest::addColumn<QString>("hits");
        QTest::addColumn<QString>("order");
        QTest::newRow("in text order") << 1 << 2 << 2 << false << false
                                       << "1:1:0+4 1:2:3+4 2:3:0+4 2:4:0+4" << "1234";
        QTest::newRow("interleaved") << 2 << 2 << 1 << false << true
                                     << "1:1:0+4 1:4:0+4 2:2:3+4 2:3:0+4" << "1423";
        QTest::newRow("added later to the last text")
            << 1 << 2 << 2 << true << false << "1:1:0+4 1:2:3+4 2:3:0+4 2:4:0+4" << "1234";
        QTest::newRow("added later to an earlier text")
            << 1 << 2 << 1 << true << true << "1:1:0+4 1:2:3+4 1:4:0+4 2:3:0+4" << "1243";
    }
    void textsInterleaved()
    {
        QFETCH(int, second);
        QFETCH(int, third);
        QFETCH(int, fourth);
        QFETCH(bool, later);
        QFETCH(bool, interleaved);
        QFETCH(QString, hits);
        QFETCH(QString, order);
        const QString path = storetest::freshCopy(m_dir, QStringLiteral("mixed.mdb"));
        QVERIFY(storetest::Raw(path).exec(
            QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/un.txt'), ('/deux.txt');"
                           "INSERT INTO textes (numtexte, texte) VALUES (1, 'Chat.'),"
                           " (%1, 'Un chat.'), (%2, 'Chat !');")
                .arg(second)
                .arg(third)));
        const QString fourthSegment =
            QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES (%1, 'Chat ?')").arg(fourth);
        if (!later)
            QVERIFY(storetest::Raw(path).exec(fourthSegment));
        auto db = Connection::open(path);
        if (later) {
            QVERIFY(search::SearchIndex(*db).update());
            QVERIFY(search::SearchIndex::inTextOrder(*db));
            QVERIFY(storetest::Raw(path).exec(fourthSegment));
            QVERIFY(!search::SearchIndex(*db).current());
        }
        QVERIFY(search::SearchIndex(*db).update());
        QCOMPARE(search::SearchIndex::inTextOrder(*db), !interleaved);
        search::SearchStore store(*db);
        QCOMPARE(shown(store.hits(QStringLiteral("chat"), {}, 0, 0, 10)), hits);
        std::vector<Hit> paged;
        for (;;) {
            const std::vector<Hit> page = store.hits(QStringLiteral("chat"), {},
                                                     paged.empty() ? 0 : paged.back().text,
                                                     paged.empty() ? 0 : paged.back().segment, 1);
            if (page.empty())
                break;
            paged.insert(paged.end(), page.begin(), page.end());
        }
        QCOMPARE(shown(paged), hits);
        QString found;
        for (qint64 s : store.segments(QStringLiteral("chat"), {}))
            found += QString::number(s);
        QCOMPARE(found, order);
    }

    void unreadableExpressionRefused_data()
    {
        QTest::addColumn<QString>("fts");
        QTest::newRow("quote without end") << "\"chat";
        QTest::newRow("operator alone") << "AND";
        QTest::newRow("unknown column") << "titre : chat";
    }
    void unreadableExpressionRefused()
    {
        QFETCH(QString, fts);
        search::SearchStore store(*m_db);
        for (int i = 0; i < 2; ++i) {
            try {
                if (i == 0)
                    store.countSegments(fts, {});
                else
                    store.hits(fts, {}, 0, 0, 10);
                QFAIL("an unreadable expression was searched");
            } catch (const StoreError &e) {
                QVERIFY2(e.message().contains(QStringLiteral("l'expression ne se lit pas")),
                         qPrintable(e.message()));
            }
        }
    }

    // Every segment of the restriction, in number order, with whether it is
    // in the target.
    void eachSegment_data()
    {
        QTest::addColumn<Restriction>("restriction");
        QTest::addColumn<int>("targetList");
        QTest::addColumn<qint64>("targetAttribute");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all, no target") << Restriction() << 0 << qint64(0) << "1- 2- 3- 4- 5- 6- 7-";
        QTest::newRow("all, target Félin") << Restriction() << 1 << qint64(0)
                                           << "1- 2- 3+ 4+ 5- 6- 7-";
        QTest::newRow("all, target journal") << Restriction() << 0 << qint64(1)
                                             << "1- 2- 3- 4+ 5+ 6+ 7+";
        QTest::newRow("text 1, target Félin") << ofText(1) << 1 << qint64(0) << "1- 2- 3+";
        QTest::newRow("not coded") << coded(false) << 0 << qint64(0) << "1- 2- 5- 6- 7-";
    }
    void eachSegment()
    {
        QFETCH(Restriction, restriction);
        QFETCH(int, targetList);
        QFETCH(qint64, targetAttribute);
        QFETCH(QString, expected);
        search::Target target;
        target.list = targetList;
        target.value = searchexample::kFelin;
        target.attribute = targetAttribute;
        target.attributeValue = QStringLiteral("Le Monde");
        QStringList seen;
        QString fifth;
        search::forEachSegment(
            *m_db, restriction,
            [&](qint64 segment, QStringView text, bool inTarget) {
                seen << QStringLiteral("%1%2").arg(segment).arg(inTarget ? '+' : '-');
                if (segment == 5)
                    fifth = text.toString();
                return true;
            },
            target);
        QCOMPARE(seen.join(QLatin1Char(' ')), expected);
        if (expected.contains(QLatin1String("5")))
            QCOMPARE(fifth, QString::fromUtf8("\xF0\x9F\x98\x80 Le chat \xF0\x9F\x98\x80 rit."));
    }

    void eachSegmentStops()
    {
        int calls = 0;
        search::forEachSegment(*m_db, {}, [&](qint64, QStringView, bool) { return ++calls < 2; });
        QCOMPARE(calls, 2);
    }

    void utf16Lengths_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<int>("units");
        QTest::newRow("ascii") << QByteArray("chat") << 4;
        QTest::newRow("two bytes") << QByteArray("\xC3\xA9t\xC3\xA9") << 3;         // été
        QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << 1;            // €
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80!") << 3;        // 😀!
        QTest::newRow("combining") << QByteArray("e\xCC\x81") << 2;                 // e + U+0301
    }
    void utf16Lengths()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(int, units);
        QCOMPARE(search::utf16Length(utf8), units);
    }
};

QTEST_GUILESS_MAIN(TestSearchStore)
#include "test_searchstore.moc"
