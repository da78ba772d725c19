// The saved fields' lists: whatever a list holds is written, read back and checked, column by column,
// and files of the earlier schemas still load field by field.
#include "ScratchFolder.h"

#include "common/RuleTable.h"
#include "save/SavedWorldReader.h"
#include "save/SavedWorldSchema.h"
#include "save/SavedWorldWriter.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <set>
#include <type_traits>

namespace {

// A world of one tile whose every saved field holds a value of its own, none its record's initial one:
// a carnivore chasing a fleeing herbivore, a withering plant and one marker of each kind.
WorldRecord everyFieldSet() {
    WorldRecord w;
    w.size = 2;
    w.tickNumber = 90;
    w.lastId = 40;
    w.paused = true;
    w.selectedId = 31;
    w.seedFixed = true;
    w.seed = 77;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
            TileRecord tile;
            tile.column = column;
            tile.row = row;
            w.tiles.push_back(tile);
        }
    TileRecord& tile = w.tiles.back();
    tile.fertilized = true;
    tile.plantMass = 2.5f;
    tile.shade.set(0.25f, 0.5f, 0.75f, 1.0f);

    AnimalRecord hunter;
    LifeRecord& h = hunter.life;
    h.id = 31;
    h.generation = 4;
    h.parentId = 12;
    h.birthTick = 33;
    h.genotypeId = 1;
    h.state = STATE_CHASE;
    h.size = 61;
    h.spawnEfficiency = 17;
    h.energy = 20.25f;
    h.adrenalineLevel = 3.5f;
    h.position.set(190.5, 210.25, 1.75);
    h.heading = 2.125f;
    h.tileColumn = 1;
    h.tileRow = 1;
    h.place = 1;
    hunter.kind = KIND_CARNIVORE;
    hunter.speed = 23;
    hunter.adrenaline = 45;
    hunter.preySize = 56;
    hunter.targetId = 32;
    hunter.walking = true;
    hunter.running = true;
    hunter.exhausted = true;
    hunter.deathCountdown = 7;
    AnimalRecord prey = hunter;
    prey.life.id = 32;
    prey.life.parentId = LifeRecord::NO_PARENT;
    prey.life.genotypeId = 0;
    prey.life.state = STATE_FLEE;
    prey.life.place = 0;
    prey.kind = KIND_HERBIVORE;
    prey.targetId = 31;
    prey.exhausted = false;
    prey.deathCountdown = 0;
    w.animals = {hunter, prey};

    PlantRecord plant;
    LifeRecord& p = plant.life;
    p.id = 35;
    p.generation = 2;
    p.parentId = 30;
    p.birthTick = 80;
    p.genotypeId = 2;
    p.state = STATE_WITHERING;
    p.size = 40;
    p.spawnEfficiency = 9;
    p.energy = 5.5f;
    p.adrenalineLevel = 0.0f;
    p.position.set(250.5, 170.5, 0.25);
    p.heading = 0.5f;
    p.tileColumn = 1;
    p.tileRow = 1;
    p.place = 0;
    plant.grownSize = 12.5f;
    plant.offspring = 30;
    plant.spawnRadius = 6;
    plant.segments = 2;
    plant.countdown = 9;
    plant.seedsReleased = 1;
    plant.ripeSeeds = 2;
    plant.seedRingBuilt = true;
    plant.withered = true;
    plant.bloomHeight = 0.625f;
    w.plants.push_back(plant);

    for (MarkerRecord::Kind kind :
         {MarkerRecord::Kind::lifePing, MarkerRecord::Kind::deathPing, MarkerRecord::Kind::arrow,
          MarkerRecord::Kind::rect, MarkerRecord::Kind::beam}) {
        MarkerRecord m;
        m.kind = kind;
        m.ticksLeft = MarkerRecord::lifetime(kind);
        m.from.set(1.5, 2.5, 3.5);
        m.to.set(4.5, 5.5, 6.5);
        m.width = 7.5f;
        m.colour.set(0.125f, 0.25f, 0.375f);
        m.alpha = 0.5f;
        w.markers.push_back(m);
    }

