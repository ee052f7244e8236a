// Projects of other programs come in without anything merged or dropped
// without a word: selections code the segments whose non-blank characters
// they overlap, coders stay apart, codes of one name stay apart, sources of
// one name are texts of their own, impossible positions and unknown codes
// are refused with a count, positions counting CR LF as one character are
// recognised, and whatever the project holds that an analysis does not is
// counted by name. And the export's text joins the segments as they were cut.
#include "analysis/segmenter.h"
#include "exchange/analysisproject.h"
#include "exchange/qdpxarchive.h"
#include "exchange/refiqdaexport.h"
#include "exchange/refiqdaimport.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/notestore.h"
#include "refiqdatest.h"
#include "storedzip.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

using refiqdatest::analysis;

// Imports the project into the analysis at `db`, with the default
// placement; the error (empty on success).
QString importInto(const QString &db, const refiqda::Project &p, refiqda::ImportReport &r)
{
    auto store = coding::CodingStore::open(db);
    return refiqda::importProject(store->connection(), p, refiqda::defaultPlacement(p.codes), r);
}

// Each coding row as "text|segment|values of lists 1 and 2", sorted.
QStringList codingOf(const QString &path)
{
    return refiqdatest::codingRows(path, 2, true);
}

QStringList textsOf(const QString &path)
{
    auto store = coding::CodingStore::open(path);
    QStringList out;
    for (const auto &t : exchangestore::read(store->connection()).texts)
        out << t.path;
    return out;
}

QStringList valuesOf(const QString &path, int list)
{
    auto store = coding::CodingStore::open(path);
    const exchangestore::Analysis a = exchangestore::read(store->connection());
    QStringList out;
    for (const auto &v : a.lists[size_t(list - 1)].values)
        out << v.text;
    return out;
}

QString coderOf(const QString &path)
{
    auto store = coding::CodingStore::open(path);
    return exchangestore::read(store->connection()).coder;
}

refiqda::Code code(const char *guid, const char *name, std::vector<refiqda::Code> children = {})
{
    return {QString::fromUtf8(guid), QString::fromUtf8(name), QString(), true, std::move(children)};
}

// One list "Thème" holding "Économie" (E) and "Santé" (S).
std::vector<refiqda::Code> themes()
{
    return {{QStringLiteral("T"), QStringLiteral("Thème"), QString(), false,
             {code("E", "Économie"), code("S", "Santé")}}};
}

refiqda::Selection selection(qint64 start, qint64 end, std::vector<QString> codes,
                             const QString &user = QString())
{
    refiqda::Selection s;
    s.guid = QStringLiteral("sel%1-%2").arg(start).arg(end);
    s.start = start;
    s.end = end;
    s.creatingUser = user;
    s.codings = std::move(codes);
    return s;
}

