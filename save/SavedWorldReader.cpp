#include "save/SavedWorldReader.h"

#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "save/LifeFields.h"
#include "save/SavedCells.h"
#include "save/SavedWorldCheck.h"
#include "save/SavedWorldSchema.h"
#include "save/SqliteDatabase.h"
#include "save/SqliteStatement.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <sys/stat.h>
#include <unordered_map>

namespace {

using Schema = SavedWorldSchema;
using Type = SqliteStatement::Type;

// Reads every row of a table; the visit returns false to stop at a problem.
template <typename Visit>
bool eachRow(SqliteDatabase& db, const Schema::Table& table, std::string& problem, Visit visit,
             const std::string& unnamed = "", const std::string& noun = "") {
    SqliteStatement select(db.handle(), Schema::selectSql(table));
    while (select.step()) {
        SavedCells cells(select, table, unnamed, noun, problem);
        visit(cells);
        if (!problem.empty())
            return false;
    }
    if (select.failed()) {
        problem = std::string("cannot read the table ") + table.name + ": " + db.lastError();
        return false;
    }
    return true;
}

} // namespace

bool SavedWorldReader::read(const std::string& path, WorldRecord& out, std::string& error) {
    WorldRecord world;
    std::string problem;
    if (!load(path, world, problem) || !SavedWorldCheck::check(world, problem)) {
        // Text quoted from the file may hold anything: the line stays one printable line.
        for (char& c : problem)
            if (static_cast<unsigned char>(c) < 32 || c == 127)
                c = '?';
        error = path + ": " + problem.substr(0, 300);
        return false;
    }
    out = std::move(world);
    return true;
}

bool SavedWorldReader::load(const std::string& path, WorldRecord& world, std::string& problem) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        problem = "cannot open: no such file";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = "cannot open: not a file";
        return false;
    }
    SqliteDatabase db;
    std::string reason;
    if (!db.open(path, false, reason)) {
        problem = "cannot open: " + reason;
        return false;
    }
    int version = 0;
    const bool read = checkFile(db, problem) && checkVersion(db, version, problem) &&
                      checkTables(db, version, problem) && readWorld(db, world, problem) &&
                      readRules(db, version, world, problem) && readRescue(db, version, world, problem) &&
                      readTiles(db, world, problem) && readAnimals(db, world, problem) &&
                      readPlants(db, world, problem) && readMarkers(db, world, problem) &&
                      (version < Schema::LINEAGE_VERSION || readLineage(db, world, problem)) &&
                      readMeasures(db, world, problem);
    world.genotypesCountTheDying = version < Schema::LIVING_WITHOUT_DYING_VERSION;
    return read;
}

bool SavedWorldReader::checkFile(SqliteDatabase& db, std::string& problem) {
    // Every page is read once: a file cut short or damaged shows here, before anything is taken from it.
    SqliteStatement check(db.handle(), "PRAGMA quick_check");
    const bool answered = check.isReady() && check.step();
    if (answered && check.typeOf(0) == Type::text && check.text(0) == "ok")
        return true;
    std::string reason = answered ? check.text(0) : db.lastError();
    // SQLite's report may run over several lines: keep the first that says something.
    const size_t header = reason.find("***\n");
    if (header != std::string::npos)
        reason.erase(0, header + 4);
    reason = reason.substr(0, std::min(reason.find('\n'), size_t(160)));
    if (reason.find("not a database") != std::string::npos)
        problem = "not a saved world: the file is not an SQLite database";
    else if (reason.find("locked") != std::string::npos)
        problem = "the file is locked by another program (" + reason + "): try again once it is done";
    else
        problem = "the file is damaged or cut short (" + reason + ")";
    return false;
}

