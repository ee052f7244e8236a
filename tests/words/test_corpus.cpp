// The counts of words over the segments of an analysis (words/corpus.h):
// the vocabulary of the segments a restriction keeps, the target's and the
// reference's vocabularies, the characteristic words of a value, and the
// progress that can stop the counting. The analysis is corpusexample.h,
// whose words are counted by hand there.
#include "corpusexample.h"

#include "store/connection.h"
#include "words/corpus.h"

#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(search::Restriction)
Q_DECLARE_METATYPE(search::Target)

namespace {

// "word count/segments" for each entry, in order.
QStringList lines(const words::VocabularyCounter &counter, const words::VocabularyOptions &options = {})
{
    QStringList result;
    for (const words::VocabularyEntry &e : counter.entries(options))
        result << QStringLiteral("%1 %2/%3").arg(e.word).arg(e.count).arg(e.segments);
    return result;
}

} // namespace

class TestCorpus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void vocabulary_data();
    void vocabulary();
    void targetAndReference_data();
    void targetAndReference();
    void characteristicWords();
    void progressStops();
    void stoppedAfterFirstBatch_data();
    void stoppedAfterFirstBatch();
    void bytesAsStored_data();
    void bytesAsStored();

private:
    QTemporaryDir m_dir;
    QString m_path;
    corpusexample::Values m_values;
    qint64 m_journal = 0;
};

void TestCorpus::initTestCase()
{
    m_path = codingtest::freshDatabase(m_dir);
    m_values = corpusexample::fill(m_path);
    auto db = Connection::open(m_path);
    m_journal = attributes::find(*db, QStringLiteral("journal"))->number;
}

void TestCorpus::vocabulary_data()
{
    QTest::addColumn<search::Restriction>("restriction");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("segments");
    QTest::addColumn<qint64>("occurrences");

    QTest::newRow("whole analysis")
        << search::Restriction{}
        << QStringList{"le 3/2",     "chat 2/2",   "chien 2/2", "dort 2/2", "et 2/2",
                       "chats 1/1",  "chiens 1/1", "état 1/1",  "un 1/1"}
        << qint64(5) << qint64(15);

    search::Restriction text2;
    text2.scope = results::Scope::of({2});
    const QStringList ofText2{"chats 1/1", "chien 1/1", "chiens 1/1", "et 1/1", "un 1/1"};
    QTest::newRow("text 2") << text2 << ofText2 << qint64(2) << qint64(5);

    // The attribute's condition keeps text 2 as well.
    search::Restriction liberation;
    liberation.scope.conditions.push_back(results::Condition::equals(
        1, QStringLiteral("journal"), QStringLiteral("Libération")));
    QTest::newRow("journal = Libération") << liberation << ofText2 << qint64(2) << qint64(5);

    // Animaux: segments 2 and 4, segment 2 once though two rows hold it:
    // le 2 (one segment), chien 2 (two), chat, et, un.
    search::Restriction animaux;
    animaux.list = 1;
    animaux.value = m_values.animaux;
    QTest::newRow("coded Animaux")
        << animaux << QStringList{"chien 2/2", "le 2/1", "chat 1/1", "et 1/1", "un 1/1"}
        << qint64(2) << qint64(7);

    // Not coded Animaux: segments 1, 3 and 5.
    search::Restriction notAnimaux = animaux;
    notAnimaux.coded = false;
    QTest::newRow("not coded Animaux")
        << notAnimaux
        << QStringList{"dort 2/2", "chat 1/1", "chats 1/1", "chiens 1/1", "et 1/1", "état 1/1",
                       "le 1/1"}
        << qint64(3) << qint64(8);

    search::Restriction none;
    none.scope = results::Scope::of({});
    QTest::newRow("no text") << none << QStringList{} << qint64(0) << qint64(0);
}