// A project archive written byte by byte, read back.
refiqda::ReadProject readArchive(const QTemporaryDir &dir, const QByteArray &qde,
                                 const QList<QPair<QByteArray, QByteArray>> &sources)
{
    QList<QPair<QByteArray, QByteArray>> members{{"project.qde", qde}};
    members += sources;
    const QString file = dir.filePath(QStringLiteral("p.qdpx"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the archive");
    f.write(storedZip(members));
    f.close();
    return refiqda::readQdpx(file);
}

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                         "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\">";

// Two coders, Alice and Bruno, on the same sentence of one text, each with a
// code of their own; Alice twice more on the second sentence (once named on
// the Coding, once on the selection), and one coding given to no user.
const QByteArray kTwoCoders =
    kHead
    + "<Users><User guid=\"UA\" name=\"Alice\"/><User guid=\"UB\" name=\"Bruno\"/>"
      "<User guid=\"UC\" name=\"Chloé\"/></Users>"
      "<CodeBook><Codes><Code guid=\"T\" name=\"Thème\" isCodable=\"false\">"
      "<Code guid=\"E\" name=\"Économie\"/><Code guid=\"S\" name=\"Santé\"/></Code>"
      "</Codes></CodeBook><Sources>"
      "<TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\"internal://A.txt\">"
      "<PlainTextSelection guid=\"s1\" startPosition=\"0\" endPosition=\"3\" creatingUser=\"UA\">"
      "<Coding guid=\"c1\" creatingUser=\"UA\"><CodeRef targetGUID=\"E\"/></Coding>"
      "<Coding guid=\"c2\" creatingUser=\"UB\"><CodeRef targetGUID=\"S\"/></Coding>"
      "</PlainTextSelection>"
      "<PlainTextSelection guid=\"s2\" startPosition=\"4\" endPosition=\"9\" creatingUser=\"UA\">"
      "<Coding guid=\"c3\"><CodeRef targetGUID=\"S\"/></Coding>"
      "<Coding guid=\"c4\" creatingUser=\"UA\"><CodeRef targetGUID=\"E\"/></Coding>"
      "</PlainTextSelection>"
      "</TextSource></Sources></Project>";

} // namespace

class TestRefiQdaImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    // "Science is fun. \r\nBob: yes. End." is cut into "Science is fun.",
    // "\r\nBob: yes." (the line end goes with the space that cut it) and
    // " End.": code points 0-15, 16-28 (its ink 18-28) and 28-33.
    void selectionCodesTheSegmentsOfItsInk_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QStringList>("coded");
        QTest::addColumn<int>("outside");
        QTest::addColumn<int>("notWhole");
        const QString first = QStringLiteral("a.txt|Science is fun.|Économie,");
        const QString second = QStringLiteral("a.txt|\r\nBob: yes.|Économie,");
        QTest::newRow("ending on a line end") << qint64(0) << qint64(18) << QStringList{first} << 0 << 0;
        QTest::newRow("ending on the space") << qint64(0) << qint64(16) << QStringList{first} << 0 << 0;
        QTest::newRow("one letter of the next") << qint64(0) << qint64(19)
                                                << QStringList{second, first} << 0 << 1;
        QTest::newRow("blanks and line end alone") << qint64(15) << qint64(18) << QStringList() << 1 << 0;
        QTest::newRow("the second from its line end")
            << qint64(16) << qint64(28) << QStringList{second} << 0 << 0;
        QTest::newRow("inside a word") << qint64(2) << qint64(4) << QStringList{first} << 0 << 1;
    }
    void selectionCodesTheSegmentsOfItsInk()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(QStringList, coded);
        QFETCH(int, outside);
        QFETCH(int, notWhole);
        refiqda::Project p;
        p.codes = themes();
        p.sources.push_back({QStringLiteral("A"), QStringLiteral("a.txt"),
                             QStringLiteral("Science is fun. \r\nBob: yes. End."),
                             {selection(start, end, {QStringLiteral("E")})}, {}});
        const QString db = analysis(m_dir, QStringLiteral("ink.mdb"));
        refiqda::ImportReport r;
        QCOMPARE(importInto(db, p, r), QString());
        QCOMPARE(codingOf(db), coded);
        QCOMPARE(r.selectionsOutside, outside);
        QCOMPARE(r.selectionsNotWhole, notWhole);
        QCOMPARE(r.rowsAdded, int(coded.size()));
    }

    // "Un. Deux." (9 code points): impossible positions and codings of codes
    // the codebook lacks are refused and counted, never coded.
    void impossibleSelectionsRefused_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("unknown");
        QTest::addColumn<int>("rows");
        QTest::newRow("fine") << qint64(0) << qint64(3) << "E" << 0 << 0 << 1;
        QTest::newRow("negative start") << qint64(-2) << qint64(3) << "E" << 1 << 0 << 0;
        QTest::newRow("missing position read as -1") << qint64(-1) << qint64(-1) << "E" << 1 << 0 << 0;
        QTest::newRow("reversed") << qint64(9) << qint64(4) << "E" << 1 << 0 << 0;
        QTest::newRow("past the end") << qint64(4) << qint64(10) << "E" << 1 << 0 << 0;
        QTest::newRow("unknown code") << qint64(0) << qint64(3) << "X" << 0 << 1 << 0;
    }
    void impossibleSelectionsRefused()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(QString, code);
        QFETCH(int, refused);
        QFETCH(int, unknown);
        QFETCH(int, rows);
        refiqda::Project p;
        p.codes = themes();
        p.sources.push_back({QStringLiteral("A"), QStringLiteral("a.txt"), QStringLiteral("Un. Deux."),
                             {selection(start, end, {code})}, {}});
        const QString db = analysis(m_dir, QStringLiteral("refused.mdb"));
        refiqda::ImportReport r;
        QCOMPARE(importInto(db, p, r), QString());
        QCOMPARE(r.positionsRefused, refused);
        QCOMPARE(r.unknownCodeRefs, unknown);
        QCOMPARE(r.rowsAdded, rows);
        if (refused)
            QVERIFY(r.lines().join('\n').contains(
                QStringLiteral("positions impossibles (négatives, inversées ou au-delà du texte), "
                               "refusées : 1")));
        if (unknown)
            QVERIFY(r.lines().contains(
                QStringLiteral("Codages d'un code absent du livre de codes, refusés : 1")));
    }

    // Sources of one name are texts of their own; "déjà présent" is said of
    // a text that was there before, and a second import adds nothing.
    void sourcesOfOneName_data()
    {
        QTest::addColumn<QByteArray>("before"); // texts already there
        QTest::addColumn<QStringList>("names");  // the sources' names
        QTest::addColumn<QStringList>("texts");  // the analysis's texts after
        QTest::addColumn<QStringList>("there");  // said to be there already
        QTest::addColumn<int>("renamed");
        QTest::newRow("two of one name")
            << QByteArray() << QStringList{"/x/a.txt", "/x/a.txt"}
            << QStringList{"/x/a (2).txt", "/x/a.txt"} << QStringList() << 1;
        QTest::newRow("three, no extension")
            << QByteArray() << QStringList{"entretien", "entretien", "entretien"}
            << QStringList{"entretien", "entretien (2)", "entretien (3)"} << QStringList() << 2;
        QTest::newRow("one there before")
            << QByteArray("INSERT INTO Chemin (chemin) VALUES ('b.txt');"
                          "INSERT INTO textes (numtexte, texte) VALUES (1, 'Avant.');")
            << QStringList{"b.txt", "c.txt"} << QStringList{"b.txt", "c.txt"}
            << QStringList{"b.txt"} << 0;
        QTest::newRow("a name like a made one")
            << QByteArray() << QStringList{"a.txt", "a (2).txt", "a.txt"}
            << QStringList{"a (2).txt", "a (3).txt", "a.txt"} << QStringList() << 1;
    }
    void sourcesOfOneName()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, names);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, there);
        QFETCH(int, renamed);
        refiqda::Project p;
        p.codes = themes();
        for (int i = 0; i < names.size(); ++i)
            p.sources.push_back({QStringLiteral("G%1").arg(i), names[i],
                                 QStringLiteral("Texte %1.").arg(i),
                                 {selection(0, 5, {QStringLiteral("E")})}, {}});
        const QString db = analysis(m_dir, QStringLiteral("names.mdb"), before);
        refiqda::ImportReport r;
        QCOMPARE(importInto(db, p, r), QString());
        QStringList got = textsOf(db);
        got.sort();
        QCOMPARE(got, texts);
        QCOMPARE(r.textsAlreadyThere, there);
        QCOMPARE(r.textsRenamed.size(), renamed);
        QCOMPARE(r.textsAdded, int(names.size() - there.size()));
        // Again: every source is found there, nothing doubles.
        refiqda::ImportReport again;
        QCOMPARE(importInto(db, p, again), QString());
        QCOMPARE(again.textsAdded, 0);
        QCOMPARE(again.textsAlreadyThere.size(), names.size());
    }

    // Codes of one name stay apart and a deep tree is named by its paths.
    void valueNames_data()
    {
        QTest::addColumn<std::vector<refiqda::Code>>("codes");
        QTest::addColumn<int>("toList"); // 0: a list each
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("folded");
        QTest::addColumn<int>("descriptions"); // of first-level codes, which lists lack
        refiqda::Code described = code("E", "Économie", {code("E1", "Emploi")});
        described.description = QStringLiteral("Tout ce qui touche à l'argent");
        refiqda::Code alone = code("A", "Seul");
        alone.description = QStringLiteral("Devenu une valeur, il la garde");
        QTest::newRow("first-level descriptions on one list")
            << std::vector<refiqda::Code>{described, alone} << 1
            << QStringList{"Emploi", "Seul"} << 0 << 1;
        QTest::newRow("one name under two parents")
            << std::vector<refiqda::Code>{code("T", "Thèmes", {code("E", "Économie", {code("E1", "Emploi")}),
                                                               code("S", "Social", {code("S1", "Emploi")})})}
            << 0
            << QStringList{"Économie", "Économie > Emploi", "Social", "Social > Emploi"} << 1 << 0;
        QTest::newRow("two first-level codes on one list")
            << std::vector<refiqda::Code>{code("E", "Économie", {code("E1", "Emploi")}),
                                          code("S", "Social", {code("S1", "Emploi"), code("S2", "Santé")})}
            << 1 << QStringList{"Économie > Emploi", "Social > Emploi", "Santé"} << 0 << 0;
        QTest::newRow("siblings of one name")
            << std::vector<refiqda::Code>{code("T", "Thèmes", {code("A", "Emploi"), code("B", "Emploi"),
                                                               code("C", "Emploi")})}
            << 0 << QStringList{"Emploi", "Emploi (2)", "Emploi (3)"} << 0 << 0;
        // Seven levels: the list, then six levels of values.
        QTest::newRow("seven levels")
            << std::vector<refiqda::Code>{code(
                   "L1", "Racine",
                   {code("L2", "b", {code("L3", "c", {code("L4", "d", {code("L5", "e", {code("L6", "f", {code("L7", "g")})})})})})})}
            << 0
            << QStringList{"b", "b > c", "b > c > d", "b > c > d > e", "b > c > d > e > f",
                           "b > c > d > e > f > g"}
            << 5 << 0;
    }
    void valueNames()
    {
        QFETCH(std::vector<refiqda::Code>, codes);
        QFETCH(int, toList);
        QFETCH(QStringList, values);
        QFETCH(int, folded);
        QFETCH(int, descriptions);
        const refiqda::Placement placement =
            toList ? refiqda::allTo(codes, toList) : refiqda::defaultPlacement(codes);
        const QString db = analysis(m_dir, QStringLiteral("values.mdb"));
        refiqda::ImportReport r;
        {
            auto store = coding::CodingStore::open(db);
            QCOMPARE(refiqda::importCodebook(store->connection(), codes, placement, r), QString());
        }
        QCOMPARE(valuesOf(db, 1), values);
        QCOMPARE(r.valuesAdded, int(values.size()));
        QCOMPARE(r.levelsFolded, folded);
        QCOMPARE(r.topDescriptions, descriptions);
        if (folded)
            QVERIFY(r.lines().contains(
                QStringLiteral("Niveaux de l'arbre des codes repliés dans les noms des valeurs "
                               "(« parent > code ») : %1")
                    .arg(folded)));
    }

    // A list that has a name or values is renamed only when the researcher
    // agrees; a flat codebook is placed by the researcher.
    void listsRenamedOnlyWhenAgreed_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("agreed");
        QTest::addColumn<QList<int>>("asked");
        QTest::addColumn<QString>("name"); // list 1's name after
        QTest::newRow("fresh lists") << QByteArray() << false << QList<int>() << "Thème";
        QTest::newRow("named, not agreed") << QByteArray("INSERT INTO Listes VALUES (1, 'Mien');")
                                           << false << QList<int>{1} << "Mien";
        QTest::newRow("named, agreed") << QByteArray("INSERT INTO Listes VALUES (1, 'Mien');")
                                       << true << QList<int>{1} << "Thème";
        QTest::newRow("holding values")
            << QByteArray("INSERT INTO var_comp_01 (variable01) VALUES ('Vieux');") << false
            << QList<int>{1} << "Variable de comparaison 1";
        QTest::newRow("already that name") << QByteArray("INSERT INTO Listes VALUES (1, 'Thème');")
                                           << false << QList<int>() << "Thème";
    }
    void listsRenamedOnlyWhenAgreed()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, agreed);
        QFETCH(QList<int>, asked);
        QFETCH(QString, name);
        const std::vector<refiqda::Code> codes = themes();
        const QString db = analysis(m_dir, QStringLiteral("rename.mdb"), before);
        auto store = coding::CodingStore::open(db);
        refiqda::Placement placement = refiqda::defaultPlacement(codes);
        const std::vector<int> used = refiqda::listsToRename(store->connection(), codes, placement);
        QCOMPARE(QList<int>(used.begin(), used.end()), asked);
        placement.renameUsedLists = agreed;
        refiqda::ImportReport r;
        QCOMPARE(refiqda::importCodebook(store->connection(), codes, placement, r), QString());
        QCOMPARE(exchangestore::read(store->connection()).lists[0].name, name);
        QCOMPARE(r.listsNotRenamed.size(), size_t(!agreed && !asked.isEmpty()));

        // A flat codebook has no list of its own: the researcher places it.
        const std::vector<refiqda::Code> flat{code("A", "Un"), code("B", "Deux")};
        QVERIFY(refiqda::defaultPlacement(flat).listOfTopCode.empty());
        QVERIFY(!refiqda::importCodebook(store->connection(), flat, refiqda::defaultPlacement(flat), r)
                     .isEmpty());
    }

    // "Un.\r\nDeux.\r\nTrois." counted with each CR LF as one character:
    // "Deux." is 4-9 there, 5-10 as usual.
    void crLfCountedAsOne_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<bool>("crLf");
        QTest::addColumn<QStringList>("coded");
        const QString text = QStringLiteral("Un.\r\nDeux.\r\nTrois.");
        QTest::newRow("counted as one") << text << qint64(4) << qint64(9) << true
                                        << QStringList{"a.txt|Deux.\r\n|Économie,"};
        QTest::newRow("counted as usual") << text << qint64(5) << qint64(10) << false
                                          << QStringList{"a.txt|Deux.\r\n|Économie,"};
        // 11-16 is "Trois" as usual; counted as one it would be "rois.".
        QTest::newRow("fitting the usual count") << QStringLiteral("Un.\r\nDeux. Trois.") << qint64(11)
                                                 << qint64(16) << false
                                                 << QStringList{"a.txt| Trois.|Économie,"};
        // A lone LF is no line end of a plain text: it cuts after "Un.".
        QTest::newRow("no CR LF") << QStringLiteral("Un.\nDeux.") << qint64(0) << qint64(3) << false
                                  << QStringList{"a.txt|Un.|Économie,"};
    }
    void crLfCountedAsOne()
    {
        QFETCH(QString, text);
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(bool, crLf);
        QFETCH(QStringList, coded);
        const std::vector<refiqda::Selection> selections{selection(start, end, {QStringLiteral("E")})};
        QCOMPARE(refiqda::countsCrLfAsOne(text, selections), crLf);
        refiqda::Project p;
        p.codes = themes();
        p.sources.push_back({QStringLiteral("A"), QStringLiteral("a.txt"), text, selections, {}});
        const QString db = analysis(m_dir, QStringLiteral("crlf.mdb"));
        refiqda::ImportReport r;
        QCOMPARE(importInto(db, p, r), QString());
        QCOMPARE(codingOf(db), coded);
        QCOMPARE(r.crLfAsOne, crLf ? QStringList{"a.txt"} : QStringList());
    }

    // The coders of a project, who applied what, and the import of one.
    void coders_data()
    {
        QTest::addColumn<QString>("guid"); // the coder taken
        QTest::addColumn<QStringList>("coded");
        QTest::addColumn<int>("others");
        QTest::newRow("Alice") << "UA"
                               << QStringList{"a.txt| Deux.|Santé,", "a.txt| Deux.|Économie,",
                                              "a.txt|Un.|Économie,"}
                               << 1;
        QTest::newRow("Bruno") << "UB" << QStringList{"a.txt|Un.|Santé,"} << 3;
    }
    void coders()
    {
        QFETCH(QString, guid);
        QFETCH(QStringList, coded);
        QFETCH(int, others);
        const refiqda::ReadProject read = readArchive(m_dir, kTwoCoders, {{"sources/A.txt", "Un. Deux."}});
        QCOMPARE(read.error, QString());
        // Chloé coded nothing: no coder. c3 is Alice's by its selection.
        const auto coders = refiqda::codersOf(read.project);
        QCOMPARE(coders.size(), size_t(2));
        QCOMPARE(coders[0].name, QStringLiteral("Alice"));
        QCOMPARE(coders[0].codings, 3);
        QCOMPARE(coders[1].name, QStringLiteral("Bruno"));
        QCOMPARE(coders[1].codings, 1);
        const QString db = analysis(m_dir, QStringLiteral("coder.mdb"));
        refiqda::ImportReport r;
        {
            auto store = coding::CodingStore::open(db);
            QCOMPARE(refiqda::importCoder(store->connection(), read.project, guid,
                                          refiqda::defaultPlacement(read.project.codes), r),
                     QString());
        }
        QCOMPARE(codingOf(db), coded);
        QCOMPARE(r.otherCodersCodings, others);
        QCOMPARE(r.lines().front(),
                 QStringLiteral("Codeurs du projet : Alice (3 codages), Bruno (1 codage)"));
    }

    // One copy per coder beside the analysis, each with its coder's codings;
    // the analysis gets the texts and values only. A file where a copy goes
    // stops it all.
    void copyPerCoder_data()
    {
        QTest::addColumn<bool>("blocked"); // a file where Bruno's copy goes
        QTest::addColumn<bool>("stopped"); // "Arrêter" at once
        QTest::newRow("made") << false << false;
        QTest::newRow("a file in the way") << true << false;
        QTest::newRow("stopped") << false << true;
    }
    void copyPerCoder()
    {
        QFETCH(bool, blocked);
        QFETCH(bool, stopped);
        QTemporaryDir dir;
        const refiqda::ReadProject read = readArchive(dir, kTwoCoders, {{"sources/A.txt", "Un. Deux."}});
        const QString db = analysis(dir, QStringLiteral("corpus.mdb"));
        const QString alice = dir.filePath(QStringLiteral("corpus_Alice.mdb"));
        const QString bruno = dir.filePath(QStringLiteral("corpus_Bruno.mdb"));
        QCOMPARE(refiqda::coderCopyPath(db, QStringLiteral("Alice")), alice);
        // An analysis named from the working folder gets its copies named in full.
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(refiqda::coderCopyPath(QStringLiteral("corpus.mdb"), QStringLiteral("Alice")),
                 QFileInfo(alice).absoluteFilePath());
        QVERIFY(QDir::setCurrent(here));
        if (blocked) {
            QFile f(bruno);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("rien");
        }
        refiqda::ImportReport r;
        QString error;
        {
            auto store = coding::CodingStore::open(db);
            error = refiqda::importPerCoder(store->connection(), read.project,
                                            refiqda::defaultPlacement(read.project.codes), r, {},
                                            [&] { return stopped; });
        }
        // Nothing is left half made, under its name or a hidden one.
        const QStringList files =
            QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        if (stopped) {
            QCOMPARE(error, refiqda::stoppedMessage());
            QCOMPARE(files, QStringList({"corpus.mdb", "p.qdpx"}));
            QVERIFY(textsOf(db).isEmpty());
            return;
        }
        if (blocked) {
            QVERIFY2(error.contains(bruno) && error.contains(QStringLiteral("Rien n'a été importé")),
                     qPrintable(error));
            QVERIFY(!QFile::exists(alice));
            QVERIFY(textsOf(db).isEmpty());
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(files, QStringList({"corpus.mdb", "corpus_Alice.mdb", "corpus_Bruno.mdb", "p.qdpx"}));
        QCOMPARE(codingOf(db), QStringList());
        QCOMPARE(textsOf(db), QStringList{"a.txt"});
        QCOMPARE(valuesOf(db, 1), (QStringList{"Économie", "Santé"}));
        QCOMPARE(codingOf(alice), (QStringList{"a.txt| Deux.|Santé,", "a.txt| Deux.|Économie,",
                                               "a.txt|Un.|Économie,"}));
        QCOMPARE(codingOf(bruno), QStringList{"a.txt|Un.|Santé,"});
        QCOMPARE(coderOf(alice), QStringLiteral("Alice"));
        QCOMPARE(coderOf(bruno), QStringLiteral("Bruno"));
        QCOMPARE(r.copies.size(), size_t(2));
        QCOMPARE(r.copies[0].rows, 3);
        QCOMPARE(r.copies[1].rows, 1);
    }

    // Notes of another program: a selection's go to every segment it
    // covers, a source's to its text, the project's to the analysis after
    // the note it had; a note referred to from nowhere, or longer than a note
    // may be, is counted as not taken; a reference to no note is a memo left
    // out.
    void notesOfAnotherProgram_data()
    {
        QTest::addColumn<QByteArray>("first");  // the text of note n1
        QTest::addColumn<QString>("before");    // the analysis's note before; empty: none
        QTest::addColumn<int>("taken");         // notes taken in
        QTest::addColumn<int>("left");          // notes not taken
        QTest::addColumn<QStringList>("stored"); // "genre|text or segment|note"
        QTest::newRow("sélection, source et projet")
            << QByteArray("Sur deux segments") << QString() << 3 << 1
            << QStringList{"3||Le projet", "2|a.txt|La source", "1|Un.|Sur deux segments",
                           "1|Deux.|Sur deux segments"};
        QTest::newRow("la note de l'analyse gardée devant")
            << QByteArray("Sur deux segments") << QStringLiteral("Avant") << 3 << 1
            << QStringList{"3||Avant\n\nLe projet", "2|a.txt|La source",
                           "1|Un.|Sur deux segments", "1|Deux.|Sur deux segments"};
        QTest::newRow("note trop longue, comptée")
            << QByteArray(10001, 'x') << QString() << 2 << 2
            << QStringList{"3||Le projet", "2|a.txt|La source"};
    }
    void notesOfAnotherProgram()
    {
        QFETCH(QByteArray, first);
        QFETCH(QString, before);
        QFETCH(int, taken);
        QFETCH(int, left);
        QFETCH(QStringList, stored);
        const QByteArray qde =
            kHead + "<CodeBook><Codes><Code guid=\"T\" name=\"Thème\" isCodable=\"false\">"
                    "<Code guid=\"E\" name=\"Économie\"/></Code></Codes></CodeBook><Sources>"
                    "<TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\"internal://A.txt\">"
                    "<PlainTextSelection guid=\"s1\" startPosition=\"0\" endPosition=\"8\">"
                    "<NoteRef targetGUID=\"n1\"/></PlainTextSelection>"
                    "<PlainTextSelection guid=\"s2\" startPosition=\"10\" endPosition=\"16\">"
                    "<Coding guid=\"c\"><CodeRef targetGUID=\"E\"/></Coding>"
                    "<NoteRef targetGUID=\"nx\"/></PlainTextSelection>"
                    "<NoteRef targetGUID=\"n2\"/></TextSource></Sources>"
                    "<Notes><Note guid=\"n1\" name=\"m1\"><PlainTextContent>"
            + first
            + "</PlainTextContent></Note>"
              "<Note guid=\"n2\"><PlainTextContent>La source</PlainTextContent></Note>"
              "<Note guid=\"n3\"><PlainTextContent>Le projet</PlainTextContent></Note>"
              "<Note guid=\"n4\"><PlainTextContent>Seule</PlainTextContent></Note></Notes>"
              "<NoteRef targetGUID=\"n3\"/></Project>";
        const refiqda::ReadProject read = readArchive(m_dir, qde, {{"sources/A.txt", "Un. Deux. Trois."}});
        QCOMPARE(read.error, QString());
        QCOMPARE(read.project.notes.size(), size_t(4));
        QCOMPARE(read.notTaken.at(refiqda::nottaken::kMemos), 1); // nx
        const QString db = analysis(m_dir, QStringLiteral("notes.mdb"));
        if (!before.isEmpty()) {
            auto store = coding::CodingStore::open(db);
            notes::set(store->connection(), notes::Genre::Analysis, 0, before);
        }
        refiqda::ImportReport r;
        QCOMPARE(importInto(db, read.project, r), QString());
        QCOMPARE(r.notes, taken);
        QCOMPARE(r.notTaken.at(refiqda::nottaken::kNotes), left);
        QVERIFY(r.lines().contains(
            QStringLiteral("Notes des segments, des textes et de l'analyse — notes : %1").arg(taken)));
        QCOMPARE(codingOf(db), QStringList{"a.txt| Trois.|Économie,"});
        auto store = coding::CodingStore::open(db);
        QStringList got;
        for (const notes::Entry &e : notes::list(store->connection()))
            got << QStringLiteral("%1|%2|%3")
                       .arg(int(e.genre))
                       .arg(e.genre == notes::Genre::Segment ? e.segmentText : e.path)
                       .arg(e.note);
        QCOMPARE(got, stored);
    }

    // What a project holds and an analysis does not take, counted by name.
    void notTakenCounted_data()
    {
        QTest::addColumn<QByteArray>("part"); // after the sources
        QTest::addColumn<QByteArray>("inSource");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("count");
        QTest::newRow("notes") << QByteArray("<Notes><Note guid=\"n2\" name=\"m\"/><Note guid=\"n3\"/></Notes>")
                               << QByteArray() << refiqda::nottaken::kNotes << 2;
        QTest::newRow("sets") << QByteArray("<Sets><Set guid=\"e\" name=\"E\"/></Sets>") << QByteArray()
                              << refiqda::nottaken::kSets << 1;
        QTest::newRow("memos") << QByteArray() << QByteArray("<NoteRef targetGUID=\"n2\"/>")
                               << refiqda::nottaken::kMemos << 1;
        QTest::newRow("source description") << QByteArray() << QByteArray("<Description>d</Description>")
                                            << refiqda::nottaken::kSourceDescriptions << 1;
    }
    void notTakenCounted()
    {
        QFETCH(QByteArray, part);
        QFETCH(QByteArray, inSource);
        QFETCH(QString, what);
        QFETCH(int, count);
        const QByteArray qde =
            kHead + "<Users><User guid=\"U\" name=\"u\"/></Users>"
                    "<Variables><Variable guid=\"v\" name=\"Âge\" typeOfVariable=\"Integer\"/></Variables>"
                    "<Cases><Case guid=\"k\" name=\"K\"/></Cases>"
                    "<Sources><TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\"internal://A.txt\">"
            + inSource
            + "</TextSource><PDFSource guid=\"P\" name=\"p.pdf\" path=\"internal://P.pdf\">"
              "<PDFSelection guid=\"ps\" page=\"0\" firstX=\"0\" firstY=\"0\" secondX=\"1\" secondY=\"1\"/>"
              "<PDFSelection guid=\"pt\" page=\"0\" firstX=\"0\" firstY=\"0\" secondX=\"1\" secondY=\"1\"/>"
              "</PDFSource>"
              "<TextSource guid=\"B\" name=\"b.txt\" plainTextPath=\"C:\\Users\\x\\loin.txt\">"
              "<PlainTextSelection guid=\"bs\" startPosition=\"0\" endPosition=\"1\"/></TextSource>"
              "</Sources>"
            + part + "<Description>Le projet.</Description></Project>";
        const refiqda::ReadProject read = readArchive(m_dir, qde, {{"sources/A.txt", "Un."}});
        QCOMPARE(read.error, QString());
        QCOMPARE(read.notTaken.at(what), count);
        // Every project of this table also holds one case, the project's
        // description, and three selections on sources left out (two of the
        // PDF, one of the text kept outside the archive); its variable is
        // taken.
        QVERIFY(!read.notTaken.count(QStringLiteral("variables")));
        QCOMPARE(read.notTaken.at(refiqda::nottaken::kCases), 1);
        QCOMPARE(read.notTaken.at(refiqda::nottaken::kDescription), 1);
        QCOMPARE(read.notTaken.at(refiqda::nottaken::kSkippedSelections), 3);
        QCOMPARE(read.otherSources, 2);
        refiqda::ImportReport r;
        r.notTaken = read.notTaken;
        QVERIFY(r.lines().contains(
            QStringLiteral("Non importé (Telmira ne les tient pas) — %1 : %2").arg(what).arg(count)));
    }

    // A plainTextPath of another form is read from sources/ by its file's
    // name when the archive holds it.
    void textPathOfAnotherForm_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("read");
        QTest::newRow("internal") << QByteArray("internal://A.txt") << true;
        QTest::newRow("absolute Windows path") << QByteArray("C:\\Données\\A.txt") << true;
        QTest::newRow("file address") << QByteArray("file:///home/x/A.txt") << true;
        QTest::newRow("relative") << QByteArray("sources/A.txt") << true;
        QTest::newRow("not in the archive") << QByteArray("file:///home/x/Z.txt") << false;
    }
    void textPathOfAnotherForm()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, read);
        const QByteArray qde = kHead + "<Sources><TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\""
                               + path + "\"/></Sources></Project>";
        const refiqda::ReadProject got = readArchive(m_dir, qde, {{"sources/A.txt", "Un texte."}});
        QCOMPARE(got.error, QString());
        QCOMPARE(got.project.sources.size(), size_t(read));
        QCOMPARE(got.otherSources, int(!read));
        if (read)
            QCOMPARE(got.project.sources.front().text, QStringLiteral("Un texte."));
    }

    // The export's text: a space only where one may have been cut, and the
    // segments cut from it again are the same.
    void segmentsJoined_data()
    {
        QTest::addColumn<QString>("text"); // as taken in
        QTest::addColumn<QString>("joined");
        QTest::newRow("a bracket after the end") << QStringLiteral("(la distribution.) Puis.")
                                                 << QStringLiteral("(la distribution.) Puis.");
        QTest::newRow("a comma after the end") << QStringLiteral("Etc., et la suite.")
                                               << QStringLiteral("Etc., et la suite.");
        QTest::newRow("words after the end") << QStringLiteral("Un. Deux.") << QStringLiteral("Un. Deux.");
        // The middle segment lost what cut it: a space is put.
        QTest::newRow("no space, a word: cannot be known")
            << QStringLiteral("Un.Deux.Trois.") << QStringLiteral("Un. Deux.Trois.");
        QTest::newRow("a quotation mark that was cut by a space")
            << QStringLiteral("Il dit. \"Oui.\" Fin.") << QStringLiteral("Il dit. \"Oui.\" Fin.");
        QTest::newRow("the last segment had no space")
            << QStringLiteral("Un.Deux.") << QStringLiteral("Un.Deux.");
        QTest::newRow("after a line end") << QStringLiteral("Un.\r\nDeux.") << QStringLiteral("Un.\r\nDeux.");
        QTest::newRow("a last line end kept") << QStringLiteral("Un. Deux.\r\n ")
                                              << QStringLiteral("Un. Deux.\r\n ");
    }
    void segmentsJoined()
    {
        QFETCH(QString, text);
        QFETCH(QString, joined);
        const auto cut = [](const QString &t) {
            std::vector<QString> segments;
            segmentation::Segmenter s([&](QByteArrayView v) { segments.push_back(QString::fromUtf8(v)); });
            s.feed(t.toUtf8());
            s.finish();
            return segments;
        };
        const std::vector<QString> segments = cut(text);
        QCOMPARE(refiqda::joinSegments(segments), joined);
        QCOMPARE(cut(joined), segments);
    }

    // The exported project names each source by its file's name, names a
    // coder, and counts the rows that code nothing.
    void exportedProject_data()
    {
        QTest::addColumn<QByteArray>("coder"); // the analysis's recorded coder
        QTest::addColumn<QString>("user");
        QTest::newRow("no coder recorded") << QByteArray() << "Telmira";
        QTest::newRow("a coder") << QByteArray("Marie") << "Marie";
    }
    void exportedProject()
    {
        QFETCH(QByteArray, coder);
        QFETCH(QString, user);
        exchangestore::Analysis a;
        a.identifier = QStringLiteral("id");
        a.coder = QString::fromUtf8(coder);
        a.lists[0].name = QStringLiteral("Thème");
        a.lists[0].values = {{2, QStringLiteral("Économie"), QString()}};
        exchangestore::Text t;
        t.numero = 1;
        t.path = QStringLiteral("/home/marie/corpus/entretien.txt");
        t.segments = {{10, QStringLiteral("Un.")}, {11, QStringLiteral("Deux.")}};
        a.texts.push_back(t);
        exchangestore::CodingRow coded;
        coded.numero = 1;
        coded.segment = 10;
        coded.values = {2, 1, 1, 1, 1};
        exchangestore::CodingRow empty;
        empty.numero = 2;
        empty.segment = 11;
        empty.values = {1, 1, 1, 1, 1};
        a.codings = {coded, empty, empty};
        int without = -1;
        const refiqda::Project p = refiqda::projectOf(a, QStringLiteral("x"), &without);
        QCOMPARE(p.sources.front().name, QStringLiteral("entretien.txt"));
        QCOMPARE(p.users.size(), size_t(1));
        QCOMPARE(p.users.front().name, user);
        QCOMPARE(p.sources.front().selections.size(), size_t(1));
        QCOMPARE(p.sources.front().selections.front().creatingUser, p.users.front().guid);
        QCOMPARE(without, 2);
        QVERIFY(!refiqda::projectXml(p).contains("/home/marie"));
        refiqda::ExportReport report;
        report.project = true;
        report.texts = 1;
        report.selections = 1;
        report.values = 1;
        report.rowsWithoutValue = without;
        report.coder = user;
        QCOMPARE(report.line(),
                 QStringLiteral("Projet exporté — textes : 1, sélections codées : 1, valeurs : 1, "
                                "codeur : « %1 » ; lignes de codage sans valeur dans aucune liste, non "
                                "exportées : 2.")
                     .arg(user));
    }
};

Q_DECLARE_METATYPE(std::vector<refiqda::Code>)

QTEST_GUILESS_MAIN(TestRefiQdaImport)
#include "test_refiqda_import.moc"
