// Iramuteq corpora taken in: one text per starred line, recorded as the
// file's path and "#k", with the line's attributes; each text cut exactly as
// a text file holding only its lines; a bad starred line fails the whole
// file with its number; a file not starred is one plain text.
#include "../coding/codingtest.h"
#include "analysis/batchtakein.h"
#include "analysis/starredcorpus.h"
#include "store/connection.h"

#include <QFile>
#include <QtTest>

using batch::Status;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList segmentsOf(codingtest::Raw &db, const QString &path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return codingtest::rows(
        db, QStringLiteral("select t.texte from textes t join chemin c on c.numero = t.numtexte "
                           "where c.chemin = '%1' order by t.numero")
                .arg(quoted));
}

// "chemin's last part|name=value", text by text, attribute by attribute.
QStringList attributesOf(codingtest::Raw &db)
{
    QStringList out;
    for (const QString &row : codingtest::rows(
             db, QStringLiteral("select c.chemin, a.nom, v.valeur from ValeursAttributs v "
                                "join Attributs a on a.numero = v.attribut "
                                "join Chemin c on c.numero = v.texte "
                                "order by c.numero, a.numero"))) {
        const QStringList f = row.split(QLatin1Char('|'));
        out << f.at(0).section(QLatin1Char('#'), -1) + QLatin1Char('|') + f.at(1)
                   + QLatin1Char('=') + f.at(2);
    }
    return out;
}

// A source handing its bytes in pieces of `size` bytes.
class Pieces : public takein::Utf8Source
{
public:
    Pieces(QByteArray bytes, qsizetype size) : m_bytes(std::move(bytes)), m_size(size) {}
    bool next(QByteArray &piece) override
    {
        if (m_at >= m_bytes.size())
            return false;
        piece = m_bytes.mid(m_at, m_size);
        m_at += piece.size();
        return true;
    }
    qint64 size() const override { return m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_size;
    qsizetype m_at = 0;
};

// Each text of a corpus read through Corpus: "line|attributes|bytes".
QStringList readCorpus(const QByteArray &bytes, qsizetype pieceSize)
{
    Pieces source(bytes, pieceSize);
    starred::Corpus corpus(source);
    QStringList texts;
    while (corpus.next()) {
        QStringList attributes;
        for (const starred::Attribute &a : corpus.attributes())
            attributes << a.name + QLatin1Char('=') + a.value;
        QByteArray text;
        QByteArray piece;
        while (corpus.text().next(piece))
            text += piece;
        texts << QStringLiteral("%1|%2|%3")
                     .arg(corpus.line())
                     .arg(attributes.join(QLatin1Char(',')), QString::fromUtf8(text));
    }
    return texts;
}

} // namespace

