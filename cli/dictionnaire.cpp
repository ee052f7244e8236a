// --dictionnaire: a dictionary counted over the segments of an analysis, or
// used to code a list, as the window "Dictionnaires" does
// (words/dictionarycount.h), written on standard output for scripts: UTF-8
// without byte-order mark, ";" between fields, fields quoted as CSV.
//
// - Without option: "catégorie;effectif;segments", then one line per
//   category in the dictionary's order (a nested one as "Parent > Enfant"):
//   its occurrences and the segments holding it.
// - --par-texte: "texte;<category>;…", one line per text (its number) with
//   each category's occurrences; --par-valeur N and --par-attribut NOM:
//   "valeur;<category>;…", one line per value of list N (then "(non codé)")
//   or of the attribute (then "(sans valeur)" when a text has none).
// - --coder K: codes list K as "Coder avec le dictionnaire…" does (values
//   added where missing, the rule of coding many segments, after a backup of
//   the analysis): "catégorie;segments codés", one line per category, then
//   "total;<n>", n the segments given at least one value. With --copie
//   SORTIE.mdb, the analysis is not coded: its missing values are added
//   (after the backup), then a coder's copy of it, coded by the dictionary
//   alone, is written to SORTIE.mdb (as "Copie codée par le
//   dictionnaire…"), and the same lines tell its coding.
//
// - --garder: keeps the file's dictionary in the analysis under the file's
//   name (a name taken is refused, unless --remplacer) and prints
//   "gardé;<name>;<categories>;<entries>"; --ecrire SORTIE writes DICT as a
//   CSV table, or as YAML when SORTIE ends in .yml or .yaml.
//
// DICT is a dictionary file (.dic, .yml/.yaml, .lc3/.lcd, .csv/.txt), or,
// when no file has that name, a dictionary kept in the analysis, by its
// name. --texte and --si choose the texts (cli/scopeoptions.h), for the
// counts and the coding alike. What the reading of the file took with a
// reservation, and the entries that can match nothing, are said on standard
// error; the action goes on.
#include "cli/commandline.h"
#include "cli/scopeoptions.h"
#include "exchange/csv.h"
#include "exchange/dictionarycsv.h"
#include "exchange/dictionaryfile.h"
#include "exchange/quantedayaml.h"
#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/dictionarycoding.h"
#include "store/dictionarystore.h"
#include "store/storeerror.h"
#include "words/dictionarycount.h"

#include <QFileInfo>

