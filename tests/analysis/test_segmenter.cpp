// Sentence segmentation by character rules, cut as UTF-8 bytes: the example
// table, line ends, pieces split anywhere (inside a character too), the
// length limit, progress. Every expectation is written as characters and
// compared byte for byte with the UTF-8 the segmenter hands out.
#include "analysis/segmenter.h"

#include <QStringList>
#include <QTest>

using segmentation::Segmenter;

namespace {

using Segments = QList<QByteArray>;

Segments utf8(const QStringList &segments)
{
    Segments out;
    for (const QString &s : segments)
        out << s.toUtf8();
    return out;
}

Segments cutBytes(const QByteArray &bytes, const QList<qsizetype> &splits = {})
{
    Segments out;
    Segmenter s([&](QByteArrayView seg) { out << seg.toByteArray(); });
    qsizetype from = 0;
    for (qsizetype at : splits) {
        s.feed(QByteArrayView(bytes).sliced(from, at - from));
        from = at;
    }
    s.feed(QByteArrayView(bytes).sliced(from));
    s.finish();
    return out;
}

Segments cut(const QString &text)
{
    return cutBytes(text.toUtf8());
}

const QString CRLF = QStringLiteral("\r\n");
const QString Q = QStringLiteral("\"");

struct Row
{
    const char *name;
    QStringList lines;   // lines of the file (empty: an empty file)
    QStringList segments;
};

QList<Row> exampleRows()
{
    return {
        {"two sentences", {"Il pleut. Il vente!"}, {"Il pleut.", " Il vente!"}},
        {"ellipsis", {"Attendez... Non."}, {"Attendez...", " Non."}},
        {"double quotes close", {"Il dit : " + Q + "Oui." + Q + " Puis il part."},
         {"Il dit : " + Q + "Oui." + Q, " Puis il part."}},
        {"apostrophe closes", {"C'est fini.' Non"}, {"C'est fini.'", " Non"}},
        {"?! cut apart", {"Quoi ?! Bon."}, {"Quoi ?", "!", " Bon."}},
        {"decimal number", {"Pi vaut 3.14 environ."}, {"Pi vaut 3.", "14 environ."}},
        {"abbreviation", {"M. Durand arrive."}, {"M.", " Durand arrive."}},
        {"two lines", {"Bonjour.", "Au revoir."}, {"Bonjour." + CRLF, "Au revoir."}},
        {"sentence over two lines", {"Ceci est", "une phrase."}, {"Ceci est" + CRLF + "une phrase."}},
        {"blank line between", {"A.", "", "B."}, {"A." + CRLF + CRLF, "B."}},
        {"leading blanks", {"   Texte sans point"}, {"Texte sans point"}},
        {"trailing blank then next line", {"Un. ", "Deux."}, {"Un.", " " + CRLF + "Deux."}},
        {"trailing blank, cut inside", {"Un. ", "Deux. Trois."}, {"Un.", CRLF + "Deux.", " Trois."}},
        {"empty file", {}, {}},
        {"only blank lines", {"", "   ", ""}, {}},
        {"only blanks", {"     "}, {}},
        {"closers across a line end", {"Il a dit.", Q + "Bien."}, {"Il a dit." + CRLF + Q, "Bien."}},
        {"tab and no-break space kept", {"\tUn.\u00A0Deux."}, {"\tUn.", "\u00A0Deux."}},
        {"typographic quotes are ordinary", {"Fin.\u00BB Oui.\u2019"}, {"Fin.", "\u00BB Oui.", "\u2019"}},
        {"byte-order marks are ordinary", {"Un. \uFEFFDeux. \uFFFETrois. Fin"},
         // (a QString made from UTF-8 would drop a leading U+FEFF)
         {"Un.", QChar(0xFEFF) + QStringLiteral("Deux."), QChar(0xFFFE) + QStringLiteral("Trois."),
          " Fin"}},
        {"outside the basic plane", {"\U0001F600. \U0001F600"}, {"\U0001F600.", " \U0001F600"}},
    };
}

} // namespace

class TestSegmenter : public QObject
{
    Q_OBJECT
private slots:
    void exampleTable_data();
    void exampleTable();
    void rawBytes_data();
    void rawBytes();
    void pieces_data();
    void pieces();
    void crSplitAcrossPieces();
    void limit_data();
    void limit();
    void lineCount_data();
    void lineCount();
    void progressValues_data();
    void progressValues();
    void segmentsNeverEmptyAndTrimmed();
    void documentLines_data();
    void documentLines();
};

void TestSegmenter::exampleTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("segments");
    for (const Row &r : exampleRows()) {
        const QString crlf = r.lines.join(CRLF);
        QTest::addRow("%s, no final line end", r.name) << crlf << r.segments;
        if (r.lines.isEmpty())
            continue;
        QTest::addRow("%s, final CR LF", r.name) << crlf + CRLF << r.segments;
        QTest::addRow("%s, lone CR line ends", r.name)
            << r.lines.join(QLatin1Char('\r')) + QLatin1Char('\r') << r.segments;
    }
}