    w.hasLineage = true;
    for (int id = 0; id < 3; ++id) {
        Genotype g;
        g.id = id;
        g.parent = id == 0 ? Genotype::NONE : 0;
        g.depth = id == 0 ? 0 : 1;
        g.origin = 10 * id;
        g.genome = id == 2 ? Genome::plant(30, 6, 9, 40) : Genome::animal(id + 1, 23, 45, 17, 61, 56);
        g.total = 3;
        g.peak = 2;
        g.living = 1;
        w.genotypes.push_back(g);
    }
    // One genotype has ended: its line left no member.
    Genotype ended = w.genotypes[1];
    ended.id = 3;
    ended.parent = 1;
    ended.depth = 2;
    ended.origin = 50;
    ended.destruction = 85;
    ended.genome = Genome::animal(KIND_CARNIVORE, 90, 2, 3, 4, 99);
    ended.total = 4;
    ended.peak = 3;
    ended.living = 0;
    w.genotypes.push_back(ended);
    w.nextGenotypeId = 7;
    RuleTable::set(w.rules, *RuleTable::find("animal.moveCost"), 0.0625);
    w.keep = {3, 0, 5};
    w.inserted = {12, 0, 4000000000L};
    w.measures = "evolution 1\nstart 2 0.5";
    return w;
}

// The loader lists a tile's organisms by their places: find one by its id.
const AnimalRecord& animalOf(const WorldRecord& world, int id) {
    for (const AnimalRecord& a : world.animals)
        if (a.life.id == id)
            return a;
    ADD_FAILURE() << "no animal " << id;
    return world.animals.front();
}

WorldRecord writtenAndRead(const WorldRecord& world, const ScratchFolder& scratch) {
    const std::string file = scratch.file("fields.sylvara");
    std::string error;
    EXPECT_TRUE(SavedWorldWriter::write(world, file, error)) << error;
    WorldRecord back;
    EXPECT_TRUE(SavedWorldReader::read(file, back, error)) << error;
    return back;
}

// The cells of one table's rows, by column name, as SQLite holds them: read apart from the loader.
std::vector<std::map<std::string, std::string>> rowsOf(const std::string& file, const std::string& table) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, ("SELECT * FROM " + table + " ORDER BY rowid").c_str(), -1, &select, nullptr);
    std::vector<std::map<std::string, std::string>> rows;
    while (select && sqlite3_step(select) == SQLITE_ROW) {
        std::map<std::string, std::string> row;
        for (int c = 0; c < sqlite3_column_count(select); ++c) {
            const unsigned char* text = sqlite3_column_text(select, c);
            row[sqlite3_column_name(select, c)] = text ? reinterpret_cast<const char*>(text) : "NULL";
        }
        rows.push_back(row);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

} // namespace

// Every entry of a list is compared here through the list itself, so a field added to a list is
// covered at once: it must be given a value of its own above, and come back with it.
#define EXPECT_LIFE_KEPT(member, ...)                                                                        \
    EXPECT_NE(want.life.member, LifeRecord().member) << "no value of its own: " #member;                     \
    EXPECT_EQ(got.life.member, want.life.member) << #member;
#define EXPECT_OWN_KEPT(type, member, ...)                                                                   \
    EXPECT_NE(want.member, std::decay_t<decltype(want)>().member) << "no value of its own: " #member;        \
    EXPECT_EQ(got.member, want.member) << #member;
#define EXPECT_LIFE_SAME(member, ...) EXPECT_EQ(got.life.member, want.life.member) << #member;
#define EXPECT_ANCESTRY_KEPT(member, ...) EXPECT_EQ(got.life.member, want.life.member) << #member;
// A genome compares only for equality.
#define EXPECT_GENOTYPE_KEPT(type, member, ...)                                                              \
    EXPECT_TRUE(std::any_of(world.genotypes.begin(), world.genotypes.end(), [](const Genotype& g) {          \
        return !(g.member == Genotype().member);                                                             \
    })) << "no value of its own: " #member;                                                                  \
    for (size_t g = 0; g < world.genotypes.size(); ++g)                                                      \
        EXPECT_TRUE(back.genotypes[g].member == world.genotypes[g].member) << #member << " of " << g;

