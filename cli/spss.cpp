// --spss BASE.mdb SORTIE.sav: the coding of the whole analysis as an SPSS
// data file, one record per segment, with the texts' attributes.
#include "cli/exports.h"
#include "exchange/statexport.h"

namespace cli {

namespace {

const QString kSpssUsage = QStringLiteral("--spss BASE.mdb SORTIE.sav");

int runSpss(const Context &context)
{
    return runStatExport(context, kSpssUsage, coding::SpssWriter());
}

} // namespace

extern const Action spss{
    QStringLiteral("spss"),
    kSpssUsage
        + QStringLiteral(
            "\n      exporte le codage pour SPSS (.sav) : une ligne par segment, les attributs "
            "des textes,\n"
            "      chaque liste une variable numérique dont les valeurs sont étiquetées (une "
            "variable 0/1\n"
            "      par valeur si un segment en a plusieurs) ; un fichier SORTIE existant reste "
            "intact en cas d'échec"),
    {},
    &runSpss};

} // namespace cli