void TestCorpus::vocabulary()
{
    QFETCH(search::Restriction, restriction);
    QFETCH(QStringList, expected);
    QFETCH(qint64, segments);
    QFETCH(qint64, occurrences);
    auto db = Connection::open(m_path);
    if (!restriction.scope.conditions.empty())
        restriction.scope.conditions.front().attribute = m_journal;
    const words::VocabularyCounter counter = words::countVocabulary(*db, restriction);
    QCOMPARE(lines(counter), expected);
    QCOMPARE(counter.segmentCount(), segments);
    QCOMPARE(counter.wordCount(), occurrences);
}

void TestCorpus::targetAndReference_data()
{
    QTest::addColumn<bool>("byAttribute");
    QTest::addColumn<QString>("value"); // Animaux, Sommeil or an attribute's value
    QTest::addColumn<QStringList>("target");
    QTest::addColumn<qint64>("targetSegments");
    QTest::addColumn<qint64>("referenceSegments");
    QTest::addColumn<qint64>("referenceWords");

    // Sommeil: segments 1 and 3; every other segment, coded or not, is the
    // reference (2, 4 and 5: 5 + 2 + 3 words).
    QTest::newRow("Sommeil") << false << QStringLiteral("Sommeil")
                             << QStringList{"dort 2/2", "chat 1/1", "état 1/1", "le 1/1"}
                             << qint64(2) << qint64(3) << qint64(10);
    // Animaux: segment 2 counted once, though two of its rows hold it.
    QTest::newRow("Animaux, each segment once")
        << false << QStringLiteral("Animaux")
        << QStringList{"chien 2/2", "le 2/1", "chat 1/1", "et 1/1", "un 1/1"} << qint64(2)
        << qint64(3) << qint64(8);
    QTest::newRow("journal = Le Monde")
        << true << QStringLiteral("Le Monde")
        << QStringList{"le 3/2", "chat 2/2", "dort 2/2", "chien 1/1", "et 1/1", "état 1/1"}
        << qint64(3) << qint64(2) << qint64(5);
}

void TestCorpus::targetAndReference()
{
    QFETCH(bool, byAttribute);
    QFETCH(QString, value);
    QFETCH(QStringList, target);
    QFETCH(qint64, targetSegments);
    QFETCH(qint64, referenceSegments);
    QFETCH(qint64, referenceWords);
    search::Target t;
    if (byAttribute) {
        t.attribute = m_journal;
        t.attributeValue = value;
    } else {
        t.list = 1;
        t.value = value == QLatin1String("Animaux") ? m_values.animaux : m_values.sommeil;
    }
    auto db = Connection::open(m_path);
    const words::TargetVocabularies counted = words::countTarget(*db, t);
    QCOMPARE(lines(counted.target), target);
    QCOMPARE(counted.target.segmentCount(), targetSegments);
    QCOMPARE(counted.reference.segmentCount(), referenceSegments);
    QCOMPARE(counted.reference.wordCount(), referenceWords);
}

void TestCorpus::characteristicWords()
{
    // Sommeil: c = 5 words in its segments, d = 10 in the others.
    // dort: a = 2, b = 0, E1 = 5 x 2 / 15 = 2/3: G² = 2 x 2 ln 3 = 4.394449,
    //   p = erfc(sqrt(G²/2)) = 0.03605611;
    // état: a = 1, b = 0, E1 = 1/3: G² = 2 ln 3 = 2.197225;
    // chat: a = 1, b = 1, E1 = 2/3, E2 = 4/3: G² = 2 (ln 1.5 + ln 0.75) = 0.235566;
    // le: a = 1, b = 2, E1 = 1, E2 = 2: G² = 0.
    search::Target t;
    t.list = 1;
    t.value = m_values.sommeil;
    auto db = Connection::open(m_path);
    const std::vector<words::KeyWord> found = words::characteristicWords(*db, t, 3);
    QCOMPARE(found.size(), size_t(3));
    const QStringList expected{"dort", "état", "chat"};
    const double g2[] = {4 * std::log(3.0), 2 * std::log(3.0),
                         2 * (std::log(1.5) + std::log(0.75))};
    const qint64 counts[] = {2, 1, 1};
    const qint64 elsewhere[] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(found[size_t(i)].word, expected[i]);
        QVERIFY(std::abs(found[size_t(i)].g2 - g2[i]) < 1e-9);
        QCOMPARE(found[size_t(i)].count, counts[i]);
        QCOMPARE(found[size_t(i)].elsewhere, elsewhere[i]);
    }
    QVERIFY(std::abs(found[0].p - 0.03605611) < 1e-8);

    // Narrowed to text 1: Sommeil against segment 2 alone (le 2, chien,
    // et, chat: d = 5). dort: a = 2, b = 0, E1 = 5 x 2 / 10 = 1:
    // G² = 2 x 2 ln 2 = 2.772589.
    search::Restriction text1;
    text1.scope = results::Scope::of({1});
    const std::vector<words::KeyWord> narrowed = words::characteristicWords(*db, t, 1, {}, text1);
    QCOMPARE(narrowed.size(), size_t(1));
    QCOMPARE(narrowed[0].word, QStringLiteral("dort"));
    QVERIFY(std::abs(narrowed[0].g2 - 4 * std::log(2.0)) < 1e-9);
}

