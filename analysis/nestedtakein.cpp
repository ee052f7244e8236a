#include "analysis/nestedtakein.h"

#include "store/connection.h"
#include "store/storeerror.h"

namespace takein {

Result takeInTextNested(Connection &db, const QString &recordedPath, Utf8Source &source,
                        const BytesProgress &progress, const StopRequest &stop)
{
    db.exec(QStringLiteral("SAVEPOINT texte"));
    try {
        const Result r = recordAndStore(db, recordedPath, source, progress, stop, false);
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
