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
    struct Step {
        int version;
        const char *script;
    };
    static const Step steps[] = {{2, kUpgradeToVersion2}, {3, kUpgradeToVersion3},
                                  {4, kUpgradeToVersion4}, {5, kUpgradeToVersion5}};
    db.begin();
    try {
        // Another program may have upgraded the file meanwhile: the version
        // is read inside the transaction.
        for (const Step &step : steps) {
            if (version(db) >= step.version)
                continue;
            const int rc = sqlite3_exec(db.handle(), step.script, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                // A table of the same name already there is an error of the
                // script, not of the engine: the file holds foreign tables.
                const QString cause = (rc & 0xff) == SQLITE_ERROR
                                          ? QStringLiteral("elle contient déjà des tables "
                                                           "inconnues de cette version")
                                          : engineCause(rc);
                throw StoreError(QStringLiteral("La base d'analyse « %1 » n'a pas pu être mise à "
                                                "jour (version %2) : %3. Elle est restée telle "
                                                "qu'elle était.")
                                     .arg(db.path())
                                     .arg(step.version)
                                     .arg(cause));
            }
        }
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace schema
