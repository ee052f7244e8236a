// telmira-codage --iramuteq run as a program without a display: the corpus
// exactly as worked out by hand, with and without the codes, names and
// values made safe; failures that keep an earlier file; and --ajouter's
// lines for an Iramuteq corpus taken in.
#include "../coding/codingtest.h"

#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/connection.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace codingtest;

namespace {

struct Run
{
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
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = program.exitCode();
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

} // namespace

class TestIramuteqCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exportCorpus_data();
    void exportCorpus();
    void starredLineInAText_data();
    void starredLineInAText();
    void takeIn_data();
    void takeIn();
    void help();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

// Text 1 with three attributes and two segments, the first coded by three
// rows, the second by an empty row only; text 2 without attributes, one
// segment coded; text 3 without segments.
void TestIramuteqCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    qint64 culture = 0, economie = 0, fort = 0;
    {
        Raw db(m_db);
        addText(db, QStringLiteral("/corpus/entretien 1.txt"),
                {QStringLiteral("Bonjour."), QStringLiteral(" Ça va\r\nbien.\r\n")});
        addText(db, QStringLiteral("/corpus/b.txt"), {QStringLiteral("Seul.")});
        addText(db, QStringLiteral("/corpus/vide.txt"), {});
        culture = addValue(db, 1, QStringLiteral("Culture"));
        economie = addValue(db, 1, QStringLiteral("Économie"));
        fort = addValue(db, 2, QStringLiteral("très *fort*"));
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) "
                                       "VALUES (1, %1, %3), (1, %1, 1), (1, %2, 1), (2, 1, 1), "
                                       "(3, %2, 1)")
                            .arg(culture)
                            .arg(economie)
                            .arg(fort)));
    }
    auto connection = Connection::open(m_db);
    codebook::setListName(*connection, 1, QStringLiteral("Thème"));
    const qint64 journal = attributes::add(*connection, QStringLiteral("journal"));
    const qint64 annee = attributes::add(*connection, QStringLiteral("année"));
    const qint64 type = attributes::add(*connection, QStringLiteral("type de_texte*"));
    attributes::setValue(*connection, annee, 1, QStringLiteral("2003"));
    attributes::setValue(*connection, journal, 1, QStringLiteral(" Le Monde "));
    attributes::setValue(*connection, type, 1, QStringLiteral("entretien_libre"));
    attributes::setValue(*connection, journal, 3, QStringLiteral("vide"));
}

void TestIramuteqCli::exportCorpus_data()
{
    QTest::addColumn<QStringList>("arguments"); // BASE and SORTIE stand for the files
    QTest::addColumn<bool>("outputExists");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on standard error when failing, else output
    QTest::addColumn<QByteArray>("corpus");

    const QByteArray attributes =
        "**** *journal_Le_Monde *ann\xC3\xA9" "e_2003 *type-de-texte-_entretien_libre";
    QTest::newRow("texts")
        << QStringList{"--iramuteq", "BASE", "SORTIE"} << true << 0
        << "Corpus Iramuteq exporté : 2 textes, 3 segments, dans « SORTIE »."
        << QByteArray(attributes + "\nBonjour.  \xC3\x87" "a va\nbien.\n\n****\nSeul.\n");
    QTest::newRow("coded segments")
        << QStringList{"--iramuteq", "BASE", "SORTIE", "--avec-codes"} << false << 0
        << "Corpus Iramuteq exporté : 2 segments codés, dans « SORTIE »."
        << QByteArray(attributes
                      + " *Th\xC3\xA8me_Culture *Th\xC3\xA8me_\xC3\x89" "conomie "
                        "*Variable-de-comparaison-2_tr\xC3\xA8s__fort_\nBonjour.\n"
                        "**** *Th\xC3\xA8me_\xC3\x89" "conomie\nSeul.\n");
    QTest::newRow("standard output")
        << QStringList{"--iramuteq", "BASE", "-"} << false << 0 << "**** *journal_Le_Monde"
        << QByteArray();
    QTest::newRow("disk full") << QStringList{"--iramuteq", "BASE", "/dev/full"} << false << 1
                               << "le disque est plein" << QByteArray();
    QTest::newRow("missing folder")
        << QStringList{"--iramuteq", "BASE", "DOSSIER/sortie.txt"} << false << 1
        << "ne peut pas être écrit" << QByteArray();
    QTest::newRow("the analysis itself")
        << QStringList{"--iramuteq", "BASE", "BASE"} << false << 1 << "elle-même" << QByteArray();
    QTest::newRow("one file only")
        << QStringList{"--iramuteq", "BASE"} << false << 1 << "Utilisation" << QByteArray();
}

