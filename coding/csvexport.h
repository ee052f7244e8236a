#pragma once
// The export of the coding of a whole analysis to a CSV file: one record per
// coding row, and one per segment without coding (its list fields empty),
// by text, segment and coding row. The file is written whole or not at all.
#include <QChar>
#include <QString>
#include <QStringList>
#include <functional>

namespace coding {

class CodingStore;

struct ExportOutcome {
    enum Status { Done, Cancelled, Failed };
    Status status = Failed;
    qint64 records = 0;  // data records written (header not counted)
    qint64 segments = 0; // segments written
    QString message;     // the cause of a failure, in French
};

// The header record's fields.
QStringList exportHeader();

// Writes the export into `file`. `progress` is told the segments done and the
// total every few hundred segments; it returns false to cancel. A cancelled
// or failed export leaves no file behind (an existing file keeps its
// content).
ExportOutcome exportCsv(CodingStore &store, const QString &file, QChar separator,
                        const std::function<bool(qint64 done, qint64 total)> &progress = {});

} // namespace coding
