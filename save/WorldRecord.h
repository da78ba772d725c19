#pragma once

#include "common/Rules.h"
#include "life/AnimalRecord.h"
#include "life/Genotype.h"
#include "plants/PlantRecord.h"
#include "save/MarkerRecord.h"
#include "save/RescueRecord.h"
#include "save/RuleRecord.h"
#include "save/TileRecord.h"

#include <array>
#include <climits>
#include <string>
#include <vector>

// The world table's one row, column by column. Its first two columns say which Sylvara wrote the
// file; the schema version is checked before anything else is read. A negative selected id is no
// selection. A fixed seed ("fixed" rather than "clock") makes the draws of every tick depend on the
// seed and the tick number only.
#define SYLVARA_WORLD_FIELDS(FIXED, OWN)                                                                     \
    FIXED("schema_version", Whole, SavedWorldSchema::VERSION)                                                \
    FIXED("sylvara_version", Text, std::string(SYLVARA_VERSION))                                             \
    OWN(int, size, 1, "size", Whole)                                                                         \
    OWN(long, tickNumber, 0, "tick", Whole, 0, INT_MAX)                                                      \
    OWN(int, lastId, 0, "last_id", Whole, 0, INT_MAX)                                                        \
    OWN(bool, paused, false, "paused", Flag)                                                                 \
    OWN(int, selectedId, -1, "selected_id", Whole, -1, INT_MAX)                                              \
    OWN(bool, seedFixed, false, "seed_mode", SeedMode)                                                       \
    OWN(unsigned, seed, 0, "seed", Whole, 0, UINT_MAX)

// The lineage table's one row: the id the next new genotype takes.
#define SYLVARA_LINEAGE_FIELDS(OWN) OWN(int, nextGenotypeId, 0, "next_genotype_id", Whole, 0, INT_MAX)

// The measures table's one row, if any: what sylvara-sim's measures of evolution carry from tick to
// tick, as they wrote it; empty when none ran. Only they read it.
#define SYLVARA_MEASURES_FIELDS(OWN) OWN(std::string, measures, std::string(), "state", Text)

// A whole world at the end of a tick, as plain values.
struct WorldRecord {
    // The last tick a saved world holds, and so the last a run may reach.
    static constexpr long LAST_TICK = 2147483647;

    SYLVARA_WORLD_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_RECORD_MEMBER)
    // Row by row, as the grid stores them.
    std::vector<TileRecord> tiles;
    // Tile by tile in grid order, each tile's list in its order.
    std::vector<AnimalRecord> animals;
    std::vector<PlantRecord> plants;
    // The timed markers in the order they were made, the beams last.
    std::vector<MarkerRecord> markers;
    // False for a file saved before parents and genotypes were kept.
    bool hasLineage = false;
    // Saves before version 3 counted a genotype's dying members among its living.
    bool genotypesCountTheDying = false;
    std::vector<Genotype> genotypes;
    SYLVARA_LINEAGE_FIELDS(SYLVARA_RECORD_MEMBER)
    // The rules in force, and rescue's floors and insertions by kind (herbivores, carnivores, plants).
    Rules rules;
    std::array<int, 3> keep{};
    std::array<long, 3> inserted{};
    SYLVARA_MEASURES_FIELDS(SYLVARA_RECORD_MEMBER)
};
