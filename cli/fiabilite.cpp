// --fiabilite: the agreement between the coders of several copies of one
// analysis, one line per list.
#include "cli/commandline.h"
#include "exchange/csv.h"
#include "exchange/reliabilityreport.h"
#include "store/reliabilitystore.h"
#include "store/storeerror.h"

namespace cli {

// The coding data (store, exports, reports) the actions call into.
using namespace coding;
namespace {

const QString kSansSuggestions = QStringLiteral("sans-suggestions");

int runFiabilite(const Context &context)
{
    if (context.positional.size() < 2)
        return fail(context, QStringLiteral("--fiabilite demande au moins deux bases d'analyse : "
                                            "telmira-codage --fiabilite BASE1.mdb BASE2.mdb "
                                            "[BASE3.mdb...]"));
    try {
        reliability::Filter filter;
        filter.withoutAcceptedSuggestions = context.parser.isSet(kSansSuggestions);
        const std::optional<reliability::CodedCopies> copies =
            reliability::readCopies(context.positional, filter);
        if (!copies)
            return 1;
        const reliability::Comparison comparison =
            reliability::comparisonOf(std::move(*copies));
        // A list's name holding ";" or a quote is quoted as in CSV.
        for (const QStringList &line : reliabilityreport::summaryLines(comparison)) {
            QStringList fields;
            for (const QString &f : line)
                fields << csv::field(f, QLatin1Char(';'));
            context.out << fields.join(QLatin1Char(';')) << '\n';
        }
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    return 0;
}

} // namespace

extern const Action fiabilite;
const Action fiabilite{
    QStringLiteral("fiabilite"),
    QStringLiteral("--fiabilite BASE1.mdb BASE2.mdb [BASE3.mdb...] [--sans-suggestions]\n"
                   "      fiabilité inter-codeurs des copies d'une même analyse : pour chaque "
                   "liste,\n      alpha de Krippendorff (niveau nominal), kappa de Cohen (deux "
                   "codeurs), accord,\n      segments appariés et valeurs multiples (CSV « ; » "
                   "sur la sortie standard),\n      puis des lignes « note » qui disent comment "
                   "tout est compté :\n"
                   "      accord : part des paires de codeurs qui donnent la même valeur, parmi "
                   "toutes les\n      paires de codeurs de chaque segment apparié ;\n"
                   "      un segment où un codeur a donné deux valeurs d'une liste est laissé "
                   "hors d'alpha,\n      de kappa et de l'accord pour ce codeur (colonne "
                   "multiples) ;\n"
                   "      « non codé » est une donnée manquante, non une catégorie ;\n"
                   "      un coefficient sans valeur dit pourquoi (« indéfini: une seule valeur », "
                   "« indéfini:\n      aucune paire »).\n"
                   "      La fenêtre « Fiabilité inter-codeurs » calcule aussi les niveaux "
                   "ordinal, intervalle\n      et ratio : l'ordre ordinal est celui des nombres "
                   "qui commencent les valeurs, sinon\n      leur ordre de saisie, et se change "
                   "dans la fenêtre ; deux valeurs qui commencent par\n      le même nombre y "
                   "sont refusées, jamais confondues ; l'intervalle de confiance\n      (bootstrap) "
                   "tire 1 000 fois les segments appariés avec remise et dit combien\n      de "
                   "tirages étaient utilisables ;\n"
                   "      --sans-suggestions compte comme manquantes les valeurs prises d'une "
                   "suggestion acceptée"),
    {QCommandLineOption(kSansSuggestions,
                        QStringLiteral("Compte les suggestions acceptées comme manquantes."))},
    &runFiabilite,
};

} // namespace cli
