// --resultats: the frequency table of one list, or its cross-table with
// another and Pearson's chi-square, written on standard output for scripts:
// UTF-8 without byte-order mark, ";" between fields, a full stop as decimal
// mark, percentages and statistics to 4 decimals, p to 7 significant digits.
// After the table come the units left out ("non codé") and, counted by
// segments, the segments that fall in several cells. A list crosses another
// list or an attribute of the texts; --si keeps the texts whose attributes
// have the values given.
#include "cli/commandline.h"
#include "cli/scopeoptions.h"
#include "exchange/csv.h"
#include "results/chisquare.h"
#include "results/tables.h"
#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"

#include <cmath>
#include <optional>
#include <set>

namespace cli {

// The coding data (store, exports, reports) the actions call into.
using namespace coding;
namespace {

const QString kVariable = QStringLiteral("variable");
const QString kCroiser = QStringLiteral("croiser");
const QString kUnite = QStringLiteral("unite");
const QString kSansSuggestions = QStringLiteral("sans-suggestions");
const QString kAttribut = QStringLiteral("attribut");

QString decimal(double x)
{
    return std::isnan(x) ? QString() : QString::number(x, 'f', 4);
}

QString field(const QString &text)
{
    return csv::field(text, QLatin1Char(';'));
}

// A list number 1 to 5 given to an option; 0 with a message when it is not.
int listOption(const Context &context, const QString &option, QString *message)
{
    bool ok = false;
    const QString given = context.parser.value(option);
    const int list = given.toInt(&ok);
    if (!ok || list < 1 || list > 5) {
        *message = QStringLiteral("--%1 attend un numéro de liste de 1 à 5 (« %2 » a été donné).")
                       .arg(option, given);
        return 0;
    }
    return list;
}

void writeFrequencies(const Context &context, const results::FrequencyTable &table)
{
    QTextStream &out = context.out;
    out << "valeur;effectif;pourcentage\n";
    for (size_t i = 0; i < table.labels.size(); ++i)
        out << field(table.labels[i]) << ';' << table.counts[i] << ';'
            << decimal(table.percent(i)) << '\n';
    out << "Total;" << table.total << ';' << (table.total > 0 ? QStringLiteral("100") : QString())
        << '\n';
    out << QStringLiteral("non codé;") << table.uncoded << '\n';
    if (table.multiple > 0)
        out << QStringLiteral("plusieurs cases;") << table.multiple << '\n';
}

void writeCross(const Context &context, const results::CrossTable &table)
{
    QTextStream &out = context.out;
    out << "valeur";
    for (const QString &label : table.columnLabels)
        out << ';' << field(label);
    out << ";Total\n";
    for (size_t r = 0; r < table.rowLabels.size(); ++r) {
        out << field(table.rowLabels[r]);
        for (qint64 n : table.counts[r])
            out << ';' << n;
        out << ';' << table.rowTotals[r] << '\n';
    }
    out << "Total";
    for (qint64 n : table.columnTotals)
        out << ';' << n;
    out << ';' << table.total << '\n';
    out << QStringLiteral("non codé");
    for (size_t c = 0; c < table.columnLabels.size(); ++c)
        out << ';';
    out << ';' << table.uncoded << '\n';
    if (table.multiple > 0)
        out << QStringLiteral("plusieurs cases;") << table.multiple << '\n';

    const results::ChiSquare test = results::chiSquare(table.counts);
    out << '\n';
    out << "test;" << field(results::chiSquareMethod()) << '\n';
    if (test.computed) {
        out << "chi2;" << decimal(test.statistic) << '\n'
            << "ddl;" << test.degreesOfFreedom << '\n'
            << "p;" << results::pValueText(test.pValue) << '\n'
            << "V de Cramer;" << decimal(test.cramersV) << '\n';
    } else {
        out << "chi2;\nddl;0\np;\nV de Cramer;\n";
    }
    const QString warning = results::chiSquareWarning(test);
    if (!warning.isEmpty())
        context.err << warning << Qt::endl;
    const QString independence = results::independenceWarning(table.multiple);
    if (!independence.isEmpty())
        context.err << independence << Qt::endl;
}

int runResultats(const Context &context)
{
    if (context.positional.size() != 1)
        return fail(context, QStringLiteral("Indiquez une base d'analyse, une seule : "
                                            "telmira-codage --resultats BASE.mdb --variable N."));
    if (!context.parser.isSet(kVariable))
        return fail(context, QStringLiteral("--variable N est obligatoire : le numéro (1 à 5) de "
                                            "la liste à compter."));
    QString message;
    const int list = listOption(context, kVariable, &message);
    if (list == 0)
        return fail(context, message);
    int cross = 0;
    if (context.parser.isSet(kCroiser)) {
        cross = listOption(context, kCroiser, &message);
        if (cross == 0)
            return fail(context, message);
    }
    results::Unit unit = results::Unit::Lines;
    if (context.parser.isSet(kUnite)) {
        const QString given = context.parser.value(kUnite);
        if (given == QLatin1String("segments"))
            unit = results::Unit::Segments;
        else if (given != QLatin1String("lignes"))
            return fail(context, QStringLiteral("--unite attend « lignes » ou « segments » "
                                                "(« %1 » a été donné).")
                                     .arg(given));
    }
    if (context.parser.isSet(kAttribut) && cross != 0)
        return fail(context, QStringLiteral("--croiser et --attribut ne vont pas ensemble : la "
                                            "liste se croise avec une autre liste ou avec un "
                                            "attribut."));
    std::set<qint64> wanted;
    if (!textNumbers(context, &wanted, &message))
        return fail(context, message);

    const QString path = context.positional.first();
    try {
        std::shared_ptr<Connection> db = openForReading(path);
        const std::optional<results::Scope> scope = scopeOf(context, *db, wanted, path, &message);
        if (!scope)
            return fail(context, message);
        std::optional<attributes::Attribute> attribute;
        if (context.parser.isSet(kAttribut)) {
            const QString name = context.parser.value(kAttribut);
            attribute = attributes::find(*db, name);
            if (!attribute)
                return fail(context, QStringLiteral("L'attribut « %1 » n'existe pas dans "
                                                    "l'analyse « %2 ».")
                                         .arg(name.trimmed(), path));
        }
        results::ResultsStore store(*db);
        store.leaveOutAcceptedSuggestions(context.parser.isSet(kSansSuggestions));
        auto labels = [](const std::vector<results::Value> &values) {
            std::vector<QString> texts;
            for (const results::Value &v : values)
                texts.push_back(v.text);
            return texts;
        };
        if (attribute) {
            results::CrossCounts counts =
                store.attributeCounts(list, attribute->number, unit, *scope);
            writeCross(context, results::crossTable(labels(counts.rows), labels(counts.columns),
                                                    std::move(counts.counts), counts.uncoded,
                                                    counts.multiple));
        } else if (cross == 0) {
            results::FrequencyCounts counts = store.frequencies(list, unit, *scope);
            writeFrequencies(context, results::frequencyTable(labels(counts.values),
                                                              std::move(counts.counts),
                                                              counts.uncoded, counts.multiple));
        } else {
            results::CrossCounts counts = store.crossCounts(list, cross, unit, *scope);
            writeCross(context, results::crossTable(labels(counts.rows), labels(counts.columns),
                                                    std::move(counts.counts), counts.uncoded,
                                                    counts.multiple));
        }
    } catch (const StoreError &e) {
        return fail(context, QStringLiteral("Les résultats n'ont pas pu être calculés.\n%1")
                                 .arg(e.message()));
    }
    return 0;
}

} // namespace

extern const Action resultats;
const Action resultats{
    QStringLiteral("resultats"),
    QStringLiteral("--resultats BASE.mdb --variable N [--croiser M] [--unite lignes|segments] "
                   "[--attribut NOM]\n      [--texte NUMERO]... [--si NOM=VALEUR]... "
                   "[--si NOM=DE..A]... [--sans-suggestions]\n"
                   "      effectifs et pourcentages des valeurs de la liste N (1 à 5), ou son "
                   "tableau croisé\n"
                   "      avec la liste M suivi du χ² de Pearson (sans correction de Yates), de "
                   "ses degrés\n      de liberté, de p (7 chiffres significatifs) et du V de "
                   "Cramer ;\n"
                   "      unité : lignes de codage (par défaut) ou segments ; toute l'analyse ou "
                   "les textes\n"
                   "      donnés par leur numéro ; la ligne « non codé » compte les unités "
                   "laissées de côté\n"
                   "      (valeur vide), hors du total ; en segments, un segment qui porte deux "
                   "valeurs\n      est dans deux cases : la ligne « plusieurs cases » dit combien, "
                   "et le χ² avertit\n      que ses observations ne sont pas indépendantes ;\n"
                   "      --attribut NOM croise la liste N avec l'attribut NOM des textes : "
                   "ses valeurs en colonnes\n      (ordre alphabétique français), puis « (sans "
                   "valeur) » si un texte de l'analyse n'en a pas ;\n"
                   "      --si NOM=VALEUR ne compte que les textes dont l'attribut NOM a cette "
                   "valeur, --si NOM=DE..A\n      ceux dont la valeur va de DE à A (dates "
                   "AAAA-MM-JJ ou nombres ; une borne peut manquer) ;\n"
                   "      plusieurs --si doivent tous être vrais, et s'ajoutent à --texte ;\n"
                   "      --sans-suggestions compte comme non codées les valeurs prises d'une "
                   "suggestion acceptée"),
    {QCommandLineOption(kVariable, QStringLiteral("Liste à compter (1 à 5)."),
                        QStringLiteral("N")),
     QCommandLineOption(kCroiser, QStringLiteral("Liste à croiser (1 à 5)."), QStringLiteral("M")),
     QCommandLineOption(kUnite, QStringLiteral("Unité : lignes ou segments."),
                        QStringLiteral("UNITE")),
     texteOption(),
     QCommandLineOption(kAttribut, QStringLiteral("Attribut des textes à croiser avec la liste."),
                        QStringLiteral("NOM")),
     siOption(),
     QCommandLineOption(kSansSuggestions,
                        QStringLiteral("Compte les suggestions acceptées comme non codées."))},
    &runResultats,
};

} // namespace cli
