// telmira-codage --dictionnaire run as a script runs it, without a display:
// the counts it writes, byte for byte, for a LIWC file, a quanteda YAML file
// and a dictionary kept in the analysis, by text, by value and by
// attribute; the coding of a list and the coder's copy coded by the
// dictionary (which --fiabilite then compares with the analysis); and its
// refusals, which leave the analysis as it was.
#include "../words/corpusexample.h"

#include "store/connection.h"
#include "store/dictionarystore.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

using namespace codingtest;

namespace {

// corpusexample.h's analysis, hand counts in tests/words/test_dictionaries:
//   1 le chat dort   2 le chien et le chat   3 etat dort   (text 1, Le Monde)
//   4 un chien       5 chiens et chats                      (text 2, Libération)
// Animaux (chat*, chien): 1:1 2:2 4:1 5:1 = 5 in 4; Sommeil (dort): 2 in 2;
// Pays (état): 1 in 1.

// As LIWC writes its files: "%", the numbered categories, "%", then each
// entry with its categories after a tab; CR LF.
const QByteArray kLiwc = "%\r\n1\tAnimaux\r\n2\tSommeil\r\n3\tPays\r\n%\r\n"
                         "chat*\t1\r\nchien\t1\r\ndort\t2\r\n\xc3\xa9tat\t3\r\n";

// As quanteda's as.yaml writes a nested dictionary: the parent "Nature"
// holding two categories. Nature counts both: 1:2 2:2 3:1 4:1 5:1 = 7 in 5.
const QByteArray kYaml = "Nature:\n  Animaux:\n  - chat*\n  - chien\n  Sommeil:\n  - dort\n";

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

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString state(const QString &path)
{
    Raw db(path);
    return (rows(db, QStringLiteral("SELECT * FROM Contenus ORDER BY numero"))
            + rows(db, QStringLiteral("SELECT * FROM var_comp_02 ORDER BY numero")))
        .join(QLatin1Char(' '));
}

} // namespace

class TestDictionnaireCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    corpusexample::Values m_values;

    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(codingProgram()));
        m_path = freshDatabase(m_dir, QStringLiteral("analyse.mdb"));
        m_values = corpusexample::fill(m_path);
        write(file(QStringLiteral("animaux.dic")), kLiwc);
        write(file(QStringLiteral("nature.yml")), kYaml);
        // A dictionary kept in the analysis, by name.
        auto db = Connection::open(m_path);
        words::Dictionary kept;
        kept.name = QStringLiteral("Bêtes");
        kept.categories.push_back({QStringLiteral("Animaux"), QString(),
                                   {{words::DictionaryEntry::Kind::Prefix, QStringLiteral("chat"), false},
                                    {words::DictionaryEntry::Kind::Word, QStringLiteral("chien"), false}}});
        dictionaries::save(*db, kept);
    }

    void output_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after BASE
        QTest::addColumn<QByteArray>("expected");

        const QString dic = QStringLiteral("animaux.dic");
        QTest::newRow("whole") << QStringList{dic}
                               << QByteArray("catégorie;effectif;segments\nAnimaux;5;4\nSommeil;2;2\n"
                                             "Pays;1;1\n");
        // Text 1: Animaux 1+2, Sommeil 2, Pays 1; text 2: Animaux 1+1.
        QTest::newRow("by text") << QStringList{dic, QStringLiteral("--par-texte")}
                                 << QByteArray("texte;Animaux;Sommeil;Pays\n1;3;2;1\n2;2;0;0\n");
        // List 1: Animaux on 2 and 4 (2 + 1), Sommeil on 1 and 3 (chat 1;
        // dort 2; état 1), 5 none (chats 1).
        QTest::newRow("by value")
            << QStringList{dic, QStringLiteral("--par-valeur"), QStringLiteral("1")}
            << QByteArray("valeur;Animaux;Sommeil;Pays\nAnimaux;3;0;0\nSommeil;1;2;1\n"
                          "(non codé);1;0;0\n");
        QTest::newRow("by attribute")
            << QStringList{dic, QStringLiteral("--par-attribut"), QStringLiteral("journal")}
            << QByteArray("valeur;Animaux;Sommeil;Pays\nLe Monde;3;2;1\nLibération;2;0;0\n");
        QTest::newRow("one text") << QStringList{dic, QStringLiteral("--texte"), QStringLiteral("2")}
                                  << QByteArray("catégorie;effectif;segments\nAnimaux;2;2\n"
                                                "Sommeil;0;0\nPays;0;0\n");
        QTest::newRow("condition")
            << QStringList{dic, QStringLiteral("--si"), QStringLiteral("journal=Le Monde")}
            << QByteArray("catégorie;effectif;segments\nAnimaux;3;2\nSommeil;2;2\nPays;1;1\n");
        QTest::newRow("yaml, nested")
            << QStringList{QStringLiteral("nature.yml")}
            << QByteArray("catégorie;effectif;segments\nNature;7;5\nNature > Animaux;5;4\n"
                          "Nature > Sommeil;2;2\n");
        QTest::newRow("kept in the analysis")
            << QStringList{QStringLiteral("Bêtes"), QStringLiteral("--par-texte")}
            << QByteArray("texte;Animaux\n1;3\n2;2\n");
    }
    void output()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const QString before = state(m_path);
        QStringList all{QStringLiteral("--dictionnaire"), m_path};
        for (const QString &a : arguments)
            all << (a.endsWith(QLatin1String(".dic")) || a.endsWith(QLatin1String(".yml"))
                        ? file(a)
                        : a);
        const Run r = run(all);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, expected);
        QCOMPARE(state(m_path), before); // counting changes nothing
    }

    // Coding list 2 (rows 1 to 5 empty there, row 6 of segment 5 holds Jour),
    // segment by segment: 1 row 1 Animaux, row 7 Sommeil; 2 row 2 Animaux;
    // 3 row 4 Sommeil, row 8 Pays; 4 row 5 Animaux; 5 row 9 Animaux.
    // Segments 1 to 5 coded. Again: nothing left to code.
    void coding()
    {
        const QString path = freshDatabase(m_dir, QStringLiteral("codage.mdb"));
        const corpusexample::Values v = corpusexample::fill(path);
        const QStringList arguments{QStringLiteral("--dictionnaire"), path,
                                    file(QStringLiteral("animaux.dic")), QStringLiteral("--coder"),
                                    QStringLiteral("2")};
        const Run r = run(arguments);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("catégorie;segments codés\nAnimaux;4\nSommeil;2\nPays;1\n"
                                   "total;5\n"));
        Raw db(path);
        const QStringList values =
            rows(db, QStringLiteral("SELECT numero, variable02 FROM var_comp_02 WHERE numero > 1"
                                    " ORDER BY numero"));
        QCOMPARE(values.size(), 4);
        const qint64 animaux = values[1].section(QLatin1Char('|'), 0, 0).toLongLong();
        const qint64 sommeil = values[2].section(QLatin1Char('|'), 0, 0).toLongLong();
        const qint64 pays = values[3].section(QLatin1Char('|'), 0, 0).toLongLong();
        QCOMPARE(values, (QStringList{QStringLiteral("%1|Jour").arg(v.jour),
                                      QStringLiteral("%1|Animaux").arg(animaux),
                                      QStringLiteral("%1|Sommeil").arg(sommeil),
                                      QStringLiteral("%1|Pays").arg(pays)}));
        QCOMPARE(rows(db, QStringLiteral("SELECT numero, numtexte, ifnull(numvar02, '-') FROM"
                                         " Contenus ORDER BY numero")),
                 (QStringList{QStringLiteral("1|1|%1").arg(animaux), QStringLiteral("2|2|%1").arg(animaux),
                              QStringLiteral("3|2|-"), QStringLiteral("4|3|%1").arg(sommeil),
                              QStringLiteral("5|4|%1").arg(animaux), QStringLiteral("6|5|%1").arg(v.jour),
                              QStringLiteral("7|1|%1").arg(sommeil), QStringLiteral("8|3|%1").arg(pays),
                              QStringLiteral("9|5|%1").arg(animaux)}));
        const Run again = run(arguments);
        QCOMPARE(again.code, 0);
        QCOMPARE(again.out, QByteArray("catégorie;segments codés\nAnimaux;0\nSommeil;0\nPays;0\n"
                                       "total;0\n"));
    }

    // The copy: the analysis keeps its coding and gains the values; the
    // copy holds the dictionary's coding alone, and --fiabilite reads both.
    void codedCopy()
    {
        const QString path = freshDatabase(m_dir, QStringLiteral("origine.mdb"));
        corpusexample::fill(path);
        QString rowsBefore;
        {
            Raw db(path);
            rowsBefore = rows(db, QStringLiteral("SELECT * FROM Contenus ORDER BY numero"))
                             .join(QLatin1Char(' '));
        }
        const QString copy = file(QStringLiteral("copie.mdb"));
        const Run r = run({QStringLiteral("--dictionnaire"), path, file(QStringLiteral("animaux.dic")),
                           QStringLiteral("--coder"), QStringLiteral("2"), QStringLiteral("--copie"),
                           copy});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        // In a copy without coding every segment's first category takes a
        // new row: Animaux 4, Sommeil 2, Pays 1, segments 1 to 5.
        QCOMPARE(r.out, QByteArray("catégorie;segments codés\nAnimaux;4\nSommeil;2\nPays;1\n"
                                   "total;5\n"));
        {
            Raw db(path);
            QCOMPARE(rows(db, QStringLiteral("SELECT * FROM Contenus ORDER BY numero"))
                         .join(QLatin1Char(' ')),
                     rowsBefore);
            QCOMPARE(rows(db, QStringLiteral("SELECT variable02 FROM var_comp_02 WHERE numero > 1"
                                             " ORDER BY numero")),
                     (QStringList{QStringLiteral("Jour"), QStringLiteral("Animaux"),
                                  QStringLiteral("Sommeil"), QStringLiteral("Pays")}));
        }
        {
            Raw db(copy);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Contenus")), QStringLiteral("7"));
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Contenus WHERE numvar01 <> 1")),
                     QStringLiteral("0"));
        }
        QVERIFY(!QFile::exists(file(QStringLiteral(".copie.mdb.dictionnaire"))));
        const Run reliability = run({QStringLiteral("--fiabilite"), path, copy});
        QCOMPARE(reliability.code, 0);
        QVERIFY(reliability.out.startsWith("variable;nom;alpha;kappa;accord;unites;multiples;niveau\n"));
    }

    // Refused: exit 1, the French message, the analysis as it was.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --dictionnaire
        QTest::addColumn<QString>("message");       // %1: the analysis, %2: the folder

        QTest::newRow("no dictionary")
            << QStringList{QStringLiteral("%1")}
            << QStringLiteral("Indiquez une base d'analyse et un dictionnaire : telmira-codage "
                              "--dictionnaire BASE.mdb DICT.");
        QTest::newRow("unknown") << QStringList{QStringLiteral("%1"), QStringLiteral("Aucun")}
                                 << QStringLiteral("« Aucun » n'est ni un fichier de dictionnaire ni "
                                                   "un dictionnaire gardé dans l'analyse « %1 ».");
        QTest::newRow("unreadable file")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/mauvais.dic")}
            << QStringLiteral("Le dictionnaire « %2/mauvais.dic » n'a pas pu être lu.\nLigne 1 : un "
                              "dictionnaire LIWC commence par une ligne « % », « chat*\t1 » a été "
                              "trouvé.");
        QTest::newRow("two groupings")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--par-texte"), QStringLiteral("--par-valeur"),
                           QStringLiteral("1")}
            << QStringLiteral("--par-texte et --par-valeur ne vont pas ensemble : un seul "
                              "regroupement à la fois.");
        QTest::newRow("no such list")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--par-valeur"), QStringLiteral("7")}
            << QStringLiteral("--par-valeur attend un numéro de liste de 1 à 5 (« 7 » a été donné).");
        QTest::newRow("coding and grouping")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--coder"), QStringLiteral("2"), QStringLiteral("--par-texte")}
            << QStringLiteral("--par-texte et --coder ne vont pas ensemble : une chose à la fois.");
        QTest::newRow("copy without coding")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--copie"), QStringLiteral("%2/c.mdb")}
            << QStringLiteral("--copie SORTIE.mdb va avec --coder K : la liste que le dictionnaire "
                              "code dans la copie.");
        QTest::newRow("copy onto the analysis")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--coder"), QStringLiteral("2"), QStringLiteral("--copie"),
                           QStringLiteral("%1")}
            << QStringLiteral("La copie ne peut pas être écrite sur l'analyse « %1 » elle-même.");
        QTest::newRow("no such attribute")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--par-attribut"), QStringLiteral("titre")}
            << QStringLiteral("L'attribut « titre » n'existe pas dans l'analyse « %1 ».");
        QTest::newRow("no such text")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/animaux.dic"),
                           QStringLiteral("--texte"), QStringLiteral("9")}
            << QStringLiteral("Le texte n° 9 n'existe pas dans l'analyse « %1 ».");
        QTest::newRow("category too long for a value")
            << QStringList{QStringLiteral("%1"), QStringLiteral("%2/long.csv"),
                           QStringLiteral("--coder"), QStringLiteral("2")}
            << QStringLiteral("Le dictionnaire n'a pas pu être appliqué.\nLa catégorie « %3 » ne "
                              "peut pas devenir une valeur de la liste 2 : elle a 303 caractères, "
                              "pour 255 au plus. Rien n'a été codé.");
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        write(file(QStringLiteral("mauvais.dic")), "chat*\t1\r\n%\r\n");
        // A parent of 200 characters and a child of 100: a path of 303.
        const QString parent(200, QLatin1Char('p'));
        const QString child(100, QLatin1Char('e'));
        write(file(QStringLiteral("long.csv")),
              (QStringLiteral("catégorie;entrée\r\n%1 > %2;chat\r\n").arg(parent, child)).toUtf8());
        const QString path = freshDatabase(m_dir, QStringLiteral("refus.mdb"));
        corpusexample::fill(path);
        const QString before = state(path);
        QStringList all{QStringLiteral("--dictionnaire")};
        for (const QString &a : arguments)
            all << QString(a).replace(QStringLiteral("%1"), path).replace(QStringLiteral("%2"), m_dir.path());
        const Run r = run(all);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QByteArray());
        const QString expected = QString(message)
                                     .replace(QStringLiteral("%1"), path)
                                     .replace(QStringLiteral("%2"), m_dir.path())
                                     .replace(QStringLiteral("%3"),
                                              (parent + QStringLiteral(" > ") + child).left(80));
        QCOMPARE(r.err.trimmed(), expected);
        QCOMPARE(state(path), before);
        QVERIFY(!QFile::exists(file(QStringLiteral("c.mdb"))));
    }

    // A version-4 file that may not be written is counted as it is, and
    // left as it is.
    void olderReadOnlyFile()
    {
        const QString path = freshDatabase(m_dir, QStringLiteral("ancien.mdb"));
        corpusexample::fill(path);
        {
            Raw db(path);
            QVERIFY(db.exec(QStringLiteral("DROP TABLE EntreesDictionnaires;"
                                           "DROP TABLE CategoriesDictionnaires;"
                                           "DROP TABLE Dictionnaires; PRAGMA user_version = 4")));
        }
        const QByteArray bytes = storetest::bytesOf(path);
        QFile::setPermissions(path, QFile::ReadOwner);
        const Run r = run({QStringLiteral("--dictionnaire"), path, file(QStringLiteral("animaux.dic"))});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("catégorie;effectif;segments\nAnimaux;5;4\nSommeil;2;2\n"
                                   "Pays;1;1\n"));
        QCOMPARE(storetest::bytesOf(path), bytes);
    }

    // --garder keeps a file's dictionary in the analysis (refused a second
    // time, unless --remplacer); --ecrire writes it out as CSV (the bytes
    // dictionarycsv.h describes) or YAML, which counts the same once read.
    void keptAndWritten()
    {
        const QString path = freshDatabase(m_dir, QStringLiteral("garde.mdb"));
        corpusexample::fill(path);
        const QString dic = file(QStringLiteral("animaux.dic"));
        Run r = run({QStringLiteral("--dictionnaire"), path, dic, QStringLiteral("--garder")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("gardé;animaux;3;4\n"));
        r = run({QStringLiteral("--dictionnaire"), path, dic, QStringLiteral("--garder")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Le dictionnaire n'a pas pu être gardé dans "
                                                 "l'analyse.\nL'analyse a déjà un dictionnaire "
                                                 "« animaux »."));
        r = run({QStringLiteral("--dictionnaire"), path, dic, QStringLiteral("--garder"),
                 QStringLiteral("--remplacer")});
        QCOMPARE(r.code, 0);
        {
            Raw db(path);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Dictionnaires")),
                     QStringLiteral("1"));
        }
        // Written from the analysis, by its name.
        const QString csv = file(QStringLiteral("ecrit.csv"));
        r = run({QStringLiteral("--dictionnaire"), path, QStringLiteral("animaux"),
                 QStringLiteral("--ecrire"), csv});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(storetest::bytesOf(csv),
                 QByteArray("\xEF\xBB\xBF" "catégorie;entrée\r\nAnimaux;chat*\r\nAnimaux;chien\r\n"
                            "Sommeil;dort\r\nPays;état\r\n"));
        const QString yaml = file(QStringLiteral("ecrit.yml"));
        r = run({QStringLiteral("--dictionnaire"), path, dic, QStringLiteral("--ecrire"), yaml});
        QCOMPARE(r.code, 0);
        r = run({QStringLiteral("--dictionnaire"), path, yaml});
        QCOMPARE(r.out, QByteArray("catégorie;effectif;segments\nAnimaux;5;4\nSommeil;2;2\n"
                                   "Pays;1;1\n"));
        // A name that is no file cannot be kept.
        r = run({QStringLiteral("--dictionnaire"), path, QStringLiteral("animaux"),
                 QStringLiteral("--garder")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("--garder prend un fichier de dictionnaire : "
                                                 "« animaux » n'en est pas un."));
    }

    void listedInHelp()
    {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        QVERIFY(QString::fromUtf8(r.out).contains(QStringLiteral(
            "--dictionnaire BASE.mdb DICT [--par-texte | --par-valeur N | --par-attribut NOM]")));
    }
};

QTEST_GUILESS_MAIN(TestDictionnaireCli)
#include "test_dictionnaire.moc"
