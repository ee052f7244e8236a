// --vocabulaire: the words of the segments of an analysis (words/corpus.h),
// written on standard output for scripts: UTF-8 without byte-order mark,
// ";" between fields, a header line first, then one line a word, the most
// frequent first, equal counts in French order:
//   mot;effectif;segments
// and, counted by stem (--racines), the forms under each stem joined by ","
// (the most frequent first):
//   racine;effectif;segments;formes
// --sans-mots-vides leaves out the French stop words; --texte and --si
// choose the texts counted (cli/scopeoptions.h).
#include "cli/commandline.h"
#include "cli/scopeoptions.h"
#include "exchange/csv.h"
#include "store/connection.h"
#include "store/storeerror.h"
#include "words/corpus.h"

namespace cli {
namespace {

QString sansMotsVides()
{
    return QStringLiteral("sans-mots-vides");
}

QString racines()
{
    return QStringLiteral("racines");
}

QString field(const QString &text)
{
    return csv::field(text, QLatin1Char(';'));
}

int runVocabulaire(const Context &context)
{
    if (context.positional.size() != 1)
        return fail(context, QStringLiteral("Indiquez une base d'analyse, une seule : "
                                            "telmira-codage --vocabulaire BASE.mdb."));
    QString message;
    std::set<qint64> wanted;
    if (!textNumbers(context, &wanted, &message))
        return fail(context, message);
    words::VocabularyOptions options;
    options.withoutStopWords = context.parser.isSet(sansMotsVides());
    options.byStem = context.parser.isSet(racines());

    const QString path = context.positional.first();
    try {
        std::shared_ptr<Connection> db = openForReading(path);
        const std::optional<results::Scope> scope = scopeOf(context, *db, wanted, path, &message);
        if (!scope)
            return fail(context, message);
        search::Restriction restriction;
        restriction.scope = *scope;
        const words::VocabularyCounter counter = words::countVocabulary(*db, restriction);
        QTextStream &out = context.out;
        out << (options.byStem ? "racine;effectif;segments;formes\n" : "mot;effectif;segments\n");
        for (const words::VocabularyEntry &e : counter.entries(options)) {
            out << field(e.word) << ';' << e.count << ';' << e.segments;
            if (options.byStem)
                out << ';' << field(e.forms.join(QLatin1Char(',')));
            out << '\n';
        }
    } catch (const StoreError &e) {
        return fail(context, QStringLiteral("Le vocabulaire n'a pas pu être compté.\n%1")
                                 .arg(e.message()));
    }
    return 0;
}

} // namespace

extern const Action vocabulaire;
const Action vocabulaire{
    QStringLiteral("vocabulaire"),
    QStringLiteral("--vocabulaire BASE.mdb [--sans-mots-vides] [--racines] [--texte NUMERO]... "
                   "[--si NOM=VALEUR]...\n"
                   "      les mots des segments, « mot;effectif;segments » (occurrences et "
                   "segments qui le portent),\n"
                   "      le plus fréquent d'abord, à effectif égal dans l'ordre alphabétique "
                   "français ;\n"
                   "      --sans-mots-vides laisse de côté les mots vides du français ; "
                   "--racines compte par racine,\n"
                   "      « racine;effectif;segments;formes », les formes séparées par des "
                   "virgules, la plus fréquente d'abord ;\n"
                   "      --texte et --si choisissent les textes comptés, comme pour "
                   "--resultats"),
    {QCommandLineOption(sansMotsVides(), QStringLiteral("Laisse de côté les mots vides.")),
     QCommandLineOption(racines(), QStringLiteral("Compte les mots par racine.")),
     texteOption(), siOption()},
    &runVocabulaire,
};

} // namespace cli
