// lockholder FILE: another program in the middle of a write to Kelvo.bmp.
// Takes the file's exclusive lock, says "locked", and holds the lock until
// its standard input closes; then rolls back, leaving the file as it was.
#include "ciphersettings.h"
#include "originlookup.h"

#include <cstdio>
#include <sqlite3.h>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || CipherSettings::apply(db, OriginLookup::Password.toUtf8()) != SQLITE_OK
        || sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "lockholder: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    std::puts("locked");
    std::fflush(stdout);
    while (std::getchar() != EOF) { }
    sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}
