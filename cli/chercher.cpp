// --chercher: the occurrences of a query (the language of "Rechercher…",
// words/searchquery.h) in the segments of an analysis, each in its context,
// written on standard output for scripts: UTF-8 without byte-order mark, ";"
// between fields, fields quoted as CSV; a header line
// "texte;segment;avant;trouvé;après", then one line per occurrence in text
// order, then segment, then position: the text's and the segment's numbers,
// the N characters before and after (40 by default, across the segments of
// the same text; line ends and tabs as spaces) and the words found. Nothing
// at all when nothing is found. The lines are read and written a page at a
// time: memory is bounded by a page, however many occurrences.
//
// The index of the segments is brought up to date first (in a file that may
// not be written, it is built for the time of the action: the store's
// business). --texte and --si choose the texts (cli/scopeoptions.h).
//
// --coder K VALEUR gives the value VALEUR (by its text; it must be in list
// K) to every segment found, as "Coder les segments trouvés…" does in the
// window (store/bulkcoding.h, one step): the analysis is then opened for
// change (backed up first), and the output ends with "codés;N", N the
// segments that did not hold the value.
#include "cli/commandline.h"
#include "cli/scopeoptions.h"
#include "exchange/csv.h"
#include "store/bulkcoding.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/storeerror.h"
#include "words/searchquery.h"

#include <QCoreApplication>
#include <optional>
#include <set>

