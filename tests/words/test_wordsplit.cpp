// The words of a text as every count takes them: lower case and normal form
// C, hyphens and apostrophes inside words only between letters, the French
// elided forms split off, and each word's place in the text as given.
#include "words/wordsplit.h"

#include <QTest>

using Places = QList<QPair<int, int>>;

namespace {

// A text, and the words expected, written in UTF-8.
QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList l(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *w : words)
        list.append(QString::fromUtf8(w));
    return list;
}

} // namespace

class TestWordSplit : public QObject
{
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void places_data();
    void places();
    void longWordAfterShort();
    void lettersBeyondLatin1_data();
    void lettersBeyondLatin1();
};

void TestWordSplit::words_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    // Elided forms.
    QTest::newRow("l'État") << s("l'État") << l({"l'", "état"});
    QTest::newRow("L’ÉTAT, typographic apostrophe, capitals") << s("L’ÉTAT") << l({"l'", "état"});
    QTest::newRow("capital L'") << s("L'homme") << l({"l'", "homme"});
    QTest::newRow("Qu'") << s("Qu'il vienne") << l({"qu'", "il", "vienne"});
    QTest::newRow("qu'il") << s("qu'il") << l({"qu'", "il"});
    QTest::newRow("jusqu'à") << s("jusqu'à") << l({"jusqu'", "à"});
    QTest::newRow("lorsqu', puisqu', quoiqu'")
        << s("lorsqu'on puisqu’elle quoiqu'il") << l({"lorsqu'", "on", "puisqu'", "elle", "quoiqu'", "il"});
    QTest::newRow("d' j' m' n' s' t'")
        << s("d'abord j'ai m'a n'est s'il t'aime")
        << l({"d'", "abord", "j'", "ai", "m'", "a", "n'", "est", "s'", "il", "t'", "aime"});
    QTest::newRow("c'est-à-dire") << s("c'est-à-dire") << l({"c'", "est-à-dire"});
    QTest::newRow("qu'est-ce") << s("Qu’est-ce") << l({"qu'", "est-ce"});
    QTest::newRow("aujourd'hui stays") << s("aujourd'hui") << l({"aujourd'hui"});
    QTest::newRow("aujourd’hui: one apostrophe written '") << s("Aujourd’hui") << l({"aujourd'hui"});
    QTest::newRow("prud'homme stays") << s("prud'homme") << l({"prud'homme"});
    QTest::newRow("presqu'île stays") << s("presqu'île") << l({"presqu'île"});
    QTest::newRow("quelqu'un stays") << s("quelqu'un") << l({"quelqu'un"});
    QTest::newRow("elided form before a space: the apostrophe separates")
        << s("l' État") << l({"l", "état"});
    QTest::newRow("word beginning with an apostrophe") << s("'hui 'tis") << l({"hui", "tis"});
    QTest::newRow("apostrophe at the end") << s("les enfants' jeux") << l({"les", "enfants", "jeux"});
    QTest::newRow("elided form before a digit: the apostrophe separates")
        << s("l'2003") << l({"l", "2003"});

    // Hyphens.
    QTest::newRow("peut-être, one word") << s("peut-être") << l({"peut-être"});
    QTest::newRow("hyphens U+2010 and U+2011 written -")
        << s("peut\u2010être vis\u2011à\u2011vis") << l({"peut-être", "vis-à-vis"});
    QTest::newRow("hyphen at a word's end") << s("peut- être") << l({"peut", "être"});
    QTest::newRow("hyphen at a word's start") << s("-mot") << l({"mot"});
    QTest::newRow("double hyphen") << s("oui--non -- fin") << l({"oui", "non", "fin"});
    QTest::newRow("between digits") << s("2003-2004") << l({"2003", "2004"});
    QTest::newRow("letter and digit") << s("covid-19") << l({"covid", "19"});

    // Letters, digits, marks, case.
    QTest::newRow("digits") << s("En 2003, 12,5 %") << l({"en", "2003", "12", "5"});
    QTest::newRow("XXIe") << s("le XXIe siècle") << l({"le", "xxie", "siècle"});
    QTest::newRow("combining acute composed") << s("e\u0301conomie E\u0301CONOMIE")
        << l({"économie", "économie"});
    QTest::newRow("Économie and économie one word") << s("Économie économie")
        << l({"économie", "économie"});
    QTest::newRow("ligatures kept") << s("Œuvre cœur") << l({"œuvre", "cœur"});
    QTest::newRow("emoji separate") << s("bravo🎉merci 👍") << l({"bravo", "merci"});
    QTest::newRow("punctuation separates") << s("oui,non;«peut»(être)…fin.")
        << l({"oui", "non", "peut", "être", "fin"});
    QTest::newRow("a mark alone makes no word") << s("a \u0301 b") << l({"a", "b"});
    QTest::newRow("underscore and slash separate") << s("mot_clé et/ou") << l({"mot", "clé", "et", "ou"});
    QTest::newRow("letter outside the BMP") << s("x\U0001D49Cy") << l({"x\U0001D49Cy"});
    QTest::newRow("Cyrillic lower-cased") << s("МИР") << l({"мир"});
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("only punctuation") << s("— … ! ' -") << QStringList();
}

