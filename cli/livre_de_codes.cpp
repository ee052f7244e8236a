// --livre-de-codes BASE.mdb SORTIE.csv: the lists, their names, values and
// definitions in CSV, the same file as the menu's.
#include "cli/exports.h"
#include "exchange/codebookexport.h"
#include "exchange/csvexport.h"

namespace cli {

using namespace coding;

namespace {

const QString kCodebookUsage =
    QStringLiteral("--livre-de-codes BASE.mdb SORTIE.csv [--virgule] [--brut]");

int runCodebook(const Context &context)
{
    return runExport(context, kCodebookUsage, &exportCodebook, &describeProtection,
                     QStringLiteral("Livre de codes exporté (%1) : %2 valeurs, dans « %3 »."));
}

} // namespace

extern const Action livreDeCodes{
    QStringLiteral("livre-de-codes"),
    kCodebookUsage
        + QStringLiteral("\n      exporte le livre de codes en CSV : chaque liste, son nom, ses "
                         "valeurs, leurs numéros et définitions"),
    {}, // --virgule and --brut are those of --exporter
    &runCodebook};

} // namespace cli
