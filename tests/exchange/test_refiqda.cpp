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
#include "store/connection.h"
#include "store/exchangestore.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sqlite3.h>

namespace {

QString templatePath()
{
    const QString path = qEnvironmentVariable("TELMIRA_TEMPLATE");
    return path.isEmpty() ? QStringLiteral("telmira") : path;
}

// A fresh analysis with `sql` run on it.
QString analysis(const QTemporaryDir &dir, const QString &name, const char *sql = "")
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(templatePath(), path))
        qFatal("cannot copy the template");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return path;
}

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
    auto store = coding::CodingStore::open(path);
    const exchangestore::Analysis a = exchangestore::read(store->connection());
    std::map<qint64, QString> segments;
    for (const auto &t : a.texts)
        for (const auto &s : t.segments)
            segments[s.numero] = t.path + QLatin1Char('|') + s.text;
    QStringList rows;
    for (const auto &row : a.codings) {
        QStringList values;
        for (int k = 0; k < 5; ++k) {
            QString v;
            for (const auto &value : a.lists[size_t(k)].values)
                if (value.numero == row.values[size_t(k)])
                    v = value.text;
            values << v;
        }
        if (values.join(QString()).isEmpty())
            continue;
        rows << segments[row.segment] + QLatin1Char('|') + values.join(QLatin1Char(','));
    }
    rows.sort();
    return rows;
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

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A ZIP archive of stored members, written byte by byte, so that a test can
// give a member any name and declare any size.
QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>> &members, quint32 declared = 0)
{
    QByteArray out, central;
    auto le16 = [](QByteArray &b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    auto le32 = [&](QByteArray &b, quint32 v) { le16(b, quint16(v & 0xffff)); le16(b, quint16(v >> 16)); };
    for (const auto &[name, data] : members) {
        const quint32 size = quint32(data.size());
        const quint32 offset = quint32(out.size());
        const quint32 sum = crc32(data);
        le32(out, 0x04034b50); le16(out, 20); le16(out, 0); le16(out, 0); le16(out, 0); le16(out, 0);
        le32(out, sum); le32(out, size); le32(out, declared ? declared : size);
        le16(out, quint16(name.size())); le16(out, 0); out.append(name).append(data);
        le32(central, 0x02014b50); le16(central, 20); le16(central, 20); le16(central, 0);
        le16(central, 0); le16(central, 0); le16(central, 0); le32(central, sum); le32(central, size);
        le32(central, declared ? declared : size); le16(central, quint16(name.size()));
        le16(central, 0); le16(central, 0); le16(central, 0); le16(central, 0); le32(central, 0);
        le32(central, offset); central.append(name);
    }
    const quint32 start = quint32(out.size());
    out.append(central);
    le32(out, 0x06054b50); le16(out, 0); le16(out, 0); le16(out, quint16(members.size()));
    le16(out, quint16(members.size())); le32(out, quint32(central.size())); le32(out, start);
    le16(out, 0);
    return out;
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
        QCOMPARE(segmentsOf(fresh), segmentsOf(db));
        QCOMPARE(listsOf(fresh), listsOf(db));
        QCOMPARE(codingOf(fresh), codingOf(db));
        QCOMPARE(codingOf(fresh).size(), 3);

        // Again: the texts are already there, nothing doubles.
        auto store = coding::CodingStore::open(fresh);
        refiqda::ImportReport again;
        QCOMPARE(refiqda::importProject(store->connection(), read.project,
                                        refiqda::defaultPlacement(read.project.codes), again),
                 QString());
        QCOMPARE(again.textsAlreadyThere.size(), 2);
        QCOMPARE(again.valuesAdded, 0);
        QCOMPARE(codingOf(fresh).size(), 3);
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
    // a segment, a code placed on no list.
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
                 QStringList({QStringLiteral("Thèmes: Économie (Argent), Emploi ()"),
                              QStringLiteral("Ton: Critique ()")}));
        QCOMPARE(codingOf(db),
                 QStringList({QStringLiteral("article.txt| Trois.|Économie,,,,"),
                              QStringLiteral("article.txt|Deux.|Emploi,Critique,,,"),
                              QStringLiteral("article.txt|Un.|Emploi,Critique,,,")}));
        QCOMPARE(report.selections, 2);
        QCOMPARE(report.selectionsNotWhole, 2);
        QCOMPARE(report.codingsNotPlaced, 1);
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
