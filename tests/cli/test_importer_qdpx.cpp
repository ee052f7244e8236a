// telmira-codage --importer-qdpx and --qdpx run as a script runs them, on a
// project of the standard's shape with two coders, a code tree three levels
// deep under a list, two codes of one name under two parents, two sources of
// one name, a selection at impossible positions, and parts an analysis does
// not hold: the coders are never merged, and the summary names all that was
// not taken.
#include "../coding/codingtest.h"

#include "../exchange/storedzip.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

namespace {

// Alice: "Économie > Emploi" on "Un.", "Temps partiel" on "Trois.", and a
// reversed selection; Bruno: "Social > Emploi" on "Un." and "Critique" on
// "Trois.".
const QByteArray kProject =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"deux codeurs\">"
    "<Users><User guid=\"UA\" name=\"Alice\"/><User guid=\"UB\" name=\"Bruno\"/></Users>"
    "<CodeBook><Codes>"
    "<Code guid=\"T\" name=\"Thèmes\" isCodable=\"false\">"
    "<Code guid=\"E\" name=\"Économie\"><Code guid=\"E1\" name=\"Emploi\">"
    "<Code guid=\"E11\" name=\"Temps partiel\"/></Code></Code>"
    "<Code guid=\"S\" name=\"Social\"><Code guid=\"S1\" name=\"Emploi\"/></Code>"
    "</Code>"
    "<Code guid=\"N\" name=\"Ton\" isCodable=\"false\"><Code guid=\"N1\" name=\"Critique\"/></Code>"
    "</Codes></CodeBook>"
    "<Variables><Variable guid=\"V\" name=\"Âge\" typeOfVariable=\"Integer\"/></Variables>"
    "<Cases><Case guid=\"K\" name=\"Cas 1\"/></Cases>"
    "<Sources>"
    "<TextSource guid=\"A\" name=\"entretien.txt\" plainTextPath=\"internal://A.txt\">"
    "<PlainTextSelection guid=\"a1\" startPosition=\"0\" endPosition=\"3\" creatingUser=\"UA\">"
    "<Coding guid=\"c1\" creatingUser=\"UA\"><CodeRef targetGUID=\"E1\"/></Coding>"
    "<Coding guid=\"c2\" creatingUser=\"UB\"><CodeRef targetGUID=\"S1\"/></Coding>"
    "</PlainTextSelection></TextSource>"
    "<TextSource guid=\"B\" name=\"entretien.txt\" plainTextPath=\"internal://B.txt\">"
    "<PlainTextSelection guid=\"b1\" startPosition=\"0\" endPosition=\"6\" creatingUser=\"UA\">"
    "<Coding guid=\"c3\" creatingUser=\"UA\"><CodeRef targetGUID=\"E11\"/></Coding>"
    "<Coding guid=\"c4\" creatingUser=\"UB\"><CodeRef targetGUID=\"N1\"/></Coding>"
    "</PlainTextSelection>"
    "<PlainTextSelection guid=\"b2\" startPosition=\"9\" endPosition=\"2\" creatingUser=\"UA\">"
    "<Coding guid=\"c5\"><CodeRef targetGUID=\"E\"/></Coding></PlainTextSelection>"
    "</TextSource>"
    "<PDFSource guid=\"P\" name=\"scan.pdf\" path=\"internal://P.pdf\">"
    "<PDFSelection guid=\"p1\" page=\"0\" firstX=\"0\" firstY=\"0\" secondX=\"1\" secondY=\"1\"/>"
    "</PDFSource>"
    "</Sources>"
    "<Notes><Note guid=\"M\" name=\"Mémo\"/></Notes>"
    "<Sets><Set guid=\"G\" name=\"Groupe\"/></Sets>"
    "<Description>Deux codeurs.</Description>"
    "</Project>";

// The lines every import of the project says, whoever's codings come in.
const QStringList kCommon{
    "Codeurs du projet : Alice (3 codages), Bruno (2 codages)",
    "Textes ajoutés : 2",
    "Source de même nom qu'une autre, importée sous un nom à elle : entretien.txt → entretien (2).txt",
    "Sources non textuelles ou hors de l'archive, non importées : 1",
    "Valeurs ajoutées aux listes : 6",
    "Niveaux de l'arbre des codes repliés dans les noms des valeurs (« parent > code ») : 2",
    "Non importé (Telmira ne les tient pas) — cas (Cases) : 1",
    "Non importé (Telmira ne les tient pas) — description du projet : 1",
    "Non importé (Telmira ne les tient pas) — ensembles (Sets) : 1",
    "Non importé (Telmira ne les tient pas) — notes : 1",
    "Non importé (Telmira ne les tient pas) — sélections des sources non importées : 1"};

struct Run
{
    int code = -1;
    QString out, err;
};

Run run(const QStringList &arguments)
{
    QProcess program;
    program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
                  arguments);
    Run r;
    if (!program.waitForFinished(120000))
        return r;
    r.code = program.exitCode();
    r.out = QString::fromUtf8(program.readAllStandardOutput());
    r.err = QString::fromUtf8(program.readAllStandardError());
    return r;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Each coding row as "text|segment|value of list 1|value of list 2", sorted.
QStringList codingOf(const QString &path)
{
    codingtest::Raw raw(path);
    return codingtest::rows(
        raw, QStringLiteral("SELECT c.chemin || '|' || t.texte || '|' || ifnull(v1.variable01, '') || '|' || "
                            "ifnull(v2.variable02, '') FROM Contenus n JOIN textes t ON t.numero = n.numtexte "
                            "JOIN Chemin c ON c.numero = t.numtexte "
                            "JOIN var_comp_01 v1 ON v1.numero = n.numvar01 "
                            "JOIN var_comp_02 v2 ON v2.numero = n.numvar02 ORDER BY 1"));
}

} // namespace