bool SavedWorldReader::checkVersion(SqliteDatabase& db, int& read, std::string& problem) {
    SqliteStatement table(db.handle(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'world'");
    if (!table.step()) {
        problem = "not a saved world: it has no table world";
        return false;
    }
    SqliteStatement version(db.handle(), "SELECT schema_version FROM world");
    if (!version.isReady()) {
        problem = "not a saved world: the table world has no schema_version";
        return false;
    }
    if (!version.step() || version.typeOf(0) != Type::integer) {
        problem = "not a saved world: the table world holds no schema version";
        return false;
    }
    if (version.integer(0) < Schema::OLDEST_VERSION || version.integer(0) > Schema::VERSION) {
        problem = "schema version " + std::to_string(version.integer(0)) +
                  ", but this Sylvara reads versions " + std::to_string(Schema::OLDEST_VERSION) + " to " +
                  std::to_string(Schema::VERSION);
        return false;
    }
    read = static_cast<int>(version.integer(0));
    return true;
}

bool SavedWorldReader::checkTables(SqliteDatabase& db, int version, std::string& problem) {
    for (const Schema::Table* table : Schema::tables(version)) {
        SqliteStatement kind(db.handle(), std::string("SELECT type FROM sqlite_master WHERE name = '") +
                                              table->name + "'");
        if (!kind.step() || kind.text(0) != "table") {
            problem = std::string("the table ") + table->name + " is missing";
            return false;
        }
        SqliteStatement info(db.handle(), std::string("PRAGMA table_info(") + table->name + ")");
        std::set<std::string> present;
        while (info.step())
            present.insert(info.text(1));
        for (const Schema::Column& column : table->columns) {
            if (present.count(column.name) == 0) {
                problem = std::string("the table ") + table->name + " lacks the column " + column.name;
                return false;
            }
        }
    }
    return true;
}

bool SavedWorldReader::readWorld(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    int rows = 0;
    const bool read = eachRow(
        db, Schema::WORLD, problem,
        [&](SavedCells& cells) {
            ++rows;
            WorldRecord& r = world;
            SYLVARA_WORLD_FIELDS(SYLVARA_READ_FIXED, SYLVARA_READ_OWN)
        },
        "world");
    if (read && rows != 1)
        problem = "the table world holds " + std::to_string(rows) + " rows instead of one";
    return read && rows == 1;
}

bool SavedWorldReader::readTiles(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    return eachRow(
        db, Schema::TILES, problem,
        [&](SavedCells& cells) {
            TileRecord r;
            SYLVARA_TILE_FIELDS(SYLVARA_READ_OWN)
            world.tiles.push_back(r);
        },
        "a tile", "tile");
}

bool SavedWorldReader::readAnimals(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    [[maybe_unused]] const Rules& rules = world.rules;
    return eachRow(
        db, Schema::ANIMALS, problem,
        [&](SavedCells& cells) {
            AnimalRecord r;
            SYLVARA_ANIMAL_FIELDS(SYLVARA_READ_LIFE, SYLVARA_READ_OWN, SYLVARA_READ_OWN)
            world.animals.push_back(r);
        },
        "an animal", "animal");
}

bool SavedWorldReader::readPlants(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    [[maybe_unused]] const Rules& rules = world.rules;
    return eachRow(
        db, Schema::PLANTS, problem,
        [&](SavedCells& cells) {
            PlantRecord r;
            SYLVARA_PLANT_FIELDS(SYLVARA_READ_LIFE, SYLVARA_READ_OWN)
            const std::string name = "plant " + std::to_string(r.life.id);
            if (cells.ok() && !(r.grownSize > 0.0f && r.grownSize <= r.life.size))
                problem = name + ": grown_size " + std::to_string(r.grownSize) +
                          " is out of range (above 0, at most its size)";
            else if (cells.ok() && r.life.energy > r.grownSize)
                problem = name + ": energy " + std::to_string(r.life.energy) + " is above its grown_size " +
                          std::to_string(r.grownSize) + ", its energy ceiling";
            world.plants.push_back(r);
        },
        "a plant", "plant");
}

bool SavedWorldReader::readMarkers(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    return eachRow(
        db, Schema::MARKERS, problem,
        [&](SavedCells& cells) {
            MarkerRecord r;
            SavedFieldCodec::Key::read(cells);
            SYLVARA_MARKER_FIELDS(SYLVARA_READ_OWN)
            world.markers.push_back(r);
        },
        "a marker", "marker");
}

bool SavedWorldReader::readLineage(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    std::unordered_map<int, LifeRecord*> lives;
    for (AnimalRecord& a : world.animals)
        lives[a.life.id] = &a.life;
    for (PlantRecord& p : world.plants)
        lives[p.life.id] = &p.life;
    [[maybe_unused]] const long tick = world.tickNumber;
    const bool ancestry = eachRow(
        db, Schema::ANCESTRY, problem,
        [&](SavedCells& cells) {
            LifeRecord r;
            SYLVARA_ANCESTRY_FIELDS(SYLVARA_READ_LIFE)
            const auto found = lives.find(r.id);
            if (cells.ok() && found == lives.end())
                problem = "ancestry of " + std::to_string(r.id) + ": no organism has that id";
            if (!cells.ok())
                return;
            LifeRecord& life = *found->second;
#define SYLVARA_COPY_LIFE(member, ...) life.member = r.member;
            SYLVARA_ANCESTRY_FIELDS(SYLVARA_COPY_LIFE)
#undef SYLVARA_COPY_LIFE
        },
        "an ancestry row", "ancestry of");
    const bool genotypes = ancestry && eachRow(
                                           db, Schema::GENOTYPES, problem,
                                           [&](SavedCells& cells) {
                                               Genotype r;
                                               SYLVARA_GENOTYPE_FIELDS(SYLVARA_READ_OWN)
                                               world.genotypes.push_back(r);
                                           },
                                           "a genotype", "genotype");
    int rows = 0;
    const bool lineage = genotypes && eachRow(
                                          db, Schema::LINEAGE, problem,
                                          [&](SavedCells& cells) {
                                              ++rows;
                                              WorldRecord& r = world;
                                              SYLVARA_LINEAGE_FIELDS(SYLVARA_READ_OWN)
                                          },
                                          "lineage");
    if (lineage && rows != 1)
        problem = "the table lineage holds " + std::to_string(rows) + " rows instead of one";
    world.hasLineage = lineage && rows == 1;
    return world.hasLineage;
}

bool SavedWorldReader::readRules(SqliteDatabase& db, int version, WorldRecord& world, std::string& problem) {
    world.rules = Rules();
    if (version < Schema::LINEAGE_VERSION)
        return true;
    const bool read = eachRow(
        db, Schema::RULES, problem,
        [&](SavedCells& cells) {
            RuleRecord r;
            SYLVARA_RULE_FIELDS(SYLVARA_READ_OWN)
            if (!cells.ok())
                return;
            const RuleTable::Field* field = RuleTable::find(r.name);
            if (!field) {
                problem = "rules: unknown rule \"" + r.name + "\"";
                return;
            }
            const std::string reason = RuleTable::check(*field, r.value);
            if (!reason.empty())
                problem = "rule " + r.name + ": " + reason;
            else
                RuleTable::set(world.rules, *field, r.value);
        },
        "a rule", "rule");
    // Only an edited file holds rules that cannot run together: the tools refuse to make them.
    if (!read)
        return false;
    const std::string clash = RuleCombination::check(world.rules);
    if (!clash.empty())
        problem = "rules: " + clash;
    return clash.empty();
}

bool SavedWorldReader::readRescue(SqliteDatabase& db, int version, WorldRecord& world, std::string& problem) {
    if (version < Schema::LINEAGE_VERSION)
        return true;
    const std::vector<std::string>& kinds = Schema::rescueKindNames();
    return eachRow(
        db, Schema::RESCUE, problem,
        [&](SavedCells& cells) {
            RescueRecord r;
            SYLVARA_RESCUE_FIELDS(SYLVARA_READ_OWN)
            if (!cells.ok())
                return;
            const auto found = std::find(kinds.begin(), kinds.end(), r.kind);
            if (found == kinds.end()) {
                problem = "rescue: \"" + r.kind + "\" is no kind";
                return;
            }
            world.keep[found - kinds.begin()] = r.keep;
            world.inserted[found - kinds.begin()] = r.inserted;
        },
        "rescue");
}

bool SavedWorldReader::readMeasures(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    SqliteStatement table(db.handle(),
                          "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'measures'");
    if (!table.step())
        return true;
    int rows = 0;
    const bool read = eachRow(
        db, Schema::MEASURES, problem,
        [&](SavedCells& cells) {
            ++rows;
            WorldRecord& r = world;
            SYLVARA_MEASURES_FIELDS(SYLVARA_READ_OWN)
        },
        "measures");
    if (read && rows > 1)
        problem = "measures: more than one row";
    return read && rows <= 1;
}