void TestCorpus::progressStops()
{
    auto db = Connection::open(m_path);
    // Told of the start and the end (5 segments of the texts counted).
    QList<QPair<qint64, qint64>> told;
    const words::VocabularyCounter all =
        words::countVocabulary(*db, {}, [&](qint64 done, qint64 total) {
            told << qMakePair(done, total);
            return true;
        });
    QCOMPARE(all.segmentCount(), qint64(5));
    QCOMPARE(told.first(), qMakePair(qint64(0), qint64(5)));
    QCOMPARE(told.last(), qMakePair(qint64(5), qint64(5)));
    // Stopped at once: nothing counted.
    const words::VocabularyCounter stopped =
        words::countVocabulary(*db, {}, [](qint64, qint64) { return false; });
    QCOMPARE(stopped.segmentCount(), qint64(0));
}

void TestCorpus::stoppedAfterFirstBatch_data()
{
    // Two batches and 100 segments more: "Le chat dort." in text 1, then
    // "Un chien." in text 2 from segment kBatchSegments + 1 on (coded
    // Animaux there). "Arrêter" after the first batch: the counts are those
    // of the first kBatchSegments segments, all of text 1; the full count
    // next reads them all.
    QTest::addColumn<bool>("target"); // the characteristic words of Animaux
    QTest::newRow("vocabulary") << false;
    QTest::newRow("characteristic words") << true;
}

void TestCorpus::stoppedAfterFirstBatch()
{
    QFETCH(bool, target);
    QTemporaryDir dir;
    const QString path = codingtest::freshDatabase(dir);
    const qint64 first = words::kBatchSegments;
    const qint64 all = 2 * first + 100;
    qint64 animaux = 0;
    {
        codingtest::Raw db(path);
        animaux = codingtest::addValue(db, 1, QStringLiteral("Animaux"));
        codingtest::addText(db, QStringLiteral("/un.txt"),
                            QStringList(int(first), QStringLiteral("Le chat dort.")));
        codingtest::addText(db, QStringLiteral("/deux.txt"),
                            QStringList(int(all - first), QStringLiteral("Un chien.")));
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) SELECT numero, %1"
                                       " FROM textes WHERE numtexte = 2")
                            .arg(animaux)));
    }
    auto db = Connection::open(path);
    QList<qint64> told;
    const auto stopAtFirstBatch = [&told](qint64 done, qint64 total) {
        told << done << total;
        return done == 0;
    };
    search::Target animals;
    animals.list = 1;
    animals.value = animaux;
    // Told at the start (0 of all), then after the first batch.
    const QList<qint64> expectedTold{0, all, first, all};
    if (!target) {
        const words::VocabularyCounter stopped = words::countVocabulary(*db, {}, stopAtFirstBatch);
        QCOMPARE(told, expectedTold);
        QCOMPARE(stopped.segmentCount(), first);
        QCOMPARE(lines(stopped), (QStringList{QStringLiteral("chat %1/%1").arg(first),
                                              QStringLiteral("dort %1/%1").arg(first),
                                              QStringLiteral("le %1/%1").arg(first)}));
        const words::VocabularyCounter counted = words::countVocabulary(*db, {});
        QCOMPARE(counted.segmentCount(), all);
        QCOMPARE(counted.wordCount(), 3 * first + 2 * (all - first));
    } else {
        // Stopped: the first batch is all reference (text 1 holds no
        // Animaux); the target is empty.
        const words::TargetVocabularies stopped = words::countTarget(*db, animals, stopAtFirstBatch);
        QCOMPARE(told, expectedTold);
        QCOMPARE(stopped.target.segmentCount(), qint64(0));
        QCOMPARE(stopped.reference.segmentCount(), first);
        QCOMPARE(stopped.reference.wordCount(), 3 * first);
        const words::TargetVocabularies counted = words::countTarget(*db, animals);
        QCOMPARE(counted.target.segmentCount(), all - first);
        QCOMPARE(counted.target.wordCount(), 2 * (all - first));
        QCOMPARE(counted.reference.segmentCount(), first);
    }
}

