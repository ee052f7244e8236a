// telmira-codage --importer-livre-de-codes run as a program without a
// display: the codebook that --livre-de-codes writes from one analysis
// gives another the same names, values and definitions; values already
// there keep their numbers and their coding; a malformed file changes
// nothing and its message names the first bad line.
#include "../coding/codingtest.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace codingtest;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run run(const QStringList &arguments)
{
    QProcess program;
    withoutDisplay(program);
    program.start(codingProgram(), arguments);
    Run r;
    if (!program.waitForFinished(60000))
        return r;
    r.code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    r.out = QString::fromUtf8(program.readAllStandardOutput());
    r.err = QString::fromUtf8(program.readAllStandardError());
    return r;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The lists as the user sees them: "list|value|definition" for every value
// but the empty one, in record order, and "nom k|name" for each named list.
QStringList codebookOf(Raw &db)
{
    QStringList all;
    for (int k = 1; k <= 5; ++k)
        all << rows(db, QStringLiteral("SELECT '%1', v.variable0%1, coalesce(d.definition, '') "
                                       "FROM var_comp_0%1 v LEFT JOIN Definitions d ON "
                                       "d.liste = %1 AND d.numero = v.numero WHERE v.numero > 1 "
                                       "ORDER BY v.numero")
                               .arg(k));
    all << rows(db, QStringLiteral("SELECT 'nom ' || liste, nom FROM Listes ORDER BY liste"));
    return all;
}

// Every row an import may touch, numbers included.
QStringList snapshot(Raw &db)
{
    QStringList all = rows(db, QStringLiteral("SELECT * FROM Contenus ORDER BY numero"));
    for (int k = 1; k <= 5; ++k)
        all << rows(db, QStringLiteral("SELECT '%1', * FROM var_comp_0%1 ORDER BY numero").arg(k));
    all << rows(db, QStringLiteral("SELECT * FROM Listes ORDER BY liste"));
    all << rows(db, QStringLiteral("SELECT * FROM Definitions ORDER BY liste, numero"));
    return all;
}

const QByteArray kBom = "\xEF\xBB\xBF";

} // namespace

class TestImporterLivreDeCodes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void existingValuesKept_data();
    void existingValuesKept();
    void malformedRefused_data();
    void malformedRefused();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QString m_target;
};

// The source: list 1 "Thème" with Installation (defined on two lines),
// "-5 ans" (a formula for a spreadsheet), « dit "oui" ; non » (a quote and
// a separator); list 3 with "Économie" (no name, no definition); list 5
// "Ton" with "positif". Two coding rows use Installation.
void TestImporterLivreDeCodes::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_source = freshDatabase(*m_dir, QStringLiteral("source.mdb"));
    m_target = freshDatabase(*m_dir, QStringLiteral("cible.mdb"));
    Raw db(m_source);
    addText(db, QStringLiteral("/corpus/a.txt"), {QStringLiteral("Un."), QStringLiteral("Deux.")});
    const qint64 installation = addValue(db, 1, QStringLiteral("Installation"));
    addValue(db, 1, QStringLiteral("-5 ans"));
    addValue(db, 1, QStringLiteral("dit \"oui\" ; non"));
    addValue(db, 3, QStringLiteral("Économie"));
    const qint64 positif = addValue(db, 5, QStringLiteral("positif"));
    QVERIFY(db.exec(QStringLiteral(
        "INSERT INTO Listes (liste, nom) VALUES (1, 'Thème'), (5, 'Ton');"
        "INSERT INTO Definitions (liste, numero, definition) VALUES "
        "(1, %1, 'Mise en place.\nAvec le matériel.'), (5, %2, '=bon');"
        "INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1), (2, %1)")
                        .arg(installation)
                        .arg(positif)));
}

void TestImporterLivreDeCodes::roundTrip_data()
{
    QTest::addColumn<QStringList>("options"); // of --livre-de-codes
    QTest::newRow("point-virgule, protégé") << QStringList{};
    QTest::newRow("virgule") << QStringList{QStringLiteral("--virgule")};
    QTest::newRow("brut") << QStringList{QStringLiteral("--brut")};
}

