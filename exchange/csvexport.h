#pragma once
// The export of the coding of a whole analysis to a CSV file (see csv.h for
// the file's conventions), in one of two layouts:
//   - long: one record per coding row, and one per segment without coding
//     (its list fields empty), by text, segment and coding row; for each
//     list, the value's number and its text;
//   - wide: one record per segment, and for each list one column per value
//     (in list order, the empty value left out) named "List: Value", holding
//     1 when one of the segment's coding rows has that value, 0 otherwise.
// Both begin with the text's number and path, then one column per attribute
// of the texts (named after it, empty where a text has no value), then the
// segment's number and text. The lists' columns are named after the lists;
// the last column, "note", holds the segment's note (empty when it has none).
// Text fields a spreadsheet
// would run as formulas are made inert unless the export is raw. The file is
// written whole or not at all (common/safefile.h): a failure or a cancel
// leaves an existing file byte for byte as it was.
#include "store/codingstore.h"

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace coding {

struct ExportOptions {
    enum class Layout { Long, Wide };
    QChar separator = QLatin1Char(';');
    // "Export brut (R, Python)": every value exactly as stored.
    bool raw = false;
    Layout layout = Layout::Long;
    // Leaves out the segments none of whose coding rows holds a value (and,
    // in the long layout, the coding rows holding none).
    bool codedOnly = false;
    // The text's file name instead of its full path (column "fichier").
    bool fileName = false;
    // The values accepted from a suggestion (store/suggestionstore.h)
    // exported as the list's empty value, counted as not coded.
    bool withoutSuggestions = false;
    // The long layout tells them: after each list's two columns, a column
    // "List suggestion" holding 1 for a value accepted from a suggestion,
    // else 0.
    bool markSuggestions = false;
};

struct ExportOutcome {
    enum Status { Done, Cancelled, Failed };
    Status status = Failed;
    qint64 records = 0;  // data records written (header not counted)
    qint64 segments = 0; // segments written
    // Left out when only coded segments are asked for: the coding rows none
    // of whose lists holds a value (the results count them "non codé") and
    // the segments none of whose rows holds one (without rows included).
    qint64 emptyRowsLeft = 0;
    qint64 segmentsLeft = 0;
    QString message;     // the cause of a failure, in French
};

using ExportProgress = std::function<bool(qint64 done, qint64 total)>;

// The header record of the long layout, for lists of these names and texts
// with these attributes.
QStringList exportHeader(const std::array<QString, kLists> &listNames,
                         const ExportOptions &options = {},
                         const QStringList &attributeNames = {});

// The file name of a text's path (UTF-8), whichever separator it uses.
QByteArrayView fileNameOf(QByteArrayView path);

// Writes the export into `file`. `progress` is told the segments done and the
// total every few hundred segments; it returns false to cancel. The analysis
// database itself (under any name) is refused as the file.
ExportOutcome exportCsv(CodingStore &store, const QString &file, const ExportOptions &options,
                        const ExportProgress &progress = {});

// A short French description of the options, for the status bar:
// "disposition longue, champs protégés pour les tableurs".
QString describe(const ExportOptions &options);

// What an export of only the coded segments left out, said after its
// summary: "Laissés de côté : 1 ligne(s) de codage sans valeur (comptées
// « non codé » par --resultats) et 2 segment(s) non codé(s)."
QString leftOutText(const ExportOutcome &outcome);

// Which of the two the values are: "export brut (valeurs telles
// qu'enregistrées)" or "champs protégés pour les tableurs".
QString describeProtection(const ExportOptions &options);

// Checks that `file` is not the analysis database `database` under any name
// (a link to it included); the French refusal when it is, else empty.
QString refuseTheDatabase(const QString &database, const QString &file, const QString &what);

} // namespace coding
