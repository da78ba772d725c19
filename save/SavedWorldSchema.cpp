#include "save/SavedWorldSchema.h"

#include "life/Genome.h"
#include "life/LifeState.h"

#include <algorithm>
#include <utility>

namespace {

const std::pair<int, const char*> STATE_NAMES[] = {
    {STATE_DEAD, "dead"},           {STATE_REPRODUCE, "reproduce"},
    {STATE_CHASE, "chase"},         {STATE_FLEE, "flee"},
    {STATE_FIGHT, "fight"},         {STATE_IDLE, "idle"},
    {STATE_WITHERING, "withering"}, {STATE_FORCED_GROWTH, "forced growth"},
};

} // namespace

const SavedWorldSchema::Table SavedWorldSchema::WORLD = {"world",
                                                         {{"schema_version", "INTEGER"},
                                                          {"sylvara_version", "TEXT"},
                                                          {"size", "INTEGER"},
                                                          {"tick", "INTEGER"},
                                                          {"last_id", "INTEGER"},
                                                          {"paused", "INTEGER"},
                                                          {"selected_id", "INTEGER"},
                                                          {"seed_mode", "TEXT"},
                                                          {"seed", "INTEGER"}}};

const SavedWorldSchema::Table SavedWorldSchema::TILES = {"tiles",
                                                         {{"tile_column", "INTEGER"},
                                                          {"tile_row", "INTEGER"},
                                                          {"fertilized", "INTEGER"},
                                                          {"plant_mass", "REAL"},
                                                          {"shade_red", "REAL"},
                                                          {"shade_green", "REAL"},
                                                          {"shade_blue", "REAL"}}};

const SavedWorldSchema::Table SavedWorldSchema::ANIMALS = {"animals",
                                                           {{"id", "INTEGER PRIMARY KEY"},
                                                            {"kind", "TEXT"},
                                                            {"generation", "INTEGER"},
                                                            {"tile_column", "INTEGER"},
                                                            {"tile_row", "INTEGER"},
                                                            {"place", "INTEGER"},
                                                            {"state", "TEXT"},
                                                            {"energy", "REAL"},
                                                            {"adrenaline_level", "REAL"},
                                                            {"x", "REAL"},
                                                            {"y", "REAL"},
                                                            {"z", "REAL"},
                                                            {"heading", "REAL"},
                                                            {"speed", "INTEGER"},
                                                            {"adrenaline", "INTEGER"},
                                                            {"spawn_efficiency", "INTEGER"},
                                                            {"size", "INTEGER"},
                                                            {"prey_size", "INTEGER"},
                                                            {"target_id", "INTEGER"},
                                                            {"walking", "INTEGER"},
                                                            {"running", "INTEGER"},
                                                            {"exhausted", "INTEGER"},
                                                            {"death_countdown", "INTEGER"}}};

const SavedWorldSchema::Table SavedWorldSchema::PLANTS = {"plants",
                                                          {{"id", "INTEGER PRIMARY KEY"},
                                                           {"generation", "INTEGER"},
                                                           {"tile_column", "INTEGER"},
                                                           {"tile_row", "INTEGER"},
                                                           {"place", "INTEGER"},
                                                           {"state", "TEXT"},
                                                           {"energy", "REAL"},
                                                           {"grown_size", "REAL"},
                                                           {"x", "REAL"},
                                                           {"y", "REAL"},
                                                           {"z", "REAL"},
                                                           {"heading", "REAL"},
                                                           {"offspring", "INTEGER"},
                                                           {"spawn_radius", "INTEGER"},
                                                           {"spawn_efficiency", "INTEGER"},
                                                           {"size", "INTEGER"},
                                                           {"segments", "INTEGER"},
                                                           {"countdown", "INTEGER"},
                                                           {"seeds_released", "INTEGER"},
                                                           {"ripe_seeds", "INTEGER"},
                                                           {"seed_ring_built", "INTEGER"},
                                                           {"withered", "INTEGER"},
                                                           {"bloom_height", "REAL"}}};

const SavedWorldSchema::Table SavedWorldSchema::MARKERS = {"markers",
                                                           {{"place", "INTEGER PRIMARY KEY"},
                                                            {"kind", "TEXT"},
                                                            {"ticks_left", "INTEGER"},
                                                            {"x", "REAL"},
                                                            {"y", "REAL"},
                                                            {"z", "REAL"},
                                                            {"to_x", "REAL"},
                                                            {"to_y", "REAL"},
                                                            {"to_z", "REAL"},
                                                            {"width", "REAL"},
                                                            {"red", "REAL"},
                                                            {"green", "REAL"},
                                                            {"blue", "REAL"},
                                                            {"alpha", "REAL"}}};