void TestImporterLivreDeCodes::roundTrip()
{
    QFETCH(QStringList, options);
    const QString file = m_dir->filePath(QStringLiteral("livre.csv"));
    const Run exported = run(QStringList{QStringLiteral("--livre-de-codes"), m_source, file} + options);
    QVERIFY2(exported.code == 0, qPrintable(exported.err));

    const Run imported = run({QStringLiteral("--importer-livre-de-codes"), m_target, file});
    QVERIFY2(imported.code == 0, qPrintable(imported.err));
    // Five values added, the empty values not counted, one definition each
    // for Installation and positif, two lists named.
    QCOMPARE(imported.out.split(QLatin1Char('\n')).first(),
             QStringLiteral("ajoutées : 5; déjà présentes : 0; définitions changées : 2; noms de "
                            "listes : 2"));
    QVERIFY2(imported.out.contains(QStringLiteral("ajoutée (liste 1) : dit \"oui\" ; non")),
             qPrintable(imported.out));

    Raw target(m_target);
    // Added in the file's order, the export's (values sorted).
    const QStringList expected{
        QStringLiteral("1|-5 ans|"),
        QStringLiteral("1|Installation|Mise en place.\nAvec le matériel."),
        QStringLiteral("1|dit \"oui\" ; non|"),
        QStringLiteral("3|Économie|"),
        QStringLiteral("5|positif|=bon"),
        QStringLiteral("nom 1|Thème"),
        QStringLiteral("nom 5|Ton")};
    QCOMPARE(codebookOf(target), expected);
    // The coding is not carried over.
    QCOMPARE(target.count(QStringLiteral("Contenus")), qint64(0));

    // Again: nothing left to add, nothing changed.
    const QStringList before = snapshot(target);
    const Run again = run({QStringLiteral("--importer-livre-de-codes"), m_target, file});
    QVERIFY2(again.code == 0, qPrintable(again.err));
    QCOMPARE(again.out.split(QLatin1Char('\n')).first(),
             QStringLiteral("ajoutées : 0; déjà présentes : 5; définitions changées : 0; noms de "
                            "listes : 0"));
    QCOMPARE(snapshot(target), before);
}

void TestImporterLivreDeCodes::existingValuesKept_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("codebook"); // of the target afterwards

    // The target has, in list 1, Installation (36, defined "Ancienne.",
    // coding row 1) and " Départ " (37, coding row 2).
    const QStringList kept{QStringLiteral("1|Installation|Nouvelle."),
                           QStringLiteral("1| Départ |"), QStringLiteral("1|Arrivée|Venue.")};
    QTest::newRow("avec BOM, CR LF, numéros d'une autre analyse")
        << kBom + QByteArray("liste;nom;numero;valeur;definition\r\n"
                             "1;Variable de comparaison 1;1;;\r\n"
                             "1;Variable de comparaison 1;7;Installation;Nouvelle.\r\n"
                             "1;Variable de comparaison 1;8;Départ;\r\n"
                             "1;Variable de comparaison 1;9;Arrivée;Venue.\r\n")
        << QStringLiteral("ajoutées : 1; déjà présentes : 2; définitions changées : 2; noms de "
                          "listes : 0")
        << kept;
    QTest::newRow("sans BOM, LF, sans numéros, espaces autour")
        << QByteArray("liste,nom,valeur,definition\n"
                      "1,,  Installation ,Nouvelle.\n"
                      "1,,Départ,\n"
                      "1,,Arrivée,Venue.\n"
                      "\n")
        << QStringLiteral("ajoutées : 1; déjà présentes : 2; définitions changées : 2; noms de "
                          "listes : 0")
        << kept;
    QTest::newRow("une définition vide laisse la sienne, un nom est donné")
        << QByteArray("liste;nom;numero;valeur;definition\r\n"
                      "1;Thème;36;Installation;\r\n"
                      "2;Ton;2;Installation;\r\n")
        << QStringLiteral("ajoutées : 1; déjà présentes : 1; définitions changées : 0; noms de "
                          "listes : 2")
        << QStringList{QStringLiteral("1|Installation|Ancienne."), QStringLiteral("1| Départ |"),
                       QStringLiteral("2|Installation|"), QStringLiteral("nom 1|Thème"),
                       QStringLiteral("nom 2|Ton")};
}