TEST(SavedFieldList, EveryFieldOfEveryListComesBackAsWritten) {
    ScratchFolder scratch("sylvara-fields");
    const WorldRecord world = everyFieldSet();
    const WorldRecord back = writtenAndRead(world, scratch);
    ASSERT_EQ(back.animals.size(), 2u);
    ASSERT_EQ(back.plants.size(), 1u);
    ASSERT_EQ(back.tiles.size(), 4u);
    ASSERT_EQ(back.markers.size(), world.markers.size());
    {
        const AnimalRecord& want = world.animals[0];
        const AnimalRecord& got = animalOf(back, want.life.id);
        SYLVARA_ANIMAL_FIELDS(EXPECT_LIFE_KEPT, EXPECT_OWN_KEPT, EXPECT_OWN_KEPT)
    }
    {
        const AnimalRecord& want = world.animals[1];
        const AnimalRecord& got = animalOf(back, want.life.id);
        SYLVARA_ANCESTRY_FIELDS(EXPECT_ANCESTRY_KEPT)
    }
    {
        const PlantRecord& want = world.plants[0];
        const PlantRecord& got = back.plants[0];
        SYLVARA_PLANT_FIELDS(EXPECT_LIFE_SAME, EXPECT_OWN_KEPT)
        SYLVARA_ANCESTRY_FIELDS(EXPECT_ANCESTRY_KEPT)
    }
    {
        const TileRecord& want = world.tiles[3];
        const TileRecord& got = back.tiles[3];
        SYLVARA_TILE_FIELDS(EXPECT_OWN_KEPT)
    }
    {
        const MarkerRecord& want = world.markers[3];
        const MarkerRecord& got = back.markers[3];
        SYLVARA_MARKER_FIELDS(EXPECT_OWN_KEPT)
    }
    for (size_t m = 0; m < world.markers.size(); ++m) {
        EXPECT_EQ(back.markers[m].kind, world.markers[m].kind) << m;
        EXPECT_EQ(back.markers[m].ticksLeft, world.markers[m].ticksLeft) << m;
    }
    {
        const WorldRecord& want = world;
        const WorldRecord& got = back;
        SYLVARA_WORLD_FIELDS(SYLVARA_RECORD_SKIP, EXPECT_OWN_KEPT)
        SYLVARA_LINEAGE_FIELDS(EXPECT_OWN_KEPT)
        SYLVARA_MEASURES_FIELDS(EXPECT_OWN_KEPT)
        EXPECT_EQ(got.keep, want.keep);
        EXPECT_EQ(got.inserted, want.inserted);
        for (const RuleTable::Field& field : RuleTable::fields())
            EXPECT_EQ(RuleTable::get(got.rules, field), RuleTable::get(want.rules, field)) << field.name;
    }
    ASSERT_EQ(back.genotypes.size(), world.genotypes.size());
    SYLVARA_GENOTYPE_FIELDS(EXPECT_GENOTYPE_KEPT)
}

TEST(SavedFieldList, EachListMakesItsTableColumnByColumnInTheFile) {
    ScratchFolder scratch("sylvara-fields");
    const std::string file = scratch.file("columns.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorldWriter::write(everyFieldSet(), file, error)) << error;
    // The columns a file holds are the schema's, in its order; none more, none fewer.
    for (const SavedWorldSchema::Table* table : SavedWorldSchema::tables()) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* info = nullptr;
        sqlite3_prepare_v2(db, (std::string("PRAGMA table_info(") + table->name + ")").c_str(), -1, &info,
                           nullptr);
        std::vector<std::string> names;
        while (sqlite3_step(info) == SQLITE_ROW)
            names.push_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
        sqlite3_finalize(info);
        sqlite3_close(db);
        std::vector<std::string> expected;
        for (const SavedWorldSchema::Column& column : table->columns)
            expected.push_back(column.name);
        EXPECT_EQ(names, expected) << table->name;
    }
    // The columns that are not plain names of one field: a point, a shade, a colour, the kinds.
    const auto animals = rowsOf(file, "animals");
    ASSERT_EQ(animals.size(), 2u);
    EXPECT_EQ(animals[0].at("kind"), "carnivore");
    EXPECT_EQ(animals[1].at("kind"), "herbivore");
    EXPECT_EQ(animals[0].at("state"), "chase");
    EXPECT_EQ(animals[0].at("x"), "190.5");
    EXPECT_EQ(animals[0].at("y"), "210.25");
    EXPECT_EQ(animals[0].at("z"), "1.75");
    EXPECT_EQ(animals[0].at("exhausted"), "1");
    EXPECT_EQ(animals[1].at("exhausted"), "0");
    EXPECT_EQ(animals[0].at("prey_size"), "56");
    EXPECT_EQ(animals[0].at("target_id"), "32");
    const auto tiles = rowsOf(file, "tiles");
    EXPECT_EQ(tiles[3].at("shade_red"), "0.25");
    EXPECT_EQ(tiles[3].at("shade_blue"), "0.75");
    EXPECT_EQ(tiles[0].at("shade_green"), "0.699999988079071");
    const auto markers = rowsOf(file, "markers");
    EXPECT_EQ(markers[3].at("place"), "3");
    EXPECT_EQ(markers[3].at("kind"), "rect");
    EXPECT_EQ(markers[4].at("to_z"), "6.5");
    EXPECT_EQ(markers[4].at("green"), "0.25");
    // None for a root organism's parent, a number for one born of a parent.
    const auto ancestry = rowsOf(file, "ancestry");
    EXPECT_EQ(ancestry[0].at("parent_id"), "12");
    EXPECT_EQ(ancestry[1].at("parent_id"), "NULL");
    EXPECT_EQ(ancestry[2].at("birth_tick"), "80");
}

