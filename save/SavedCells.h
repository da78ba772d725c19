#pragma once

#include "save/SavedWorldSchema.h"

#include <osg/Vec3d>

#include <climits>
#include <string>

class SqliteStatement;

// The cells of one row, taken in column order, each checked for its type and range. The first bad
// cell is the problem; later ones read as zero.
class SavedCells {
public:
    // Messages name the row as unnamed ("an animal") until its first key is read, then by the noun
    // and its keys ("animal 17").
    SavedCells(const SqliteStatement& row, const SavedWorldSchema::Table& table, const std::string& unnamed,
               const std::string& noun, std::string& problem);

    // Names the row in messages: "animal 17", "tile 2,3".
    void setLabel(const std::string& text) { label = text; }
    // A key of the row: the first names it ("animal 17"), a later one is added ("tile 2,3").
    void addKey(long long key);
    // A text key that names the row: "rule plant.growAt".
    void addName(const std::string& name) { label = noun + " " + name; }
    bool ok() const { return problem.empty(); }
    // Makes the cell read last the problem, unless there is one already.
    void failLast(const std::string& what);

    long long whole(long long low = INT_MIN, long long high = INT_MAX);
    int trait(int low = 1, int high = 100) { return static_cast<int>(whole(low, high)); }
    bool flag() { return whole(0, 1) == 1; }
    // A whole number, or null for none.
    int wholeOrNull(int none);
    double number();
    float single();
    osg::Vec3d point();
    std::string text();
    // A state by name, of those the organism may be in.
    int state(bool (*allowed)(int state));

private:
    long long fail(int column, const std::string& what);

    const SqliteStatement& row;
    const SavedWorldSchema::Table& table;
    std::string noun;
    std::string& problem;
    std::string label;
    int next = 0;
    int keys = 0;
};
