#pragma once

#include "common/Rules.h"
#include "life/AnimalRecord.h"
#include "life/Genotype.h"
#include "plants/PlantRecord.h"
#include "save/MarkerRecord.h"
#include "save/TileRecord.h"

#include <array>
#include <string>
#include <vector>

// A whole world at the end of a tick, as plain values.
struct WorldRecord {
    // The last tick a saved world holds, and so the last a run may reach.
    static constexpr long LAST_TICK = 2147483647;

    int size = 1;
    long tickNumber = 0;
    int lastId = 0;
    bool paused = false;
    // Negative when nothing is selected.
    int selectedId = -1;
    // A fixed seed makes the draws of every tick depend on the seed and the tick number only.
    bool seedFixed = false;
    unsigned seed = 0;
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
    int nextGenotypeId = 0;
    // The rules in force, and rescue's floors and insertions by kind (herbivores, carnivores, plants).
    Rules rules;
    std::array<int, 3> keep{};
    std::array<long, 3> inserted{};
    // What sylvara-sim's measures of evolution carry from tick to tick, as they wrote it; empty when
    // none ran. Only they read it.
    std::string measures;
};