void TestSegmenter::exampleTable()
{
    QFETCH(QString, text);
    QFETCH(QStringList, segments);
    QCOMPARE(cut(text), utf8(segments));
}

void TestSegmenter::rawBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("segments");
    QTest::newRow("Fin. CRLF CRLF") << QStringLiteral("Fin. \r\n\r\n")
                                    << QStringList{"Fin.", " " + CRLF};
    QTest::newRow("Fin. CR CR") << QStringLiteral("Fin. \r\r")
                                << QStringList{"Fin.", " " + CRLF};
    QTest::newRow("Fin. CRLF: the trailing blank alone is dropped")
        << QStringLiteral("Fin. \r\n") << QStringList{"Fin."};
    QTest::newRow("lone LF is ordinary") << QStringLiteral("A.\nB.")
                                         << QStringList{"A.", "\nB."};
    QTest::newRow("LF CR is LF then a line end") << QStringLiteral("A\n\rB")
                                                 << QStringList{"A\n" + CRLF + "B"};
    QTest::newRow("CR CR LF: two line ends") << QStringLiteral("A\r\r\nB")
                                             << QStringList{"A" + CRLF + CRLF + "B"};
    QTest::newRow("lone CR at the end") << QStringLiteral("Un.\r") << QStringList{"Un."};
    QTest::newRow("only CR LF") << QStringLiteral("\r\n\r\n") << QStringList{};
    QTest::newRow("blank first lines are not collected")
        << QStringLiteral("\r\n  \r\nA.") << QStringList{"A."};
    QTest::newRow("leading blanks of later lines")
        << QStringLiteral("Un\r\n   deux.") << QStringList{"Un" + CRLF + "deux."};
}

void TestSegmenter::rawBytes()
{
    QFETCH(QString, text);
    QFETCH(QStringList, segments);
    QCOMPARE(cut(text), utf8(segments));
}

void TestSegmenter::pieces_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("table text") << QStringLiteral(
        "  Il pleut. Il vente!\r\nQuoi ?! Bon.\r\nUn. \r\n\r\n Deux. \"Trois.\"' \rA.\nB.\r\n");
    QTest::newRow("characters of 2, 3 and 4 bytes") << QStringLiteral(
        "  \u00C9t\u00E9. \u20AC 5!\r\n\U0001F600 ?\u00AB\u00A0x.\r\n\u00E0.\r");
    QTest::newRow("blank lines") << QStringLiteral("\r\n   \r\n  x  \r\n\r");
}

void TestSegmenter::pieces()
{
    QFETCH(QString, text);
    const QByteArray bytes = text.toUtf8();
    const Segments whole = cutBytes(bytes);
    // Every split into two pieces (inside a character too), and one byte at
    // a time.
    for (qsizetype at = 0; at <= bytes.size(); ++at)
        QCOMPARE(cutBytes(bytes, {at}), whole);
    for (qsizetype at = 0; at + 3 <= bytes.size(); ++at)
        QCOMPARE(cutBytes(bytes, {at, at + 1, at + 3}), whole);
    QList<qsizetype> every;
    for (qsizetype at = 1; at < bytes.size(); ++at)
        every << at;
    QCOMPARE(cutBytes(bytes, every), whole);
}

void TestSegmenter::crSplitAcrossPieces()
{
    // CR at the end of one piece, LF at the start of the next: one line end.
    Segments out;
    Segmenter s([&](QByteArrayView seg) { out << seg.toByteArray(); });
    s.feed("Un.\r");
    s.feed("\nDeux.\r");
    s.feed("\n");
    s.finish();
    QCOMPARE(out, (Segments{"Un.\r\n", "Deux."}));
    QCOMPARE(s.lines(), 2);
}

void TestSegmenter::limit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qsizetype>("limit");
    QTest::addColumn<int>("stored"); // segments stored before the refusal; -1: none refused
    QTest::newRow("every segment within") << QByteArray("Un. Deux. Trois.") << qsizetype(7) << -1;
    QTest::newRow("leading blanks are not counted at a cut")
        << QByteArray("Un.      Deux. Fin") << qsizetype(5) << -1;
    QTest::newRow("second segment over") << QByteArray("Un. Trois. Fin") << qsizetype(5) << 1;
    QTest::newRow("no terminator at all") << QByteArray(100, 'x') << qsizetype(10) << 0;
    QTest::newRow("over only with the CR LF of its line end")
        << QByteArray("Un.\r\nDeux.") << qsizetype(4) << 0;
    QTest::newRow("last segment keeps its leading blanks")
        << QByteArray("Un.     Fin") << qsizetype(5) << 1;
}

void TestSegmenter::limit()
{
    QFETCH(QByteArray, text);
    QFETCH(qsizetype, limit);
    QFETCH(int, stored);
    Segments out;
    Segmenter s([&](QByteArrayView seg) {
        QVERIFY(seg.size() <= limit);
        out << seg.toByteArray();
    });
    s.setLimit(limit);
    bool refused = false;
    try {
        // One byte at a time: the refusal comes as soon as it is certain.
        for (char c : text)
            s.feed(QByteArrayView(&c, 1));
        s.finish();
    } catch (const segmentation::SegmentTooLong &e) {
        refused = true;
        QCOMPARE(e.limit(), limit);
    }
    QCOMPARE(refused, stored >= 0);
    if (stored >= 0)
        QCOMPARE(out.size(), stored);
    else
        QCOMPARE(out, cutBytes(text));
}

