#include "save/SavedWorldWriter.h"

#include "common/OutputFiles.h"
#include "common/RuleTable.h"
#include "save/LifeFields.h"
#include "save/SavedRow.h"
#include "save/SavedWorldSchema.h"
#include "save/SqliteDatabase.h"
#include "save/SqliteStatement.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#ifndef SYLVARA_VERSION
#define SYLVARA_VERSION "unknown"
#endif

namespace {

using Schema = SavedWorldSchema;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool SavedWorldWriter::write(const WorldRecord& world, const std::string& given, std::string& error) {
    std::string reason;
    if (!OutputFiles::regularOrAbsent(given, reason)) {
        error = "cannot save " + given + ": " + reason;
        return false;
    }
    // Through a link, the file it names is replaced and the link stays.
    const std::string path = target(given);
    const std::string temporary = createBeside(path, reason);
    if (temporary.empty()) {
        error = "cannot save " + path + ": " + reason;
        return false;
    }
    bool done = false;
    {
        SqliteDatabase db;
        done = db.open(temporary, true, reason) && fill(db, world, reason) && db.close(reason);
    }
    done = done && flush(temporary, reason);
    if (done && std::rename(temporary.c_str(), path.c_str()) != 0) {
        reason = std::strerror(errno);
        done = false;
    }
    if (!done) {
        std::remove(temporary.c_str());
        error = "cannot save " + path + ": " + reason;
        return false;
    }
    // The rename itself reaches the disk with the folder.
    flush(folderOf(path), reason);
    removeLeftovers(path);
    return true;
}

void SavedWorldWriter::removeLeftovers(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = std::filesystem::path(path).filename().string() + ".saving-";
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        // FILE.saving-PID-N, of another process that no longer runs.
        if (end == name.c_str() + prefix.size() || *end != '-' || pid <= 0 || pid == getpid() ||
            kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::filesystem::remove(entry.path(), failed);
    }
}

std::string SavedWorldWriter::target(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) ? OutputFiles::resolved(path) : path;
}

bool SavedWorldWriter::canWrite(const std::string& path, std::string& error) {
    if (!OutputFiles::regularOrAbsent(path, error))
        return false;
    const std::string probe = createBeside(target(path), error);
    if (probe.empty())
        return false;
    std::remove(probe.c_str());
    return true;
}

std::string SavedWorldWriter::createBeside(const std::string& path, std::string& error) {
    static std::atomic<unsigned> made{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            path + ".saving-" + std::to_string(getpid()) + "-" + std::to_string(made.fetch_add(1));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    error = std::strerror(errno);
    return "";
}

bool SavedWorldWriter::flush(const std::string& file, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (!flushed)
        error = std::strerror(errno);
    if (fd >= 0)
        ::close(fd);
    return flushed;
}

bool SavedWorldWriter::fill(SqliteDatabase& db, const WorldRecord& world, std::string& error) {
    // The file is private until renamed: no journal and no syncs of SQLite's own are needed.
    std::string schema =
        "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA locking_mode = EXCLUSIVE;"
        "PRAGMA cache_size = -65536; BEGIN;\n";
    for (const Schema::Table* table : Schema::tables())
        schema += Schema::createSql(*table);
    if (!db.run(schema, error))
        return false;
    const bool filled = fillWorld(db, world) && fillTiles(db, world) && fillAnimals(db, world) &&
                        fillPlants(db, world) && fillMarkers(db, world) && fillLineage(db, world) &&
                        fillRules(db, world) && fillRescue(db, world) && fillMeasures(db, world);
    if (!filled) {
        error = db.lastError();
        return false;
    }
    return db.run("COMMIT;", error);
}

bool SavedWorldWriter::fillWorld(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::WORLD));
    SavedRow row(insert);
    const WorldRecord& r = world;
    SYLVARA_WORLD_FIELDS(SYLVARA_WRITE_FIXED, SYLVARA_WRITE_OWN)
    return row.store();
}

bool SavedWorldWriter::fillTiles(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::TILES));
    for (const TileRecord& r : world.tiles) {
        SavedRow row(insert);
        SYLVARA_TILE_FIELDS(SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillAnimals(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::ANIMALS));
    for (const AnimalRecord& r : world.animals) {
        SavedRow row(insert);
        SYLVARA_ANIMAL_FIELDS(SYLVARA_WRITE_LIFE, SYLVARA_WRITE_OWN, SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillPlants(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::PLANTS));
    for (const PlantRecord& r : world.plants) {
        SavedRow row(insert);
        SYLVARA_PLANT_FIELDS(SYLVARA_WRITE_LIFE, SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillMarkers(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::MARKERS));
    int place = 0;
    for (const MarkerRecord& r : world.markers) {
        SavedRow row(insert);
        row << place++;
        SYLVARA_MARKER_FIELDS(SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillLineage(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement ancestry(db.handle(), Schema::insertSql(Schema::ANCESTRY));
    const auto addAncestry = [&ancestry](const LifeRecord& r) {
        SavedRow row(ancestry);
        SYLVARA_ANCESTRY_FIELDS(SYLVARA_WRITE_LIFE)
        return row.store();
    };
    for (const AnimalRecord& a : world.animals)
        if (!addAncestry(a.life))
            return false;
    for (const PlantRecord& p : world.plants)
        if (!addAncestry(p.life))
            return false;
    SqliteStatement genotypes(db.handle(), Schema::insertSql(Schema::GENOTYPES));
    for (const Genotype& r : world.genotypes) {
        SavedRow row(genotypes);
        SYLVARA_GENOTYPE_FIELDS(SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    SqliteStatement lineage(db.handle(), Schema::insertSql(Schema::LINEAGE));
    SavedRow row(lineage);
    const WorldRecord& r = world;
    SYLVARA_LINEAGE_FIELDS(SYLVARA_WRITE_OWN)
    return row.store();
}

bool SavedWorldWriter::fillRules(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::RULES));
    for (const RuleTable::Field& field : RuleTable::fields()) {
        const RuleRecord r{field.name, RuleTable::get(world.rules, field)};
        SavedRow row(insert);
        SYLVARA_RULE_FIELDS(SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillRescue(SqliteDatabase& db, const WorldRecord& world) {
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::RESCUE));
    for (size_t kind = 0; kind < world.keep.size(); ++kind) {
        const RescueRecord r{Schema::rescueKindNames()[kind], world.keep[kind], world.inserted[kind]};
        SavedRow row(insert);
        SYLVARA_RESCUE_FIELDS(SYLVARA_WRITE_OWN)
        if (!row.store())
            return false;
    }
    return true;
}

bool SavedWorldWriter::fillMeasures(SqliteDatabase& db, const WorldRecord& world) {
    if (world.measures.empty())
        return true;
    std::string error;
    if (!db.run(Schema::createSql(Schema::MEASURES), error))
        return false;
    SqliteStatement insert(db.handle(), Schema::insertSql(Schema::MEASURES));
    SavedRow row(insert);
    const WorldRecord& r = world;
    SYLVARA_MEASURES_FIELDS(SYLVARA_WRITE_OWN)
    return row.store();
}
