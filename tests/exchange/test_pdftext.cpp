// The text the PDF reader takes from PDFs written here byte by byte: page
// layout left out (leaders, running heads and feet, page numbers), words
// cut by the three hyphens joined, right-to-left lines in logical order, a
// stop honoured between pages.
#include "exchange/paragraphs.h"
#include "exchange/pdfreader.h"
#include "pdfbuilder.h"

#include <QTemporaryDir>
#include <QtTest>

using pdfbuilder::Text;
using Pages = QList<pdfbuilder::Page>;
Q_DECLARE_METATYPE(pdfbuilder::Text)

namespace {

// The Hebrew letters used below.
const QString kShin = QStringLiteral("\u05E9"), kLamed = QStringLiteral("\u05DC"),
              kVav = QStringLiteral("\u05D5"), kFinalMem = QStringLiteral("\u05DD"),
              kAyin = QStringLiteral("\u05E2"), kNun = QStringLiteral("\u05E0"),
              kTav = QStringLiteral("\u05EA");
// "shalom" and "olam" as read, and as drawn (left to right).
const QString kShalom = kShin + kLamed + kVav + kFinalMem;
const QString kShalomDrawn = kFinalMem + kVav + kLamed + kShin;
const QString kOlam = kAyin + kVav + kLamed + kFinalMem;
const QString kOlamDrawn = kFinalMem + kLamed + kVav + kAyin;

// Four pages of one body line each, with the head and foot given (%1: the
// page's number from 1).
Pages headedPages(const QString &head, const QString &foot, int first = 14)
{
    Pages pages;
    for (int p = 0; p < 4; ++p)
        pages << pdfbuilder::Page{Text{72, 40, head.arg(first + p)},
                                  Text{72, 300, QStringLiteral("Texte de la page %1.").arg(p + 1)},
                                  Text{290, 800, foot.arg(first + p)}};
    return pages;
}

} // namespace

class TestPdfText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void layout_data();
    void layout();
    void hyphens_data();
    void hyphens();
    void rightToLeft_data();
    void rightToLeft();
    void stop_data();
    void stop();

private:
    exchange::Document read(const Pages &pages, bool keepLayout = false,
                            const exchange::StopRequest &stop = {})
    {
        const QString path = m_dir.filePath(QStringLiteral("%1.pdf").arg(++m_files));
        if (!pdfbuilder::write(path, pages))
            qFatal("cannot write %s", qPrintable(path));
        exchange::PdfReader reader;
        reader.setKeepLayout(keepLayout);
        return reader.read(path, stop);
    }

    QTemporaryDir m_dir;
    int m_files = 0;
};

