#include "coding/csvexport.h"

#include "coding/csv.h"
#include "store/codingstore.h"
#include "store/storeerror.h"

#include <QSaveFile>

namespace coding {

QStringList exportHeader()
{
    QStringList header{QStringLiteral("numtexte"), QStringLiteral("chemin"),
                       QStringLiteral("numsegment"), QStringLiteral("texte")};
    for (int k = 1; k <= kLists; ++k)
        header << QStringLiteral("numvar0%1").arg(k) << QStringLiteral("variable0%1").arg(k);
    return header;
}

ExportOutcome exportCsv(CodingStore &store, const QString &file, QChar separator,
                        const std::function<bool(qint64, qint64)> &progress)
{
    ExportOutcome outcome;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être créé : %2.")
                              .arg(file, out.errorString());
        return outcome;
    }
    csv::Writer writer(&out, separator);
    auto writeFailure = [&] {
        outcome.status = ExportOutcome::Failed;
        outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.")
                              .arg(file, out.errorString());
        out.cancelWriting();
        return outcome;
    };
    if (!writer.writeBom() || !writer.write(exportHeader()))
        return writeFailure();

    bool writeFailed = false;
    bool cancelled = false;
    try {
        const qint64 total = store.segmentCount();
        if (progress && !progress(0, total)) {
            cancelled = true;
        } else {
            store.exportRows([&](const ExportRow &row) {
                if (row.newSegment) {
                    if (progress && outcome.segments % 256 == 0 && outcome.segments > 0
                        && !progress(outcome.segments, total)) {
                        cancelled = true;
                        return false;
                    }
                    ++outcome.segments;
                }
                QStringList fields{QString::number(row.textNumber), row.textPath,
                                   QString::number(row.segmentNumber), row.segmentText};
                for (int k = 0; k < kLists; ++k) {
                    if (row.hasCoding)
                        fields << QString::number(row.numvar[size_t(k)]) << row.value[size_t(k)];
                    else
                        fields << QString() << QString();
                }
                if (!writer.write(fields)) {
                    writeFailed = true;
                    return false;
                }
                ++outcome.records;
                return true;
            });
            if (!cancelled && !writeFailed && progress)
                progress(total, total);
        }
    } catch (const StoreError &e) {
        out.cancelWriting();
        outcome.status = ExportOutcome::Failed;
        outcome.message = QStringLiteral("Le codage n'a pas pu être lu ; le fichier « %1 » n'a pas "
                                         "été écrit.\n\n%2")
                              .arg(file, e.message());
        return outcome;
    }
    if (writeFailed)
        return writeFailure();
    if (cancelled) {
        out.cancelWriting();
        outcome.status = ExportOutcome::Cancelled;
        return outcome;
    }
    if (!out.commit()) {
        outcome.status = ExportOutcome::Failed;
        outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.")
                              .arg(file, out.errorString());
        return outcome;
    }
    outcome.status = ExportOutcome::Done;
    return outcome;
}

} // namespace coding
