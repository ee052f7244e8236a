#include "store/engine.h"

#include <sqlite3.h>

namespace engine {

bool configure()
{
    return sqlite3_config(SQLITE_CONFIG_MULTITHREAD) == SQLITE_OK
           && sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

} // namespace engine