void TestCorpus::bytesAsStored_data()
{
    // A segment's bytes as another program may have stored them; the words
    // are those of the text as Qt reads UTF-8 (a leading byte-order mark
    // dropped, a byte that begins no valid sequence read as U+FFFD, which
    // separates words).
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QStringList>("expected");
    // EF BB BF, then "Été chaud": « été », « chaud ».
    QTest::newRow("byte-order mark first")
        << QByteArray("efbbbf" "c38974c3a9" "20" "6368617564") << QStringList{"chaud 1/1", "été 1/1"};
    // "caf", E9 (é in Windows-1252, no valid UTF-8 here), " noir": the E9
    // separates « caf » from « noir ».
    QTest::newRow("a Windows-1252 é") << QByteArray("636166" "e9" "206e6f6972")
                                      << QStringList{"caf 1/1", "noir 1/1"};
    // "été" with its last é cut after its first byte: « ét ».
    QTest::newRow("a sequence cut at the end") << QByteArray("c3a974c3") << QStringList{"ét 1/1"};
    // "l" U+2019 (E2 80 99) "État": the elided form split off (in French
    // order, état before l').
    QTest::newRow("a typographic apostrophe") << QByteArray("6c" "e28099" "c38974" "6174")
                                              << QStringList{"état 1/1", "l' 1/1"};
    // Ethiopic ሀ (U+1200, E1 88 80), a letter, inside a word; a private-use
    // character (U+E000, EE 80 80), no letter, between two.
    QTest::newRow("three bytes") << QByteArray("61" "e18880" "62" "20" "63" "ee8080" "64")
                                 << QStringList{QString::fromUtf8("a\u1200b 1/1"),
                                                QStringLiteral("c 1/1"), QStringLiteral("d 1/1")};
    // A letter outside the first plane (U+1D49C, F0 9D 92 9C) inside a word.
    QTest::newRow("four bytes") << QByteArray("78" "f09d929c" "79")
                                << QStringList{QString::fromUtf8("x\U0001D49Cy 1/1")};
}

void TestCorpus::bytesAsStored()
{
    QFETCH(QByteArray, hex);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = codingtest::freshDatabase(dir);
    {
        codingtest::Raw db(path);
        codingtest::addText(db, QStringLiteral("/x.txt"), {});
        QVERIFY(db.exec(QStringLiteral("INSERT INTO textes (numtexte, texte) VALUES"
                                       " (1, CAST(x'%1' AS TEXT)), (1, NULL)")
                            .arg(QString::fromLatin1(hex))));
    }
    auto db = Connection::open(path);
    const words::VocabularyCounter counter = words::countVocabulary(*db, {});
    QCOMPARE(counter.segmentCount(), qint64(2)); // the NULL one holds no word
    QCOMPARE(lines(counter), expected);
}

QTEST_GUILESS_MAIN(TestCorpus)
#include "test_corpus.moc"
