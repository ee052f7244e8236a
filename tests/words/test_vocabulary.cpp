// The vocabulary of a small corpus counted by hand: occurrences and
// segments of each word, the order of the entries, stop words left out,
// stems (Snowball's French stemmer, its steps worked by hand), merging
// counters, and the key words of a target against the rest.
#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/vocabulary.h"

#include <QRegularExpression>
#include <QTest>
#include <cmath>

namespace {

// Segments and their words, counted by hand:
// 1 "L'économie française et l'économie mondiale."
//     l' ×2, économie ×2, française, et, mondiale (7 words)
// 2 "Les économies et les économistes."
//     les ×2, économies, et, économistes (5 words)
// 3 "Économique ? Oui, économique !"
//     économique ×2, oui (3 words)
// 4 "" (no word)
// 15 words, 10 distinct; "et" in 2 segments, every other word in 1.
const char *const corpus[] = {"L'économie française et l'économie mondiale.",
                              "Les économies et les économistes.", "Économique ? Oui, économique !", ""};

words::VocabularyCounter counted(int from, int to)
{
    words::VocabularyCounter counter;
    for (int i = from; i < to; ++i)
        counter.addSegment(QString::fromUtf8(corpus[i]));
    return counter;
}

// "word count segments" for each entry, and its forms by stem.
QStringList written(const std::vector<words::VocabularyEntry> &entries)
{
    QStringList list;
    for (const words::VocabularyEntry &e : entries) {
        QString line = QStringLiteral("%1 %2 %3").arg(e.word).arg(e.count).arg(e.segments);
        for (int i = 0; i < e.forms.size(); ++i)
            line += QStringLiteral(" %1:%2").arg(e.forms.at(i)).arg(e.formCounts.at(size_t(i)));
        list.append(line);
    }
    return list;
}

QStringList utf8List(std::initializer_list<const char *> lines)
{
    QStringList list;
    for (const char *l : lines)
        list.append(QString::fromUtf8(l));
    return list;
}

} // namespace

class TestVocabulary : public QObject
{
    Q_OBJECT
private slots:
    void totals();
    void entries_data();
    void entries();
    void mergeEqualsCountingAtOnce();
    void countingAfterMerge();
    void manyWords();
    void longSegment_data();
    void longSegment();
    void stemTallies_data();
    void stemTallies();
    void stems_data();
    void stems();
    void stopWords_data();
    void stopWords();
    void keyWords_data();
    void keyWords();
};

void TestVocabulary::totals()
{
    const words::VocabularyCounter counter = counted(0, 4);
    QCOMPARE(counter.segmentCount(), qint64(4));
    QCOMPARE(counter.wordCount(), qint64(15));
    QCOMPARE(counter.distinct(), qint64(10));
    QCOMPARE(counter.count(QString::fromUtf8("économie")), qint64(2));
    QCOMPARE(counter.count(QStringLiteral("l'")), qint64(2));
    QCOMPARE(counter.count(QString::fromUtf8("Économie")), qint64(0)); // forms are in lower case
    QCOMPARE(counter.count(QStringLiteral("absent")), qint64(0));
    // By stem: économie ×2, économique ×2, économies, économistes.
    QCOMPARE(counter.stemCount(QString::fromUtf8("économ")), qint64(6));
}

void TestVocabulary::entries_data()
{
    QTest::addColumn<bool>("withoutStopWords");
    QTest::addColumn<bool>("byStem");
    QTest::addColumn<QStringList>("expected");

    // Count first; equal counts in French order (économie < économique <
    // et < l' < les; économies < économistes < française < mondiale < oui).
    QTest::newRow("every word") << false << false
        << utf8List({"économie 2 1", "économique 2 1", "et 2 2", "l' 2 1", "les 2 1", "économies 1 1",
                     "économistes 1 1", "française 1 1", "mondiale 1 1", "oui 1 1"});
    // l', et and les are stop words.
    QTest::newRow("without stop words") << true << false
        << utf8List({"économie 2 1", "économique 2 1", "économies 1 1", "économistes 1 1",
                     "française 1 1", "mondiale 1 1", "oui 1 1"});
    // Stems (see stems()): « économ » gathers 6 occurrences in segments 1,
    // 2 and 3: three segments, though its four forms are in four counts of
    // one segment each. française → « français », mondiale → « mondial ».
    QTest::newRow("by stem without stop words") << true << true
        << utf8List({"économ 6 3 économie:2 économique:2 économies:1 économistes:1",
                     "français 1 1 française:1", "mondial 1 1 mondiale:1", "oui 1 1 oui:1"});
}

