#pragma once

#include "save/WorldRecord.h"

#include <string>

class SqliteDatabase;

// Writes a world record as one SQLite file. The file is built under a name of its own beside the
// target, flushed to disk, and then renamed over the target: whenever the process is stopped, the
// target holds either the world it held before or the whole new one. A target that exists must be a
// regular file; through a symbolic link, the file it names is replaced.
class SavedWorldWriter {
public:
    static bool write(const WorldRecord& world, const std::string& path, std::string& error);
    // Whether a world could be saved at the path now: its folder takes a new file and the path
    // is a regular file or nothing. Leaves nothing behind.
    static bool canWrite(const std::string& path, std::string& error);

private:
    // The file a save replaces: the path, or the file a link at the path names.
    static std::string target(const std::string& path);
    // A new, empty file beside the target; empty on failure, with the reason.
    static std::string createBeside(const std::string& path, std::string& error);
    static bool fill(SqliteDatabase& db, const WorldRecord& world, std::string& error);
    static bool fillWorld(SqliteDatabase& db, const WorldRecord& world);
    static bool fillTiles(SqliteDatabase& db, const WorldRecord& world);
    static bool fillAnimals(SqliteDatabase& db, const WorldRecord& world);
    static bool fillPlants(SqliteDatabase& db, const WorldRecord& world);
    static bool fillMarkers(SqliteDatabase& db, const WorldRecord& world);
    static bool fillLineage(SqliteDatabase& db, const WorldRecord& world);
    static bool fillRules(SqliteDatabase& db, const WorldRecord& world);
    static bool fillRescue(SqliteDatabase& db, const WorldRecord& world);
    static bool fillMeasures(SqliteDatabase& db, const WorldRecord& world);
    static bool flush(const std::string& file, std::string& error);
    // Removes what saving processes killed part-way left beside the target: the files of
    // processes that are gone, never those of a save still running.
    static void removeLeftovers(const std::string& path);
};