class TestIramuteq : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void corpus_data();
    void corpus();
    void pieces_data();
    void pieces();
    void badLine_data();
    void badLine();
    void plainText_data();
    void plainText();
    void stopAndOlderFile_data();
    void stopAndOlderFile();

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestIramuteq::corpus_data()
{
    QTest::addColumn<QByteArray>("head");       // before the first starred line
    QTest::addColumn<QStringList>("starred");   // the starred lines, without their line ends
    QTest::addColumn<QList<QByteArray>>("texts"); // each text's lines, line ends included
    QTest::addColumn<QByteArray>("lineEnd");    // after each starred line
    QTest::addColumn<QStringList>("attributes");
    QTest::addColumn<QStringList>("firstSegments"); // of text #1, worked out by hand

    const QStringList two{QStringLiteral("**** *journal_lemonde *annee_2003"),
                          QStringLiteral("****\t*journal_libération   *une")};
    const QStringList twoAttributes{
        QStringLiteral("1|journal=lemonde"), QStringLiteral("1|annee=2003"),
        QStringLiteral("2|journal=libération"), QStringLiteral("2|une=oui")};
    QTest::newRow("CR LF") << QByteArray() << two
                           << QList<QByteArray>{"Le march\xC3\xA9 ouvre.  Il pleut\r\nsur Paris.\r\n",
                                                "Fin.\r\n"}
                           << QByteArray("\r\n") << twoAttributes
                           << QStringList{QStringLiteral("Le marché ouvre."),
                                          QStringLiteral("  Il pleut\r\nsur Paris.")};
    // A lone LF is no line end for the segmenter: the lines of a text run on.
    QTest::newRow("LF") << QByteArray() << two
                        << QList<QByteArray>{"Le march\xC3\xA9 ouvre.  Il pleut\nsur Paris.\n",
                                             "Fin.\n"}
                        << QByteArray("\n") << twoAttributes
                        << QStringList{QStringLiteral("Le marché ouvre."),
                                       QStringLiteral("Il pleut\nsur Paris."),
                                       QStringLiteral("\n")};
    QTest::newRow("CR") << QByteArray() << two
                        << QList<QByteArray>{"Un.\rDeux.\r", "Fin.\r"} << QByteArray("\r")
                        << twoAttributes
                        << QStringList{QStringLiteral("Un.\r\n"), QStringLiteral("Deux.")};
    QTest::newRow("empty lines first, an empty text, no last line end")
        << QByteArray("\r\n  \t \r\n\r\n")
        << QStringList{QStringLiteral("**** *a_1"), QStringLiteral("**** *a_2 *b_x_y")}
        << QList<QByteArray>{"", "Sans fin de ligne."} << QByteArray("\r\n")
        << QStringList{QStringLiteral("1|a=1"), QStringLiteral("2|a=2"),
                       QStringLiteral("2|b=x_y")}
        << QStringList();
    // Only "****" at a line's very start begins a text.
    QTest::newRow("stars inside a text")
        << QByteArray("\xEF\xBB\xBF") << QStringList{QStringLiteral("**** *a_1")}
        << QList<QByteArray>{"*** Trois.\r\n **** Quatre.\r\nCinq ****\r\n"}
        << QByteArray("\r\n") << QStringList{QStringLiteral("1|a=1")}
        << QStringList{QStringLiteral("*** Trois.\r\n"), QStringLiteral("**** Quatre.\r\n"),
                       QStringLiteral("Cinq ****")};
    // Names are found whatever their case: one attribute, the first spelling.
    QTest::newRow("names whatever their case")
        << QByteArray()
        << QStringList{QStringLiteral("**** *Journal_x"), QStringLiteral("**** *JOURNAL_y")}
        << QList<QByteArray>{"Un.\r\n", "Deux.\r\n"} << QByteArray("\r\n")
        << QStringList{QStringLiteral("1|Journal=x"), QStringLiteral("2|Journal=y")}
        << QStringList{QStringLiteral("Un.")};
}

void TestIramuteq::corpus()
{
    QFETCH(QByteArray, head);
    QFETCH(QStringList, starred);
    QFETCH(QList<QByteArray>, texts);
    QFETCH(QByteArray, lineEnd);
    QFETCH(QStringList, attributes);
    QFETCH(QStringList, firstSegments);

    const QString base = m_dir.filePath(QStringLiteral("c%1").arg(++m_files));
    const QString path = base + QStringLiteral(".txt");
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("c%1.mdb").arg(m_files));
    QByteArray bytes = head;
    QStringList plain;
    for (int i = 0; i < starred.size(); ++i) {
        bytes += starred.at(i).toUtf8() + lineEnd + texts.at(i);
        // The same lines as a text file of their own.
        plain << base + QStringLiteral("-%1.txt").arg(i + 1);
        writeFile(plain.last(), texts.at(i));
    }
    writeFile(path, bytes);
    {
        std::shared_ptr<Connection> connection = Connection::open(db);
        const batch::Summary summary = batch::takeIn(*connection, QStringList{path} + plain);
        QCOMPARE(summary.outcomes.size(), size_t(2 * starred.size()));
        for (int i = 0; i < starred.size(); ++i) {
            const batch::Outcome &o = summary.outcomes[size_t(i)];
            QCOMPARE(o.status, Status::Added);
            QCOMPARE(o.path, path + QStringLiteral("#%1").arg(i + 1));
            QCOMPARE(o.segments, summary.outcomes[size_t(starred.size() + i)].segments);
        }
        // Taken in again: already there, told once for the file.
        const batch::Summary again = batch::takeIn(*connection, {path});
        QCOMPARE(again.outcomes.size(), size_t(1));
        QCOMPARE(again.outcomes[0].status, Status::AlreadyPresent);
        QCOMPARE(again.outcomes[0].path, path);
    }
    codingtest::Raw raw(db);
    for (int i = 0; i < starred.size(); ++i)
        QCOMPARE(segmentsOf(raw, path + QStringLiteral("#%1").arg(i + 1)),
                 segmentsOf(raw, plain.at(i)));
    QCOMPARE(segmentsOf(raw, path + QStringLiteral("#1")), firstSegments);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from chemin where chemin = '%1'")
                                       .arg(path)),
             QStringList{QStringLiteral("0")});
    QCOMPARE(attributesOf(raw), attributes);
}