namespace cli {
namespace {

QString parTexte()
{
    return QStringLiteral("par-texte");
}
QString parValeur()
{
    return QStringLiteral("par-valeur");
}
QString parAttribut()
{
    return QStringLiteral("par-attribut");
}
QString coder()
{
    return QStringLiteral("coder");
}
QString copie()
{
    return QStringLiteral("copie");
}
QString garder()
{
    return QStringLiteral("garder");
}
QString remplacer()
{
    return QStringLiteral("remplacer");
}
QString ecrire()
{
    return QStringLiteral("ecrire");
}

QString field(const QString &text)
{
    return csv::field(text, QLatin1Char(';'));
}

// The dictionary named DICT: the file, else the one kept in the analysis.
std::optional<words::Dictionary> dictionaryOf(const Context &context, Connection &db,
                                              const QString &given, const QString &path)
{
    if (QFileInfo(given).isFile()) {
        const exchange::DictionaryReading reading = exchange::readDictionaryFile(given);
        if (!reading.ok()) {
            fail(context, QStringLiteral("Le dictionnaire « %1 » n'a pas pu être lu.\n%2")
                              .arg(given, reading.error));
            return std::nullopt;
        }
        for (const QString &note : reading.notes)
            context.err << note << Qt::endl;
        return reading.dictionary;
    }
    if (const std::optional<qint64> kept = dictionaries::find(db, given))
        return dictionaries::read(db, *kept).dictionary;
    fail(context, QStringLiteral("« %1 » n'est ni un fichier de dictionnaire ni un dictionnaire "
                                 "gardé dans l'analyse « %2 ».")
                      .arg(given, path));
    return std::nullopt;
}

void tellSilent(const Context &context, const words::Dictionary &dictionary,
                const words::DictionaryMatcher &matcher)
{
    for (const int entry : matcher.silent()) {
        const int category = matcher.categoryOf(entry);
        const words::DictionaryCategory &c = dictionary.categories[size_t(category)];
        const words::DictionaryEntry &e =
            c.entries[size_t(entry - matcher.firstEntry(category))];
        context.err << QStringLiteral("L'entrée « %1 » de la catégorie « %2 » ne contient aucun "
                                      "mot : elle ne trouve rien.")
                           .arg(e.text, c.path())
                    << Qt::endl;
    }
}

void writeCoding(QTextStream &out, const words::Dictionary &dictionary,
                 const coding::DictionaryOutcome &outcome)
{
    out << QStringLiteral("catégorie;segments codés\n");
    for (size_t c = 0; c < dictionary.categories.size(); ++c)
        out << field(dictionary.categories[c].path()) << ';' << outcome.coded[c] << '\n';
    out << "total;" << outcome.segments << '\n';
}

int runDictionnaire(const Context &context)
{
    if (context.positional.size() != 2)
        return fail(context, QStringLiteral("Indiquez une base d'analyse et un dictionnaire : "
                                            "telmira-codage --dictionnaire BASE.mdb DICT."));
    const QStringList groupings{parTexte(), parValeur(), parAttribut()};
    QStringList given;
    for (const QString &g : groupings)
        if (context.parser.isSet(g))
            given << QStringLiteral("--") + g;
    if (given.size() > 1)
        return fail(context, QStringLiteral("%1 ne vont pas ensemble : un seul regroupement à la "
                                            "fois.")
                                 .arg(given.join(QStringLiteral(" et "))));
    const bool coding = context.parser.isSet(coder());
    const bool copying = context.parser.isSet(copie());
    const bool keeping = context.parser.isSet(garder());
    const bool writing = context.parser.isSet(ecrire());
    if (int(coding) + int(keeping) + int(writing) + int(!given.isEmpty()) > 1) {
        QStringList asked = given;
        for (const QString &o : {coder(), garder(), ecrire()})
            if (context.parser.isSet(o))
                asked << QStringLiteral("--") + o;
        return fail(context, QStringLiteral("%1 ne vont pas ensemble : une chose à la fois.")
                                 .arg(asked.join(QStringLiteral(" et "))));
    }
    if (context.parser.isSet(remplacer()) && !keeping)
        return fail(context, QStringLiteral("--remplacer va avec --garder."));
    if (copying && !coding)
        return fail(context, QStringLiteral("--copie SORTIE.mdb va avec --coder K : la liste que "
                                            "le dictionnaire code dans la copie."));
    int list = 0;
    if (coding || context.parser.isSet(parValeur())) {
        const QString option = coding ? coder() : parValeur();
        bool ok = false;
        const QString value = context.parser.value(option);
        list = value.toInt(&ok);
        if (!ok || list < 1 || list > 5)
            return fail(context, QStringLiteral("--%1 attend un numéro de liste de 1 à 5 (« %2 » a "
                                                "été donné).")
                                     .arg(option, value));
    }
    QString message;
    std::set<qint64> wanted;
    if (!textNumbers(context, &wanted, &message))
        return fail(context, message);

    const QString path = context.positional.at(0);
    const QString named = context.positional.at(1);
    QTextStream &out = context.out;
    try {
        if (keeping && !QFileInfo(named).isFile())
            return fail(context, QStringLiteral("--garder prend un fichier de dictionnaire : « %1 » "
                                                "n'en est pas un.")
                                     .arg(named));
        const bool changes = coding || keeping;
        std::unique_ptr<coding::CodingStore> changing;
        std::shared_ptr<Connection> reading;
        if (changes)
            changing = openForChange(path);
        else
            reading = openForReading(path);
        Connection &db = changes ? changing->connection() : *reading;

        const std::optional<words::Dictionary> dictionary = dictionaryOf(context, db, named, path);
        if (!dictionary)
            return 1;
        if (keeping) {
            dictionaries::save(db, *dictionary, context.parser.isSet(remplacer()));
            out << QStringLiteral("gardé;") << field(dictionary->name) << ';'
                << dictionary->categories.size() << ';' << dictionary->entryCount() << '\n';
            return 0;
        }
        if (writing) {
            const QString target = context.parser.value(ecrire());
            const QString suffix = QFileInfo(target).suffix().toLower();
            const bool yaml = suffix == QLatin1String("yml") || suffix == QLatin1String("yaml");
            const QString error = yaml ? exchange::QuantedaYaml::writeFile(*dictionary, target)
                                       : exchange::DictionaryCsv::writeFile(*dictionary, target);
            if (!error.isEmpty())
                return fail(context, error);
            return 0;
        }
        search::Restriction restriction;
        const std::optional<results::Scope> scope = scopeOf(context, db, wanted, path, &message);
        if (!scope)
            return fail(context, message);
        restriction.scope = *scope;

        if (coding) {
            const std::vector<QString> names = words::valueNames(*dictionary);
            if (copying) {
                const QString target = context.parser.value(copie());
                const QFileInfo targetInfo(target);
                if (targetInfo.exists()
                    && targetInfo.canonicalFilePath() == QFileInfo(path).canonicalFilePath())
                    return fail(context, QStringLiteral("La copie ne peut pas être écrite sur "
                                                        "l'analyse « %1 » elle-même.")
                                             .arg(path));
                // The values first, in the analysis, so that the copy holds the same.
                {
                    coding::DictionaryCoding values(db, list, names, false);
                    values.commit(QStringLiteral("l'ajout des catégories"), false);
                }
                const QString source = db.path();
                changing.reset();
                const std::optional<coding::DictionaryOutcome> outcome = words::makeCodedCopy(
                    source, target, *dictionary, list,
                    QStringLiteral("dictionnaire « %1 »").arg(dictionary->name), restriction);
                writeCoding(out, *dictionary, *outcome);
                return 0;
            }
            words::DictionaryScan scan(db, *dictionary);
            tellSilent(context, *dictionary, scan.matcher());
            coding::DictionaryCoding run(db, list, names, false);
            scan.code(run, restriction);
            writeCoding(out, *dictionary, run.commit(QStringLiteral("le codage par dictionnaire")));
            return 0;
        }

        words::DictionaryCountOptions options;
        options.restriction = restriction;
        if (context.parser.isSet(parTexte())) {
            options.grouping.kind = search::Grouping::Kind::Text;
        } else if (context.parser.isSet(parValeur())) {
            options.grouping.kind = search::Grouping::Kind::ListValue;
            options.grouping.list = list;
        } else if (context.parser.isSet(parAttribut())) {
            const QString name = context.parser.value(parAttribut());
            const std::optional<attributes::Attribute> attribute = attributes::find(db, name);
            if (!attribute)
                return fail(context, QStringLiteral("L'attribut « %1 » n'existe pas dans "
                                                    "l'analyse « %2 ».")
                                         .arg(name, path));
            options.grouping.kind = search::Grouping::Kind::Attribute;
            options.grouping.attribute = attribute->number;
        }
        words::DictionaryScan scan(db, *dictionary);
        tellSilent(context, *dictionary, scan.matcher());
        const std::optional<words::DictionaryCount> count = scan.count(options);
        const size_t categories = dictionary->categories.size();
        if (options.grouping.kind == search::Grouping::Kind::Whole) {
            out << QStringLiteral("catégorie;effectif;segments\n");
            for (size_t c = 0; c < categories; ++c)
                out << field(dictionary->categories[c].path()) << ';'
                    << count->categoryOccurrences[c] << ';' << count->categorySegments[c] << '\n';
            return 0;
        }
        const bool byText = options.grouping.kind == search::Grouping::Kind::Text;
        out << (byText ? "texte" : "valeur");
        for (const words::DictionaryCategory &c : dictionary->categories)
            out << ';' << field(c.path());
        out << '\n';
        for (size_t g = 0; g < count->groups.size(); ++g) {
            const search::Group &group = count->groups[g];
            out << (byText ? QString::number(group.key) : field(group.label));
            for (size_t c = 0; c < categories; ++c)
                out << ';' << count->occurrences[g][c];
            out << '\n';
        }
    } catch (const StoreError &e) {
        out.flush();
        return fail(context, QStringLiteral("Le dictionnaire n'a pas pu être %1.\n%2")
                                 .arg(coding    ? QStringLiteral("appliqué")
                                      : keeping ? QStringLiteral("gardé dans l'analyse")
                                                : QStringLiteral("compté"),
                                      e.message()));
    }
    return 0;
}

} // namespace

extern const Action dictionnaire;
const Action dictionnaire{
    QStringLiteral("dictionnaire"),
    QStringLiteral(
        "--dictionnaire BASE.mdb DICT [--par-texte | --par-valeur N | --par-attribut NOM]\n"
        "      [--texte NUMERO]... [--si NOM=VALEUR]...\n"
        "      compte les catégories du dictionnaire DICT dans les segments :\n"
        "      catégorie;effectif;segments (occurrences et segments qui en ont), une ligne par "
        "catégorie,\n      dans l'ordre du dictionnaire (« Parent > Enfant » pour une "
        "sous-catégorie) ;\n"
        "      --par-texte : texte;<catégories…>, les occurrences de chacune, une ligne par "
        "texte ;\n"
        "      --par-valeur N, --par-attribut NOM : valeur;<catégories…>, une ligne par valeur "
        "de la\n      liste N (puis « (non codé) ») ou de l'attribut NOM ;\n"
        "      DICT : un fichier .dic (LIWC), .yml ou .yaml (quanteda), .lc3 ou .lcd "
        "(Lexicoder),\n      .csv ou .txt (catégorie;entrée), ou le nom d'un dictionnaire "
        "gardé dans l'analyse\n      quand aucun fichier ne porte ce nom ; --texte et --si "
        "comme pour --resultats\n"
        "  --dictionnaire BASE.mdb DICT --coder K [--copie SORTIE.mdb] [--texte NUMERO]... "
        "[--si NOM=VALEUR]...\n"
        "      code la liste K avec le dictionnaire (ses catégories en deviennent des valeurs, "
        "après une\n      sauvegarde de l'analyse) : catégorie;segments codés, puis "
        "total;<segments codés> ;\n"
        "      --copie SORTIE.mdb : l'analyse n'est pas codée (ses valeurs manquantes y sont "
        "ajoutées) ;\n      une copie pour un codeur, codée par le seul dictionnaire, est "
        "écrite dans SORTIE.mdb\n"
        "  --dictionnaire BASE.mdb FICHIER --garder [--remplacer]\n"
        "      garde le dictionnaire du fichier dans l'analyse, sous le nom du fichier (un nom "
        "déjà pris\n      est refusé, sauf avec --remplacer) : gardé;<nom>;<catégories>;<entrées>\n"
        "  --dictionnaire BASE.mdb DICT --ecrire SORTIE.csv|SORTIE.yml\n"
        "      écrit le dictionnaire en tableau catégorie;entrée (CSV) ou en YAML (quanteda)"),
    {QCommandLineOption(parTexte(), QStringLiteral("Une ligne par texte.")),
     QCommandLineOption(parValeur(), QStringLiteral("Une ligne par valeur de la liste N."),
                        QStringLiteral("N")),
     QCommandLineOption(parAttribut(), QStringLiteral("Une ligne par valeur de l'attribut NOM."),
                        QStringLiteral("NOM")),
     QCommandLineOption(coder(), QStringLiteral("Liste K à coder avec le dictionnaire."),
                        QStringLiteral("K")),
     QCommandLineOption(copie(), QStringLiteral("Copie codée par le dictionnaire."),
                        QStringLiteral("SORTIE.mdb")),
     QCommandLineOption(garder(), QStringLiteral("Garde le dictionnaire dans l'analyse.")),
     QCommandLineOption(remplacer(), QStringLiteral("Remplace un dictionnaire du même nom.")),
     QCommandLineOption(ecrire(), QStringLiteral("Écrit le dictionnaire dans un fichier."),
                        QStringLiteral("SORTIE")),
     texteOption(), siOption()},
    &runDictionnaire,
};

} // namespace cli
