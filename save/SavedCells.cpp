#include "save/SavedCells.h"

#include "save/SqliteStatement.h"

#include <cmath>

using Type = SqliteStatement::Type;

SavedCells::SavedCells(const SqliteStatement& row, const SavedWorldSchema::Table& table,
                       const std::string& unnamed, const std::string& noun, std::string& problem)
    : row(row), table(table), noun(noun), problem(problem), label(unnamed) {}

void SavedCells::addKey(long long key) {
    label = (keys++ == 0 ? noun + " " : label + ",") + std::to_string(key);
}

void SavedCells::failLast(const std::string& what) {
    if (ok())
        fail(next - 1, what);
}

long long SavedCells::whole(long long low, long long high) {
    const int column = next++;
    if (!ok())
        return 0;
    if (row.typeOf(column) != Type::integer)
        return fail(column, "is not a whole number");
    const long long value = row.integer(column);
    if (value < low || value > high)
        return fail(column, std::to_string(value) + " is out of range (" + std::to_string(low) + ".." +
                                std::to_string(high) + ")");
    return value;
}

int SavedCells::wholeOrNull(int none) {
    if (ok() && row.typeOf(next) == Type::null) {
        ++next;
        return none;
    }
    return static_cast<int>(whole());
}

double SavedCells::number() {
    const int column = next++;
    if (!ok())
        return 0.0;
    const Type type = row.typeOf(column);
    if (type != Type::real && type != Type::integer)
        return static_cast<double>(fail(column, "is not a number"));
    const double value = row.real(column);
    if (!std::isfinite(value))
        return static_cast<double>(fail(column, "is not finite"));
    return value;
}

float SavedCells::single() {
    const double value = number();
    if (ok() && std::fabs(value) > 3.0e38)
        return static_cast<float>(fail(next - 1, "is too large"));
    return static_cast<float>(value);
}

osg::Vec3d SavedCells::point() {
    const double x = number();
    const double y = number();
    return osg::Vec3d(x, y, number());
}

std::string SavedCells::text() {
    const int column = next++;
    if (!ok())
        return "";
    if (row.typeOf(column) != Type::text) {
        fail(column, "is not text");
        return "";
    }
    return row.text(column);
}

int SavedCells::state(bool (*allowed)(int state)) {
    const std::string name = text();
    const int value = SavedWorldSchema::stateValue(name);
    if (ok() && !allowed(value))
        fail(next - 1, "\"" + name + "\" is not a state it can be in");
    return value;
}

long long SavedCells::fail(int column, const std::string& what) {
    problem = label + ": " + table.columns[static_cast<size_t>(column)].name + " " + what;
    return 0;
}