void TestIramuteq::pieces_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("\r\n**** *a_1\r\nUn.\r\n**\r\n**** *b\r\n****\r\nFin");
    QTest::newRow("LF") << QByteArray("**** *a_1\nUn.\n*** x\n**** *b\n****\n");
    QTest::newRow("CR") << QByteArray("**** *a_1\rUn.\r\r**** *b\r****");
}

// Wherever the pieces of the file are cut (inside a mark, between CR and
// LF), the texts are the same.
void TestIramuteq::pieces()
{
    QFETCH(QByteArray, bytes);
    const QStringList whole = readCorpus(bytes, bytes.size());
    QCOMPARE(whole.size(), 3);
    for (qsizetype size = 1; size < bytes.size(); ++size)
        QCOMPARE(readCorpus(bytes, size), whole);
}

void TestIramuteq::badLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");
    QTest::newRow("word without its star")
        << QByteArray("**** *a_1 journal_x\r\nUn.\r\n")
        << QStringLiteral("ligne 1 : « journal_x » n'est pas un attribut : chacun commence par "
                          "« * » (*nom_valeur).");
    QTest::newRow("empty name, fourth line")
        << QByteArray("**** *a_1\r\nUn.\r\n\r\n**** *_x\r\nDeux.\r\n")
        << QStringLiteral("ligne 4 : Un attribut doit avoir un nom.");
    QTest::newRow("empty value, LF line ends")
        << QByteArray("**** *a_1\nUn.\n**** *b_\n")
        << QStringLiteral("ligne 3 : l'attribut « b » n'a pas de valeur après « _ ».");
    QTest::newRow("name given twice")
        << QByteArray("**** *a_1 *A_2\r\n")
        << QStringLiteral("ligne 1 : l'attribut « A » est donné deux fois.");
    QTest::newRow("name too long")
        << QByteArray("**** *" + QByteArray(65, 'n') + "_1\r\n")
        << QStringLiteral("ligne 1 : Le nom d'attribut « nnnnnnnnnnnnnnnnnnnn… » est trop long : "
                          "64 caractères au plus.");
    QTest::newRow("value too long")
        << QByteArray("**** *a_1\r\n**** *a_" + QByteArray(256, 'v') + "\r\n")
        << QStringLiteral("ligne 2 : La valeur « vvvvvvvvvvvvvvvvvvvv… » est trop longue : 255 "
                          "caractères au plus.");
    QTest::newRow("no space after the mark")
        << QByteArray("*****a_1\r\n")
        << QStringLiteral("ligne 1 : les attributs d'une ligne étoilée suivent « **** » après une "
                          "espace (**** *nom_valeur).");
}

void TestIramuteq::badLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    const QString path = m_dir.filePath(QStringLiteral("b%1.txt").arg(++m_files));
    writeFile(path, bytes);
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("b%1.mdb").arg(m_files));
    {
        std::shared_ptr<Connection> connection = Connection::open(db);
        const batch::Summary summary = batch::takeIn(*connection, {path});
        QCOMPARE(summary.outcomes.size(), size_t(1));
        QCOMPARE(summary.outcomes[0].status, Status::Failed);
        QCOMPARE(summary.outcomes[0].path, path);
        QCOMPARE(summary.outcomes[0].cause, cause);
    }
    // Nothing of the file is kept, not even its first texts or attributes.
    codingtest::Raw raw(db);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select (select count(*) from chemin), "
                                                  "(select count(*) from textes), "
                                                  "(select count(*) from Attributs), "
                                                  "(select count(*) from ValeursAttributs)")),
             QStringList{QStringLiteral("0|0|0|0")});
}

