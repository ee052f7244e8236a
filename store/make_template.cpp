// Build-time tool: makes the template analysis database from the schema
// script and the upgrades that follow it.
// Usage: make_template <output file> <schema.sql> [<upgrade.sql>...]
// The first script manages its own transaction; each upgrade runs in one
// transaction, as it does on an older file. The database is written under a
// temporary name and renamed into place, so a failed run leaves no half-made
// template behind.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_template <output> <schema.sql> [<upgrade.sql>...]\n");
        return 2;
    }
    std::string scripts;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "make_template: cannot read %s\n", argv[i]);
            return 1;
        }
        std::stringstream script;
        script << in.rdbuf();
        scripts += i == 2 ? script.str() : "BEGIN;\n" + script.str() + "\nCOMMIT;\n";
    }

    const std::string out = argv[1];
    const std::string tmp = out + ".tmp";
    std::remove(tmp.c_str());
    std::remove((tmp + "-journal").c_str());

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        std::fprintf(stderr, "make_template: cannot create %s: %s\n", tmp.c_str(),
                     db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return 1;
    }
    char *err = nullptr;
    if (sqlite3_exec(db, scripts.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "make_template: %s: %s\n", out.c_str(), err ? err : "error");
        sqlite3_free(err);
        sqlite3_close(db);
        std::remove(tmp.c_str());
        return 1;
    }
    // A compact file: no free pages left over from building.
    if (sqlite3_exec(db, "VACUUM", nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "make_template: VACUUM: %s\n", err ? err : "error");
        sqlite3_free(err);
        sqlite3_close(db);
        std::remove(tmp.c_str());
        return 1;
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        std::fprintf(stderr, "make_template: cannot close %s\n", tmp.c_str());
        return 1;
    }
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::perror("make_template: rename");
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
