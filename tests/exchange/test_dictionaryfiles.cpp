// Dictionary files: LIWC, Lexicoder, quanteda's YAML and the two-column CSV,
// each read from small files built here byte by byte as their programs write
// them (CR LF, byte-order marks, Windows-1252, tabs), their refusals named by
// line, and the CSV and YAML writers read back.
#include "exchange/dictionarycsv.h"
#include "exchange/dictionaryfile.h"
#include "exchange/lexicoderdictionary.h"
#include "exchange/liwcdictionary.h"
#include "exchange/quantedayaml.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using words::Dictionary;
using words::DictionaryCategory;
using words::DictionaryEntry;
using Kind = words::DictionaryEntry::Kind;

namespace {

// The dictionary as one line: "path: entry, entry | path: ...", a prefix
// shown with its "*", a phrase in braces, an exclusion after a "¬" (a "-"
// is a character of the text).
QString shown(const Dictionary &dictionary)
{
    QStringList categories;
    for (const DictionaryCategory &c : dictionary.categories) {
        QStringList entries;
        for (const DictionaryEntry &e : c.entries) {
            QString text
                = e.kind == Kind::Phrase ? QLatin1Char('{') + e.text + QLatin1Char('}') : e.text;
            if (e.kind == Kind::Prefix)
                text += QLatin1Char('*');
            entries << (e.exclusion ? QStringLiteral("¬") : QString()) + text;
        }
        categories << c.path() + QLatin1Char(':')
                + (entries.isEmpty() ? QString()
                                     : QLatin1Char(' ') + entries.join(QStringLiteral(", ")));
    }
    return categories.join(QStringLiteral(" | "));
}

DictionaryEntry word(const QString &text, bool exclusion = false)
{
    return DictionaryEntry{Kind::Word, text, exclusion};
}
DictionaryEntry prefix(const QString &text, bool exclusion = false)
{
    return DictionaryEntry{Kind::Prefix, text, exclusion};
}
DictionaryEntry phrase(const QString &text, bool exclusion = false)
{
    return DictionaryEntry{Kind::Phrase, text, exclusion};
}
DictionaryCategory category(const QString &parent, const QString &name,
                            std::vector<DictionaryEntry> entries = {})
{
    return DictionaryCategory{name, parent, std::move(entries)};
}

// Reads the bytes and checks the dictionary shown, or the error.
void checkRead(const exchange::DictionaryReader &reader, const QByteArray &bytes,
               const QString &expected, int notes)
{
    const exchange::DictionaryReading reading = reader.read(bytes);
    QVERIFY2(reading.ok(), qPrintable(reading.error));
    QVERIFY(reading.error.isEmpty());
    QCOMPARE(shown(*reading.dictionary), expected);
    QCOMPARE(reading.notes.size(), notes);
}

void checkRefused(const exchange::DictionaryReader &reader, const QByteArray &bytes,
                  const QString &error)
{
    const exchange::DictionaryReading reading = reader.read(bytes);
    QVERIFY(!reading.ok());
    QCOMPARE(reading.error, error);
}

} // namespace

Q_DECLARE_METATYPE(words::Dictionary)

