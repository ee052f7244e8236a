// --mots-caracteristiques: the words over- or under-represented in the
// segments holding a value of a list (--variable N), or in the segments of
// the texts whose attribute has a value (--attribut NOM), against every
// other segment of the analysis (words/corpus.h), as the window
// "Vocabulaire" computes them, written on standard output for scripts:
// UTF-8 without byte-order mark, ";" between fields, a header line first:
//   mot;g2;effectif;effectif_ailleurs;p
// G² (signed: negative when the word is rarer among the value's segments)
// to 4 decimals with a full stop, p to 7 significant digits, the largest G²
// first, at most --limite lines (50 by default, 0 for all). --texte and --si
// narrow both sides to some texts (cli/scopeoptions.h).
#include "cli/commandline.h"
#include "cli/scopeoptions.h"
#include "exchange/csv.h"
#include "results/chisquare.h"
#include "store/attributestore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"
#include "words/corpus.h"

namespace cli {
namespace {

QString variable()
{
    return QStringLiteral("variable");
}

QString attribut()
{
    return QStringLiteral("attribut");
}

QString valeur()
{
    return QStringLiteral("valeur");
}

QString limite()
{
    return QStringLiteral("limite");
}

int runMotsCaracteristiques(const Context &context)
{
    if (context.positional.size() != 1)
        return fail(context, QStringLiteral("Indiquez une base d'analyse, une seule : "
                                            "telmira-codage --mots-caracteristiques BASE.mdb "
                                            "--variable N --valeur VALEUR."));
    const bool byList = context.parser.isSet(variable());
    const bool byAttribute = context.parser.isSet(attribut());
    if (byList && byAttribute)
        return fail(context, QStringLiteral("--variable et --attribut ne vont pas ensemble : les "
                                            "segments comparés aux autres sont ceux d'une valeur "
                                            "d'une liste ou ceux des textes d'une valeur d'un "
                                            "attribut."));
    if ((!byList && !byAttribute) || !context.parser.isSet(valeur()))
        return fail(context, QStringLiteral("--variable N et --valeur VALEUR sont obligatoires : "
                                            "la liste (1 à 5) et celle de ses valeurs dont les "
                                            "segments sont comparés aux autres (ou --attribut NOM "
                                            "et --valeur VALEUR : les segments des textes dont "
                                            "l'attribut a cette valeur)."));
    bool ok = false;
    int list = 0;
    if (byList) {
        const QString givenList = context.parser.value(variable());
        list = givenList.toInt(&ok);
        if (!ok || list < 1 || list > 5)
            return fail(context, QStringLiteral("--variable attend un numéro de liste de 1 à 5 "
                                                "(« %1 » a été donné).")
                                     .arg(givenList));
    }
    int limit = 50;
    if (context.parser.isSet(limite())) {
        const QString given = context.parser.value(limite());
        limit = given.toInt(&ok);
        if (!ok || limit < 0)
            return fail(context, QStringLiteral("--limite attend un nombre de mots, 0 pour tous "
                                                "(« %1 » a été donné).")
                                     .arg(given));
    }
    QString message;
    std::set<qint64> wanted;
    if (!textNumbers(context, &wanted, &message))
        return fail(context, message);

    const QString path = context.positional.first();
    const QString value = context.parser.value(valeur()).trimmed();
    try {
        std::shared_ptr<Connection> db = openForReading(path);
        const std::optional<results::Scope> scope = scopeOf(context, *db, wanted, path, &message);
        if (!scope)
            return fail(context, message);
        search::Target target;
        if (byList) {
            target.list = list;
            for (const results::Value &v : results::ResultsStore(*db).values(list))
                if (v.text == value) {
                    target.value = v.numero;
                    break;
                }
            if (target.value == 0)
                return fail(context, QStringLiteral("La valeur « %1 » n'existe pas dans la liste "
                                                    "%2 de l'analyse « %3 ».")
                                         .arg(value)
                                         .arg(list)
                                         .arg(path));
        } else {
            const QString name = context.parser.value(attribut());
            const std::optional<attributes::Attribute> attribute = attributes::find(*db, name);
            if (!attribute)
                return fail(context, QStringLiteral("L'attribut « %1 » n'existe pas dans "
                                                    "l'analyse « %2 ».")
                                         .arg(name.trimmed(), path));
            bool held = false;
            results::ResultsStore store(*db);
            for (const results::Value &v : store.attributeValues(attribute->number))
                held = held || (v.numero != results::kWithoutValue && v.text == value);
            if (!held)
                return fail(context, QStringLiteral("Aucun texte de l'analyse « %1 » n'a la valeur "
                                                    "« %2 » pour l'attribut « %3 ».")
                                         .arg(path, value, attribute->name));
            target.attribute = attribute->number;
            target.attributeValue = value;
        }
        search::Restriction within;
        within.scope = *scope;
        const std::vector<words::KeyWord> found =
            words::characteristicWords(*db, target, limit, {}, within);
        QTextStream &out = context.out;
        out << "mot;g2;effectif;effectif_ailleurs;p\n";
        for (const words::KeyWord &w : found)
            out << csv::field(w.word, QLatin1Char(';')) << ';' << QString::number(w.g2, 'f', 4)
                << ';' << w.count << ';' << w.elsewhere << ';' << results::pValueText(w.p)
                << '\n';
    } catch (const StoreError &e) {
        return fail(context, QStringLiteral("Les mots caractéristiques n'ont pas pu être "
                                            "calculés.\n%1")
                                 .arg(e.message()));
    }
    return 0;
}

} // namespace

extern const Action motsCaracteristiques;
const Action motsCaracteristiques{
    QStringLiteral("mots-caracteristiques"),
    QStringLiteral("--mots-caracteristiques BASE.mdb (--variable N | --attribut NOM) --valeur "
                   "VALEUR [--limite K]\n      [--texte NUMERO]... [--si NOM=VALEUR]...\n"
                   "      les mots sur- ou sous-représentés dans les segments qui portent la "
                   "valeur VALEUR de la liste N\n"
                   "      (ou dans ceux des textes dont l'attribut NOM a la valeur VALEUR),\n"
                   "      comparés à tous les autres segments (codés ou non), "
                   "« mot;g2;effectif;effectif_ailleurs;p » :\n"
                   "      le G² de Dunning (négatif pour un mot plus rare parmi ces segments, 4 "
                   "décimales), le plus grand d'abord,\n"
                   "      les K premiers (50 par défaut, 0 pour tous), p avec 7 chiffres "
                   "significatifs ;\n"
                   "      --texte et --si ne comparent que les segments des textes choisis, "
                   "comme pour --resultats"),
    {QCommandLineOption(variable(), QStringLiteral("Liste à compter (1 à 5)."), QStringLiteral("N")),
     QCommandLineOption(attribut(), QStringLiteral("Attribut des textes dont une valeur est "
                                                   "comparée aux autres."),
                        QStringLiteral("NOM")),
     QCommandLineOption(valeur(), QStringLiteral("Valeur de la liste (ou de l'attribut) dont les "
                                                 "segments sont comparés aux autres."),
                        QStringLiteral("VALEUR")),
     QCommandLineOption(limite(), QStringLiteral("Nombre de mots écrits (0 : tous)."),
                        QStringLiteral("K")),
     texteOption(), siOption()},
    &runMotsCaracteristiques,
};

} // namespace cli