// Each bound a list gives a field holds, and only where the list gives it: a value at its bound
// loads, one past it is refused in one line naming the row and the column.
TEST(SavedFieldList, TheBoundsOfAListHoldAtTheirEdges) {
    ScratchFolder scratch("sylvara-fields");
    const struct {
        const char* what;
        void (*change)(WorldRecord&, int past);
        const char* says;
    } cases[] = {
        {"a dying animal's countdown",
         [](WorldRecord& w, int past) { w.animals[0].deathCountdown = w.rules.animalDeathTicks + past; },
         "animal 31: death_countdown 16 is out of range (0..15)"},
        {"a plant's size below the rules' smallest",
         [](WorldRecord& w, int past) {
             w.plants[0].life.size = w.rules.plantMinSize - past;
             w.plants[0].segments = 1;
             w.plants[0].grownSize = 3.0f;
             w.plants[0].life.energy = 1.0f;
         },
         "plant 35: size 3 is out of range (4..100)"},
        {"a plant's segments beyond its size",
         [](WorldRecord& w, int past) {
             w.plants[0].segments = w.plants[0].life.size / w.rules.plantSegmentSize + past;
         },
         "plant 35: segments 5 is out of range (1..4)"},
        {"seeds released beyond a batch",
         [](WorldRecord& w, int past) {
             w.plants[0].seedsReleased = w.plants[0].offspring / w.rules.plantSeedsPer + past;
         },
         "plant 35: seeds_released"},
        {"a withering plant's countdown",
         [](WorldRecord& w, int past) { w.plants[0].countdown = w.rules.plantWitherTicks + past; },
         "plant 35: countdown 31 is out of range (0..30)"},
        {"a birth after the saved tick",
         [](WorldRecord& w, int past) { w.plants[0].life.birthTick = w.tickNumber + past; },
         "ancestry of 35: birth_tick 91 is out of range (0..90)"},
        {"an arrow that lasts more than a tick",
         [](WorldRecord& w, int past) { w.markers[2].ticksLeft = 1 + past; }, "marker 2: ticks_left 2"},
    };
    for (const auto& c : cases) {
        WorldRecord edge = everyFieldSet();
        c.change(edge, 0);
        const std::string file = scratch.file("edge.sylvara");
        std::string error;
        ASSERT_TRUE(SavedWorldWriter::write(edge, file, error)) << error;
        WorldRecord back;
        EXPECT_TRUE(SavedWorldReader::read(file, back, error)) << c.what << ": " << error;
        WorldRecord past = everyFieldSet();
        c.change(past, 1);
        ASSERT_TRUE(SavedWorldWriter::write(past, file, error)) << error;
        error.clear();
        EXPECT_FALSE(SavedWorldReader::read(file, back, error)) << c.what;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
    }
    // The plants' smallest size is a bound of the plants' list only: an animal of size 1 loads.
    WorldRecord small = everyFieldSet();
    small.animals[1].life.size = 1;
    std::string error;
    ASSERT_TRUE(SavedWorldWriter::write(small, scratch.file("small.sylvara"), error)) << error;
    WorldRecord back;
    EXPECT_TRUE(SavedWorldReader::read(scratch.file("small.sylvara"), back, error)) << error;
    EXPECT_EQ(animalOf(back, 32).life.size, 1);
}

