// --stata BASE.mdb SORTIE.dta: the coding of the whole analysis as an SPSS
// data file, one record per segment, with the texts' attributes.
#include "cli/exports.h"
#include "exchange/statexport.h"

namespace cli {

namespace {

const QString kStataUsage = QStringLiteral("--stata BASE.mdb SORTIE.dta");

int runStata(const Context &context)
{
    return runStatExport(context, kStataUsage, coding::StataWriter());
}

} // namespace

extern const Action stata{
    QStringLiteral("stata"),
    kStataUsage
        + QStringLiteral(
            "\n      exporte le codage pour Stata (.dta) : une ligne par segment, les attributs "
            "des textes,\n"
            "      chaque liste une variable numérique dont les valeurs sont étiquetées (une "
            "variable 0/1\n"
            "      par valeur si un segment en a plusieurs) ; un fichier SORTIE existant reste "
            "intact en cas d'échec"),
    {},
    &runStata};

} // namespace cli