void TestSegmenter::lineCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("one line") << QStringLiteral("a") << qint64(1);
    QTest::newRow("one line and CR LF") << QStringLiteral("a\r\n") << qint64(1);
    QTest::newRow("one empty line") << QStringLiteral("\r\n") << qint64(1);
    QTest::newRow("two lines, last empty") << QStringLiteral("a\r\n\r\n") << qint64(2);
    QTest::newRow("lone CR") << QStringLiteral("a\rb\r") << qint64(2);
    QTest::newRow("lone LF") << QStringLiteral("a\nb\n") << qint64(1);
}

void TestSegmenter::lineCount()
{
    QFETCH(QString, text);
    QFETCH(qint64, lines);
    qint64 hooked = 0;
    Segmenter s([](QByteArrayView) {}, [&](qint64 k) {
        QCOMPARE(k, hooked + 1);
        hooked = k;
    });
    s.feed(text.toUtf8());
    s.finish();
    QCOMPARE(s.lines(), lines);
    QCOMPARE(hooked, lines);
}

void TestSegmenter::progressValues_data()
{
    QTest::addColumn<qint64>("lines");
    QTest::addColumn<int>("value");
    QTest::newRow("1") << qint64(1) << 1;
    QTest::newRow("998") << qint64(998) << 998;
    QTest::newRow("999") << qint64(999) << 1;
    QTest::newRow("1000") << qint64(1000) << 2;
    QTest::newRow("1996") << qint64(1996) << 998;
    QTest::newRow("1997") << qint64(1997) << 1;
    QTest::newRow("2000") << qint64(2000) << 4;
}

void TestSegmenter::progressValues()
{
    QFETCH(qint64, lines);
    QFETCH(int, value);
    QCOMPARE(segmentation::progressAfterLines(lines), value);
    // The bar's own rule: one more per line, 999 becomes 1.
    int bar = 0;
    for (qint64 k = 0; k < lines; ++k)
        if (++bar == segmentation::kProgressDone)
            bar = 1;
    QCOMPARE(bar, value);
}

void TestSegmenter::segmentsNeverEmptyAndTrimmed()
{
    const QString text = QStringLiteral("  .  .  !?  \r\n . \r\n   ' x.");
    for (const QByteArray &seg : cut(text))
        QVERIFY(!seg.isEmpty());
}


// A document's paragraphs, one per line: each line end ends a sentence.
void TestSegmenter::documentLines_data()
{
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QStringList>("segments");
    QTest::newRow("heading then its text")
        << QStringList{"Entretien avec une infirmière", "Je travaille la nuit. Et vous ?"}
        << QStringList{"Entretien avec une infirmière" + CRLF, "Je travaille la nuit.", "Et vous ?"};
    QTest::newRow("list items")
        << QStringList{"pommes", "poires", "Fin."}
        << QStringList{"pommes" + CRLF, "poires" + CRLF, "Fin."};
    QTest::newRow("a closer opens the next paragraph")
        << QStringList{"Titre", Q + "Oui." + Q + " dit-il.", "'Non'"}
        << QStringList{"Titre" + CRLF, Q + "Oui." + Q, "dit-il." + CRLF, "'Non'"};
    QTest::newRow("sentence ends at the paragraph end")
        << QStringList{"Un.", "Deux"} << QStringList{"Un." + CRLF, "Deux"};
    QTest::newRow("sentence ended inside, rest of the paragraph")
        << QStringList{"A. B", "C"} << QStringList{"A.", "B" + CRLF, "C"};
    QTest::newRow("blanks ending a paragraph are not kept")
        << QStringList{"Un. ", "Deux."} << QStringList{"Un.", "Deux."};
    QTest::newRow("the last segment without its leading spaces")
        << QStringList{"Un. Deux."} << QStringList{"Un.", "Deux."};
    QTest::newRow("one paragraph") << QStringList{"Seul"} << QStringList{"Seul"};
}

void TestSegmenter::documentLines()
{
    QFETCH(QStringList, paragraphs);
    QFETCH(QStringList, segments);
    const QByteArray text = paragraphs.join(CRLF).toUtf8();
    // Whole, then a byte at a time (a CR LF split between pieces too).
    for (const qsizetype step : {text.size(), qsizetype(1)}) {
        Segments out;
        Segmenter s([&](QByteArrayView seg) { out << seg.toByteArray(); });
        s.setLineEndsSentence(true);
        for (qsizetype at = 0; at < text.size(); at += step)
            s.feed(QByteArrayView(text).sliced(at, qMin(step, text.size() - at)));
        s.finish();
        QCOMPARE(out, utf8(segments));
    }
}

QTEST_GUILESS_MAIN(TestSegmenter)
#include "test_segmenter.moc"