// Files of the first and second schema load, each column into its field: compared here with the
// file's rows as SQLite gives them.
TEST(SavedFieldList, EarlierSchemasLoadEachColumnIntoItsField) {
    for (const std::string name :
         {"schema1-size2-seed4-tick40.sylvara", "schema2-size2-seed4-tick500.sylvara"}) {
        const std::string file = std::string(SYLVARA_TEST_DATA) + "/" + name;
        WorldRecord world;
        std::string error;
        ASSERT_TRUE(SavedWorldReader::read(file, world, error)) << error;
        const auto animals = rowsOf(file, "animals");
        const auto plants = rowsOf(file, "plants");
        ASSERT_EQ(world.animals.size(), animals.size()) << name;
        ASSERT_EQ(world.plants.size(), plants.size()) << name;
        ASSERT_FALSE(animals.empty()) << name;
        std::map<std::string, std::map<std::string, std::string>> rowById;
        for (const auto& row : animals)
            rowById[row.at("id")] = row;
        for (const auto& plantRow : plants)
            rowById[plantRow.at("id")] = plantRow;
        for (const AnimalRecord& a : world.animals) {
            const auto& row = rowById.at(std::to_string(a.life.id));
            EXPECT_EQ(a.kind == KIND_HERBIVORE ? "herbivore" : "carnivore", row.at("kind"));
            EXPECT_EQ(std::to_string(a.life.tileRow), row.at("tile_row"));
            EXPECT_EQ(std::to_string(a.speed), row.at("speed"));
            EXPECT_EQ(std::to_string(a.adrenaline), row.at("adrenaline"));
            EXPECT_EQ(std::to_string(a.life.spawnEfficiency), row.at("spawn_efficiency"));
            EXPECT_EQ(std::to_string(a.life.size), row.at("size"));
            EXPECT_EQ(std::to_string(a.preySize), row.at("prey_size"));
            EXPECT_EQ(a.exhausted ? "1" : "0", row.at("exhausted"));
            EXPECT_EQ(std::to_string(a.deathCountdown), row.at("death_countdown"));
            EXPECT_NEAR(a.life.position.y(), std::stod(row.at("y")), 1e-9);
            EXPECT_FLOAT_EQ(a.life.heading, std::stof(row.at("heading")));
            EXPECT_FLOAT_EQ(a.life.adrenalineLevel, std::stof(row.at("adrenaline_level")));
        }
        for (const PlantRecord& p : world.plants) {
            const auto& row = rowById.at(std::to_string(p.life.id));
            EXPECT_EQ(std::to_string(p.offspring), row.at("offspring"));
            EXPECT_EQ(std::to_string(p.spawnRadius), row.at("spawn_radius"));
            EXPECT_EQ(std::to_string(p.segments), row.at("segments"));
            EXPECT_EQ(std::to_string(p.ripeSeeds), row.at("ripe_seeds"));
            EXPECT_EQ(p.seedRingBuilt ? "1" : "0", row.at("seed_ring_built"));
            EXPECT_FLOAT_EQ(p.grownSize, std::stof(row.at("grown_size")));
            EXPECT_FLOAT_EQ(p.bloomHeight, std::stof(row.at("bloom_height")));
        }
        // Only the second schema keeps parents and birth ticks.
        const bool lineage = name.find("schema2") == 0;
        EXPECT_EQ(world.hasLineage, lineage) << name;
        if (lineage) {
            std::map<std::string, std::string> born;
            for (const auto& row : rowsOf(file, "ancestry"))
                born[row.at("id")] = row.at("birth_tick");
            for (const PlantRecord& p : world.plants)
                EXPECT_EQ(std::to_string(p.life.birthTick), born.at(std::to_string(p.life.id)));
        }
    }
}

