// telmira-codage --chercher run as a script runs it, without a display: the
// concordance it writes on standard output, byte for byte, the texts kept
// by --texte and --si, the segments coded by --coder (and the analysis
// afterwards), and its refusals.
#include "../coding/codingtest.h"

#include "store/attributestore.h"
#include "store/connection.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

using namespace codingtest;

namespace {

// The small analysis every case reads. The segments are stored as the
// segmenter leaves them, each but the first of a text with its leading
// space, so that a text is its segments one after the other.
//   text 1 (journal = Le Monde):
//     1 "L'État paie."
//     2 " Le chômage baisse; l'état aussi."   ("état" at 22)
//     3 " Rien."
//   text 2 (journal = Libération):
//     4 "Emploi et \"emploi\"."              ("Emploi" at 0, "emploi" at 11)
//     5 " Fin de l'État\nnouveau."           ("État" at 10)
// List 1 holds « Économie », which segment 2 already has on its one row.
void fill(const QString &path, qint64 *economie)
{
    {
        Raw db(path);
        addText(db, QStringLiteral("/corpus/a.txt"),
                {QStringLiteral("L'État paie."), QStringLiteral(" Le chômage baisse; l'état aussi."),
                 QStringLiteral(" Rien.")});
        addText(db, QStringLiteral("/corpus/b.txt"),
                {QStringLiteral("Emploi et \"emploi\"."),
                 QStringLiteral(" Fin de l'État\nnouveau.")});
        *economie = addValue(db, 1, QStringLiteral("Économie"));
        addValue(db, 1, QStringLiteral("Social"));
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (2, %1)")
                            .arg(*economie)));
    }
    std::shared_ptr<Connection> db = Connection::open(path);
    const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
    attributes::setValue(*db, journal, 1, QStringLiteral("Le Monde"));
    attributes::setValue(*db, journal, 2, QStringLiteral("Libération"));
}

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

Run run(const QStringList &arguments)
{
    QProcess program;
    withoutDisplay(program);
    program.start(codingProgram(), arguments);
    Run result;
    if (!program.waitForFinished(60000))
        return result;
    result.code = program.exitCode();
    result.out = program.readAllStandardOutput();
    result.err = QString::fromUtf8(program.readAllStandardError());
    return result;
}

} // namespace

class TestChercherCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void output_data();
    void output();
    void coding_data();
    void coding();

private:
    QTemporaryDir m_dir;
    QString m_db;
    qint64 m_economie = 0;
};

void TestChercherCli::initTestCase()
{
    m_db = freshDatabase(m_dir);
    fill(m_db, &m_economie);
}

void TestChercherCli::output_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the database: the query, then options
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error; empty: none at all

    const QByteArray header("texte;segment;avant;trouv\xC3\xA9;apr\xC3\xA8s\n");
    // "etat" finds "État", "état" and "État" (accents and case ignored).
    // Five characters each side: segment 1 has only "L'" before it, and
    // after it " paie"; in segment 2, "e; l'" (it holds ";": quoted) and
    // " auss"; in segment 5 "de l'" and "\nnouv", the line end a space.
    const QByteArray etat1("1;1;L';\xC3\x89tat; paie\n");
    const QByteArray etat2("1;2;\"e; l'\";\xC3\xA9tat; auss\n");
    const QByteArray etat5("2;5;de l';\xC3\x89tat; nouv\n");
    QTest::newRow("accents and case ignored")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--contexte"), QStringLiteral("5")}
        << 0 << header + etat1 + etat2 + etat5 << QString();
    // Ten characters of context run across the segments of the text: before
    // "paie" the text holds only "L'État " (7 characters); after it ". "
    // then segment 2's "Le chôma".
    QTest::newRow("context across segments")
        << QStringList{QStringLiteral("paie"), QStringLiteral("--contexte"), QStringLiteral("10")}
        << 0 << header + QByteArray("1;1;L'\xC3\x89tat ;paie;. Le ch\xC3\xB4ma\n") << QString();
    // Two occurrences in segment 4, in position order. The first has
    // nothing before it: segment 4 begins text 2, and text 1 is another
    // text. The second has 't "' before it and '".' then segment 5's space
    // after it; both hold a quote, doubled inside the quoted field.
    QTest::newRow("two in one segment, never across texts")
        << QStringList{QStringLiteral("emploi"), QStringLiteral("--contexte"), QStringLiteral("3")}
        << 0
        << header + QByteArray("2;4;;Emploi; et\n"
                               "2;4;\"t \"\"\";emploi;\"\"\". \"\n")
        << QString();
    // The default context is 40 characters: segment 5's "État" stands at
    // 19 + 10 = 29 in its text, so the before is all of it from the start
    // of segment 4 (quotes doubled, the field quoted); the after is the
    // rest of the text, "\nnouveau." with the line end a space.
    QTest::newRow("forty characters by default")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--texte"), QStringLiteral("2")} << 0
        << header + QByteArray("2;5;\"Emploi et \"\"emploi\"\". Fin de l'\";\xC3\x89tat; nouveau.\n")
        << QString();
    QTest::newRow("texts by number")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--contexte"), QStringLiteral("5"),
                       QStringLiteral("--texte"), QStringLiteral("2")}
        << 0 << header + etat5 << QString();
    QTest::newRow("texts by attribute")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--contexte"), QStringLiteral("5"),
                       QStringLiteral("--si"), QStringLiteral("journal=Le Monde")}
        << 0 << header + etat1 + etat2 << QString();
    // "-chomage" leaves segment 2 out.
    QTest::newRow("a word left out")
        << QStringList{QStringLiteral("etat -chomage"), QStringLiteral("--contexte"),
                       QStringLiteral("5")}
        << 0 << header + etat1 + etat5 << QString();
    QTest::newRow("nothing found: no line at all")
        << QStringList{QStringLiteral("absent")} << 0 << QByteArray() << QString();

    QTest::newRow("unreadable query")
        << QStringList{QStringLiteral("\"etat")} << 1 << QByteArray()
        << QStringLiteral("La requête ne se lit pas");
    QTest::newRow("no query") << QStringList{} << 1 << QByteArray()
                              << QStringLiteral("Indiquez une base d'analyse et une requête");
    QTest::newRow("bad context")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--contexte"), QStringLiteral("beaucoup")}
        << 1 << QByteArray() << QStringLiteral("--contexte attend un nombre de caractères");
    QTest::newRow("no such text")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--texte"), QStringLiteral("9")} << 1
        << QByteArray() << QStringLiteral("Le texte n° 9 n'existe pas");
    QTest::newRow("no such attribute")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--si"), QStringLiteral("revue=X")}
        << 1 << QByteArray() << QStringLiteral("L'attribut « revue » n'existe pas");
    QTest::newRow("no such list")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--coder"), QStringLiteral("7"),
                       QStringLiteral("X")}
        << 1 << QByteArray() << QStringLiteral("--coder attend un numéro de liste de 1 à 5");
    QTest::newRow("no such value")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--coder"), QStringLiteral("1"),
                       QStringLiteral("Inconnue")}
        << 1 << QByteArray() << QStringLiteral("La valeur « Inconnue » n'est pas dans la liste 1");
    QTest::newRow("no value given")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--coder"), QStringLiteral("1")} << 1
        << QByteArray() << QStringLiteral("--coder attend un numéro de liste puis la valeur");
}

