#include "exchange/refiqdaexport.h"

#include "exchange/analysisproject.h"
#include "exchange/qdpxarchive.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/storeerror.h"

#include <QFileInfo>

namespace refiqda {
namespace {

// The analysis itself must never be the target.
QString sameFile(Connection &db, const QString &target)
{
    const QString canonical = QFileInfo(db.path()).canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(target).canonicalFilePath() == canonical)
        return QStringLiteral("L'analyse « %1 » ne peut pas être remplacée par son exportation.")
            .arg(db.path());
    return QString();
}

} // namespace

QString exportProject(Connection &db, const QString &target)
{
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        return writeQdpx(projectOf(analysis, QFileInfo(db.path()).completeBaseName()), target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

QString exportCodebook(Connection &db, const QString &target)
{
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        return writeCodebook(codesOf(analysis), origin(), target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

} // namespace refiqda
