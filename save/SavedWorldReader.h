#pragma once

#include "save/WorldRecord.h"

#include <string>

class SqliteDatabase;

// Reads a saved world into a record and checks it whole, building nothing: a file that is not a
// database or is cut short, another schema version, a missing table or column, a value of the wrong
// type or out of range, or a world that does not hold together is refused with one line naming the
// file and the problem. Needs SQLite only, no scene graph.
class SavedWorldReader {
public:
    static bool read(const std::string& path, WorldRecord& out, std::string& error);

private:
    static bool load(const std::string& path, WorldRecord& world, std::string& problem);
    static bool checkFile(SqliteDatabase& db, std::string& problem);
    static bool checkVersion(SqliteDatabase& db, int& version, std::string& problem);
    static bool checkTables(SqliteDatabase& db, int version, std::string& problem);
    static bool readWorld(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    static bool readTiles(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    static bool readAnimals(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    static bool readPlants(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    static bool readMarkers(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    // Each organism's parent, birth tick and genotype, and the genotype table.
    static bool readLineage(SqliteDatabase& db, WorldRecord& world, std::string& problem);
    static bool readRules(SqliteDatabase& db, int version, WorldRecord& world, std::string& problem);
    static bool readRescue(SqliteDatabase& db, int version, WorldRecord& world, std::string& problem);
    static bool readMeasures(SqliteDatabase& db, WorldRecord& world, std::string& problem);
};
