#include "save/SavedWorldSchema.h"

#include "life/AnimalRecord.h"
#include "life/Genome.h"
#include "life/LifeState.h"
#include "plants/PlantRecord.h"
#include "save/LifeFields.h"
#include "save/MarkerRecord.h"
#include "save/TileRecord.h"
#include "save/WorldRecord.h"

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

namespace {

// A table whose columns follow a record's field list.
template <typename Fill> SavedWorldSchema::Table tableOf(const char* name, Fill fill) {
    SavedWorldSchema::Table table{name, {}};
    fill(table.columns);
    return table;
}

} // namespace

const SavedWorldSchema::Table SavedWorldSchema::WORLD = tableOf("world", [](SavedFieldCodec::Columns& out) {
    SYLVARA_WORLD_FIELDS(SYLVARA_COLUMNS_FIXED, SYLVARA_COLUMNS_OWN)
});

const SavedWorldSchema::Table SavedWorldSchema::TILES =
    tableOf("tiles", [](SavedFieldCodec::Columns& out) { SYLVARA_TILE_FIELDS(SYLVARA_COLUMNS_OWN) });

const SavedWorldSchema::Table SavedWorldSchema::ANIMALS =
    tableOf("animals", [](SavedFieldCodec::Columns& out) {
        SYLVARA_ANIMAL_FIELDS(SYLVARA_COLUMNS_LIFE, SYLVARA_COLUMNS_OWN, SYLVARA_COLUMNS_OWN)
    });

const SavedWorldSchema::Table SavedWorldSchema::PLANTS = tableOf("plants", [](SavedFieldCodec::Columns& out) {
    SYLVARA_PLANT_FIELDS(SYLVARA_COLUMNS_LIFE, SYLVARA_COLUMNS_OWN)
});

// A marker's place in the order they were made, then its fields.
const SavedWorldSchema::Table SavedWorldSchema::MARKERS =
    tableOf("markers", [](SavedFieldCodec::Columns& out) {
        out.push_back({"place", "INTEGER PRIMARY KEY"});
        SYLVARA_MARKER_FIELDS(SYLVARA_COLUMNS_OWN)
    });

const SavedWorldSchema::Table SavedWorldSchema::ANCESTRY =
    tableOf("ancestry", [](SavedFieldCodec::Columns& out) { SYLVARA_ANCESTRY_FIELDS(SYLVARA_COLUMNS_LIFE) });

const SavedWorldSchema::Table SavedWorldSchema::GENOTYPES =
    tableOf("genotypes", [](SavedFieldCodec::Columns& out) { SYLVARA_GENOTYPE_FIELDS(SYLVARA_COLUMNS_OWN) });

const SavedWorldSchema::Table SavedWorldSchema::LINEAGE =
    tableOf("lineage", [](SavedFieldCodec::Columns& out) { SYLVARA_LINEAGE_FIELDS(SYLVARA_COLUMNS_OWN) });

const SavedWorldSchema::Table SavedWorldSchema::RULES =
    tableOf("rules", [](SavedFieldCodec::Columns& out) { SYLVARA_RULE_FIELDS(SYLVARA_COLUMNS_OWN) });

const SavedWorldSchema::Table SavedWorldSchema::RESCUE =
    tableOf("rescue", [](SavedFieldCodec::Columns& out) { SYLVARA_RESCUE_FIELDS(SYLVARA_COLUMNS_OWN) });

const SavedWorldSchema::Table SavedWorldSchema::MEASURES =
    tableOf("measures", [](SavedFieldCodec::Columns& out) { SYLVARA_MEASURES_FIELDS(SYLVARA_COLUMNS_OWN) });

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
    static const std::vector<std::string> names = {OrganismKind::plural(OrganismKind::HERBIVORES),
                                                   OrganismKind::plural(OrganismKind::CARNIVORES),
                                                   OrganismKind::plural(OrganismKind::PLANTS)};
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
    return OrganismKind::name(static_cast<OrganismKind::Value>(kind));
}

int SavedWorldSchema::genomeKindValue(const std::string& name) {
    const OrganismKind::Value kind = OrganismKind::named(name);
    return kind != OrganismKind::COUNT && name == OrganismKind::name(kind) ? kind : -1;
}

const std::vector<std::string>& SavedWorldSchema::markerKindNames() {
    // In the order of MarkerRecord::Kind.
    static const std::vector<std::string> names = {"life ping", "death ping", "arrow", "rect", "beam"};
    return names;
}