// What is left out as page layout, and how many lines and leaders that is.
void TestPdfText::layout_data()
{
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("omitted");

    const Pages contents{{Text{72, 200, QStringLiteral("Sommaire")},
                          Text{72, 230, QStringLiteral("Introduction . . . . . 3")},
                          Text{72, 244, QStringLiteral("Méthodes ........ 12")},
                          Text{72, 258, QStringLiteral("Résultats . . . . . . . . xii")},
                          Text{72, 272, QStringLiteral("............ 31")},
                          Text{72, 286, QStringLiteral("Conclusion . . . . . . .")},
                          Text{72, 300, QStringLiteral("41")}}};
    // Four leader runs, one line of leaders only, one number alone on a
    // contents page.
    QTest::newRow("table of contents")
        << contents << false
        << QStringList{QStringLiteral("Sommaire"), QStringLiteral("Introduction"),
                       QStringLiteral("Méthodes"), QStringLiteral("Résultats"),
                       QStringLiteral("Conclusion")}
        << qint64(6);
    QTest::newRow("table of contents kept")
        << contents << true
        << QStringList{QStringLiteral("Sommaire"),
                       QStringLiteral("Introduction . . . . . 3 Méthodes ........ 12 Résultats "
                                      ". . . . . . . . xii ............ 31 Conclusion . . . . . . "
                                      ". 41")}
        << qint64(0);

    const QStringList bodies{QStringLiteral("Texte de la page 1."),
                             QStringLiteral("Texte de la page 2."),
                             QStringLiteral("Texte de la page 3."),
                             QStringLiteral("Texte de la page 4.")};
    // 4 heads and 4 feet; "page 14" to "page 17" match with their digits
    // masked.
    QTest::newRow("running heads and feet")
        << headedPages(QStringLiteral("Chapitre 2 — page %1"), QStringLiteral("Rapport %1"))
        << false << bodies << qint64(8);
    QTest::newRow("running heads and feet kept")
        << headedPages(QStringLiteral("Chapitre 2 — page %1"), QStringLiteral("Rapport %1"))
        << true
        << QStringList{QStringLiteral("Chapitre 2 — page 14"), bodies.at(0),
                       QStringLiteral("Rapport 14"),
                       QStringLiteral("Chapitre 2 — page 15"), bodies.at(1),
                       QStringLiteral("Rapport 15"),
                       QStringLiteral("Chapitre 2 — page 16"), bodies.at(2),
                       QStringLiteral("Rapport 16"),
                       QStringLiteral("Chapitre 2 — page 17"), bodies.at(3),
                       QStringLiteral("Rapport 17")}
        << qint64(0);

    // Heads of odd and even pages, each on half of the pages.
    Pages alternate;
    for (int p = 0; p < 4; ++p)
        alternate << pdfbuilder::Page{
            Text{72, 40, p % 2 ? QStringLiteral("Guide de l'utilisateur") : QStringLiteral("Telmira")},
            Text{72, 300, bodies.at(p)}};
    QTest::newRow("heads of odd and even pages") << alternate << false << bodies << qint64(4);

    // The same line on every page, but in the middle of the page.
    Pages middle;
    for (int p = 0; p < 4; ++p)
        middle << pdfbuilder::Page{Text{72, 300, bodies.at(p)},
                                   Text{72, 400, QStringLiteral("Confidentiel")}};
    QTest::newRow("repeated in the middle of the page")
        << middle << false
        << QStringList{bodies.at(0), QStringLiteral("Confidentiel"), bodies.at(1),
                       QStringLiteral("Confidentiel"), bodies.at(2),
                       QStringLiteral("Confidentiel"), bodies.at(3), QStringLiteral("Confidentiel")}
        << qint64(0);

    // A head at 40, 80 and 200 points: not at the same place (40 points are
    // more than 2 % of the height), and the last in the middle of its page.
    Pages moving;
    const double heights[] = {40, 80, 200};
    for (int p = 0; p < 3; ++p)
        moving << pdfbuilder::Page{Text{72, heights[p], QStringLiteral("Rapport")},
                                   Text{72, 300, bodies.at(p)}};
    QTest::newRow("repeated at other heights")
        << moving << false
        << QStringList{QStringLiteral("Rapport"), bodies.at(0), QStringLiteral("Rapport"),
                       bodies.at(1), QStringLiteral("Rapport"), bodies.at(2)}
        << qint64(0);

    // A document of two pages keeps its repeated lines.
    QTest::newRow("two pages")
        << headedPages(QStringLiteral("Chapitre 2 — page %1"), QStringLiteral("Rapport %1"))
               .first(2)
        << false
        << QStringList{QStringLiteral("Chapitre 2 — page 14"), bodies.at(0),
                       QStringLiteral("Rapport 14"), QStringLiteral("Chapitre 2 — page 15"),
                       bodies.at(1), QStringLiteral("Rapport 15")}
        << qint64(0);

    // Page numbers of five forms, each once (not repeated): all five go.
    const QStringList numbers{QStringLiteral("12"), QStringLiteral("- 13 -"),
                              QStringLiteral("Page 14"), QStringLiteral("15/40"),
                              QStringLiteral("xii")};
    Pages numbered;
    for (int p = 0; p < 5; ++p)
        numbered << pdfbuilder::Page{Text{72, 300, QStringLiteral("Corps du texte.")},
                                     Text{290, 800, numbers.at(p)}};
    QTest::newRow("page numbers")
        << numbered << false << QStringList(5, QStringLiteral("Corps du texte.")) << qint64(5);

    // A sentence ending with a number at the foot, a number alone in the
    // middle of a page, a sentence with leader-like dots too few.
    QTest::newRow("numbers in the text")
        << Pages{{Text{72, 300, QStringLiteral("Le tableau :")}, Text{72, 330, QStringLiteral("42")},
                  Text{72, 360, QStringLiteral("Il en restait... 12")},
                  Text{72, 800, QStringLiteral("Le total s'élève à 12")}}}
        << false
        << QStringList{QStringLiteral("Le tableau :"), QStringLiteral("42"),
                       QStringLiteral("Il en restait... 12"),
                       QStringLiteral("Le total s'élève à 12")}
        << qint64(0);

    // Twelve pages (read on two threads) come in their order.
    Pages many;
    QStringList texts;
    for (int p = 0; p < 12; ++p) {
        texts << QStringLiteral("Texte de la page %1.").arg(p + 1);
        many << pdfbuilder::Page{Text{72, 300, texts.back()}};
    }
    QTest::newRow("pages in order") << many << false << texts << qint64(0);
}

void TestPdfText::layout()
{
    QFETCH(Pages, pages);
    QFETCH(bool, keep);
    QFETCH(QStringList, expected);
    QFETCH(qint64, omitted);
    const exchange::Document doc = read(pages, keep);
    QVERIFY2(doc.ok(), qPrintable(doc.error));
    QCOMPARE(doc.paragraphs, expected);
    QCOMPARE(doc.layoutOmitted, omitted);
}

