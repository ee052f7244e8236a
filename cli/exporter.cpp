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
                   "[--codes-seulement] [--nom-fichier]\n"
                   "      [--sans-suggestions | --marquer-suggestions]");

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
            "      --nom-fichier      nom du fichier du texte au lieu de son chemin complet\n"
            "      --sans-suggestions les valeurs prises d'une suggestion acceptée sont "
            "exportées\n"
            "                         vides (comptées « non codé »)\n"
            "      --marquer-suggestions  après les deux colonnes de chaque liste, une colonne\n"
            "                         « <liste> suggestion » : 1 pour une valeur prise d'une "
            "suggestion\n"
            "                         acceptée, 0 sinon (disposition longue)"),
    {QCommandLineOption(kComma, QStringLiteral("« , » entre les champs.")),
     QCommandLineOption(kRaw, QStringLiteral("Valeurs telles qu'enregistrées.")),
     QCommandLineOption(kWide, QStringLiteral("Disposition large.")),
     QCommandLineOption(kCodedOnly, QStringLiteral("Segments codés seulement.")),
     QCommandLineOption(kFileName, QStringLiteral("Nom du fichier du texte.")),
     QCommandLineOption(kWithoutSuggestions,
                        QStringLiteral("Suggestions acceptées exportées comme non codées.")),
     QCommandLineOption(kMarkSuggestions,
                        QStringLiteral("Une colonne par liste pour les suggestions acceptées."))},
    &runExporter};

} // namespace cli
