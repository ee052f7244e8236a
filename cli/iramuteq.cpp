// --iramuteq BASE.mdb SORTIE.txt [--avec-codes]: the analysis as an Iramuteq
// corpus, the same file as the menu's.
#include "cli/commandline.h"
#include "exchange/iramuteqexport.h"
#include "store/codingstore.h"
#include "store/storeerror.h"

namespace cli {

using namespace coding;

namespace {

const QString kWithCodes = QStringLiteral("avec-codes");
const QString kUsage = QStringLiteral("--iramuteq BASE.mdb SORTIE.txt [--avec-codes]");

int runIramuteq(const Context &context)
{
    if (context.positional.size() != 2)
        return fail(context, QStringLiteral("Il faut une base d'analyse et un fichier de sortie.\n"
                                            "Utilisation : telmira-codage %1")
                                 .arg(kUsage));
    const bool toStandardOutput = context.positional.at(1) == QLatin1String("-");
    const QString file = toStandardOutput ? QStringLiteral("/dev/stdout") : context.positional.at(1);
    std::unique_ptr<CodingStore> store;
    try {
        // Read as it is: an export never upgrades nor writes the analysis.
        store = std::make_unique<CodingStore>(openForReading(context.positional.at(0)));
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    IramuteqOptions options;
    options.withCodes = context.parser.isSet(kWithCodes);
    const ExportOutcome outcome = exportIramuteq(*store, file, options);
    if (outcome.status != ExportOutcome::Done)
        return fail(context, outcome.message);
    if (!toStandardOutput)
        context.out << (options.withCodes
                            ? QStringLiteral("Corpus Iramuteq exporté : %1 segments codés, dans "
                                             "« %2 ».")
                                  .arg(outcome.records)
                                  .arg(file)
                            : QStringLiteral("Corpus Iramuteq exporté : %1 textes, %2 segments, "
                                             "dans « %3 ».")
                                  .arg(outcome.records)
                                  .arg(outcome.segments)
                                  .arg(file))
                    << Qt::endl;
    return 0;
}

} // namespace

extern const Action iramuteq;
const Action iramuteq{
    QStringLiteral("iramuteq"),
    kUsage
        + QStringLiteral(
            "\n      exporte l'analyse en corpus Iramuteq (UTF-8, fins de ligne \\n), comme le "
            "menu Fichier\n"
            "      (SORTIE « - » : la sortie standard) : chaque texte sous une ligne étoilée de "
            "ses\n"
            "      attributs (« **** *journal_lemonde *annee_2003 »), ses segments à la suite ;\n"
            "      un fichier SORTIE existant reste intact en cas d'échec\n"
            "      --avec-codes  chaque segment codé seul, sous les attributs de son texte "
            "suivis\n"
            "                    de ses valeurs codées (*liste_valeur) ; les segments non "
            "codés\n"
            "                    sont laissés de côté"),
    {QCommandLineOption(kWithCodes,
                        QStringLiteral("Avec --iramuteq : chaque segment codé seul, avec ses "
                                       "valeurs codées."))},
    &runIramuteq};

} // namespace cli