// Each table's list refuses a value it does not allow, or a cell of the wrong type, in one line naming
// the row and the column; the checks a table makes beyond its list hold as well.
TEST(SavedFieldList, EachTableRefusesWhatItsListForbidsInOneLine) {
    ScratchFolder scratch("sylvara-fields");
    const std::string good = scratch.file("good.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorldWriter::write(everyFieldSet(), good, error)) << error;
    WorldRecord back;
    ASSERT_TRUE(SavedWorldReader::read(good, back, error)) << error;
    const struct {
        const char* sql;
        const char* says;
    } cases[] = {
        {"UPDATE world SET tick = -1", "world: tick -1 is out of range (0..2147483647)"},
        {"UPDATE world SET last_id = 2147483648",
         "world: last_id 2147483648 is out of range (0..2147483647)"},
        {"UPDATE world SET paused = 2", "world: paused 2 is out of range (0..1)"},
        {"UPDATE world SET seed_mode = 'dice'", "world: seed_mode \"dice\" is neither fixed nor clock"},
        {"UPDATE world SET seed = 4294967296", "world: seed 4294967296 is out of range (0..4294967295)"},
        {"UPDATE world SET seed = -1", "world: seed -1 is out of range (0..4294967295)"},
        // Of two bad cells, the earlier column is named.
        {"UPDATE world SET seed_mode = 'dice', seed = -1",
         "world: seed_mode \"dice\" is neither fixed nor clock"},
        {"UPDATE world SET sylvara_version = x'36'", "world: sylvara_version is not text"},
        {"UPDATE genotypes SET id = -1 WHERE id = 0", "a genotype: id -1 is out of range (0..2147483647)"},
        {"UPDATE genotypes SET parent_id = 'none' WHERE id = 1",
         "genotype 1: parent_id is not a whole number"},
        {"UPDATE genotypes SET kind = 'fungus' WHERE id = 1", "genotype 1: kind \"fungus\" is no kind"},
        {"UPDATE genotypes SET trait_1 = 0 WHERE id = 2", "genotype 2: trait_1 0 is out of range (1..100)"},
        // A plant has four traits: its fifth is 0, an animal's is not.
        {"UPDATE genotypes SET trait_5 = 0 WHERE id = 1", "genotype 1: trait_5 0 is out of range (1..100)"},
        {"UPDATE genotypes SET trait_5 = 101 WHERE id = 2",
         "genotype 2: trait_5 101 is out of range (0..100)"},
        {"UPDATE genotypes SET depth = -1 WHERE id = 1",
         "genotype 1: depth -1 is out of range (0..2147483647)"},
        {"UPDATE genotypes SET origin_time = 91 WHERE id = 1",
         "genotype 1: origin_time 91 is out of range (0..90)"},
        {"UPDATE genotypes SET destruction_time = 85.5 WHERE id = 3",
         "genotype 3: destruction_time is not a whole number"},
        {"UPDATE genotypes SET total_organisms = 0 WHERE id = 1",
         "genotype 1: total_organisms 0 is out of range (1..9223372036854775807)"},
        {"UPDATE genotypes SET peak_organisms = 0 WHERE id = 1",
         "genotype 1: peak_organisms 0 is out of range (1..2147483647)"},
        {"UPDATE genotypes SET living_organisms = -1 WHERE id = 3",
         "genotype 3: living_organisms -1 is out of range (0..2147483647)"},
        {"UPDATE lineage SET next_genotype_id = -1",
         "lineage: next_genotype_id -1 is out of range (0..2147483647)"},
        {"UPDATE rules SET value = 'lots' WHERE name = 'animal.moveCost'",
         "rule animal.moveCost: value is not a number"},
        {"UPDATE rules SET value = 9e999 WHERE name = 'animal.moveCost'",
         "rule animal.moveCost: value is not finite"},
        {"UPDATE rules SET value = 11 WHERE name = 'animal.moveCost'", "rule animal.moveCost: "},
        {"UPDATE rules SET name = x'37' WHERE name = 'animal.moveCost'", "a rule: name is not text"},
        {"UPDATE rules SET name = 'animal.flight' WHERE name = 'animal.moveCost'",
         "rules: unknown rule \"animal.flight\""},
        {"UPDATE rescue SET keep = 100001 WHERE kind = 'plants'",
         "rescue: keep 100001 is out of range (0..100000)"},
        {"UPDATE rescue SET inserted = -1 WHERE kind = 'plants'",
         "rescue: inserted -1 is out of range (0..9223372036854775807)"},
        {"UPDATE rescue SET kind = 'fungi' WHERE kind = 'plants'", "rescue: \"fungi\" is no kind"},
        {"UPDATE measures SET state = x'35'", "measures: state is not text"},
        {"INSERT INTO measures SELECT * FROM measures", "measures: more than one row"},
    };
    for (const auto& c : cases) {
        const std::string file = scratch.file("spoiled.sylvara");
        std::filesystem::copy_file(good, file, std::filesystem::copy_options::overwrite_existing);
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK) << c.sql;
        sqlite3_close(db);
        error.clear();
        EXPECT_FALSE(SavedWorldReader::read(file, back, error)) << c.sql;
        EXPECT_EQ(error.rfind(file + ": " + c.says, 0), 0u) << c.sql << "\n" << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}