class TestDictionaryFiles : public QObject
{
    Q_OBJECT
private slots:
    // --- Entries -----------------------------------------------------------
    void entries_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("marks");
        QTest::addColumn<QString>("expected"); // shown as shown() shows it, or the fault
        QTest::newRow("word") << "chômage" << true << "chômage";
        QTest::newRow("prefix") << "économ*" << true << "économ*";
        QTest::newRow("exclusion") << "-économe" << true << "¬économe";
        QTest::newRow("dash kept without marks") << "-économe" << false << "-économe";
        QTest::newRow("phrase by its space") << "pouvoir   d'achat" << true << "{pouvoir d'achat}";
        QTest::newRow("quoted phrase") << "\"pouvoir d'achat\"" << true << "{pouvoir d'achat}";
        QTest::newRow("excluded quoted phrase")
            << "-\"sécurité sociale\"" << true << "¬{sécurité sociale}";
        QTest::newRow("phrase ending in a prefix") << "sécurité soc*" << true << "{sécurité soc*}";
        QTest::newRow("quoted word") << "\"emploi\"" << true << "emploi";
        QTest::newRow("quoted dash is a word") << "\"-ci\"" << true << "-ci";
        QTest::newRow("quoted apostrophe and formula") << "\"'=x\"" << true << "'=x";
        QTest::newRow("trimmed, tab inside") << "  kind\tof " << false << "{kind of}";
        QTest::newRow("star inside") << "éco*nomie" << true
                                     << "l'entrée « éco*nomie » a un « * » ailleurs qu'à la fin "
                                        "d'un mot : seuls les préfixes (« économ* ») sont pris "
                                        "en charge.";
        QTest::newRow("two stars") << "écono**" << true
                                   << "l'entrée « écono** » a un « * » ailleurs qu'à la fin d'un "
                                      "mot : seuls les préfixes (« économ* ») sont pris en "
                                      "charge.";
        QTest::newRow("lone star") << "*" << true
                                   << "l'entrée « * » a un « * » seul, qui compterait tous les "
                                      "mots.";
        QTest::newRow("lone star in a phrase") << "pouvoir *" << true
                                               << "l'entrée « pouvoir * » a un « * » seul, qui "
                                                  "compterait tous les mots.";
        QTest::newRow("dash alone") << "-" << true
                                    << "l'entrée « - » n'exclut aucun mot : le « - » doit "
                                       "précéder le mot exclu (« -économe »).";
        QTest::newRow("stray quote") << "l\"été" << true
                                     << "l'entrée « l\"été » contient un guillemet qui "
                                        "n'encadre pas toute l'entrée.";
        QTest::newRow("empty quotes")
            << "\"\"" << true << "l'entrée « \"\" » ne contient aucun mot.";
    }
    void entries()
    {
        QFETCH(QString, written);
        QFETCH(bool, marks);
        QFETCH(QString, expected);
        DictionaryEntry entry;
        const QString fault = exchange::parseDictionaryEntry(written, marks, &entry);
        if (!fault.isEmpty()) {
            QCOMPARE(fault, expected);
            return;
        }
        Dictionary d;
        d.categories.push_back(category(QString(), QStringLiteral("c"), {entry}));
        QCOMPARE(shown(d), QStringLiteral("c: ") + expected);
        // Written back, it reads the same.
        if (marks) {
            DictionaryEntry back;
            QVERIFY(
                exchange::parseDictionaryEntry(exchange::writtenDictionaryEntry(entry), true, &back)
                    .isEmpty());
            QCOMPARE(back, entry);
        }
    }

    // --- LIWC --------------------------------------------------------------
    void liwc_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("notes");
        QTest::newRow("LIWC 2015: BOM, CR LF, several categories")
            << QByteArray("\xEF\xBB\xBF%\r\n1\tfunction\r\n2\tpronoun\r\n%\r\n"
                          "a\t1\r\nabdomen*\t2\r\nabout\t1\t2\r\n")
            << "function: a, about | pronoun: abdomen*, about" << 0;
        QTest::newRow("trailing tabs and spaces, blank lines")
            << QByteArray("\r\n%\r\n1\tposemo\t\r\n\r\n2\tnegemo \r\n%\r\n\r\n"
                          "good\t1\t\t\r\nbad\t2 \r\n\r\n\t\r\n")
            << "posemo: good | negemo: bad" << 0;
        QTest::newRow("numbers apart by spaces and tabs")
            << QByteArray("%\n1\tun\n2\tdeux\n3\ttrois\n%\nbien\t1 2\t 3\n")
            << "un: bien | deux: bien | trois: bien" << 0;
        QTest::newRow("leading zeros")
            << QByteArray("%\n01\tHarmVirtue\n02\tHarmVice\n%\nsafe*\t01\nhurt*\t2\n")
            << "HarmVirtue: safe* | HarmVice: hurt*" << 0;
        QTest::newRow("Windows-1252") << QByteArray("%\n1\tpos\xE9"
                                                    "e\n%\nbont\xE9\t1\nd\xE9"
                                                    "sir*\t1\n")
                                      << "posée: bonté, désir*" << 0;
        QTest::newRow("phrases") << QByteArray("%\n1\tfiller\n%\nyou know\t1\nkind  of\t1\n")
                                 << "filler: {you know}, {kind of}" << 0;
        QTest::newRow("no tab: split before the first number")
            << QByteArray("%\n1\ta\n2\tb\n%\ngood 1 2\nyou know 2\n")
            << "a: good | b: good, {you know}" << 0;
        QTest::newRow("old Mac line ends")
            << QByteArray("%\r1\ta\r%\rx\t1\ry\t1\r") << "a: x, y" << 0;
        QTest::newRow("declared but unused category kept")
            << QByteArray("%\n1\ta\n2\tvide\n%\nx\t1\n") << "a: x | vide:" << 0;
        QTest::newRow("the same entry twice counts once")
            << QByteArray("%\n1\ta\n%\nx\t1\nx\t1 1\n") << "a: x" << 0;
        QTest::newRow("parenthesised parent, by name and by number")
            << QByteArray("%\n30\taffect\n31\tposemo (affect)\n32\tnegemo (30)\n1\tfunct\n%\n"
                          "happy\t30 31\nsad\t30\t32\nthe\t1\n")
            << "affect: happy, sad | affect > posemo: happy | affect > negemo: sad | funct: the"
            << 0;
        QTest::newRow("parent declared after its child")
            << QByteArray("%\n31\tposemo (affect)\n30\taffect\n%\nhappy\t31\n")
            << "affect: | affect > posemo: happy" << 0;
        QTest::newRow("tab inside a name") << QByteArray("%\n1\tfunct\tmots  outils\t\n%\nle\t1\n")
                                           << "funct mots outils: le" << 0;
        QTest::newRow("parentheses that name no category")
            << QByteArray("%\n1\tfunct (mots-outils)\n%\nle\t1\n") << "funct (mots-outils): le"
            << 0;
        // 2, 253 and 466 stand alone; 134/125/464 and (02 134)126 are rules.
        QTest::newRow("LIWC2007 context rules")
            << QByteArray("%\n2\tpronoun\n125\tsocial\n126\tfriend\n134\tpast\n253\tverb\n"
                          "464\tfiller\n466\tinfo\n%\n"
                          "like\t02 134/125/464 (02 134)126 253 466\r\n"
                          "kind\t<of>131/125\r\nme\t2\r\n")
            << "pronoun: like, me | social: | friend: | past: | verb: like | filler: | info: like"
            << 2;
    }
    void liwc()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(int, notes);
        checkRead(exchange::LiwcDictionary(), bytes, expected, notes);
    }

    void liwcNotes()
    {
        const exchange::DictionaryReading reading
            = exchange::LiwcDictionary().read("%\n1\ta\n2\tb\n%\nx\t1\nlike\t1 2/1\n");
        QVERIFY(reading.ok());
        QCOMPARE(reading.notes,
                 QStringList{QStringLiteral("Ligne 6 : les catégories de « like » selon le "
                                            "contexte (« 1 2/1 ») ne sont pas prises en charge : "
                                            "seules ses catégories sans condition sont "
                                            "retenues.")});
    }

    void liwcRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("not a number after the tab")
            << QByteArray("%\r\n1\tpos\r\n%\r\nbon\t1\r\nbien\tabc\r\n")
            << "Ligne 5 : un numéro de catégorie était attendu après la tabulation, « abc » a "
               "été trouvé.";
        QTest::newRow("not a number after the entry")
            << QByteArray("%\n1\tpos\n%\nbien 1 abc\n")
            << "Ligne 4 : un numéro de catégorie était attendu après l'entrée, « abc » a été "
               "trouvé.";
        QTest::newRow("category not declared")
            << QByteArray("%\n1\tpos\n%\nbon\t1 7\n")
            << "Ligne 4 : la catégorie n° 7 de « bon » n'est pas déclarée en tête du fichier.";
        QTest::newRow("no first %")
            << QByteArray("\xEF\xBB\xBF\r\nposemo\r\n")
            << "Ligne 2 : un dictionnaire LIWC commence par une ligne « % », « posemo » a été "
               "trouvé.";
        QTest::newRow("empty") << QByteArray("\r\n \r\n")
                               << "Le fichier est vide : un dictionnaire LIWC commence par une "
                                  "ligne « % ».";
        QTest::newRow("second % missing")
            << QByteArray("%\n1\tpos\n2\tneg\n")
            << "Ligne 3 : la seconde ligne « % », qui clôt la liste des catégories, manque.";
        QTest::newRow("header without a number")
            << QByteArray("%\n1\tpos\nneg\t2\n%\n")
            << "Ligne 3 : un numéro de catégorie était attendu en début de ligne, « neg » a été "
               "trouvé.";
        QTest::newRow("header without a name")
            << QByteArray("%\n1\t\t\n%\n") << "Ligne 2 : la catégorie n° 1 n'a pas de nom.";
        QTest::newRow("number declared twice")
            << QByteArray("%\n1\ta\n01\tb\n%\n")
            << "Ligne 3 : la catégorie n° 1 est déjà déclarée ligne 2.";
        QTest::newRow("name declared twice")
            << QByteArray("%\n1\ta\n2\ta\n%\n")
            << "Ligne 3 : la catégorie « a » est déjà déclarée ligne 2.";
        QTest::newRow("entry without category")
            << QByteArray("%\n1\ta\n%\nbon\n")
            << "Ligne 4 : l'entrée « bon » n'a aucun numéro de catégorie.";
        QTest::newRow("numbers without entry")
            << QByteArray("%\n1\ta\n%\n\t1\n")
            << "Ligne 4 : une entrée était attendue avant les numéros de catégorie, « 1 » a été "
               "trouvé.";
        QTest::newRow("star inside a word")
            << QByteArray("%\n1\ta\n%\nf*ck\t1\n")
            << "Ligne 4 : l'entrée « f*ck » a un « * » ailleurs qu'à la fin d'un mot : seuls les "
               "préfixes (« économ* ») sont pris en charge.";
        QTest::newRow("a third %")
            << QByteArray("%\n1\ta\n%\nx\t1\n%\n")
            << "Ligne 5 : une troisième ligne « % » : les catégories sont déclarées une seule "
               "fois, en tête du fichier.";
        QTest::newRow("two levels of parents")
            << QByteArray("%\n1\ta\n2\tb (a)\n3\tc (b)\n%\n")
            << "Ligne 4 : la catégorie « c » est dans « b », elle-même dans une autre : un seul "
               "niveau d'imbrication est pris en charge.";
        QTest::newRow("name holding >")
            << QByteArray("%\n1\ta>b\n%\n")
            << "Ligne 2 : le nom de catégorie « a>b » contient « > », qui sépare une catégorie "
               "de sa catégorie parente.";
    }
    void liwcRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        checkRefused(exchange::LiwcDictionary(), bytes, error);
    }

    // --- Lexicoder ---------------------------------------------------------
    void lexicoder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("capitals, CR LF, phrases, blank lines")
            << QByteArray("+negative\r\nABANDON*\r\nA LIE*\r\n\r\nABUSE\r\n+positive\r\n"
                          "ABIDE*\r\n")
            << "negative: ABANDON*, {A LIE*}, ABUSE | positive: ABIDE*";
        QTest::newRow("BOM, spaces at the ends, tabs")
            << QByteArray("\xEF\xBB\xBF+ neg_positive \n  NOT GOOD\t\n\tBAD* \n")
            << "neg_positive: {NOT GOOD}, BAD*";
        QTest::newRow("Windows-1252")
            << QByteArray("+n\xE9gatif\nCH\xD4MAGE\n") << "négatif: CHÔMAGE";
        QTest::newRow("a nested category")
            << QByteArray("+Santé\nhôpital\n+Économie > Emploi\nchômage\n+Économie\nécono*\n")
            << "Santé: hôpital | Économie: écono* | Économie > Emploi: chômage";
        QTest::newRow("an empty category, a category opened twice")
            << QByteArray("+a\nx\n+vide\n+a\ny\nx\n") << "a: x, y | vide:";
    }
    void lexicoder()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        checkRead(exchange::LexicoderDictionary(), bytes, expected, 0);
    }

    void lexicoderRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("pattern before any category")
            << QByteArray("\r\nABANDON*\r\n+negative\r\n")
            << "Ligne 2 : une ligne « +catégorie » était attendue avant la première entrée, "
               "« ABANDON* » a été trouvé.";
        QTest::newRow("a + without a name")
            << QByteArray("+a\nx\n+ \n")
            << "Ligne 3 : le « + » qui ouvre une catégorie doit être suivi de son nom "
               "(« +negative »).";
        QTest::newRow("nested twice")
            << QByteArray("+a > b > c\n")
            << "Ligne 1 : la catégorie « a > b > c » a plus d'un niveau d'imbrication : seul "
               "« Parent > Enfant » est pris en charge.";
        QTest::newRow("star inside")
            << QByteArray("+a\nx\nWELL*BEING\n")
            << "Ligne 3 : l'entrée « WELL*BEING » a un « * » ailleurs qu'à la fin d'un mot : "
               "seuls les préfixes (« économ* ») sont pris en charge.";
        QTest::newRow("no category")
            << QByteArray("\n\n") << "Le fichier ne contient aucune catégorie.";
    }
    void lexicoderRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        checkRefused(exchange::LexicoderDictionary(), bytes, error);
    }

    // --- CSV ---------------------------------------------------------------
    void csv_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spreadsheet: BOM, header, CR LF, parent named after its child")
            << QByteArray("\xEF\xBB\xBF"
                          "catégorie;entrée\r\nÉconomie > Emploi;chômage\r\n"
                          "Économie;économ*\r\nÉconomie;-économe\r\n")
            << "Économie: économ*, ¬économe | Économie > Emploi: chômage";
        QTest::newRow("commas, no header, quoted phrases")
            << QByteArray("Santé,\"sécurité sociale\"\nSanté,\"\"\"pouvoir d'achat\"\"\"\n"
                          "Santé,\"hôpital, clinique\"\n")
            << "Santé: {sécurité sociale}, {pouvoir d'achat}, {hôpital, clinique}";
        QTest::newRow("quotes inside an unquoted field")
            << QByteArray("Santé;-\"sécurité sociale\"\nSanté;\"maladie\" \n")
            << "Santé: ¬{sécurité sociale}, maladie";
        QTest::newRow("tabs") << QByteArray(
            "catégorie\tentrée\nEmploi\tchômage\nEmploi\tsans emploi\n")
                              << "Emploi: chômage, {sans emploi}";
        QTest::newRow("Windows-1252 header and entries")
            << QByteArray("Cat\xE9gories;Entr\xE9"
                          "es\r\nEmploi;ch\xF4mage\r\n")
            << "Emploi: chômage";
        QTest::newRow("English header")
            << QByteArray("category,word\npositive,good\n") << "positive: good";
        QTest::newRow("first line is no header") << QByteArray("Emploi;mot\n") << "Emploi: mot";
        QTest::newRow("empty fields after the entry, blank records")
            << QByteArray("Emploi;chômage;;\r\n;;\r\n\r\nEmploi;emploi*;\r\n")
            << "Emploi: chômage, emploi*";
        QTest::newRow("a spreadsheet's apostrophe before a dash")
            << QByteArray("Emploi;emploi*\nEmploi;'-emploie\n'=Formule;x\n")
            << "Emploi: emploi*, ¬emploie | =Formule: x";
        QTest::newRow("a category without entries")
            << QByteArray("Vide;\nEmploi;x\n") << "Vide: | Emploi: x";
        QTest::newRow("interleaved records, tree order")
            << QByteArray("A > b;x\nC;y\nA > d;z\nA;w\nC;v\n")
            << "A: w | A > b: x | A > d: z | C: y, v";
        QTest::newRow("spaces around the >")
            << QByteArray("A>b;x\n A  >  b ;y\n") << "A: | A > b: x, y";
        QTest::newRow("the same entry twice counts once") << QByteArray("A;x\nA; x \n") << "A: x";
        QTest::newRow("a line break inside a quoted field")
            << QByteArray("A;\"pouvoir\r\nd'achat\"\r\n") << "A: {pouvoir d'achat}";
    }
    void csv()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        checkRead(exchange::DictionaryCsv(), bytes, expected, 0);
    }

    void csvRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("quote never closed")
            << QByteArray("A;x\nA;\"abc\nB;d\n")
            << "Ligne 2 : un guillemet ouvert n'est jamais refermé.";
        QTest::newRow("a third field")
            << QByteArray("catégorie;entrée\nA;x;y\n")
            << "Ligne 2 : deux champs étaient attendus (la catégorie, l'entrée), « y » a été "
               "trouvé en plus.";
        QTest::newRow("no category")
            << QByteArray("A;x\n;y\n")
            << "Ligne 2 : la catégorie de l'entrée « y » manque dans le premier champ.";
        QTest::newRow("nested twice")
            << QByteArray("A > B > C;x\n")
            << "Ligne 1 : la catégorie « A > B > C » a plus d'un niveau d'imbrication : seul "
               "« Parent > Enfant » est pris en charge.";
        QTest::newRow("no parent before >")
            << QByteArray("> B;x\n")
            << "Ligne 1 : la catégorie « > B » doit nommer sa catégorie parente et elle-même "
               "de part et d'autre de « > ».";
        QTest::newRow("counted and excluded")
            << QByteArray("A;x\r\nB;x\r\nA;-x\r\n")
            << "Ligne 3 : la catégorie « A » compte et exclut à la fois « x ».";
        QTest::newRow("lone star") << QByteArray("A;*\n")
                                   << "Ligne 1 : l'entrée « * » a un « * » seul, qui compterait "
                                      "tous les mots.";
        QTest::newRow("stray quote")
            << QByteArray("A;l\"été\n")
            << "Ligne 1 : l'entrée « l\"été » contient un guillemet qui n'encadre pas toute "
               "l'entrée.";
        // The quoted field spans lines 1 and 2: the faulty record starts on 3.
        QTest::newRow("lines counted inside quotes")
            << QByteArray("A;\"x\ny\"\nB;z*z\n")
            << "Ligne 3 : l'entrée « z*z » a un « * » ailleurs qu'à la fin d'un mot : seuls les "
               "préfixes (« économ* ») sont pris en charge.";
        QTest::newRow("header only")
            << QByteArray("catégorie;entrée\r\n") << "Le fichier ne contient aucune catégorie.";
        QTest::newRow("empty") << QByteArray() << "Le fichier ne contient aucune catégorie.";
    }
    void csvRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        checkRefused(exchange::DictionaryCsv(), bytes, error);
    }

    // --- quanteda's YAML ---------------------------------------------------
    void yaml_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as quanteda writes it, nested")
            << QByteArray("Économie:\n  Emploi:\n  - chômage\n  - emploi*\n  Croissance:\n"
                          "  - croissance\nSanté:\n- sécurité sociale\n- -maladie*\n")
            << "Économie: | Économie > Emploi: chômage, emploi* | Économie > Croissance: "
               "croissance | Santé: {sécurité sociale}, ¬maladie*";
        QTest::newRow("BOM, CR LF, indented lists, quoted scalars")
            << QByteArray("\xEF\xBB\xBFpositive:\r\n  - good\r\n  - 'great*'\r\n"
                          "negative:\r\n  - \"bad\"\r\n  - 'null'\r\n")
            << "positive: good, great* | negative: bad, null";
        QTest::newRow("one entry, none, an empty list")
            << QByteArray("Santé: hôpital\nVide:\nVide aussi: []\nNul: ~\n")
            << "Santé: hôpital | Vide: | Vide aussi: | Nul:";
        QTest::newRow("flow style")
            << QByteArray("{pos: [good, great], neg: [bad, \"not good\"]}\n")
            << "pos: good, great | neg: bad, {not good}";
        QTest::newRow("a parent's own entries beside its children")
            << QByteArray("Économie:\n- économie\n- Emploi:\n  - chômage\n- PIB\n")
            << "Économie: économie, PIB | Économie > Emploi: chômage";
        QTest::newRow("numbers and booleans are words")
            << QByteArray("dates:\n- 2020\n- yes\n") << "dates: 2020, yes";
        QTest::newRow("Windows-1252")
            << QByteArray("Sant\xE9:\n- h\xF4pital\n") << "Santé: hôpital";
        QTest::newRow("comments") << QByteArray(
            "# dictionnaire\na: # la catégorie a\n- x # un mot\n")
                                  << "a: x";
    }
    void yaml()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        checkRead(exchange::QuantedaYaml(), bytes, expected, 0);
    }

    void yamlRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("nested twice")
            << QByteArray("A:\n  B:\n    C:\n    - x\n")
            << "Ligne 2 : la catégorie « A > B » contient d'autres catégories : un seul niveau "
               "d'imbrication est pris en charge.";
        QTest::newRow("nested twice in a list")
            << QByteArray("A:\n  B:\n  - x\n  - C:\n    - y\n")
            << "Ligne 4 : la catégorie « A > B » contient d'autres catégories : un seul niveau "
               "d'imbrication est pris en charge.";
        QTest::newRow("question mark")
            << QByteArray("A:\n- colo?r\n")
            << "Ligne 2 : l'entrée « colo?r » contient « ? » : seuls les préfixes (« économ* ») "
               "sont pris en charge.";
        QTest::newRow("star inside")
            << QByteArray("A:\r\n- x\r\n- 'éco*nomie'\r\n")
            << "Ligne 3 : l'entrée « éco*nomie » a un « * » ailleurs qu'à la fin d'un mot : "
               "seuls les préfixes (« économ* ») sont pris en charge.";
        QTest::newRow("key twice") << QByteArray("A:\n- x\n'A ':\n- y\n")
                                   << "Ligne 3 : la catégorie « A » est donnée deux fois.";
        QTest::newRow("a list at the top")
            << QByteArray("- a\n- b\n")
            << "Ligne 1 : une table de catégories (« nom: » suivi de ses entrées) était attendue.";
        QTest::newRow("a list in a list")
            << QByteArray("A:\n- x\n- [y, z]\n")
            << "Ligne 3 : une entrée de « A » est une liste : une entrée est un mot, un préfixe "
               "ou une expression.";
        QTest::newRow("null entry")
            << QByteArray("A:\n- x\n- null\n")
            << "Ligne 3 : une entrée de « A » est vide (un mot « null » ou « ~ » s'écrit entre "
               "guillemets).";
        QTest::newRow("two documents")
            << QByteArray("A: [x]\n---\nB: [y]\n")
            << "Ligne 3 : le fichier contient plusieurs documents YAML : un dictionnaire en est "
               "un seul.";
        QTest::newRow("counted and excluded")
            << QByteArray("A:\n- économe\n- -économe\n")
            << "Ligne 3 : la catégorie « A » compte et exclut à la fois « économe ».";
        QTest::newRow("a null key")
            << QByteArray("A: [x]\nnull: [y]\n")
            << "Ligne 2 : une catégorie n'a pas de nom (un nom « null » ou « ~ » s'écrit entre "
               "guillemets).";
        QTest::newRow("a list as a key")
            << QByteArray("? [a, b]\n: [x]\n")
            << "Ligne 1 : un nom de catégorie était attendu comme clé, une liste ou une table a "
               "été trouvée.";
        QTest::newRow("empty") << QByteArray("# rien\n")
                               << "Le fichier ne contient aucune catégorie.";
        // Malformed YAML is named by where the parser stopped, in French,
        // never in the parser's English.
        QTest::newRow("bracket never closed")
            << QByteArray("A: [x, y\nB: [z]\n")
            << "Ligne 2, colonne 2 : le texte n'est pas du YAML bien formé.";
        QTest::newRow("bad indentation")
            << QByteArray("A:\n  - x\n - y\n")
            << "Ligne 3, colonne 2 : le texte n'est pas du YAML bien formé.";
        QTest::newRow("tab indentation")
            << QByteArray("A:\n\t- x\n")
            << "Ligne 2, colonne 2 : le texte n'est pas du YAML bien formé.";
    }
    void yamlRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        checkRefused(exchange::QuantedaYaml(), bytes, error);
    }

    // The exact bytes of both writers.
    void writtenBytes_data()
    {
        QTest::addColumn<Dictionary>("dictionary");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QByteArray>("yaml");
        Dictionary d;
        d.categories
            = {category(QString(), QStringLiteral("Économie")),
               category(QStringLiteral("Économie"), QStringLiteral("Emploi"),
                        {word(QStringLiteral("chômage")), prefix(QStringLiteral("emploi"))}),
               category(QStringLiteral("Économie"), QStringLiteral("Croissance"),
                        {word(QStringLiteral("croissance"))}),
               category(QString(), QStringLiteral("Santé"),
                        {phrase(QStringLiteral("sécurité sociale")),
                         prefix(QStringLiteral("maladie"), true)}),
               category(QString(), QStringLiteral("Vide"))};
        QTest::newRow("a parent without entries: a map of its children")
            << d
            << QByteArray("\xEF\xBB\xBF"
                          "catégorie;entrée\r\n"
                          "Économie;\r\n"
                          "Économie > Emploi;chômage\r\n"
                          "Économie > Emploi;emploi*\r\n"
                          "Économie > Croissance;croissance\r\n"
                          "Santé;sécurité sociale\r\n"
                          "Santé;'-maladie*\r\n"
                          "Vide;\r\n")
            << QByteArray("Économie:\n"
                          "  Emploi:\n"
                          "    - chômage\n"
                          "    - emploi*\n"
                          "  Croissance:\n"
                          "    - croissance\n"
                          "Santé:\n"
                          "  - sécurité sociale\n"
                          "  - -maladie*\n"
                          "Vide: []\n");
        d.categories
            = {category(QString(), QStringLiteral("Économie"),
                        {prefix(QStringLiteral("économ")), word(QStringLiteral("économe"), true)}),
               category(QStringLiteral("Économie"), QStringLiteral("Emploi"),
                        {phrase(QStringLiteral("pouvoir d'achat"))})};
        QTest::newRow("a parent with entries: its list, its children in it")
            << d
            << QByteArray("\xEF\xBB\xBF"
                          "catégorie;entrée\r\n"
                          "Économie;économ*\r\n"
                          "Économie;'-économe\r\n"
                          "Économie > Emploi;pouvoir d'achat\r\n")
            << QByteArray("Économie:\n"
                          "  - économ*\n"
                          "  - -économe\n"
                          "  - Emploi:\n"
                          "      - pouvoir d'achat\n");
    }
    void writtenBytes()
    {
        QFETCH(Dictionary, dictionary);
        QFETCH(QByteArray, csv);
        QFETCH(QByteArray, yaml);
        const exchange::DictionaryWriting csvWriting = exchange::DictionaryCsv::write(dictionary);
        QVERIFY2(csvWriting.ok(), qPrintable(csvWriting.error));
        QCOMPARE(csvWriting.bytes, csv);
        const exchange::DictionaryWriting yamlWriting = exchange::QuantedaYaml::write(dictionary);
        QVERIFY2(yamlWriting.ok(), qPrintable(yamlWriting.error));
        QCOMPARE(yamlWriting.bytes, yaml);
    }

    // What the writers write reads back identically.
    void roundTrip_data()
    {
        QTest::addColumn<Dictionary>("dictionary");
        Dictionary nested;
        nested.categories
            = {category(QString(), QStringLiteral("Économie"),
                        {prefix(QStringLiteral("économ")), word(QStringLiteral("économe"), true),
                         phrase(QStringLiteral("pouvoir d'achat"))}),
               category(QStringLiteral("Économie"), QStringLiteral("Emploi"),
                        {word(QStringLiteral("chômage")), phrase(QStringLiteral("sécurité soc*")),
                         phrase(QStringLiteral("plein emploi"), true)}),
               category(QStringLiteral("Économie"), QStringLiteral("Vide")),
               category(QString(), QStringLiteral("Santé"), {word(QStringLiteral("hôpital"))}),
               category(QString(), QStringLiteral("Rien"))};
        QTest::newRow("nested, exclusions, phrases, empty categories") << nested;
        Dictionary awkward;
        awkward.categories
            = {category(QString(), QStringLiteral("=SOMME(A1)"),
                        {word(QStringLiteral("-ci")), word(QStringLiteral("-là"), true),
                         word(QStringLiteral("null")), word(QStringLiteral("yes")),
                         word(QStringLiteral("~")), word(QStringLiteral("a;b,c")),
                         word(QStringLiteral("#tag")), word(QStringLiteral("&x")),
                         word(QStringLiteral("l'été")), prefix(QStringLiteral("@")),
                         word(QStringLiteral("'quote")), word(QStringLiteral("'=x")),
                         prefix(QStringLiteral("'-")), word(QStringLiteral("a:b")),
                         word(QStringLiteral("[x]"))}),
               category(QStringLiteral("=SOMME(A1)"), QStringLiteral("a; b, \"c\""),
                        {word(QStringLiteral("2020"))}),
               category(QString(), QStringLiteral("null"), {word(QStringLiteral("true"))}),
               category(QString(), QStringLiteral("- tiret"), {word(QStringLiteral("{x}"))})};
        QTest::newRow("characters YAML and spreadsheets read otherwise") << awkward;
        Dictionary flat;
        flat.categories = {category(QString(), QStringLiteral("a"), {word(QStringLiteral("x"))})};
        QTest::newRow("one category, one word") << flat;
    }
    void roundTrip()
    {
        QFETCH(Dictionary, dictionary);
        const exchange::DictionaryWriting csv = exchange::DictionaryCsv::write(dictionary);
        QVERIFY2(csv.ok(), qPrintable(csv.error));
        const exchange::DictionaryReading fromCsv = exchange::DictionaryCsv().read(csv.bytes);
        QVERIFY2(fromCsv.ok(),
                 qPrintable(fromCsv.error + QLatin1Char('\n') + QString::fromUtf8(csv.bytes)));
        QCOMPARE(shown(*fromCsv.dictionary), shown(dictionary));
        QVERIFY(fromCsv.dictionary->categories == dictionary.categories);

        const exchange::DictionaryWriting yaml = exchange::QuantedaYaml::write(dictionary);
        QVERIFY2(yaml.ok(), qPrintable(yaml.error));
        const exchange::DictionaryReading fromYaml = exchange::QuantedaYaml().read(yaml.bytes);
        QVERIFY2(fromYaml.ok(),
                 qPrintable(fromYaml.error + QLatin1Char('\n') + QString::fromUtf8(yaml.bytes)));
        QCOMPARE(shown(*fromYaml.dictionary), shown(dictionary));
        QVERIFY(fromYaml.dictionary->categories == dictionary.categories);
    }

    // A dictionary the files could not give back as it is is not written.
    void writeRefused_data()
    {
        QTest::addColumn<Dictionary>("dictionary");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("csvToo");
        Dictionary d;
        d.categories = {category(QStringLiteral("P"), QStringLiteral("a")),
                        category(QString(), QStringLiteral("P"))};
        QTest::newRow("child before its parent")
            << d << "La catégorie « P > a » précède sa catégorie parente." << true;
        d.categories
            = {category(QString(), QStringLiteral("P")), category(QString(), QStringLiteral("Q")),
               category(QStringLiteral("P"), QStringLiteral("a"))};
        QTest::newRow("child away from its parent")
            << d
            << "La catégorie « Q » n'est pas à la suite de sa catégorie parente, ou répète "
               "une entrée."
            << true;
        d.categories
            = {category(QString(), QStringLiteral("P")), category(QString(), QStringLiteral("P"))};
        QTest::newRow("a category twice")
            << d << "La catégorie « P » est donnée deux fois." << true;
        d.categories = {category(QString(), QStringLiteral("P")),
                        category(QStringLiteral("P"), QStringLiteral("a")),
                        category(QStringLiteral("a"), QStringLiteral("b"))};
        QTest::newRow("two levels")
            << d
            << "La catégorie « b » est dans « a », elle-même dans une autre : un seul "
               "niveau d'imbrication est pris en charge."
            << true;
        d.categories = {category(QString(), QStringLiteral("a > b"))};
        QTest::newRow("a name holding >")
            << d
            << "Le nom de catégorie « a > b » contient « > », qui sépare une catégorie de "
               "sa catégorie parente."
            << true;
        d.categories = {category(QString(), QStringLiteral("a"), {word(QStringLiteral("x  y"))})};
        QTest::newRow("a word holding spaces")
            << d
            << "L'entrée « x  y » de la catégorie « a » ne peut pas s'écrire telle quelle "
               "(espaces ou « * » mal placés)."
            << true;
        d.categories = {category(QString(), QStringLiteral("a"), {word(QStringLiteral("x*y"))})};
        QTest::newRow("a star inside")
            << d
            << "L'entrée « x*y » de la catégorie « a » ne peut pas s'écrire telle quelle : "
               "l'entrée « x*y » a un « * » ailleurs qu'à la fin d'un mot : seuls les "
               "préfixes (« économ* ») sont pris en charge."
            << true;
        d.categories = {category(QString(), QStringLiteral("a"),
                                 {word(QStringLiteral("x")), word(QStringLiteral("x"))})};
        QTest::newRow("an entry twice")
            << d
            << "La catégorie « a » n'est pas à la suite de sa catégorie parente, ou répète "
               "une entrée."
            << true;
        d.categories = {category(QString(), QStringLiteral("a"), {word(QStringLiteral("quoi?"))})};
        QTest::newRow("a question mark, in YAML only")
            << d
            << "L'entrée « quoi? » de la catégorie « a » contient « ? », un joker dans le "
               "YAML de quanteda : elle ne peut pas s'y écrire."
            << false;
        d.categories = {};
        QTest::newRow("no category")
            << d << "Le dictionnaire ne contient aucune catégorie." << true;
    }
    void writeRefused()
    {
        QFETCH(Dictionary, dictionary);
        QFETCH(QString, error);
        QFETCH(bool, csvToo);
        const exchange::DictionaryWriting yaml = exchange::QuantedaYaml::write(dictionary);
        QVERIFY(!yaml.ok());
        QVERIFY(yaml.bytes.isEmpty());
        QCOMPARE(yaml.error, error);
        const exchange::DictionaryWriting csv = exchange::DictionaryCsv::write(dictionary);
        QCOMPARE(csv.ok(), !csvToo);
        if (csvToo)
            QCOMPARE(csv.error, error);
    }

    // --- Files -------------------------------------------------------------
    void dispatch_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // shown, or the error
        QTest::newRow(".dic") << "LIWC2015.dic" << QByteArray("%\n1\ta\n%\nx\t1\n") << "a: x";
        QTest::newRow(".DIC") << "ancien.DIC" << QByteArray("%\n1\ta\n%\nx\t1\n") << "a: x";
        QTest::newRow(".yml") << "d.yml" << QByteArray("a: [x]\n") << "a: x";
        QTest::newRow(".yaml") << "d.v2.yaml" << QByteArray("a: [x]\n") << "a: x";
        QTest::newRow(".lc3") << "LSD2015.lc3" << QByteArray("+a\nX\n") << "a: X";
        QTest::newRow(".lcd") << "vieux.lcd" << QByteArray("+a\nX\n") << "a: X";
        QTest::newRow(".csv") << "d.csv" << QByteArray("a;x\n") << "a: x";
        QTest::newRow(".txt") << "d.txt" << QByteArray("a\tx\n") << "a: x";
        QTest::newRow("other") << "d.docx" << QByteArray("a;x\n")
                               << "Le fichier « d.docx » n'est pas un dictionnaire que Telmira "
                                  "sait lire : les dictionnaires LIWC (.dic), quanteda (.yml, "
                                  ".yaml), Lexicoder (.lc3, .lcd) et les tableaux « catégorie ; "
                                  "entrée » (.csv, .txt) sont lus.";
        QTest::newRow("no extension") << "dictionnaire" << QByteArray("a;x\n")
                                      << "Le fichier « dictionnaire » n'est pas un dictionnaire "
                                         "que Telmira sait lire : les dictionnaires LIWC (.dic), "
                                         "quanteda (.yml, .yaml), Lexicoder (.lc3, .lcd) et les "
                                         "tableaux « catégorie ; entrée » (.csv, .txt) sont lus.";
    }
    void dispatch()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(file);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
        f.close();
        const exchange::DictionaryReading reading = exchange::readDictionaryFile(path);
        if (!reading.ok()) {
            QCOMPARE(reading.error, expected);
            return;
        }
        QCOMPARE(shown(*reading.dictionary), expected);
        // Named after the file, without its extension.
        QCOMPARE(reading.dictionary->name, file.left(file.lastIndexOf(QLatin1Char('.'))));
        QCOMPARE(reading.dictionary->source, path);
    }

    void missingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("absent.csv"));
        const exchange::DictionaryReading reading = exchange::readDictionaryFile(path);
        QVERIFY(!reading.ok());
        QVERIFY2(reading.error.startsWith(QStringLiteral("Le fichier « %1 » n'a pas pu être "
                                                         "ouvert : ")
                                              .arg(path)),
                 qPrintable(reading.error));
    }

    void tooBig()
    {
        QByteArray bytes("a;x\n");
        bytes += QByteArray(exchange::DictionaryReader::kMaxBytes, '\n');
        const exchange::DictionaryReading reading = exchange::DictionaryCsv().read(bytes);
        QVERIFY(!reading.ok());
        QCOMPARE(reading.error,
                 QStringLiteral("Le fichier est trop gros pour un dictionnaire (16 Mo au plus)."));
    }

    // A YAML whose aliases claim more entries than it holds bytes is refused
    // before it fills the memory: 1 000 categories of the same list of 2 000
    // words are 1 000 × (1 + 2 000) = 2 001 000 entries and categories, past
    // the 1 000 000 allowed.
    void yamlAliases()
    {
        QByteArray bytes("base: &w [");
        for (int i = 0; i < 2000; ++i)
            bytes += (i ? ", w" : "w") + QByteArray::number(i);
        bytes += "]\n";
        for (int c = 0; c < 1000; ++c)
            bytes += "c" + QByteArray::number(c) + ": *w\n";
        const exchange::DictionaryReading reading = exchange::QuantedaYaml().read(bytes);
        QVERIFY(!reading.ok());
        QVERIFY2(reading.error.contains(
                     QStringLiteral(" entrées et catégories (ses alias comptés)")),
                 qPrintable(reading.error));
    }

    // Written to a file, whole; the file already there is kept when the
    // dictionary is refused.
    void writeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d.yml"));
        QFile before(path);
        QVERIFY(before.open(QIODevice::WriteOnly));
        before.write("ancien: [x]\n");
        before.close();
        Dictionary refused;
        QVERIFY(!exchange::QuantedaYaml::writeFile(refused, path).isEmpty());
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("ancien: [x]\n"));
        kept.close();

        Dictionary d;
        d.categories = {category(QString(), QStringLiteral("a"), {word(QStringLiteral("x"))})};
        QCOMPARE(exchange::QuantedaYaml::writeFile(d, path), QString());
        const exchange::DictionaryReading yaml = exchange::readDictionaryFile(path);
        QVERIFY(yaml.ok());
        QCOMPARE(shown(*yaml.dictionary), QStringLiteral("a: x"));
        const QString csvPath = dir.filePath(QStringLiteral("d.csv"));
        QCOMPARE(exchange::DictionaryCsv::writeFile(d, csvPath), QString());
        const exchange::DictionaryReading csv = exchange::readDictionaryFile(csvPath);
        QVERIFY(csv.ok());
        QCOMPARE(shown(*csv.dictionary), QStringLiteral("a: x"));
        QVERIFY(exchange::DictionaryCsv::writeFile(d, dir.filePath(QStringLiteral("absent/d.csv")))
                    .startsWith(QStringLiteral("Le fichier « ")));
    }

    // entryCount: 3 + 0 + 2 entries, counted by hand.
    void entryCount()
    {
        const exchange::DictionaryReading reading
            = exchange::DictionaryCsv().read("A;x\nA;y*\nA;-z\nB;\nC;\"u v\"\nC;w\n");
        QVERIFY(reading.ok());
        QCOMPARE(reading.dictionary->entryCount(), qsizetype(5));
    }
};

QTEST_GUILESS_MAIN(TestDictionaryFiles)
#include "test_dictionaryfiles.moc"