const SavedWorldSchema::Table SavedWorldSchema::ANCESTRY = {"ancestry",
                                                            {{"id", "INTEGER PRIMARY KEY"},
                                                             {"parent_id", "INTEGER"},
                                                             {"birth_tick", "INTEGER"},
                                                             {"genotype_id", "INTEGER"}}};

const SavedWorldSchema::Table SavedWorldSchema::GENOTYPES = {"genotypes",
                                                             {{"id", "INTEGER PRIMARY KEY"},
                                                              {"parent_id", "INTEGER"},
                                                              {"kind", "TEXT"},
                                                              {"trait_1", "INTEGER"},
                                                              {"trait_2", "INTEGER"},
                                                              {"trait_3", "INTEGER"},
                                                              {"trait_4", "INTEGER"},
                                                              {"trait_5", "INTEGER"},
                                                              {"depth", "INTEGER"},
                                                              {"origin_time", "INTEGER"},
                                                              {"destruction_time", "INTEGER"},
                                                              {"total_organisms", "INTEGER"},
                                                              {"peak_organisms", "INTEGER"},
                                                              {"living_organisms", "INTEGER"}}};

const SavedWorldSchema::Table SavedWorldSchema::LINEAGE = {"lineage", {{"next_genotype_id", "INTEGER"}}};
const SavedWorldSchema::Table SavedWorldSchema::RULES = {"rules",
                                                         {{"name", "TEXT PRIMARY KEY"}, {"value", "REAL"}}};

const SavedWorldSchema::Table SavedWorldSchema::RESCUE = {
    "rescue", {{"kind", "TEXT PRIMARY KEY"}, {"keep", "INTEGER"}, {"inserted", "INTEGER"}}};

const SavedWorldSchema::Table SavedWorldSchema::MEASURES = {"measures", {{"state", "TEXT"}}};

int SavedWorldSchema::Table::at(const std::string& column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (column == columns[i].name)
            return static_cast<int>(i);
    return -1;
}

const std::vector<const SavedWorldSchema::Table*>& SavedWorldSchema::tables(int version) {
    static const std::vector<const Table*> first = {&WORLD, &TILES, &ANIMALS, &PLANTS, &MARKERS};
    static const std::vector<const Table*> all = {&WORLD,    &TILES,     &ANIMALS, &PLANTS, &MARKERS,
                                                  &ANCESTRY, &GENOTYPES, &LINEAGE, &RULES,  &RESCUE};
    return version >= LINEAGE_VERSION ? all : first;
}

std::string SavedWorldSchema::createSql(const Table& table) {
    std::string sql = std::string("CREATE TABLE ") + table.name + " (";
    for (size_t i = 0; i < table.columns.size(); ++i)
        sql += std::string(i ? ", " : "") + table.columns[i].name + " " + table.columns[i].type;
    return sql + ");\n";
}

std::string SavedWorldSchema::insertSql(const Table& table) {
    std::string names;
    std::string places;
    for (size_t i = 0; i < table.columns.size(); ++i) {
        names += std::string(i ? ", " : "") + table.columns[i].name;
        places += i ? ", ?" : "?";
    }
    return std::string("INSERT INTO ") + table.name + " (" + names + ") VALUES (" + places + ")";
}

std::string SavedWorldSchema::selectSql(const Table& table) {
    std::string names;
    for (size_t i = 0; i < table.columns.size(); ++i)
        names += std::string(i ? ", " : "") + table.columns[i].name;
    return "SELECT " + names + " FROM " + table.name;
}

const std::vector<std::string>& SavedWorldSchema::rescueKindNames() {
    static const std::vector<std::string> names = {"herbivores", "carnivores", "plants"};
    return names;
}

std::string SavedWorldSchema::stateName(int state) {
    for (const auto& entry : STATE_NAMES)
        if (entry.first == state)
            return entry.second;
    return "";
}

int SavedWorldSchema::stateValue(const std::string& name) {
    for (const auto& entry : STATE_NAMES)
        if (name == entry.second)
            return entry.first;
    return -1;
}

std::string SavedWorldSchema::kindName(int kind) {
    return kind == KIND_HERBIVORE ? "herbivore" : kind == KIND_CARNIVORE ? "carnivore" : "";
}

int SavedWorldSchema::kindValue(const std::string& name) {
    return name == "herbivore" ? KIND_HERBIVORE : name == "carnivore" ? KIND_CARNIVORE : -1;
}

std::string SavedWorldSchema::genomeKindName(int kind) {
    return kind == Genome::PLANT ? "plant" : kindName(kind);
}

int SavedWorldSchema::genomeKindValue(const std::string& name) {
    return name == "plant" ? Genome::PLANT : kindValue(name);
}

const std::vector<std::string>& SavedWorldSchema::markerKindNames() {
    // In the order of MarkerRecord::Kind.
    static const std::vector<std::string> names = {"life ping", "death ping", "arrow", "rect", "beam"};
    return names;
}