void TestChercherCli::output()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QStringList all{QStringLiteral("--chercher"), m_db};
    all += arguments;
    const Run result = run(all);
    QCOMPARE(result.code, code);
    QCOMPARE(result.out, out);
    if (err.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    else
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
    // A refused value, list or query changed nothing.
    Raw db(m_db);
    QCOMPARE(rows(db, QStringLiteral("SELECT numtexte, numvar01 FROM Contenus ORDER BY numero")),
             QStringList{QStringLiteral("2|%1").arg(m_economie)});
}

void TestChercherCli::coding_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the database
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QStringList>("coded"); // segment|value of every row afterwards

    // "etat" is in segments 1, 2 and 5; segment 2 already holds the value:
    // 2 coded, each on a new row (they had none).
    QTest::newRow("every segment found")
        << QStringList{QStringLiteral("etat"), QStringLiteral("--contexte"), QStringLiteral("5"),
                       QStringLiteral("--coder"), QStringLiteral("1"),
                       QString::fromUtf8("\xC3\x89" "conomie")}
        << QByteArray("texte;segment;avant;trouv\xC3\xA9;apr\xC3\xA8s\n"
                      "1;1;L';\xC3\x89tat; paie\n"
                      "1;2;\"e; l'\";\xC3\xA9tat; auss\n"
                      "2;5;de l';\xC3\x89tat; nouv\n"
                      "cod\xC3\xA9s;2\n")
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")};
    // The value before the options, the options in another order.
    QTest::newRow("one text, value first")
        << QStringList{QStringLiteral("--coder"), QStringLiteral("1"),
                       QString::fromUtf8("\xC3\x89" "conomie"), QStringLiteral("etat"),
                       QStringLiteral("--texte"), QStringLiteral("2"), QStringLiteral("--contexte"),
                       QStringLiteral("5")}
        << QByteArray("texte;segment;avant;trouv\xC3\xA9;apr\xC3\xA8s\n"
                      "2;5;de l';\xC3\x89tat; nouv\n"
                      "cod\xC3\xA9s;1\n")
        << QStringList{QStringLiteral("2"), QStringLiteral("5")};
    // Nothing found: nothing coded, and only the count is written.
    QTest::newRow("nothing found")
        << QStringList{QStringLiteral("absent"), QStringLiteral("--coder"), QStringLiteral("1"),
                       QString::fromUtf8("\xC3\x89" "conomie")}
        << QByteArray("cod\xC3\xA9s;0\n") << QStringList{QStringLiteral("2")};
}

void TestChercherCli::coding()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QStringList, coded);
    const QString path = freshDatabase(m_dir, QStringLiteral("%1.mdb").arg(QTest::currentDataTag()));
    qint64 economie = 0;
    fill(path, &economie);
    QStringList all{QStringLiteral("--chercher"), path};
    all += arguments;
    const Run result = run(all);
    QCOMPARE(result.code, 0);
    QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    QCOMPARE(result.out, out);
    Raw db(path);
    QCOMPARE(rows(db, QStringLiteral("SELECT numtexte FROM Contenus WHERE numvar01 = %1 "
                                     "ORDER BY numtexte")
                          .arg(economie)),
             coded);
    // Nothing else was coded.
    QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM Contenus")),
             QStringList{QString::number(coded.size())});
}

QTEST_GUILESS_MAIN(TestChercherCli)
#include "test_chercher.moc"