void TestIramuteq::plainText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("segments");
    QTest::newRow("starred line after the text")
        << QByteArray("Texte.\r\n**** *a_1\r\n")
        << QStringList{QStringLiteral("Texte.\r\n"), QStringLiteral("**** *a_1")};
    QTest::newRow("indented mark") << QByteArray("\r\n  **** *a_1\r\n")
                                   << QStringList{QStringLiteral("**** *a_1")};
    QTest::newRow("three stars") << QByteArray("*** *a_1\r\n")
                                 << QStringList{QStringLiteral("*** *a_1")};
}

void TestIramuteq::plainText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, segments);
    const QString path = m_dir.filePath(QStringLiteral("p%1.txt").arg(++m_files));
    writeFile(path, bytes);
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("p%1.mdb").arg(m_files));
    {
        std::shared_ptr<Connection> connection = Connection::open(db);
        const batch::Summary summary = batch::takeIn(*connection, {path});
        QCOMPARE(summary.outcomes.size(), size_t(1));
        QCOMPARE(summary.outcomes[0].status, Status::Added);
        QCOMPARE(summary.outcomes[0].path, path);
    }
    codingtest::Raw raw(db);
    QCOMPARE(segmentsOf(raw, path), segments);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from ValeursAttributs")),
             QStringList{QStringLiteral("0")});
}

void TestIramuteq::stopAndOlderFile_data()
{
    QTest::addColumn<bool>("stopAtSecond"); // "Arrêter" once the second text has begun
    QTest::addColumn<bool>("versionTwo");   // a file made before the attributes
    QTest::addColumn<QString>("kept");      // texts|segments|attributes|values|version
    QTest::newRow("stopped: nothing of the file") << true << false
                                                  << QStringLiteral("0|0|0|0|%1").arg(kSchemaVersion);
    // Brought to the current version, then taken in.
    QTest::newRow("older file") << false << true
                                    << QStringLiteral("2|2|1|2|%1").arg(kSchemaVersion);
}

void TestIramuteq::stopAndOlderFile()
{
    QFETCH(bool, stopAtSecond);
    QFETCH(bool, versionTwo);
    QFETCH(QString, kept);
    const QString path = m_dir.filePath(QStringLiteral("s%1.txt").arg(++m_files));
    writeFile(path, "**** *a_1\r\nUn.\r\n**** *a_2\r\nDeux.\r\n");
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("s%1.mdb").arg(m_files));
    if (versionTwo)
        QVERIFY(codingtest::Raw(db).exec(
            QStringLiteral("DROP TABLE ValeursAttributs; DROP TABLE Attributs; DROP TABLE Notes; "
                           "DROP TABLE Recherche; DROP TABLE RechercheEtat; "
                           "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                           "DROP TABLE EntreesDictionnaires; "
                           "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires; PRAGMA user_version = 2")));
    {
        std::shared_ptr<Connection> connection = Connection::open(db);
        int bytesTold = 0;
        const batch::Summary summary = batch::takeIn(
            *connection, {path}, [&](const batch::Progress &) { ++bytesTold; }, {},
            [&] { return stopAtSecond && bytesTold > 2; });
        QCOMPARE(summary.outcomes.size(), size_t(stopAtSecond ? 1 : 2));
        QCOMPARE(summary.outcomes[0].status, stopAtSecond ? Status::Stopped : Status::Added);
        QVERIFY(!connection->inTransaction());
    }
    codingtest::Raw raw(db);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select (select count(*) from chemin), "
                                                  "(select count(*) from textes), "
                                                  "(select count(*) from Attributs), "
                                                  "(select count(*) from ValeursAttributs), "
                                                  "(select user_version from pragma_user_version)")),
             QStringList{kept});
}

QTEST_GUILESS_MAIN(TestIramuteq)
#include "test_iramuteq.moc"
