// The command-line exports: --exporter (the coding) and --livre-de-codes
// (the lists, their names and definitions), the same files as the menu's.
#include "exchange/codebookexport.h"
#include "cli/commandline.h"
#include "exchange/csvexport.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

// The coding data (store, exports, reports) the actions call into.
using namespace coding;
namespace {

const QString kComma = QStringLiteral("virgule");
const QString kRaw = QStringLiteral("brut");
const QString kWide = QStringLiteral("large");
const QString kCodedOnly = QStringLiteral("codes-seulement");
const QString kFileName = QStringLiteral("nom-fichier");

ExportOptions optionsOf(const Context &context)
{
    ExportOptions options;
    options.separator = context.parser.isSet(kComma) ? QLatin1Char(',') : QLatin1Char(';');
    options.raw = context.parser.isSet(kRaw);
    options.layout = context.parser.isSet(kWide) ? ExportOptions::Layout::Wide
                                                  : ExportOptions::Layout::Long;
    options.codedOnly = context.parser.isSet(kCodedOnly);
    options.fileName = context.parser.isSet(kFileName);
    return options;
}

// Runs one export of BASE into SORTIE ("-" for standard output).
int runExport(const Context &context, const QString &usage,
              ExportOutcome (*write)(CodingStore &, const QString &, const ExportOptions &),
              QString (*describeOptions)(const ExportOptions &), const QString &done)
{
    if (context.positional.size() != 2)
        return fail(context, QStringLiteral("Il faut une base d'analyse et un fichier de sortie.\n"
                                            "Utilisation : telmira-codage %1")
                                 .arg(usage));
    const QString base = context.positional.at(0);
    const bool toStandardOutput = context.positional.at(1) == QLatin1String("-");
    const QString file = toStandardOutput ? QStringLiteral("/dev/stdout") : context.positional.at(1);
    std::unique_ptr<CodingStore> store;
    try {
        // Read as it is: an export never upgrades nor writes the analysis.
        store = std::make_unique<CodingStore>(openForReading(base));
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    const ExportOptions options = optionsOf(context);
    const ExportOutcome outcome = write(*store, file, options);
    if (outcome.status != ExportOutcome::Done)
        return fail(context, outcome.message);
    if (!toStandardOutput) {
        QString line = done.arg(describeOptions(options)).arg(outcome.records).arg(file);
        if (options.codedOnly)
            line += QStringLiteral(" Laissés de côté : %1 ligne(s) de codage sans valeur (comptées "
                                   "« non codé » par --resultats) et %2 segment(s) non codé(s).")
                        .arg(outcome.emptyRowsLeft)
                        .arg(outcome.segmentsLeft);
        context.out << line << Qt::endl;
    }
    return 0;
}

const QString kExportUsage =
    QStringLiteral("--exporter BASE.mdb SORTIE.csv [--virgule] [--brut] [--large] "
                   "[--codes-seulement] [--nom-fichier]");
const QString kCodebookUsage =
    QStringLiteral("--livre-de-codes BASE.mdb SORTIE.csv [--virgule] [--brut]");

int runExporter(const Context &context)
{
    return runExport(
        context, kExportUsage,
        [](CodingStore &store, const QString &file, const ExportOptions &options) {
            return exportCsv(store, file, options);
        },
        &describe, QStringLiteral("Codage exporté (%1) : %2 lignes, dans « %3 »."));
}

int runCodebook(const Context &context)
{
    return runExport(context, kCodebookUsage, &exportCodebook, &describeProtection,
                     QStringLiteral("Livre de codes exporté (%1) : %2 valeurs, dans « %3 »."));
}

} // namespace

extern const Action exporter{
    QStringLiteral("exporter"),
    kExportUsage
        + QStringLiteral(
            "\n      exporte le codage de toute l'analyse en CSV, comme le menu Fichier "
            "(SORTIE « - » : la sortie standard) ;\n"
            "      un fichier SORTIE existant reste intact en cas d'échec\n"
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

extern const Action livreDeCodes{
    QStringLiteral("livre-de-codes"),
    kCodebookUsage
        + QStringLiteral("\n      exporte le livre de codes en CSV : chaque liste, son nom, ses "
                         "valeurs, leurs numéros et définitions"),
    {}, // --virgule and --brut are those of --exporter
    &runCodebook};

} // namespace cli
