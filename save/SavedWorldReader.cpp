#include "save/SavedWorldReader.h"

#include "common/RuleCombination.h"
#include "common/RuleTable.h"
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

// The ticks a new marker of each kind is given, in the order of the kind names.
constexpr int MARKER_LIFETIMES[] = {16, 16, 1, 16, 1};

// The cells of one row, taken in column order, each checked for its type and range. The first
// bad cell is the problem; later ones read as zero.
class Cells {
public:
    Cells(const SqliteStatement& row, const Schema::Table& table, std::string& problem)
        : row(row), table(table), problem(problem) {}

    // Names the row in messages: "animal 17", "tile 2,3".
    void setLabel(const std::string& text) { label = text; }
    bool ok() const { return problem.empty(); }

    long long whole(long long low = INT_MIN, long long high = INT_MAX) {
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
    int trait(int low = 1, int high = 100) { return static_cast<int>(whole(low, high)); }
    bool flag() { return whole(0, 1) == 1; }
    // A whole number, or null for none.
    int wholeOrNull(int none) {
        if (ok() && row.typeOf(next) == Type::null) {
            ++next;
            return none;
        }
        return static_cast<int>(whole());
    }
    double number() {
        const int column = next++;
        if (!ok())
            return 0.0;
        const Type type = row.typeOf(column);
        if (type != Type::real && type != Type::integer)
            return fail(column, "is not a number");
        const double value = row.real(column);
        if (!std::isfinite(value))
            return fail(column, "is not finite");
        return value;
    }
    float single() {
        const double value = number();
        if (ok() && std::fabs(value) > 3.0e38)
            return static_cast<float>(fail(next - 1, "is too large"));
        return static_cast<float>(value);
    }
    osg::Vec3d point() {
        const double x = number();
        const double y = number();
        return osg::Vec3d(x, y, number());
    }
    std::string text() {
        const int column = next++;
        if (!ok())
            return "";
        if (row.typeOf(column) != Type::text) {
            fail(column, "is not text");
            return "";
        }
        return row.text(column);
    }
    // A state by name, of those the organism may be in.
    int state(const std::set<int>& allowed) {
        const std::string name = text();
        const int value = Schema::stateValue(name);
        if (ok() && allowed.count(value) == 0)
            fail(next - 1, "\"" + name + "\" is not a state it can be in");
        return value;
    }

private:
    long long fail(int column, const std::string& what) {
        problem = label + ": " + table.columns[static_cast<size_t>(column)].name + " " + what;
        return 0;
    }

    const SqliteStatement& row;
    const Schema::Table& table;
    std::string& problem;
    std::string label;
    int next = 0;
};

// Reads every row of a table; the visit returns false to stop at a problem.
template <typename Visit>
bool eachRow(SqliteDatabase& db, const Schema::Table& table, std::string& problem, Visit visit) {
    SqliteStatement select(db.handle(), Schema::selectSql(table));
    while (select.step()) {
        Cells cells(select, table, problem);
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

LifeRecord readLife(Cells& cells, int id, const std::set<int>& states) {
    LifeRecord life;
    life.id = id;
    life.tileColumn = static_cast<int>(cells.whole(0, INT_MAX));
    life.tileRow = static_cast<int>(cells.whole(0, INT_MAX));
    life.place = static_cast<int>(cells.whole(0, INT_MAX));
    life.state = cells.state(states);
    life.energy = cells.single();
    return life;
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
    const bool read = eachRow(db, Schema::WORLD, problem, [&](Cells& cells) {
        cells.setLabel("world");
        ++rows;
        cells.whole();
        cells.text();
        world.size = static_cast<int>(cells.whole());
        world.tickNumber = static_cast<long>(cells.whole(0, INT_MAX));
        world.lastId = static_cast<int>(cells.whole(0, INT_MAX));
        world.paused = cells.flag();
        world.selectedId = static_cast<int>(cells.whole(-1, INT_MAX));
        const std::string mode = cells.text();
        world.seedFixed = mode == "fixed";
        world.seed = static_cast<unsigned>(cells.whole(0, UINT_MAX));
        if (cells.ok() && mode != "fixed" && mode != "clock")
            problem = "world: seed_mode \"" + mode + "\" is neither fixed nor clock";
    });
    if (read && rows != 1)
        problem = "the table world holds " + std::to_string(rows) + " rows instead of one";
    return read && rows == 1;
}

bool SavedWorldReader::readTiles(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    return eachRow(db, Schema::TILES, problem, [&](Cells& cells) {
        TileRecord tile;
        cells.setLabel("a tile");
        tile.column = static_cast<int>(cells.whole());
        tile.row = static_cast<int>(cells.whole());
        cells.setLabel("tile " + std::to_string(tile.column) + "," + std::to_string(tile.row));
        tile.fertilized = cells.flag();
        tile.plantMass = cells.single();
        const float red = cells.single();
        const float green = cells.single();
        tile.shade.set(red, green, cells.single(), 1.0f);
        world.tiles.push_back(tile);
    });
}

bool SavedWorldReader::readAnimals(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    static const std::set<int> states = {STATE_DEAD, STATE_CHASE, STATE_FLEE, STATE_IDLE};
    return eachRow(db, Schema::ANIMALS, problem, [&](Cells& cells) {
        AnimalRecord a;
        cells.setLabel("an animal");
        const int id = static_cast<int>(cells.whole(0, INT_MAX));
        cells.setLabel("animal " + std::to_string(id));
        const std::string kind = cells.text();
        a.kind = Schema::kindValue(kind);
        if (cells.ok() && a.kind < 0)
            problem =
                "animal " + std::to_string(id) + ": kind \"" + kind + "\" is neither herbivore nor carnivore";
        const int generation = static_cast<int>(cells.whole(0, INT_MAX));
        a.life = readLife(cells, id, states);
        a.life.generation = generation;
        a.life.adrenalineLevel = cells.single();
        a.life.position = cells.point();
        a.life.heading = cells.single();
        a.speed = cells.trait();
        a.adrenaline = cells.trait();
        a.life.spawnEfficiency = cells.trait();
        a.life.size = cells.trait();
        a.preySize = cells.trait();
        a.targetId = cells.wholeOrNull(AnimalRecord::NO_TARGET);
        a.walking = cells.flag();
        a.running = cells.flag();
        a.exhausted = cells.flag();
        a.deathCountdown = static_cast<int>(cells.whole(0, world.rules.animalDeathTicks));
        world.animals.push_back(a);
    });
}

bool SavedWorldReader::readPlants(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    static const std::set<int> states = {STATE_DEAD, STATE_IDLE, STATE_WITHERING, STATE_FORCED_GROWTH};
    return eachRow(db, Schema::PLANTS, problem, [&](Cells& cells) {
        PlantRecord p;
        cells.setLabel("a plant");
        const int id = static_cast<int>(cells.whole(0, INT_MAX));
        cells.setLabel("plant " + std::to_string(id));
        const int generation = static_cast<int>(cells.whole(0, INT_MAX));
        p.life = readLife(cells, id, states);
        p.life.generation = generation;
        p.grownSize = cells.single();
        p.life.position = cells.point();
        p.life.heading = cells.single();
        p.offspring = cells.trait();
        p.spawnRadius = cells.trait();
        p.life.spawnEfficiency = cells.trait();
        // Plants are never smaller than the rules allow.
        p.life.size = cells.trait(world.rules.plantMinSize, 100);
        p.segments = cells.trait(1, std::max(p.life.size / world.rules.plantSegmentSize, 1));
        const bool dead = p.life.state == STATE_DEAD;
        p.countdown = static_cast<int>(
            cells.whole(0, dead ? world.rules.plantDeathTicks : world.rules.plantWitherTicks));
        const int seedsPerBatch = p.offspring / world.rules.plantSeedsPer + 1;
        p.seedsReleased = cells.trait(0, seedsPerBatch - 1);
        p.ripeSeeds = cells.trait(0, seedsPerBatch);
        p.seedRingBuilt = cells.flag();
        p.withered = cells.flag();
        p.bloomHeight = cells.single();
        if (cells.ok() && !(p.grownSize > 0.0f && p.grownSize <= p.life.size))
            problem = "plant " + std::to_string(id) + ": grown_size " + std::to_string(p.grownSize) +
                      " is out of range (above 0, at most its size)";
        else if (cells.ok() && p.life.energy > p.grownSize)
            problem = "plant " + std::to_string(id) + ": energy " + std::to_string(p.life.energy) +
                      " is above its grown_size " + std::to_string(p.grownSize) + ", its energy ceiling";
        world.plants.push_back(p);
    });
}

bool SavedWorldReader::readMarkers(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    const std::vector<std::string>& kinds = Schema::markerKindNames();
    return eachRow(db, Schema::MARKERS, problem, [&](Cells& cells) {
        MarkerRecord m;
        cells.setLabel("a marker");
        const int place = static_cast<int>(cells.whole());
        cells.setLabel("marker " + std::to_string(place));
        const std::string kind = cells.text();
        const auto found = std::find(kinds.begin(), kinds.end(), kind);
        if (cells.ok() && found == kinds.end())
            problem = "marker " + std::to_string(place) + ": kind \"" + kind + "\" is no marker";
        m.kind = static_cast<MarkerRecord::Kind>(found - kinds.begin());
        const size_t kindIndex = static_cast<size_t>(found - kinds.begin());
        m.ticksLeft =
            static_cast<int>(cells.whole(1, kindIndex < kinds.size() ? MARKER_LIFETIMES[kindIndex] : 1));
        m.from = cells.point();
        m.to = cells.point();
        m.width = cells.single();
        const float red = cells.single();
        const float green = cells.single();
        m.colour.set(red, green, cells.single());
        m.alpha = cells.single();
        world.markers.push_back(m);
    });
}

bool SavedWorldReader::readLineage(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    std::unordered_map<int, LifeRecord*> lives;
    for (AnimalRecord& a : world.animals)
        lives[a.life.id] = &a.life;
    for (PlantRecord& p : world.plants)
        lives[p.life.id] = &p.life;
    const bool ancestry = eachRow(db, Schema::ANCESTRY, problem, [&](Cells& cells) {
        cells.setLabel("an ancestry row");
        const int id = static_cast<int>(cells.whole(0, INT_MAX));
        cells.setLabel("ancestry of " + std::to_string(id));
        const int parent = cells.wholeOrNull(LifeRecord::NO_PARENT);
        const long born = static_cast<long>(cells.whole(0, world.tickNumber));
        const int genotype = static_cast<int>(cells.whole(0, INT_MAX));
        const auto found = lives.find(id);
        if (cells.ok() && found == lives.end())
            problem = "ancestry of " + std::to_string(id) + ": no organism has that id";
        if (!cells.ok())
            return;
        found->second->parentId = parent;
        found->second->birthTick = born;
        found->second->genotypeId = genotype;
    });
    const bool genotypes =
        ancestry && eachRow(db, Schema::GENOTYPES, problem, [&](Cells& cells) {
            Genotype g;
            cells.setLabel("a genotype");
            g.id = static_cast<int>(cells.whole(0, INT_MAX));
            cells.setLabel("genotype " + std::to_string(g.id));
            g.parent = cells.wholeOrNull(Genotype::NONE);
            const std::string kind = cells.text();
            const int kindValue = Schema::genomeKindValue(kind);
            if (cells.ok() && kindValue < 0)
                problem = "genotype " + std::to_string(g.id) + ": kind \"" + kind + "\" is no kind";
            g.genome.kind = static_cast<std::uint8_t>(kindValue);
            for (int trait = 0; trait < Genome::TRAITS; ++trait)
                g.genome.traits[static_cast<size_t>(trait)] =
                    static_cast<std::uint8_t>(cells.trait(trait < g.genome.traitCount() ? 1 : 0, 100));
            g.depth = static_cast<int>(cells.whole(0, INT_MAX));
            g.origin = static_cast<long>(cells.whole(0, world.tickNumber));
            g.destruction = cells.wholeOrNull(Genotype::NONE);
            g.total = static_cast<long>(cells.whole(1, LLONG_MAX));
            g.peak = static_cast<int>(cells.whole(1, INT_MAX));
            g.living = static_cast<int>(cells.whole(0, INT_MAX));
            world.genotypes.push_back(g);
        });
    int rows = 0;
    const bool lineage = genotypes && eachRow(db, Schema::LINEAGE, problem, [&](Cells& cells) {
                             cells.setLabel("lineage");
                             ++rows;
                             world.nextGenotypeId = static_cast<int>(cells.whole(0, INT_MAX));
                         });
    if (lineage && rows != 1)
        problem = "the table lineage holds " + std::to_string(rows) + " rows instead of one";
    world.hasLineage = lineage && rows == 1;
    return world.hasLineage;
}

bool SavedWorldReader::readRules(SqliteDatabase& db, int version, WorldRecord& world, std::string& problem) {
    world.rules = Rules();
    if (version < Schema::LINEAGE_VERSION)
        return true;
    const bool read = eachRow(db, Schema::RULES, problem, [&](Cells& cells) {
        cells.setLabel("a rule");
        const std::string name = cells.text();
        const RuleTable::Field* field = RuleTable::find(name);
        cells.setLabel("rule " + name);
        const double value = cells.number();
        if (!cells.ok())
            return;
        if (!field) {
            problem = "rules: unknown rule \"" + name + "\"";
            return;
        }
        const std::string reason = RuleTable::check(*field, value);
        if (!reason.empty())
            problem = "rule " + name + ": " + reason;
        else
            RuleTable::set(world.rules, *field, value);
    });
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
    return eachRow(db, Schema::RESCUE, problem, [&](Cells& cells) {
        cells.setLabel("rescue");
        const std::string kind = cells.text();
        const auto found = std::find(kinds.begin(), kinds.end(), kind);
        const int keep = static_cast<int>(cells.whole(0, 100000));
        const long inserted = static_cast<long>(cells.whole(0, LLONG_MAX));
        if (!cells.ok())
            return;
        if (found == kinds.end()) {
            problem = "rescue: \"" + kind + "\" is no kind";
            return;
        }
        world.keep[found - kinds.begin()] = keep;
        world.inserted[found - kinds.begin()] = inserted;
    });
}

bool SavedWorldReader::readMeasures(SqliteDatabase& db, WorldRecord& world, std::string& problem) {
    SqliteStatement table(db.handle(),
                          "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'measures'");
    if (!table.step())
        return true;
    int rows = 0;
    const bool read = eachRow(db, Schema::MEASURES, problem, [&](Cells& cells) {
        cells.setLabel("measures");
        world.measures = cells.text();
        ++rows;
    });
    if (read && rows > 1)
        problem = "measures: more than one row";
    return read && rows <= 1;
}