void TestVocabulary::entries()
{
    QFETCH(bool, withoutStopWords);
    QFETCH(bool, byStem);
    QFETCH(QStringList, expected);
    words::VocabularyOptions options;
    options.withoutStopWords = withoutStopWords;
    options.byStem = byStem;
    QCOMPARE(written(counted(0, 4).entries(options)), expected);
}

void TestVocabulary::mergeEqualsCountingAtOnce()
{
    const words::VocabularyCounter all = counted(0, 4);
    words::VocabularyCounter merged = counted(0, 2);
    merged.merge(counted(2, 4));
    QCOMPARE(merged.segmentCount(), all.segmentCount());
    QCOMPARE(merged.wordCount(), all.wordCount());
    QCOMPARE(merged.distinct(), all.distinct());
    for (const bool byStem : {false, true}) {
        words::VocabularyOptions options;
        options.byStem = byStem;
        QCOMPARE(written(merged.entries(options)), written(all.entries(options)));
    }
}

void TestVocabulary::countingAfterMerge()
{
    // "économie": 2 in segment 1; merged with segments 3 and 4 (none), then
    // one more segment holding it: 3 occurrences in 2 segments.
    words::VocabularyCounter counter = counted(0, 1);
    counter.merge(counted(2, 4));
    counter.addSegment(QString::fromUtf8("Économie"));
    words::VocabularyOptions options;
    const std::vector<words::VocabularyEntry> entries = counter.entries(options);
    QCOMPARE(counter.segmentCount(), qint64(4));
    QCOMPARE(written(entries).first(), QString::fromUtf8("économie 3 2"));
}

void TestVocabulary::manyWords()
{
    // Segment k (1 to 3000) holds "x<k>" once and a 25-letter word twice:
    // 3001 distinct words, the long one 6000 times in 3000 segments. Counted
    // in two halves and merged, the same.
    const QString longWord = QStringLiteral("anticonstitutionnellement");
    words::VocabularyCounter all;
    words::VocabularyCounter first;
    words::VocabularyCounter second;
    for (int k = 1; k <= 3000; ++k) {
        const QString segment = QStringLiteral("%1 x%2 %1").arg(longWord).arg(k);
        all.addSegment(segment);
        (k <= 1500 ? first : second).addSegment(segment);
    }
    first.merge(second);
    for (const words::VocabularyCounter *counter : {&all, &first}) {
        QCOMPARE(counter->distinct(), qint64(3001));
        QCOMPARE(counter->wordCount(), qint64(9000));
        QCOMPARE(counter->count(longWord), qint64(6000));
        QCOMPARE(counter->count(QStringLiteral("x1")), qint64(1));
        QCOMPARE(counter->count(QStringLiteral("x3000")), qint64(1));
        QCOMPARE(counter->count(QStringLiteral("x3001")), qint64(0));
        const std::vector<words::VocabularyEntry> entries = counter->entries();
        QCOMPARE(entries.size(), size_t(3001));
        QCOMPARE(written({entries.front()}).front(), longWord + QStringLiteral(" 6000 3000"));
        // Equal counts in French order: x1, x10, x100, x1000, x1001…
        QCOMPARE(entries.at(1).word, QStringLiteral("x1"));
        QCOMPARE(entries.at(2).word, QStringLiteral("x10"));
        QCOMPARE(entries.at(3).word, QStringLiteral("x100"));
    }
}

void TestVocabulary::longSegment_data()
{
    // One segment of many words (more than the counter holds before it
    // counts them): each word's count, the segment once.
    QTest::addColumn<QString>("pattern"); // repeated 200 times
    QTest::addColumn<QString>("word");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("words"); // every word of the segment
    // 2 words x 200 = 400 words; « chat » 200 times.
    QTest::newRow("short words") << QStringLiteral("Chat chien ") << QStringLiteral("chat")
                                 << qint64(200) << qint64(400);
    // 25 letters: longer than a cell holds inline; 3 words x 200 = 600.
    QTest::newRow("long words") << QStringLiteral("anticonstitutionnellement, l'État. ")
                                << QStringLiteral("anticonstitutionnellement") << qint64(200)
                                << qint64(600);
}

void TestVocabulary::longSegment()
{
    QFETCH(QString, pattern);
    QFETCH(QString, word);
    QFETCH(qint64, count);
    QFETCH(qint64, words);
    words::VocabularyCounter counter;
    counter.addSegment(pattern.repeated(200));
    QCOMPARE(counter.count(word), count);
    QCOMPARE(counter.wordCount(), words);
    // Its line: the count, one segment.
    const QRegularExpression line(QStringLiteral("^%1 ").arg(word));
    QCOMPARE(written(counter.entries()).filter(line),
             QStringList{QStringLiteral("%1 %2 1").arg(word).arg(count)});
}