class TestRefiQdaCli : public QObject
{
    Q_OBJECT
private slots:
    void importedBothWays_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lines"); // of standard output ({dir}: the folder)
        QTest::addColumn<QString>("err");       // a part of standard error
        QTest::addColumn<QStringList>("coded"); // the analysis's coding rows after
        QTest::addColumn<QStringList>("alice"); // Alice's copy's rows, if made
        QTest::addColumn<QStringList>("bruno");
        const QStringList alice{"entretien (2).txt|Trois.|Économie > Emploi > Temps partiel|",
                                "entretien.txt|Un.|Économie > Emploi|"};
        const QStringList bruno{"entretien (2).txt|Trois.||Critique",
                                "entretien.txt|Un.|Social > Emploi|"};
        QTest::newRow("several coders, no choice")
            << QStringList() << 1 << QStringList()
            << QStringLiteral("Le projet a 2 codeurs : Alice (3 codages), Bruno (2 codages). "
                              "Indiquez --codeur NOM")
            << QStringList() << QStringList() << QStringList();
        QTest::newRow("a coder not in the project")
            << QStringList{"--codeur", "Zoé"} << 1 << QStringList()
            << QStringLiteral("Le projet n'a pas de codeur « Zoé » ; les codeurs du projet sont : "
                              "Alice (3 codages), Bruno (2 codages).")
            << QStringList() << QStringList() << QStringList();
        QTest::newRow("both ways at once")
            << QStringList{"--codeur", "Alice", "--par-codeur"} << 1 << QStringList()
            << QStringLiteral("--codeur et --par-codeur s'excluent") << QStringList()
            << QStringList() << QStringList();
        QStringList aliceLines = kCommon;
        aliceLines.insert(1, "Codage importé : celui de Alice ; codages des autres codeurs, non "
                             "importés : 2");
        aliceLines << "Sélections codées : 3"
                   << "Lignes de codage ajoutées : 2"
                   << "Sélections aux positions impossibles (négatives, inversées ou au-delà du "
                      "texte), refusées : 1";
        QTest::newRow("Alice's codings")
            << QStringList{"--codeur", "Alice"} << 0 << aliceLines << QString() << alice
            << QStringList() << QStringList();
        QStringList perCoder = kCommon;
        perCoder.insert(1, "Copie du codeur Alice : {dir}/corpus_Alice.mdb (lignes de codage : 2)");
        perCoder.insert(2, "Copie du codeur Bruno : {dir}/corpus_Bruno.mdb (lignes de codage : 2)");
        perCoder.insert(3, "Cette analyse reçoit les textes et les valeurs, sans codage : le "
                           "codage de chaque codeur est dans sa copie.");
        // Alice's reversed selection, refused in her copy, is said too.
        perCoder << "Sélections codées : 5"
                 << "Sélections aux positions impossibles (négatives, inversées ou au-delà du "
                    "texte), refusées : 1";
        QTest::newRow("a copy per coder") << QStringList{"--par-codeur"} << 0 << perCoder << QString()
                                          << QStringList() << alice << bruno;
    }
    void importedBothWays()
    {
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, lines);
        QFETCH(QString, err);
        QFETCH(QStringList, coded);
        QFETCH(QStringList, alice);
        QFETCH(QStringList, bruno);
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir, QStringLiteral("corpus.mdb"));
        const QString file = dir.filePath(QStringLiteral("projet.qdpx"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(storedZip({{"project.qde", kProject},
                               {"sources/A.txt", "Un. Deux."},
                               {"sources/B.txt", "Trois. Quatre."}}));
        }
        const QByteArray before = bytesOf(db);
        const Run r = run(QStringList{QStringLiteral("--importer-qdpx"), db, file} + options);
        QVERIFY2(r.code == code, qPrintable(r.err));
        if (!err.isEmpty())
            QVERIFY2(r.err.contains(err), qPrintable(r.err));
        if (code != 0) {
            // Nothing written: the analysis as it was, no copy.
            QVERIFY(bytesOf(db) == before);
            QCOMPARE(r.out, QString());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                     QStringList({"corpus.mdb", "projet.qdpx"}));
            return;
        }
        QStringList expected = lines;
        expected.replaceInStrings(QStringLiteral("{dir}"), dir.path());
        QStringList got = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList sortedGot = got, sortedExpected = expected;
        sortedGot.sort();
        sortedExpected.sort();
        QCOMPARE(sortedGot, sortedExpected);
        QCOMPARE(codingOf(db), coded);
        if (!alice.isEmpty()) {
            QCOMPARE(codingOf(dir.filePath(QStringLiteral("corpus_Alice.mdb"))), alice);
            QCOMPARE(codingOf(dir.filePath(QStringLiteral("corpus_Bruno.mdb"))), bruno);
        }

        // Exported again: one line says what went out; the sources carry
        // their names alone and a coder is named.
        const Run out = run({QStringLiteral("--qdpx"), db, dir.filePath(QStringLiteral("sortie.qdpx"))});
        QCOMPARE(out.code, 0);
        QCOMPARE(out.out, QStringLiteral("Projet exporté — textes : 2, sélections codées : %1, "
                                         "valeurs : 6, codeur : « Telmira ».\n")
                              .arg(coded.size()));
    }

    // A list that has a name keeps it unless --renommer-listes is given.
    void listsRenamedOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("said");
        QTest::newRow("kept") << false << "Mes thèmes" << true;
        QTest::newRow("renamed") << true << "Thèmes" << false;
    }
    void listsRenamedOnlyWhenAsked()
    {
        QFETCH(bool, rename);
        QFETCH(QString, name);
        QFETCH(bool, said);
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir, QStringLiteral("corpus.mdb"));
        {
            codingtest::Raw raw(db);
            raw.exec(QStringLiteral("INSERT INTO Listes VALUES (1, 'Mes thèmes')"));
        }
        const QString file = dir.filePath(QStringLiteral("livre.qdc"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<CodeBook xmlns=\"urn:QDA-XML:codebook:1.0\"><Codes>"
                    "<Code guid=\"T\" name=\"Thèmes\" isCodable=\"false\"><Code guid=\"E\" name=\"Économie\"/>"
                    "</Code></Codes></CodeBook>");
        }
        QStringList arguments{QStringLiteral("--importer-qdc"), db, file};
        if (rename)
            arguments << QStringLiteral("--renommer-listes");
        const Run r = run(arguments);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out.contains(QStringLiteral("Listes déjà nommées ou garnies, laissées sous leur "
                                               "nom : 1")),
                 said);
        codingtest::Raw raw(db);
        QCOMPARE(codingtest::rows(raw, QStringLiteral("SELECT nom FROM Listes WHERE liste = 1")),
                 QStringList{name});
    }
};

QTEST_GUILESS_MAIN(TestRefiQdaCli)
#include "test_importer_qdpx.moc"
