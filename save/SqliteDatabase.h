#pragma once

#include <string>

struct sqlite3;

// One open SQLite database, closed with the object.
class SqliteDatabase {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // False, with SQLite's reason, when it cannot be opened.
    bool open(const std::string& path, bool writable, std::string& error);
    // Runs statements that return no rows; false with SQLite's reason.
    bool run(const std::string& sql, std::string& error);
    // Closes now; false with SQLite's reason when it could not finish the file.
    bool close(std::string& error);
    sqlite3* handle() const { return db; }
    std::string lastError() const;

private:
    sqlite3* db = nullptr;
};
