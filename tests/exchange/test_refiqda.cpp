// Exchange with other analysis programs (REFI-QDA): the exported project
// validates against the published schema and each selection is its
// segment's exact range; export then import gives the same analysis; a
// hand-written project and codebook come in as far as the lists allow; a
// hostile archive is refused with nothing imported.
#include "analysis/segmenter.h"
#include "exchange/analysisproject.h"
#include "exchange/qdpxarchive.h"
#include "exchange/refiqdaexport.h"
#include "exchange/refiqdaimport.h"
#include "store/codingstore.h"
#include "store/attributestore.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/notestore.h"
#include "refiqdatest.h"
#include "storedzip.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sqlite3.h>

namespace {

using refiqdatest::analysis;

// Two texts, a definition, a named list, codings on one and two lists, a row
// on the empty values only, characters outside the BMP and line ends.
const char *const kCoded =
    "INSERT INTO Chemin (chemin) VALUES ('/corpus/entretien 1.txt'), ('/corpus/é2.txt');"
    "INSERT INTO textes (numtexte, texte) VALUES (1, 'Première phrase.'),"
    " (1, 'Deuxième 😀 phrase !' || char(13, 10)), (1, 'Fin \"citée.\"'),"
    " (2, 'Autre texte.'), (2, ' reste');"
    "INSERT INTO var_comp_01 (variable01) VALUES ('Économie'), ('Santé');"
    "INSERT INTO var_comp_03 (variable03) VALUES ('Positif');"
    "INSERT INTO Listes VALUES (1, 'Thème');"
    "INSERT INTO Definitions VALUES (1, 36, 'Argent & <emploi>');"
    "INSERT INTO Contenus (numtexte, numvar01, numvar03) VALUES (2, 36, 5), (2, 37, 1),"
    " (4, 1, 5), (5, 1, 1);";

// Each coding row of an analysis as "text path|segment text|values".
QStringList codingOf(const QString &path)
{
    return refiqdatest::codingRows(path, 5, false);
}

// Lists as "name: value (definition), ...".
QStringList listsOf(const QString &path)
{
    auto store = coding::CodingStore::open(path);
    const exchangestore::Analysis a = exchangestore::read(store->connection());
    QStringList lists;
    for (const auto &list : a.lists) {
        QStringList values;
        for (const auto &v : list.values)
            values << v.text + QStringLiteral(" (") + v.definition + QLatin1Char(')');
        lists << list.name + QStringLiteral(": ") + values.join(QStringLiteral(", "));
    }
    return lists;
}

QStringList segmentsOf(const QString &path)
{
    auto store = coding::CodingStore::open(path);
    QStringList out;
    for (const auto &t : exchangestore::read(store->connection()).texts)
        for (const auto &s : t.segments)
            out << t.path + QLatin1Char('|') + s.text;
    return out;
}


// Codes nested `depth` levels deep, the innermost first named c<depth>.
QByteArray nestedCodes(int depth)
{
    QByteArray xml = "<Codes>";
    for (int i = 1; i <= depth; ++i)
        xml += "<Code guid=\"g" + QByteArray::number(i) + "\" name=\"c" + QByteArray::number(i)
               + "\">";
    for (int i = 1; i <= depth; ++i)
        xml += "</Code>";
    return xml + "</Codes>";
}

// The depth of the deepest code, walked without recursion.
int depthOf(const std::vector<refiqda::Code> &codes)
{
    int deepest = 0;
    std::vector<std::pair<const refiqda::Code *, int>> open;
    for (const auto &c : codes)
        open.emplace_back(&c, 1);
    while (!open.empty()) {
        const auto [code, depth] = open.back();
        open.pop_back();
        deepest = std::max(deepest, depth);
        for (const auto &child : code->children)
            open.emplace_back(&child, depth + 1);
    }
    return deepest;
}

// Three texts of two sentences; each sentence coded on list 1, the first of
// each text on list 2 too.
refiqda::Project smallProject(const QString &firstValue = QStringLiteral("Économie"))
{
    refiqda::Project p;
    p.name = QStringLiteral("petit");
    p.codes = {{QStringLiteral("T"), QStringLiteral("Thème"), QString(), false,
                {{QStringLiteral("T1"), firstValue, QString(), true, {}},
                 {QStringLiteral("T2"), QStringLiteral("Santé"), QString(), true, {}}}},
               {QStringLiteral("N"), QStringLiteral("Ton"), QString(), false,
                {{QStringLiteral("N1"), QStringLiteral("Positif"), QString(), true, {}}}}};
    for (int i = 1; i <= 3; ++i) {
        refiqda::Source source;
        source.guid = QStringLiteral("S%1").arg(i);
        source.name = QStringLiteral("/corpus/texte %1.txt").arg(i);
        source.text = QStringLiteral("Un. Deux.");
        source.selections = {{QStringLiteral("A%1").arg(i), 0, 3, QString(),
                              {QStringLiteral("T1"), QStringLiteral("N1")}, {}},
                             {QStringLiteral("B%1").arg(i), 4, 9, QString(), {QStringLiteral("T2")},
                              {}}};
        p.sources.push_back(source);
    }
    return p;
}

} // namespace

