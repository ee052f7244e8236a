#include "store/schemaversion.h"

#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"
#include "store/upgradescripts.h"

#include <sqlite3.h>

namespace schema {

int version(Connection &db)
{
    Statement stmt(db, "PRAGMA user_version");
    return stmt.step() ? int(stmt.integer(0)) : 0;
}

void upgrade(Connection &db)
{
    if (version(db) >= kSchemaVersion)
        return;
    db.begin();
    try {
        // Another program may have upgraded the file meanwhile.
        if (version(db) < 2) {
            const int rc = sqlite3_exec(db.handle(), kUpgradeToVersion2, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                // A table of the same name already there is an error of the
                // script, not of the engine: the file holds foreign tables.
                const QString cause = (rc & 0xff) == SQLITE_ERROR
                                          ? QStringLiteral("elle contient déjà des tables "
                                                           "inconnues de cette version")
                                          : engineCause(rc);
                throw StoreError(QStringLiteral("La base d'analyse « %1 » n'a pas pu être mise à "
                                                "jour (version 2) : %2. Elle est restée telle "
                                                "qu'elle était.")
                                     .arg(db.path(), cause));
            }
        }
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace schema
