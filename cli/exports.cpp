#include "cli/exports.h"

#include "exchange/statexport.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

using namespace coding;

ExportOptions optionsOf(const Context &context)
{
    ExportOptions options;
    options.separator = context.parser.isSet(kComma) ? QLatin1Char(',') : QLatin1Char(';');
    options.raw = context.parser.isSet(kRaw);
    options.layout = context.parser.isSet(kWide) ? ExportOptions::Layout::Wide
                                                  : ExportOptions::Layout::Long;
    options.codedOnly = context.parser.isSet(kCodedOnly);
    options.fileName = context.parser.isSet(kFileName);
    options.withoutSuggestions = context.parser.isSet(kWithoutSuggestions);
    options.markSuggestions = context.parser.isSet(kMarkSuggestions);
    return options;
}

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
            line += QLatin1Char(' ') + leftOutText(outcome);
        context.out << line << Qt::endl;
    }
    return 0;
}

int runStatExport(const Context &context, const QString &usage, const StatFileWriter &format)
{
    if (context.positional.size() != 2)
        return fail(context, QStringLiteral("Il faut une base d'analyse et un fichier de sortie.\n"
                                            "Utilisation : telmira-codage %1")
                                 .arg(usage));
    std::unique_ptr<CodingStore> store;
    try {
        store = std::make_unique<CodingStore>(openForReading(context.positional.at(0)));
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    const QString file = context.positional.at(1);
    const StatOutcome outcome = format.write(*store, file);
    if (outcome.status != ExportOutcome::Done)
        return fail(context, outcome.message);
    context.out << statSummary(format, outcome, file) << Qt::endl;
    return 0;
}

} // namespace cli
