#pragma once
// The codebook of an analysis as a CSV file (the export's conventions, see
// csv.h): one record per row of each of the five lists, in list order, with
// the list's number and name, the value's number, its text and its
// definition. Row 1 of each list, the empty value, comes first with an empty
// text. Written whole or not at all.
#include "exchange/csvexport.h"

namespace coding {

QStringList codebookHeader();

ExportOutcome exportCodebook(CodingStore &store, const QString &file, const ExportOptions &options);

} // namespace coding