void TestImporterLivreDeCodes::existingValuesKept()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, report);
    QFETCH(QStringList, codebook);
    Raw target(m_target);
    addText(target, QStringLiteral("/corpus/b.txt"), {QStringLiteral("Un."), QStringLiteral("Deux.")});
    QCOMPARE(addValue(target, 1, QStringLiteral("Installation")), 36);
    QCOMPARE(addValue(target, 1, QStringLiteral(" Départ ")), 37);
    QVERIFY(target.exec(QStringLiteral(
        "INSERT INTO Definitions (liste, numero, definition) VALUES (1, 36, 'Ancienne.');"
        "INSERT INTO Contenus (numtexte, numvar01) VALUES (1, 36), (2, 37)")));
    const QString path = m_dir->filePath(QStringLiteral("livre.csv"));
    writeFile(path, file);

    const Run imported = run({QStringLiteral("--importer-livre-de-codes"), m_target, path});
    QVERIFY2(imported.code == 0, qPrintable(imported.err));
    QCOMPARE(imported.out.split(QLatin1Char('\n')).first(), report);
    QCOMPARE(codebookOf(target), codebook);
    // The values present keep their numbers, and their coding rows.
    QCOMPARE(rows(target, QStringLiteral("SELECT numero, variable01 FROM var_comp_01 WHERE "
                                         "numero IN (36, 37) ORDER BY numero")),
             (QStringList{QStringLiteral("36|Installation"), QStringLiteral("37| Départ ")}));
    QCOMPARE(rows(target, QStringLiteral("SELECT numero, numtexte, numvar01 FROM Contenus ORDER BY "
                                         "numero")),
             (QStringList{QStringLiteral("1|1|36"), QStringLiteral("2|2|37")}));
}

void TestImporterLivreDeCodes::malformedRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("said"); // in standard error

    const QByteArray header = "liste;nom;numero;valeur;definition\r\n";
    const QByteArray good = "1;Thème;36;Installation;Mise en place.\r\n";
    QTest::newRow("en-tête d'un autre fichier")
        << QByteArray("numtexte;segment;valeur\r\n1;2;3\r\n") << QStringLiteral("ligne 1 : l'en-tête");
    QTest::newRow("fichier vide") << QByteArray() << QStringLiteral("ligne 1 : ");
    QTest::newRow("liste 7")
        << header + good + "7;Autre;2;Valeur;\r\n"
        << QStringLiteral("ligne 3 : la liste « 7 » n'existe pas (listes 1 à 5)");
    QTest::newRow("valeur de 300 caractères")
        << header + good + good + "2;Ton;3;" + QByteArray(300, 'x') + ";\r\n"
        << QStringLiteral("ligne 4 : la valeur « xxxx");
    QTest::newRow("guillemet jamais fermé")
        << header + good + "1;Thème;37;\"Départ;fin\r\n1;Thème;38;Autre;\r\n"
        << QStringLiteral("ligne 3 : un guillemet ouvert n'est jamais fermé");
    QTest::newRow("un champ de trop")
        << header + "1;Thème;36;Installation;Mise;en place\r\n"
        << QStringLiteral("ligne 2 : 6 champs au lieu de 5");
    QTest::newRow("pas en UTF-8")
        << header + good + "1;Th\xe8me;37;D\xe9part;\r\n"
        << QStringLiteral("ligne 3 : le texte n'est pas en UTF-8");
    // A definition on two lines moves the next record's line on.
    QTest::newRow("ligne comptée après un champ sur deux lignes")
        << header + "1;Thème;36;Installation;\"Mise\r\nen place\"\r\n1;Thème;37;\"a\"b;\r\n"
        << QStringLiteral("ligne 4 : un caractère suit le guillemet fermant");
}

void TestImporterLivreDeCodes::malformedRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, said);
    const QString path = m_dir->filePath(QStringLiteral("livre.csv"));
    writeFile(path, file);
    const QByteArray before = storetest::bytesOf(m_target);

    const Run imported = run({QStringLiteral("--importer-livre-de-codes"), m_target, path});
    QCOMPARE(imported.code, 1);
    QVERIFY2(imported.err.contains(said), qPrintable(imported.err));
    QVERIFY2(imported.err.contains(QStringLiteral("l'analyse n'a pas été changée")),
             qPrintable(imported.err));
    QVERIFY(imported.out.isEmpty());
    QCOMPARE(storetest::bytesOf(m_target), before);
}

QTEST_GUILESS_MAIN(TestImporterLivreDeCodes)
#include "test_importer_livre_de_codes.moc"