void TestVocabulary::stemTallies_data()
{
    // A stem's counts as its forms come: one form at first, others later
    // (in a later segment or in the same one), forms that are stop words,
    // forms met by two counters merged, and counting after the merge.
    QTest::addColumn<QStringList>("segments");
    QTest::addColumn<int>("split"); // segments from it on are counted apart and merged; 0: none
    QTest::addColumn<QString>("after"); // a segment counted after the merge
    QTest::addColumn<QString>("all");     // "stem count segments forms", every form
    QTest::addColumn<QString>("content"); // the same without stop words

    // économie, économique → « économ » (stems_data below).
    // 1: économie ×2; 2: économie; 3: économique, économie.
    // 5 occurrences in 3 segments.
    QTest::newRow("a second form in a later segment")
        << QStringList{"économie économie", "économie", "économique, économie"} << 0 << QString()
        << "économ 5 3 économie:4 économique:1" << "économ 5 3 économie:4 économique:1";
    // Both forms in segment 1 only: 2 occurrences, one segment.
    QTest::newRow("a second form in the first one's segment")
        << QStringList{"économie économique"} << 0 << QString()
        << "économ 2 1 économie:1 économique:1" << "économ 2 1 économie:1 économique:1";
    // « son » (a stop word) and « sons » (not one) have the stem « son »
    // (step 4 takes the final s after n). 1: son, sons; 2: son; 3: sons ×2.
    // Every form: 5 in 3 segments; without stop words, sons: 3 in 2.
    QTest::newRow("a form that is a stop word")
        << QStringList{"son sons", "son", "sons sons"} << 0 << QString()
        << "son 5 3 sons:3 son:2" << "son 3 2 sons:3";
    // First counter: 1 économie. Second: 1 économique ×2, 2 économie.
    // Merged: 4 occurrences in 3 segments (the counters' segments differ).
    QTest::newRow("one form on each side")
        << QStringList{"économie", "économique économique", "économie"} << 1 << QString()
        << "économ 4 3 économie:2 économique:2" << "économ 4 3 économie:2 économique:2";
    // First counter: 1 son; 2 son, sons. Second: 1 sons. Every form: 4 in 3;
    // sons: 2 in 2.
    QTest::newRow("two forms on one side, the stop word on it only")
        << QStringList{"son", "son sons", "sons"} << 2 << QString()
        << "son 4 3 son:2 sons:2" << "son 2 2 sons:2";
    // First: 1 économie. Second: 1 économique. Then 3: économies, économie
    // (one segment): 4 occurrences in 3 segments; equal counts in French
    // order, économies before économique (e before q).
    QTest::newRow("counted after the merge")
        << QStringList{"économie", "économique"} << 1 << QStringLiteral("Économies, économie.")
        << "économ 4 3 économie:2 économies:1 économique:1"
        << "économ 4 3 économie:2 économies:1 économique:1";
}

void TestVocabulary::stemTallies()
{
    QFETCH(QStringList, segments);
    QFETCH(int, split);
    QFETCH(QString, after);
    QFETCH(QString, all);
    QFETCH(QString, content);
    words::VocabularyCounter counter;
    words::VocabularyCounter second;
    for (int i = 0; i < segments.size(); ++i)
        (split > 0 && i >= split ? second : counter).addSegment(segments.at(i));
    if (split > 0)
        counter.merge(second);
    if (!after.isEmpty())
        counter.addSegment(after);
    for (const bool withoutStopWords : {false, true}) {
        words::VocabularyOptions options;
        options.byStem = true;
        options.withoutStopWords = withoutStopWords;
        const QString expected = withoutStopWords ? content : all;
        const QString stem = expected.section(QLatin1Char(' '), 0, 0);
        QString line;
        for (const QString &written : written(counter.entries(options)))
            if (written.section(QLatin1Char(' '), 0, 0) == stem)
                line = written;
        QCOMPARE(line, expected);
        QCOMPARE(counter.stemCount(stem, withoutStopWords),
                 expected.section(QLatin1Char(' '), 1, 1).toLongLong());
    }
}