void TestWordSplit::words()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(words::countingWords(text), expected);
}

void TestWordSplit::places_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Places>("expected"); // start, length, in UTF-16 units of the text

    // "Dans l'État" : "dans" 0-4, "l'" 5-7, "état" 7-11.
    QTest::newRow("elided form") << QStringLiteral("Dans l'État") << Places{{0, 4}, {5, 2}, {7, 4}};
    // "jusqu’à" : "jusqu'" 0-6, "à" 6-7; "ici" 8-11.
    QTest::newRow("jusqu’à") << QString::fromUtf8("jusqu’à ici") << Places{{0, 6}, {6, 1}, {8, 3}};
    // "e" + U+0301 takes two units of the text though the word is « é… ».
    QTest::newRow("combining mark: the text's units") << QString::fromUtf8("le\u0301ger, x")
        << Places{{0, 6}, {8, 1}};
    // "🎉" takes two units: "a" 0, then "b" at 3.
    QTest::newRow("after an emoji") << QString::fromUtf8("a🎉b") << Places{{0, 1}, {3, 1}};
    // "peut-être." : one word 0-9, the full stop out.
    QTest::newRow("hyphen inside") << QStringLiteral("peut-être.") << Places{{0, 9}};
}

void TestWordSplit::places()
{
    QFETCH(QString, text);
    QFETCH(Places, expected);
    Places got;
    words::WordSplitter splitter;
    splitter.split(text, [&got](QStringView, qsizetype start, qsizetype length) {
        got.append({int(start), int(length)});
    });
    QCOMPARE(got, expected);
}

void TestWordSplit::longWordAfterShort()
{
    // The buffer grows for a long word after short ones, and a short one
    // after it is not left with the long one's tail.
    words::WordSplitter splitter;
    const QString longWord(5000, QLatin1Char('A'));
    QStringList got;
    const auto sink = [&got](QStringView form, qsizetype, qsizetype) { got.append(form.toString()); };
    splitter.split(QStringLiteral("un"), sink);
    splitter.split(longWord, sink);
    splitter.split(QStringLiteral("Deux"), sink);
    QCOMPARE(got, (QStringList{QStringLiteral("un"), QString(5000, QLatin1Char('a')), QStringLiteral("deux")}));
}

void TestWordSplit::lettersBeyondLatin1_data()
{
    // Words whose letters lie below U+0100 and words that hold others (or
    // marks, or typographic joiners), in every order, and elided forms
    // before them: the same rules whatever the characters.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Greek letter after Latin ones") << s("éΩmega") << l({"éωmega"});
    QTest::newRow("Greek letter first") << s("Ωméga") << l({"ωméga"});
    QTest::newRow("elided form before a Greek letter") << s("l’Ωmega") << l({"l'", "ωmega"});
    QTest::newRow("qu' before a Greek letter") << s("QU'Ωn") << l({"qu'", "ωn"});
    QTest::newRow("apostrophe between a letter and a Greek one") << s("aa'Ωb") << l({"aa'ωb"});
    QTest::newRow("typographic apostrophe inside") << s("presqu’île") << l({"presqu'île"});
    QTest::newRow("typographic apostrophes twice") << s("a’’b") << l({"a", "b"});
    QTest::newRow("after a digit, a typographic apostrophe separates") << s("1’a") << l({"1", "a"});
    QTest::newRow("hyphen U+2010 at a word's start") << s("\u2010a") << l({"a"});
    QTest::newRow("hyphen before a mark") << s("x-\u0301y") << l({"x", "y"});
    // e + U+0301 composed into é (normal form C).
    QTest::newRow("a mark after Latin letters") << s("CAFE\u0301S") << l({"cafés"});
    // Ÿ (U+0178) has its lower case ÿ (U+00FF) below U+0100.
    QTest::newRow("capital Ÿ") << s("ŸVES") << l({"ÿves"});
    QTest::newRow("Latin-1 letters only") << s("Ñandú ÇA") << l({"ñandú", "ça"});
    // 40 letters after l': longer than the splitter's first buffer (32).
    QTest::newRow("long word after an elided form")
        << (QStringLiteral("L'") + QString(40, QLatin1Char('A')))
        << QStringList{QStringLiteral("l'"), QString(40, QLatin1Char('a'))};
    QTest::newRow("Greek word past the first buffer")
        << QString(40, QChar(0x3A9)) << QStringList{QString(40, QChar(0x3C9))};
}

void TestWordSplit::lettersBeyondLatin1()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(words::countingWords(text), expected);
}

QTEST_APPLESS_MAIN(TestWordSplit)
#include "test_wordsplit.moc"
