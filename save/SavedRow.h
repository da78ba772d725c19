#pragma once

#include <osg/Vec3d>

#include <string>

class SqliteStatement;

// Binds values to the columns of one insert, in column order.
class SavedRow {
public:
    explicit SavedRow(SqliteStatement& insert);

    SavedRow& operator<<(long long value);
    SavedRow& operator<<(int value) { return *this << static_cast<long long>(value); }
    SavedRow& operator<<(long value) { return *this << static_cast<long long>(value); }
    SavedRow& operator<<(unsigned value) { return *this << static_cast<long long>(value); }
    SavedRow& operator<<(bool value) { return *this << static_cast<long long>(value ? 1 : 0); }
    SavedRow& operator<<(double value);
    SavedRow& operator<<(float value) { return *this << static_cast<double>(value); }
    SavedRow& operator<<(const std::string& value);
    SavedRow& operator<<(const osg::Vec3d& p) { return *this << p.x() << p.y() << p.z(); }
    // A null for a value that is not there.
    SavedRow& orNull(long long value, bool present);
    bool store();

private:
    SqliteStatement& insert;
    int index = 0;
};