namespace cli {

using namespace coding;
namespace {

const QString kContexte = QStringLiteral("contexte");
const QString kCoder = QStringLiteral("coder");

// Segments read per page: their occurrences are written, then the next
// page is read.
constexpr int kPageSegments = 200;
constexpr int kDefaultContext = 40;
constexpr int kMostContext = 10000;

QString field(const QString &text)
{
    return csv::field(text, QLatin1Char(';'));
}

// The value of --coder K VALEUR: the argument after K, which the parser
// takes for a positional one. Empty when there is none.
QString codedValueArgument()
{
    const QStringList raw = QCoreApplication::arguments();
    for (int i = 1; i < raw.size(); ++i) {
        const QString &a = raw.at(i);
        if (a == QLatin1String("--coder") || a == QLatin1String("-coder"))
            return i + 2 < raw.size() ? raw.at(i + 2) : QString();
        if (a.startsWith(QLatin1String("--coder=")) || a.startsWith(QLatin1String("-coder=")))
            return i + 1 < raw.size() ? raw.at(i + 1) : QString();
    }
    return QString();
}

int runChercher(const Context &context)
{
    QStringList positional = context.positional;
    const bool coding = context.parser.isSet(kCoder);
    int list = 0;
    QString valueText;
    if (coding) {
        bool ok = false;
        const QString given = context.parser.value(kCoder);
        list = given.toInt(&ok);
        if (!ok || list < 1 || list > 5)
            return fail(context, QStringLiteral("--coder attend un numéro de liste de 1 à 5 puis "
                                                "une valeur (« %1 » a été donné).")
                                     .arg(given));
        valueText = codedValueArgument();
        const int at = valueText.isEmpty() ? -1 : int(positional.lastIndexOf(valueText));
        if (at < 0)
            return fail(context, QStringLiteral("--coder attend un numéro de liste puis la "
                                                "valeur à donner aux segments trouvés : "
                                                "--coder %1 VALEUR.")
                                     .arg(list));
        positional.removeAt(at);
    }
    if (positional.size() != 2)
        return fail(context, QStringLiteral("Indiquez une base d'analyse et une requête : "
                                            "telmira-codage --chercher BASE.mdb REQUETE."));
    int chars = kDefaultContext;
    if (context.parser.isSet(kContexte)) {
        bool ok = false;
        const QString given = context.parser.value(kContexte);
        chars = given.toInt(&ok);
        if (!ok || chars < 0 || chars > kMostContext)
            return fail(context, QStringLiteral("--contexte attend un nombre de caractères de 0 "
                                                "à %1 (« %2 » a été donné).")
                                     .arg(kMostContext)
                                     .arg(given));
    }
    const words::SearchQuery query = words::parseQuery(positional.at(1));
    if (!query.ok)
        return fail(context, query.error);
    QString message;
    std::set<qint64> wanted;
    if (!textNumbers(context, &wanted, &message))
        return fail(context, message);

    const QString path = positional.at(0);
    QTextStream &out = context.out;
    try {
        std::unique_ptr<CodingStore> changing;
        std::shared_ptr<Connection> reading;
        if (coding)
            changing = openForChange(path);
        else
            reading = openForReading(path);
        Connection &db = coding ? changing->connection() : *reading;

        search::Restriction restriction;
        const std::optional<results::Scope> scope = scopeOf(context, db, wanted, path, &message);
        if (!scope)
            return fail(context, message);
        restriction.scope = *scope;
        qint64 value = 0;
        if (coding) {
            const QString sought = valueText.trimmed();
            for (const ListValue &v : changing->listValues(list))
                if (!v.value.isEmpty() && v.value == sought) {
                    value = v.numero;
                    break;
                }
            if (value == 0)
                return fail(context, QStringLiteral("La valeur « %1 » n'est pas dans la liste %2 "
                                                    "de l'analyse « %3 ».")
                                         .arg(sought)
                                         .arg(list)
                                         .arg(path));
        }

        search::SearchIndex index(db);
        if (!index.current() && !index.update())
            return fail(context, QStringLiteral("L'index de recherche de l'analyse « %1 » n'a pas "
                                                "pu être mis à jour : rien n'a été cherché.")
                                     .arg(path));

        search::SearchStore store(db);
        bool header = false;
        qint64 afterText = 0;
        qint64 afterSegment = 0;
        for (;;) {
            const std::vector<search::Hit> hits =
                store.hits(query.fts, restriction, afterText, afterSegment, kPageSegments);
            if (!hits.empty() && !header) {
                out << QStringLiteral("texte;segment;avant;trouvé;après\n");
                header = true;
            }
            for (const search::ConcordanceLine &line : store.concordance(hits, chars))
                out << line.hit.text << ';' << line.hit.segment << ';' << field(line.before)
                    << ';' << field(line.found) << ';' << field(line.after) << '\n';
            int segments = 0;
            for (size_t i = 0; i < hits.size(); ++i)
                if (i == 0 || hits[i].segment != hits[i - 1].segment)
                    ++segments;
            if (segments < kPageSegments)
                break;
            afterText = hits.back().text;
            afterSegment = hits.back().segment;
        }

        if (coding) {
            std::vector<SegmentValue> assignments;
            for (qint64 segment : store.segments(query.fts, restriction))
                assignments.push_back({segment, value});
            const BulkOutcome outcome =
                codeSegments(db, list, assignments,
                             QStringLiteral("le codage des segments trouvés"));
            out << QStringLiteral("codés;") << outcome.segments << '\n';
        }
    } catch (const StoreError &e) {
        out.flush();
        return fail(context, QStringLiteral("La recherche n'a pas pu être faite.\n%1")
                                 .arg(e.message()));
    }
    return 0;
}

} // namespace

extern const Action chercher;
const Action chercher{
    QStringLiteral("chercher"),
    QStringLiteral("--chercher BASE.mdb REQUETE [--contexte N] [--texte NUMERO]... "
                   "[--si NOM=VALEUR]...\n      [--coder K VALEUR]\n"
                   "      les occurrences de la requête dans les segments, une ligne chacune :\n"
                   "      texte;segment;avant;trouvé;après (N caractères avant et après, 40 par "
                   "défaut),\n      dans l'ordre des textes puis des segments, rien quand rien "
                   "n'est trouvé ;\n"
                   "      requête : mots (tous), \"une expression\", début* d'un mot, mot OU "
                   "autre, -mot exclu,\n      ( … ) ; majuscules et accents ne comptent pas ;\n"
                   "      --texte et --si comme pour --resultats ;\n"
                   "      --coder K VALEUR donne la valeur VALEUR de la liste K aux segments "
                   "trouvés (une étape,\n      après une sauvegarde de l'analyse) et finit par "
                   "la ligne codés;N (segments qui ne l'avaient pas)"),
    {QCommandLineOption(kContexte,
                        QStringLiteral("Caractères de contexte avant et après (40 par défaut)."),
                        QStringLiteral("N")),
     QCommandLineOption(kCoder,
                        QStringLiteral("Liste K dont la valeur qui suit est donnée aux segments "
                                       "trouvés."),
                        QStringLiteral("K")),
     texteOption(),
     siOption()},
    &runChercher,
};

} // namespace cli
