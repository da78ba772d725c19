#include "save/SavedRow.h"

#include "save/SqliteStatement.h"

SavedRow::SavedRow(SqliteStatement& insert) : insert(insert) {
    insert.reset();
}

SavedRow& SavedRow::operator<<(long long value) {
    insert.bind(++index, value);
    return *this;
}

SavedRow& SavedRow::operator<<(double value) {
    insert.bind(++index, value);
    return *this;
}

SavedRow& SavedRow::operator<<(const std::string& value) {
    insert.bind(++index, value);
    return *this;
}

SavedRow& SavedRow::orNull(long long value, bool present) {
    if (present)
        return *this << value;
    insert.bindNull(++index);
    return *this;
}

bool SavedRow::store() {
    insert.step();
    return !insert.failed();
}