void TestVocabulary::stems_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("stem");

    // Snowball's French stemmer by hand. "économiques": RV = "nomiques"
    // (after the first vowel not at the start), R1 = "onomiques", R2 =
    // "omiques"; step 1 deletes "iques" in R2: « économ »; no later step
    // applies (no é followed by non-vowels only at the end).
    QTest::newRow("économiques") << QString::fromUtf8("économiques") << QString::fromUtf8("économ");
    // "ique" in R2, deleted alike.
    QTest::newRow("économique") << QString::fromUtf8("économique") << QString::fromUtf8("économ");
    // No step 1 suffix; step 2a deletes "ie" after a non-vowel in RV (m).
    QTest::newRow("économie") << QString::fromUtf8("économie") << QString::fromUtf8("économ");
    // Step 2a: "ies" after m.
    QTest::newRow("économies") << QString::fromUtf8("économies") << QString::fromUtf8("économ");
    // Step 1: "istes" in R2 ("omistes").
    QTest::newRow("économistes") << QString::fromUtf8("économistes") << QString::fromUtf8("économ");
    // No suffix of steps 1 and 2; step 4 deletes the final "e" in RV ("nçaise").
    QTest::newRow("française") << QString::fromUtf8("française") << QString::fromUtf8("français");
    // Step 4: the final "s" after e goes, then the "e" in RV.
    QTest::newRow("françaises") << QString::fromUtf8("françaises") << QString::fromUtf8("français");
    // RV = "t": nothing to take off, the word is its own stem.
    QTest::newRow("chat, left alone") << QStringLiteral("chat") << QStringLiteral("chat");
    QTest::newRow("empty") << QString() << QString();
}

void TestVocabulary::stems()
{
    QFETCH(QString, form);
    QFETCH(QString, stem);
    words::FrenchStemmer stemmer;
    QCOMPARE(stemmer.stem(form), stem);
}

void TestVocabulary::stopWords_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("stop");

    QTest::newRow("article") << QStringLiteral("les") << true;
    QTest::newRow("form of être, accented") << QString::fromUtf8("étaient") << true;
    QTest::newRow("form of avoir") << QString::fromUtf8("eûmes") << true;
    QTest::newRow("à") << QString::fromUtf8("à") << true;
    QTest::newRow("elided l'") << QStringLiteral("l'") << true;
    QTest::newRow("elided quoiqu'") << QStringLiteral("quoiqu'") << true;
    QTest::newRow("a later addition") << QStringLiteral("cette") << true;
    QTest::newRow("last word of the list") << QStringLiteral("soi") << true;
    QTest::newRow("a full word") << QString::fromUtf8("économie") << false;
    QTest::newRow("capitals are not a counted form") << QStringLiteral("Les") << false;
    QTest::newRow("a comment line is no word") << QStringLiteral("#") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestVocabulary::stopWords()
{
    QFETCH(QString, form);
    QFETCH(bool, stop);
    QCOMPARE(words::isStopWord(form), stop);
    // Snowball's 164 words and the 13 elided forms.
    QCOMPARE(words::stopWordCount(), 177);
}

void TestVocabulary::keyWords_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("expected"); // word, signed G² (4 decimals), counts

    // Target: "crise crise crise emploi marché" (c = 5). Rest: "emploi ×4
    // crise marché ×2 salaire ×3" (d = 10).
    // crise: a = 3, b = 1; E1 = 5·4/15 = 1.333333, E2 = 2.666667;
    //   G² = 2 (3 ln 2.25 + ln 0.375) = 2 (2.432791 − 0.980829) = 2.903923, over.
    // marché: 1/5 = 2/10, G² = 0.
    // emploi: a = 1, b = 4; E1 = 5·5/15 = 1.666667, E2 = 3.333333;
    //   G² = 2 (ln 0.6 + 4 ln 1.2) = 2 (−0.510826 + 0.729286) = 0.436921, under.
    // salaire is not in the target: not listed.
    QTest::newRow("all") << 0 << utf8List({"crise 2.9039 3 1", "marché 0.0000 1 2", "emploi -0.4369 1 4"});
    QTest::newRow("limit 2") << 2 << utf8List({"crise 2.9039 3 1", "marché 0.0000 1 2"});
}

void TestVocabulary::keyWords()
{
    QFETCH(int, limit);
    QFETCH(QStringList, expected);
    words::VocabularyCounter target;
    target.addSegment(QString::fromUtf8("Crise, crise, crise : emploi, marché."));
    words::VocabularyCounter rest;
    rest.addSegment(QString::fromUtf8("emploi emploi crise marché"));
    rest.addSegment(QString::fromUtf8("emploi emploi marché salaire salaire salaire"));
    QStringList got;
    for (const words::KeyWord &k : words::keyWords(target, rest, limit))
        got.append(QStringLiteral("%1 %2 %3 %4").arg(k.word).arg(k.g2, 0, 'f', 4).arg(k.count).arg(k.elsewhere));
    QCOMPARE(got, expected);
    // p: the chi-square tail with one degree of freedom, erfc(√(G²/2)):
    // erfc(√1.451961) = erfc(1.204974) = 0.088364.
    const std::vector<words::KeyWord> all = words::keyWords(target, rest, 0);
    QVERIFY(std::fabs(all.front().p - 0.088364) < 1e-6);
    QCOMPARE(all.at(1).p, 1.0);
}

QTEST_APPLESS_MAIN(TestVocabulary)
#include "test_vocabulary.moc"
