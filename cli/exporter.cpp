// --exporter BASE.mdb SORTIE.csv: the coding of the whole analysis in CSV,
// the same file as the menu's.
#include "cli/exports.h"
#include "exchange/csvexport.h"
#include "store/codingstore.h"

namespace cli {

using namespace coding;

namespace {

const QString kExportUsage =
    QStringLiteral("--exporter BASE.mdb SORTIE.csv [--virgule] [--brut] [--large] "
                   "[--codes-seulement] [--nom-fichier]");

int runExporter(const Context &context)
{
    return runExport(
        context, kExportUsage,
        [](CodingStore &store, const QString &file, const ExportOptions &options) {
            return exportCsv(store, file, options);
        },
        &describe, QStringLiteral("Codage exporté (%1) : %2 lignes, dans « %3 »."));
}

} // namespace

extern const Action exporter{
    QStringLiteral("exporter"),
    kExportUsage
        + QStringLiteral(
            "\n      exporte le codage de toute l'analyse en CSV, comme le menu Fichier "
            "(SORTIE « - » : la sortie standard) ;\n"
            "      un fichier SORTIE existant reste intact en cas d'échec ; la dernière colonne,\n"
            "      « note », donne la note du segment (vide s'il n'en a pas)\n"
            "      --virgule          « , » entre les champs au lieu de « ; »\n"
            "      --brut             valeurs telles qu'enregistrées (R, Python), sans "
            "l'apostrophe\n"
            "                         qui protège des formules des tableurs\n"
            "      --large            une ligne par segment, une colonne 0/1 par valeur de "
            "chaque liste\n"
            "      --codes-seulement  laisse de côté les segments non codés et les lignes de "
            "codage\n"
            "                         sans valeur, que le résumé compte (--resultats les "
            "compte\n"
            "                         parmi les « non codé »)\n"
            "      --nom-fichier      nom du fichier du texte au lieu de son chemin complet"),
    {QCommandLineOption(kComma, QStringLiteral("« , » entre les champs.")),
     QCommandLineOption(kRaw, QStringLiteral("Valeurs telles qu'enregistrées.")),
     QCommandLineOption(kWide, QStringLiteral("Disposition large.")),
     QCommandLineOption(kCodedOnly, QStringLiteral("Segments codés seulement.")),
     QCommandLineOption(kFileName, QStringLiteral("Nom du fichier du texte."))},
    &runExporter};

} // namespace cli
