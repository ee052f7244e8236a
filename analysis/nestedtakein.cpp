#include "analysis/nestedtakein.h"

#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

namespace takein {

Result takeInTextNested(Connection &db, const QString &recordedPath, Utf8Source &source,
                        const BytesProgress &progress, const StopRequest &stop)
{
    // The record sources borrow the batch's connection.
    const std::shared_ptr<Connection> connection(&db, [](Connection *) {});
    const QString connectionString = connstr::build(db.path());
    RecordSource texts(QStringLiteral("data2"));
    RecordSource segments(QStringLiteral("data1"));
    texts.setConnectionString(connectionString);
    segments.setConnectionString(connectionString);
    texts.setConnection(connection);
    segments.setConnection(connection);

    db.exec(QStringLiteral("SAVEPOINT texte"));
    try {
        texts.setRecordSource(textStatement(recordedPath));
        texts.refresh();
        const QString number = addText(texts, recordedPath);
        segments.setRecordSource(segmentsStatement(number));
        segments.refresh();
        const Result r = storeSegments(source, segments, number, {}, progress, stop);
        db.exec(QStringLiteral("RELEASE texte"));
        return r;
    } catch (...) {
        if (db.inTransaction()) {
            try {
                db.exec(QStringLiteral("ROLLBACK TO texte"));
                db.exec(QStringLiteral("RELEASE texte"));
            } catch (const StoreError &) {
                db.rollback();
            }
        }
        throw;
    }
}

} // namespace takein