void TestIramuteqCli::exportCorpus()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, outputExists);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QByteArray, corpus);
    const QString output = m_dir->filePath(QStringLiteral("sortie.txt"));
    const QByteArray earlier = "ancien contenu\n";
    if (outputExists)
        writeFile(output, earlier);
    said.replace(QStringLiteral("SORTIE"), output);
    for (QString &a : arguments) {
        if (a == u"BASE")
            a = m_db;
        else if (a == u"SORTIE")
            a = output;
        else
            a.replace(QStringLiteral("DOSSIER"), m_dir->filePath(QStringLiteral("absent")));
    }
    const QByteArray before = storetest::bytesOf(m_db);
    const Run r = run(arguments);
    QVERIFY2(r.code == exitCode, qPrintable(r.out + r.err));
    QVERIFY2((exitCode == 0 ? r.out : r.err).contains(said), qPrintable(r.out + r.err));
    QCOMPARE(storetest::bytesOf(m_db), before);
    if (exitCode != 0 || corpus.isEmpty()) {
        if (!arguments.contains(QStringLiteral("-")))
            QCOMPARE(storetest::bytesOf(output), outputExists ? earlier : QByteArray());
        return;
    }
    QCOMPARE(storetest::bytesOf(output), corpus);
}

// A line of a text that begins with "****" is written after a space: it is
// never read back as the starred line of another text.
void TestIramuteqCli::starredLineInAText_data()
{
    QTest::addColumn<QStringList>("segments");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("the text's first line") << QStringList{"**** début."} << QByteArray("\n **** début.\n");
    QTest::newRow("after a line end") << QStringList{"Vu.\r\n**** ligne."}
                                      << QByteArray("\nVu.\n **** ligne.\n");
    QTest::newRow("inside a line") << QStringList{"Vu.", "**** étoiles."}
                                   << QByteArray("\nVu. **** étoiles.\n");
}

void TestIramuteqCli::starredLineInAText()
{
    QFETCH(QStringList, segments);
    QFETCH(QByteArray, written);
    {
        Raw db(m_db);
        addText(db, QStringLiteral("/corpus/etoiles.txt"), segments);
    }
    const QString output = m_dir->filePath(QStringLiteral("sortie.txt"));
    const Run r = run({QStringLiteral("--iramuteq"), m_db, output});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    const QByteArray corpus = storetest::bytesOf(output);
    QVERIFY2(corpus.endsWith("****" + written), corpus.constData());
}

void TestIramuteqCli::takeIn_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // FICHIER stands for the corpus's path
    QTest::newRow("two texts")
        << QByteArray("**** *journal_lemonde\r\nUn. Deux.\r\n**** *une\r\nTrois.\r\n") << 0
        << QStringList{"ajouté;FICHIER#1;2;0", "ajouté;FICHIER#2;1;0"};
    QTest::newRow("bad second line")
        << QByteArray("**** *journal_lemonde\r\nUn.\r\n**** une\r\n") << 1
        << QStringList{"échec;FICHIER;ligne 3 : « une » n'est pas un attribut : chacun commence "
                       "par « * » (*nom_valeur)."};
}

void TestIramuteqCli::takeIn()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    const QString corpus = m_dir->filePath(QStringLiteral("corpus.txt"));
    writeFile(corpus, bytes);
    const Run r = run({QStringLiteral("--ajouter"), m_db, corpus});
    QVERIFY2(r.code == exitCode, qPrintable(r.out + r.err));
    for (QString &line : lines)
        line.replace(QStringLiteral("FICHIER"), corpus);
    QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), lines);
}

void TestIramuteqCli::help()
{
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("--iramuteq BASE.mdb SORTIE.txt [--avec-codes]\n"
                                           "      exporte l'analyse en corpus Iramuteq")),
             qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestIramuteqCli)
#include "test_iramuteq.moc"
