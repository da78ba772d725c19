#include "save/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK)
        statement = nullptr;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement);
}

void SqliteStatement::bind(int index, long long value) {
    sqlite3_bind_int64(statement, index, value);
}

void SqliteStatement::bind(int index, double value) {
    sqlite3_bind_double(statement, index, value);
}

void SqliteStatement::bind(int index, const std::string& value) {
    sqlite3_bind_text(statement, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindNull(int index) {
    sqlite3_bind_null(statement, index);
}

bool SqliteStatement::step() {
    if (!statement) {
        error = true;
        return false;
    }
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW)
        return true;
    error = error || result != SQLITE_DONE;
    return false;
}

void SqliteStatement::reset() {
    sqlite3_reset(statement);
}

SqliteStatement::Type SqliteStatement::typeOf(int column) const {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return Type::integer;
    case SQLITE_FLOAT:
        return Type::real;
    case SQLITE_TEXT:
        return Type::text;
    case SQLITE_NULL:
        return Type::null;
    default:
        return Type::blob;
    }
}

long long SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(statement, column);
}

double SqliteStatement::real(int column) const {
    return sqlite3_column_double(statement, column);
}

std::string SqliteStatement::text(int column) const {
    const unsigned char* value = sqlite3_column_text(statement, column);
    return value ? std::string(reinterpret_cast<const char*>(value),
                               static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                 : std::string();
}
