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

int runFiabilite(const Context &context)
{
    if (context.positional.size() < 2)
        return fail(context, QStringLiteral("--fiabilite demande au moins deux bases d'analyse : "
                                            "telmira-codage --fiabilite BASE1.mdb BASE2.mdb "
                                            "[BASE3.mdb...]"));
    try {
        const std::optional<reliability::Comparison> comparison =
            reliability::compare(context.positional);
        if (!comparison)
            return 1;
        // A list's name holding ";" or a quote is quoted as in CSV.
        for (const QStringList &line : reliabilityreport::summaryLines(*comparison)) {
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
    QStringLiteral("--fiabilite BASE1.mdb BASE2.mdb [BASE3.mdb...]\n"
                   "      fiabilité inter-codeurs des copies d'une même analyse : pour chaque "
                   "liste,\n      alpha de Krippendorff (nominal), kappa de Cohen (deux codeurs), "
                   "accord,\n      segments appariés et valeurs multiples (CSV « ; » sur la "
                   "sortie standard)"),
    {},
    &runFiabilite,
};

} // namespace cli