// Two lines of one paragraph (14 points apart, 12 high), or of two (30
// apart).
void TestPdfText::hyphens_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<double>("gap");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("hyphen-minus")
        << QStringLiteral("dans l'in-") << QStringLiteral("tervalle donné") << 14.0
        << QStringList{QStringLiteral("dans l'intervalle donné")};
    QTest::newRow("soft hyphen")
        << QStringLiteral("croît exponentiel\u00AD") << QStringLiteral("lement") << 14.0
        << QStringList{QStringLiteral("croît exponentiellement")};
    QTest::newRow("hyphen U+2010")
        << QStringLiteral("le condensa\u2010") << QStringLiteral("teur") << 14.0
        << QStringList{QStringLiteral("le condensateur")};
    QTest::newRow("before a capital")
        << QStringLiteral("Jean-") << QStringLiteral("Pierre") << 14.0
        << QStringList{QStringLiteral("Jean- Pierre")};
    QTest::newRow("soft hyphen before a capital")
        << QStringLiteral("Jean\u00AD") << QStringLiteral("Pierre") << 14.0
        << QStringList{QStringLiteral("Jean- Pierre")};
    QTest::newRow("after a digit")
        << QStringLiteral("en 1939-") << QStringLiteral("lors") << 14.0
        << QStringList{QStringLiteral("en 1939- lors")};
    QTest::newRow("inside the line")
        << QStringLiteral("un arc-en-ciel") << QStringLiteral("visible") << 14.0
        << QStringList{QStringLiteral("un arc-en-ciel visible")};
    QTest::newRow("soft hyphen at a paragraph's end")
        << QStringLiteral("un exem\u00AD") << QStringLiteral("plaire") << 30.0
        << QStringList{QStringLiteral("un exem-"), QStringLiteral("plaire")};
}

void TestPdfText::hyphens()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(double, gap);
    QFETCH(QStringList, expected);
    const exchange::Document doc =
        read({{Text{72, 300, first}, Text{72, 300 + gap, second}}});
    QVERIFY2(doc.ok(), qPrintable(doc.error));
    QCOMPARE(doc.paragraphs, expected);
}

// Lines drawn as producers draw them (glyphs in visual order), and the
// order they are read in.
void TestPdfText::rightToLeft_data()
{
    QTest::addColumn<Text>("line");
    QTest::addColumn<QString>("expected");

    const QString space = QStringLiteral(" ");
    QTest::newRow("Hebrew") << Text{72, 300, kOlamDrawn + space + kShalomDrawn}
                            << kShalom + space + kOlam;
    QTest::newRow("Hebrew drawn from the right, glyph by glyph")
        << Text{72, 300, kOlamDrawn + space + kShalomDrawn, 12, true} << kShalom + space + kOlam;
    // "shanat 2024": the number is drawn left to right, at the left end.
    QTest::newRow("Hebrew with a number")
        << Text{72, 300, QStringLiteral("2024 ") + kTav + kNun + kShin}
        << kShin + kNun + kTav + QStringLiteral(" 2024");
    QTest::newRow("Hebrew with a Latin word")
        << Text{72, 300, kOlamDrawn + QStringLiteral(" Telmira ") + kShalomDrawn}
        << kShalom + QStringLiteral(" Telmira ") + kOlam;
    QTest::newRow("Hebrew word in a French line")
        << Text{72, 300, QStringLiteral("le mot ") + kShalomDrawn + QStringLiteral(" ici")}
        << QStringLiteral("le mot ") + kShalom + QStringLiteral(" ici");
    // "marhaba": mim, ra, ha, ba, alif.
    QTest::newRow("Arabic") << Text{72, 300, QStringLiteral("\u0627\u0628\u062D\u0631\u0645")}
                            << QStringLiteral("\u0645\u0631\u062D\u0628\u0627");
}

void TestPdfText::rightToLeft()
{
    QFETCH(Text, line);
    QFETCH(QString, expected);
    const exchange::Document doc = read({{line}});
    QVERIFY2(doc.ok(), qPrintable(doc.error));
    QCOMPARE(doc.paragraphs, QStringList{expected});
}

// A stop asked at the n-th poll of a document of 12 pages.
void TestPdfText::stop_data()
{
    QTest::addColumn<int>("at");
    QTest::newRow("at the first poll") << 1;
    QTest::newRow("at the second poll, after a page") << 2;
}

void TestPdfText::stop()
{
    QFETCH(int, at);
    Pages pages;
    for (int p = 0; p < 12; ++p)
        pages << pdfbuilder::Page{Text{72, 300, QStringLiteral("Texte.")}};
    int polls = 0;
    const exchange::Document doc = read(pages, false, [&polls, at]() { return ++polls >= at; });
    QVERIFY(doc.stopped);
    QCOMPARE(doc.error, exchange::stoppedCause());
    QVERIFY(doc.paragraphs.isEmpty());
    QCOMPARE(polls, at);
}

QTEST_GUILESS_MAIN(TestPdfText)
#include "test_pdftext.moc"