class TestRefiQda : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void validate(const QByteArray &xml, const QString &schema)
    {
        const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
        if (xmllint.isEmpty())
            QSKIP("xmllint is not installed");
        const QString file = m_dir.filePath(QStringLiteral("doc.xml"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(xml);
        f.close();
        QProcess p;
        p.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"), schema, file});
        QVERIFY(p.waitForFinished());
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }

private slots:
    void exportValidatesAndSelectionsAreSegments()
    {
        const QString db = analysis(m_dir, QStringLiteral("a.mdb"), kCoded);
        const QString out = m_dir.filePath(QStringLiteral("a.qdpx"));
        auto store = coding::CodingStore::open(db);
        QCOMPARE(refiqda::exportProject(store->connection(), out), QString());
        const exchangestore::Analysis a = exchangestore::read(store->connection());
        const refiqda::Project project = refiqda::projectOf(a, QStringLiteral("a"));
        validate(refiqda::projectXml(project), QFINDTESTDATA("Project-mrt2019.xsd"));
        validate(refiqda::codebookXml(refiqda::codesOf(a), refiqda::origin()),
                 QFINDTESTDATA("Codebook.xsd"));

        // What the archive holds: each selection is exactly its segment.
        const refiqda::ReadProject read = refiqda::readQdpx(out);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.project.sources.size(), size_t(2));
        QStringList selected;
        for (const refiqda::Source &s : read.project.sources)
            for (const refiqda::Selection &sel : s.selections) {
                const qsizetype from = refiqda::utf16Index(s.text, sel.start);
                selected << s.text.mid(from, refiqda::utf16Index(s.text, sel.end) - from);
            }
        QCOMPARE(selected, QStringList({QStringLiteral("Deuxième 😀 phrase !\r\n"),
                                        QStringLiteral("Deuxième 😀 phrase !\r\n"),
                                        QStringLiteral("Autre texte.")}));
        // The row on empty values only codes nothing and is left out; the
        // identifiers are the same at a second export.
        QCOMPARE(refiqda::projectXml(refiqda::projectOf(exchangestore::read(store->connection()),
                                                        QStringLiteral("a"))),
                 refiqda::projectXml(project));
    }

    void exportThenImportGivesTheSameAnalysis()
    {
        const QString db = analysis(m_dir, QStringLiteral("b.mdb"), kCoded);
        const QString out = m_dir.filePath(QStringLiteral("b.qdpx"));
        {
            auto store = coding::CodingStore::open(db);
            QCOMPARE(refiqda::exportProject(store->connection(), out), QString());
        }
        const QString fresh = analysis(m_dir, QStringLiteral("fresh.mdb"));
        const refiqda::ReadProject read = refiqda::readQdpx(out);
        refiqda::ImportReport report;
        {
            auto store = coding::CodingStore::open(fresh);
            QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                            refiqda::defaultPlacement(read.project.codes), report),
                     QString());
        }
        QCOMPARE(report.textsAdded, 2);
        QCOMPARE(report.selectionsNotWhole, 0);
        // The sources are named by their file's name, without the folders.
        const auto home = [](QStringList l) {
            return l.replaceInStrings(QStringLiteral("/corpus/"), QString());
        };
        QCOMPARE(segmentsOf(fresh), home(segmentsOf(db)));
        QCOMPARE(listsOf(fresh), listsOf(db));
        QCOMPARE(codingOf(fresh), home(codingOf(db)));
        QCOMPARE(codingOf(fresh).size(), 3);

        // Again: the texts are already there, nothing doubles.
        auto store = coding::CodingStore::open(fresh);
        refiqda::ImportReport again;
        QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                        refiqda::defaultPlacement(read.project.codes), again),
                 QString());
        QCOMPARE(again.textsAlreadyThere.size(), 2);
        QCOMPARE(again.selectionsOnTextsThere, 3); // the three coded rows
        QCOMPARE(again.selectionsOutside, 0);
        QCOMPARE(again.valuesAdded, 0);
        QCOMPARE(codingOf(fresh).size(), 3);
    }

    // The texts' attributes go out as the sources' variables, typed, and
    // come back as the same attributes; the project still validates.
    void attributesAsVariables_data()
    {
        QTest::addColumn<QStringList>("values"); // of texts 1 and 2, "" for none
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("written"); // the element of text 1's value
        QTest::newRow("text") << QStringList{"Le Monde", "Libération"} << "Text"
                              << QByteArray("<TextValue>Le Monde</TextValue>");
        QTest::newRow("integer") << QStringList{"12", "-3"} << "Integer"
                                 << QByteArray("<IntegerValue>12</IntegerValue>");
        QTest::newRow("decimal comma") << QStringList{"3,5", "2"} << "Float"
                                       << QByteArray("<FloatValue>3.5</FloatValue>");
        QTest::newRow("date, one text without") << QStringList{"2003-01-15", ""} << "Date"
                                                << QByteArray("<DateValue>2003-01-15</DateValue>");
    }
    void attributesAsVariables()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, type);
        QFETCH(QByteArray, written);
        const QString db = analysis(m_dir, QStringLiteral("v.mdb"), kCoded);
        const QString out = m_dir.filePath(QStringLiteral("v.qdpx"));
        {
            auto store = coding::CodingStore::open(db);
            const qint64 a = attributes::add(store->connection(), QStringLiteral("source éditée"));
            for (int text = 1; text <= 2; ++text)
                attributes::setValue(store->connection(), a, text, values.at(text - 1));
            QCOMPARE(refiqda::exportProject(store->connection(), out), QString());
            const refiqda::Project project =
                refiqda::projectOf(exchangestore::read(store->connection()), QStringLiteral("v"));
            const QByteArray xml = refiqda::projectXml(project);
            QVERIFY(xml.contains("typeOfVariable=\"" + type.toLatin1() + "\""));
            QVERIFY2(xml.contains(written), xml.constData());
            validate(xml, QFINDTESTDATA("Project-mrt2019.xsd"));
        }
        const QString fresh = analysis(m_dir, QStringLiteral("vfresh.mdb"));
        const refiqda::ReadProject read = refiqda::readQdpx(out);
        QCOMPARE(read.error, QString());
        refiqda::ImportReport report;
        auto store = coding::CodingStore::open(fresh);
        QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                        refiqda::defaultPlacement(read.project.codes), report),
                 QString());
        const int given = values.at(1).isEmpty() ? 1 : 2;
        QCOMPARE(report.variableValues, given);
        QVERIFY(report.lines().contains(
            QStringLiteral("Valeurs de variables des sources, devenues attributs des textes : %1")
                .arg(given)));
        const auto attribute = attributes::find(store->connection(), QStringLiteral("source éditée"));
        QVERIFY(attribute);
        const std::map<qint64, QString> back = attributes::values(store->connection(), attribute->number);
        QCOMPARE(int(back.size()), given);
        // The value comes back as the standard writes it (a decimal point).
        QCOMPARE(back.at(1), QString(values.at(0)).replace(QLatin1Char(','), QLatin1Char('.')));
    }

    // The notes go out as the project's notes (referred to by the project,
    // a source, or a selection of the segment coding nothing), the document
    // still valid, and come back onto the imported segments, texts and
    // analysis; the summaries count them.
    void notesGoOutAndComeBack_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<int>("count");      // notes exported and imported
        QTest::addColumn<QStringList>("back"); // the fresh analysis's notes
        QTest::newRow("une de chaque genre")
            << QByteArray("INSERT INTO Notes VALUES (3, 0, 'Projet pilote'), (2, 1, 'Texte un'),"
                          " (2, 2, 'Texte & <deux>'),"
                          " (1, 1, 'Sur la première' || char(10) || 'ligne'),"
                          " (1, 4, 'Autre ; note');")
            << 5
            << QStringList{"3||Projet pilote", "2|entretien 1.txt|Texte un",
                           "1|entretien 1.txt|Première phrase.|Sur la première\\nligne",
                           "2|é2.txt|Texte & <deux>", "1|é2.txt|Autre texte.|Autre ; note"};
        QTest::newRow("sans note") << QByteArray() << 0 << QStringList{};
        QTest::newRow("note d'un segment supprimé, non exportée")
            << QByteArray("INSERT INTO Notes VALUES (1, 99, 'disparu'), (1, 2, 'Deux');") << 1
            << QStringList{"1|entretien 1.txt|Deuxième 😀 phrase !\\r\\n|Deux"};
    }
    void notesGoOutAndComeBack()
    {
        QFETCH(QByteArray, sql);
        QFETCH(int, count);
        QFETCH(QStringList, back);
        const QString db = analysis(m_dir, QStringLiteral("n.mdb"), QByteArray(kCoded) + sql);
        const QString out = m_dir.filePath(QStringLiteral("n.qdpx"));
        refiqda::ExportReport exported;
        {
            auto store = coding::CodingStore::open(db);
            QCOMPARE(refiqda::exportProject(store->connection(), out, exported), QString());
        }
        const int total = count;
        QCOMPARE(exported.notes, total);
        QCOMPARE(exported.selections, 3); // the coded ones only
        QCOMPARE(exported.line().contains(QStringLiteral(", notes : %1").arg(total)), total > 0);
        const refiqda::ReadProject read = refiqda::readQdpx(out);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.project.notes.size(), size_t(total));
        QVERIFY(read.notTaken.empty() || !read.notTaken.count(refiqda::nottaken::kMemos));
        validate(refiqda::projectXml(read.project), QFINDTESTDATA("Project-mrt2019.xsd"));

        const QString fresh = analysis(m_dir, QStringLiteral("nfresh.mdb"));
        refiqda::ImportReport report;
        {
            auto store = coding::CodingStore::open(fresh);
            QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                            refiqda::defaultPlacement(read.project.codes), report),
                     QString());
        }
        QCOMPARE(report.notes, total);
        QCOMPARE(report.lines().contains(
                     QStringLiteral("Notes des segments, des textes et de l'analyse — notes : %1")
                         .arg(total)),
                 total > 0);
        QCOMPARE(report.selections, 3);
        QCOMPARE(codingOf(fresh).size(), 3);
        auto store = coding::CodingStore::open(fresh);
        // Each note as "genre|text|segment's text|note", line ends shown as \r \n.
        const auto shown = [](QString t) {
            return t.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
                .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        };
        QStringList got;
        for (const notes::Entry &e : notes::list(store->connection())) {
            QStringList fields{QString::number(int(e.genre)), e.path};
            if (e.genre == notes::Genre::Segment)
                fields << shown(e.segmentText);
            got << (fields + QStringList{shown(e.note)}).join(QLatin1Char('|'));
        }
        QCOMPARE(got, back);
    }

    // Where the segments of a text lie in it (code points, end excluded).
    void segmentsAlignedOnTheirText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("ranges");
        QTest::newRow("spaces between") << QStringLiteral("Un. Deux.  Trois") << "0-3 4-9 9-16";
        QTest::newRow("line ends and blanks")
            << QStringLiteral("Un.\r\n   Deux!\r\n\r\nTrois.") << "0-5 8-17 17-23";
        QTest::newRow("lone CR") << QStringLiteral("Un.\rDeux.") << "0-4 4-9";
        QTest::newRow("outside the BMP") << QStringLiteral("😀 a. 😀 b.") << "0-4 4-9";
    }
    void segmentsAlignedOnTheirText()
    {
        QFETCH(QString, text);
        QFETCH(QString, ranges);
        std::vector<QString> segments;
        segmentation::Segmenter cut(
            [&](QByteArrayView s) { segments.push_back(QString::fromUtf8(s)); });
        cut.feed(text.toUtf8());
        cut.finish();
        QStringList got;
        for (const auto &[start, end] : refiqda::alignSegments(text, segments))
            got << QStringLiteral("%1-%2").arg(start).arg(end);
        QCOMPARE(got.join(QLatin1Char(' ')), ranges);
        // Joined again, the segments are cut the same.
        std::vector<QString> again;
        segmentation::Segmenter recut(
            [&](QByteArrayView s) { again.push_back(QString::fromUtf8(s)); });
        recut.feed(refiqda::joinSegments(segments).toUtf8());
        recut.finish();
        QCOMPARE(again, segments);
    }

    // Codes at several levels, a selection over two segments and one inside
    // a segment, a code the codebook lacks.
    void handWrittenProject()
    {
        QFile hand(QFINDTESTDATA("handwritten.qde"));
        QVERIFY(hand.open(QIODevice::ReadOnly));
        const QByteArray xml = hand.readAll();
        validate(xml, QFINDTESTDATA("Project-mrt2019.xsd"));
        const QString archive = m_dir.filePath(QStringLiteral("hand.qdpx"));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(storedZip({{"project.qde", xml}, {"sources/a.txt", "Un. Deux. Trois."}}));
        f.close();
        const refiqda::ReadProject read = refiqda::readQdpx(archive);
        QCOMPARE(read.error, QString());
        const QString db = analysis(m_dir, QStringLiteral("hand.mdb"));
        refiqda::ImportReport report;
        {
            auto store = coding::CodingStore::open(db);
            QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                            refiqda::defaultPlacement(read.project.codes), report),
                     QString());
        }
        QCOMPARE(listsOf(db).mid(0, 2),
                 QStringList({QStringLiteral("Thèmes: Économie (Argent), Économie > Emploi ()"),
                              QStringLiteral("Ton: Critique ()")}));
        QCOMPARE(codingOf(db),
                 QStringList({QStringLiteral("article.txt| Trois.|Économie,,,,"),
                              QStringLiteral("article.txt|Deux.|Économie > Emploi,Critique,,,"),
                              QStringLiteral("article.txt|Un.|Économie > Emploi,Critique,,,")}));
        QCOMPARE(report.selections, 2);
        QCOMPARE(report.selectionsNotWhole, 2);
        // The code ...ff is in no codebook: refused and counted as such.
        QCOMPARE(report.codingsNotPlaced, 0);
        QCOMPARE(report.unknownCodeRefs, 1);
    }

    // A codebook in the standard's own form, with more first-level codes
    // than lists: placed on one list, without duplicates.
    void handWrittenCodebook()
    {
        QFile source(QFINDTESTDATA("handwritten.qdc"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray qdc = source.readAll();
        validate(qdc, QFINDTESTDATA("Codebook.xsd"));
        const QString file = m_dir.filePath(QStringLiteral("book.qdc"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(qdc);
        f.close();
        const refiqda::ParsedCodebook book = refiqda::readCodebook(file);
        QCOMPARE(book.error, QString());
        QVERIFY(refiqda::defaultPlacement(book.codes).listOfTopCode.empty()); // six: a choice
        const QString db = analysis(m_dir, QStringLiteral("book.mdb"),
                                    "INSERT INTO var_comp_02 (variable02) VALUES ('Liberals');");
        auto store = coding::CodingStore::open(db);
        refiqda::ImportReport report;
        QCOMPARE(refiqda::importCodebook(store->connection(), book.codes, refiqda::allTo(book.codes, 2),
                                         report),
                 QString());
        QCOMPARE(report.valuesAdded, 3);
        QCOMPARE(report.valuesAlreadyThere, 1);
        QCOMPARE(listsOf(db).at(1),
                 QStringLiteral("Variable de comparaison 2: Liberals (), Economy (Anything about "
                                "jobs or taxes or business), Health care (), Conservatives ()"));
    }

    // Codes nested deeper than the readers allow are refused with the depth
    // named, whatever the depth, and never overflow the stack; 1 000 levels
    // are read whole.
    void deepCodesRefused_data()
    {
        QTest::addColumn<bool>("project"); // a .qdpx, else a .qdc
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("refused");
        for (const bool project : {true, false}) {
            const char *kind = project ? "qdpx" : "qdc";
            QTest::addRow("%s, 1 000 levels read", kind) << project << 1000 << false;
            QTest::addRow("%s, 1 001 levels", kind) << project << 1001 << true;
            QTest::addRow("%s, 50 000 levels", kind) << project << 50000 << true;
            QTest::addRow("%s, 200 000 levels", kind) << project << 200000 << true;
        }
    }
    void deepCodesRefused()
    {
        QFETCH(bool, project);
        QFETCH(int, depth);
        QFETCH(bool, refused);
        const QString file = m_dir.filePath(project ? QStringLiteral("deep.qdpx")
                                                    : QStringLiteral("deep.qdc"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (project)
            f.write(storedZip({{"project.qde",
                                "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\"><CodeBook>"
                                    + nestedCodes(depth) + "</CodeBook></Project>"}}));
        else
            f.write("<CodeBook xmlns=\"urn:QDA-XML:codebook:1.0\">" + nestedCodes(depth)
                    + "</CodeBook>");
        f.close();
        QString error;
        std::vector<refiqda::Code> codes;
        if (project) {
            refiqda::ReadProject read = refiqda::readQdpx(file);
            error = read.error;
            codes = std::move(read.project.codes);
        } else {
            refiqda::ParsedCodebook read = refiqda::readCodebook(file);
            error = read.error;
            codes = std::move(read.codes);
        }
        if (refused) {
            QCOMPARE(error, (project ? QStringLiteral("Le projet « %1 » ne peut pas être importé : "
                                                      "les codes sont imbriqués sur plus de 1\u202F000 "
                                                      "niveaux.")
                                     : QStringLiteral("Le livre de codes « %1 » ne peut pas être "
                                                      "importé : les codes sont imbriqués sur plus "
                                                      "de 1\u202F000 niveaux."))
                                .arg(file));
            QVERIFY(codes.empty());
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(depthOf(codes), depth);
        // The first-level code on list 1 brings its 999 descendants as values.
        const auto targets = refiqda::valueTargets(codes, refiqda::defaultPlacement(codes));
        QCOMPARE(targets.size(), size_t(999));
        QCOMPARE(targets.front().second.value, QStringLiteral("c2"));
        // The deepest one is named by its path, its first parts left out to
        // stay within 255 characters: "… > " then the 36 names c965 to
        // c1000, 4 + 35 × 4 + 5 + 35 × 3 = 254 characters.
        const QString deepest = targets.back().second.value;
        QVERIFY2(deepest.startsWith(QStringLiteral("… > c965 > c966 > ")), qPrintable(deepest));
        QVERIFY(deepest.endsWith(QStringLiteral(" > c999 > c1000")));
        QCOMPARE(deepest.size(), 254);
        int folded = 0;
        refiqda::valueTargets(codes, refiqda::defaultPlacement(codes), &folded);
        QCOMPARE(folded, 998);
        // Written again, the tree reads back as deep.
        const refiqda::ParsedCodebook again =
            refiqda::parseCodebook(refiqda::codebookXml(codes, QString()));
        QCOMPARE(again.error, QString());
        QCOMPARE(depthOf(again.codes), depth);
    }

    // Other markup nested 200 000 deep is passed over without recursion: the
    // code around it is read.
    void deepOtherMarkupPassedOver_data()
    {
        QTest::addColumn<bool>("project");
        QTest::addColumn<QByteArray>("where"); // "code" or "source"
        QTest::newRow("qdpx, in a code") << true << QByteArray("code");
        QTest::newRow("qdpx, in a source") << true << QByteArray("source");
        QTest::newRow("qdc, in a code") << false << QByteArray("code");
    }
    void deepOtherMarkupPassedOver()
    {
        QFETCH(bool, project);
        QFETCH(QByteArray, where);
        QByteArray deep;
        for (int i = 0; i < 200000; ++i)
            deep += "<x>";
        for (int i = 0; i < 200000; ++i)
            deep += "</x>";
        const QByteArray codes = "<Codes><Code guid=\"g\" name=\"Seul\">"
                                 + (where == "code" ? deep : QByteArray()) + "</Code></Codes>";
        const QString file = m_dir.filePath(project ? QStringLiteral("other.qdpx")
                                                    : QStringLiteral("other.qdc"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (project)
            f.write(storedZip(
                {{"project.qde",
                  "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\"><CodeBook>" + codes
                      + "</CodeBook><Sources><TextSource guid=\"s\" name=\"t\">"
                        "<PlainTextContent>Un.</PlainTextContent>"
                      + (where == "source" ? deep : QByteArray())
                      + "</TextSource></Sources></Project>"}}));
        else
            f.write("<CodeBook xmlns=\"urn:QDA-XML:codebook:1.0\">" + codes + "</CodeBook>");
        f.close();
        std::vector<refiqda::Code> read;
        if (project) {
            refiqda::ReadProject p = refiqda::readQdpx(file);
            QCOMPARE(p.error, QString());
            QCOMPARE(p.project.sources.size(), size_t(1));
            QCOMPARE(p.project.sources.front().text, QStringLiteral("Un."));
            read = std::move(p.project.codes);
        } else {
            refiqda::ParsedCodebook c = refiqda::readCodebook(file);
            QCOMPARE(c.error, QString());
            read = std::move(c.codes);
        }
        QCOMPARE(read.size(), size_t(1));
        QCOMPARE(read.front().name, QStringLiteral("Seul"));
        QVERIFY(read.front().children.empty());
    }

    // A project whose import fails or is stopped at any step leaves the
    // analysis byte for byte as it was.
    void failedImportLeavesAnalysisAsItWas_data()
    {
        QTest::addColumn<QByteArray>("sql");     // what the file holds beforehand
        QTest::addColumn<QString>("firstValue"); // the name of code T1
        QTest::addColumn<int>("stopAfter");      // steps done when "Arrêter" comes; -1 never
        QTest::addColumn<QString>("cause");
        const QString fine = QStringLiteral("Économie");
        QTest::newRow("value too long") << QByteArray() << QString(300, QLatin1Char('x')) << -1
                                        << QStringLiteral("plus de 255 caractères");
        QTest::newRow("coding row refused")
            << QByteArray("CREATE TRIGGER refus BEFORE INSERT ON Contenus "
                          "BEGIN SELECT RAISE(ABORT, 'règle du fichier'); END;")
            << fine << -1 << QStringLiteral("règle du fichier");
        QTest::newRow("coding row ending the transaction")
            << QByteArray("CREATE TRIGGER refus BEFORE INSERT ON Contenus "
                          "BEGIN SELECT RAISE(ROLLBACK, 'règle du fichier'); END;")
            << fine << -1 << QStringLiteral("règle du fichier");
        QTest::newRow("third text refused")
            << QByteArray("CREATE TRIGGER refus BEFORE INSERT ON textes "
                          "WHEN (SELECT count(*) FROM Chemin) >= 3 "
                          "BEGIN SELECT RAISE(ABORT, 'règle du fichier'); END;")
            << fine << -1 << QStringLiteral("règle du fichier");
        // Six steps: three texts taken in, then the coding of each.
        QTest::newRow("stopped at once") << QByteArray() << fine << 0 << QString();
        QTest::newRow("stopped after two texts") << QByteArray() << fine << 2 << QString();
        QTest::newRow("stopped once all is done") << QByteArray() << fine << 6 << QString();
    }
    void failedImportLeavesAnalysisAsItWas()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, firstValue);
        QFETCH(int, stopAfter);
        QFETCH(QString, cause);
        const QString db = analysis(m_dir, QStringLiteral("failed.mdb"),
                                    "INSERT INTO Chemin (chemin) VALUES ('/corpus/avant.txt');"
                                    "INSERT INTO textes (numtexte, texte) VALUES (1, 'Avant.');"
                                    "INSERT INTO Contenus (numtexte) VALUES (1);");
        if (!sql.isEmpty()) {
            sqlite3 *raw = nullptr;
            sqlite3_open(db.toUtf8().constData(), &raw);
            QCOMPARE(sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(raw);
        }
        const refiqda::Project project = smallProject(firstValue);
        QFile before(db);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();
        refiqda::ImportReport report;
        QString error;
        int done = -1;
        {
            auto store = coding::CodingStore::open(db);
            error = refiqda::importProject(
                store->connection(), project, refiqda::defaultPlacement(project.codes), report,
                [&](int d, int total) {
                    QCOMPARE(total, 6);
                    done = d;
                },
                [&] { return stopAfter >= 0 && done >= stopAfter; });
            QVERIFY(!store->connection().inTransaction());
        }
        QVERIFY(!error.isEmpty());
        if (stopAfter >= 0)
            QCOMPARE(error, refiqda::stoppedMessage());
        QVERIFY2(error.contains(cause), qPrintable(error));
        QCOMPARE(report.textsAdded, 0);
        QCOMPARE(report.rowsAdded, 0);
        QCOMPARE(report.lines(), QStringList({QStringLiteral("Valeurs ajoutées aux listes : 0")}));
        QFile after(db);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QVERIFY(after.readAll() == bytes);
        QVERIFY(!QFile::exists(db + QStringLiteral("-journal")));

        // Without the hindrance, the same import brings all of it: 3 texts,
        // 6 segments, a row for each sentence (the first sentence's two
        // values in one row).
        if (stopAfter < 0)
            return;
        auto store = coding::CodingStore::open(db);
        refiqda::ImportReport all;
        QCOMPARE(refiqda::importProject(store->connection(), project,
                                        refiqda::defaultPlacement(project.codes), all),
                 QString());
        QCOMPARE(all.textsAdded, 3);
        QCOMPARE(all.selections, 6);
        QCOMPARE(all.rowsAdded, 6);
        QCOMPARE(all.valuesAdded, 3);
    }

    void hostileArchiveRefused_data()
    {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<QString>("cause");
        const QByteArray qde = "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\"/>";
        QTest::newRow("path leaving the archive")
            << storedZip({{"project.qde", qde}, {"../../evil.txt", "x"}})
            << QStringLiteral("un chemin qui en sort");
        QTest::newRow("absurd size") << storedZip({{"project.qde", qde}}, 0xF0000000u)
                                     << QStringLiteral("taille");
        QTest::newRow("not a ZIP") << QByteArray("Bonjour") << QStringLiteral("ZIP");
    }
    void hostileArchiveRefused()
    {
        QFETCH(QByteArray, zip);
        QFETCH(QString, cause);
        const QString archive = m_dir.filePath(QStringLiteral("hostile.qdpx"));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(zip);
        f.close();
        const refiqda::ReadProject read = refiqda::readQdpx(archive);
        QVERIFY2(read.error.contains(QStringLiteral("ne peut pas être importé")),
                 qPrintable(read.error));
        QVERIFY2(read.error.contains(cause), qPrintable(read.error));
    }
};

QTEST_GUILESS_MAIN(TestRefiQda)
#include "test_refiqda.moc"
