#pragma once
// A table of the results as the user reads it, cell by cell: the header,
// the lines of values, the total line, and what was left out. The window
// shows it, "Copier" puts it on the clipboard as tab-separated text and
// "Exporter" writes it as CSV. The first cell of the header names the
// variables and the unit of count, so that a pasted or exported table still
// says what it counts.
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class QWidget;

namespace results {
struct FrequencyTable;
struct CrossTable;
} // namespace results

namespace coding {

enum class CrossShow { Counts, RowPercent, ColumnPercent, TotalPercent };

struct ResultGrid {
    QStringList header;
    QList<QStringList> rows;
    // What the reader must know of how the table was counted ("12 segments
    // comptés dans plusieurs cases"), one line each, written after the rows.
    QStringList notes;
};

// The unit as written in the tables: "lignes de codage" or "segments".
QString unitName(bool segments);

// Value, count, percentage; a "Total" line, then a "Non codé" line; the
// segments counted in several cells as a note.
// Percentages to 2 decimals in the locale's decimal mark.
ResultGrid frequencyGrid(const results::FrequencyTable &table, const QString &variable,
                         const QString &unit, const QLocale &locale);
// Counts or percentages of the cross-table with its margins; then a
// "Non codé" line, its count in the Total column.
ResultGrid crossGrid(const results::CrossTable &table, const QString &rowVariable,
                     const QString &columnVariable, const QString &unit, CrossShow show,
                     const QLocale &locale);

// One line per row, fields separated by tabs (a tab or line break inside a
// field becomes a space), lines ended by a line feed; then an empty line and
// the notes, when there are some.
QString tabSeparated(const ResultGrid &grid);

// Writes the grid as CSV to `file`, whole or not at all, as the coding
// export writes (exchange/csv.h: byte-order mark, CR LF): with ";" between
// fields, or "," when `comma`, the decimal commas of the cells after the
// first column then written as full stops; an empty record, then the notes.
// Returns why it failed, in French ("le disque est plein"); empty when
// written.
QString writeGridCsv(const ResultGrid &grid, const QString &file, bool comma);

// "Exporter..." of a table: asks for the CSV file (proposed in the
// analysis's folder, named after it with `suffix`: "_resultats.csv"),
// refuses the analysis file itself, and writes the grid there. Returns the
// text for the status bar, empty when nothing was written (cancelled, or
// failed: the failure is told in a message over `parent`).
QString exportGrid(QWidget *parent, const ResultGrid &grid, const QString &databasePath,
                   bool comma, const QString &suffix);

} // namespace coding
