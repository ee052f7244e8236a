// Build-time tool: makes the template analysis database from the schema
// script. Usage: make_template <schema.sql> <output file>
// The database is written under a temporary name and renamed into place, so a
// failed run leaves no half-made template behind.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_template <schema.sql> <output>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_template: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << in.rdbuf();

    const std::string out = argv[2];
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
    if (sqlite3_exec(db, script.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "make_template: %s: %s\n", argv[1], err ? err : "error");
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
