#pragma once

#include <string>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQL statement: bind by position from 1, step, read columns from 0, reset to run again.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isReady() const { return statement != nullptr; }
    void bind(int index, long long value);
    void bind(int index, double value);
    void bind(int index, const std::string& value);
    void bindNull(int index);
    // True while there is a row to read; done and failed both end it (see failed()).
    bool step();
    // Ready to run again with new values.
    void reset();
    bool failed() const { return error; }

    enum class Type { integer, real, text, null, blob };
    Type typeOf(int column) const;
    long long integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;

private:
    sqlite3_stmt* statement = nullptr;
    bool error = false;
};
