#pragma once
// What the exports of the command line share (--exporter, --livre-de-codes,
// --spss and --stata): their options and the run of one export into a file or
// standard output, the same files as the menu's.
#include "cli/commandline.h"
#include "exchange/csvexport.h"

namespace coding {
class StatFileWriter;
}

namespace cli {

// The options of --exporter; --livre-de-codes reads --virgule and --brut.
inline const QString kComma = QStringLiteral("virgule");
inline const QString kRaw = QStringLiteral("brut");
inline const QString kWide = QStringLiteral("large");
inline const QString kCodedOnly = QStringLiteral("codes-seulement");
inline const QString kFileName = QStringLiteral("nom-fichier");
inline const QString kWithoutSuggestions = QStringLiteral("sans-suggestions");
inline const QString kMarkSuggestions = QStringLiteral("marquer-suggestions");

// The export options the arguments give.
coding::ExportOptions optionsOf(const Context &context);

// Runs one export of BASE into SORTIE ("-" for standard output); `done`
// (%1 the options, %2 the records, %3 the file) is said on success.
int runExport(const Context &context, const QString &usage,
              coding::ExportOutcome (*write)(coding::CodingStore &, const QString &,
                                             const coding::ExportOptions &),
              QString (*describeOptions)(const coding::ExportOptions &), const QString &done);

// Runs the export of BASE into SORTIE in the file format of a statistics
// package (--spss, --stata).
int runStatExport(const Context &context, const QString &usage,
                  const coding::StatFileWriter &format);

} // namespace cli
