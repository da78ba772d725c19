#include "save/SqliteDatabase.h"

#include <sqlite3.h>

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(db);
}

bool SqliteDatabase::open(const std::string& path, bool writable, std::string& error) {
    const int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        error = lastError();
        return false;
    }
    // A file from elsewhere is only ever read: nothing in it may run code of its own.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    return true;
}

bool SqliteDatabase::run(const std::string& sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : lastError();
    sqlite3_free(message);
    return false;
}

bool SqliteDatabase::close(std::string& error) {
    if (sqlite3_close(db) != SQLITE_OK) {
        error = lastError();
        return false;
    }
    db = nullptr;
    return true;
}

std::string SqliteDatabase::lastError() const {
    return db ? sqlite3_errmsg(db) : "out of memory";
}
