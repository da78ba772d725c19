#pragma once

#include "common/OrganismKind.h"

#include <string>

// The census table's layout, known without a world: the genome traits of each kind of organism and the CSV
// columns they fill. The runner writes rows in it; the sweep and the plots read them.
class CensusColumns {
public:
    // Animal traits index herbivores and carnivores, plant traits the plants.
    enum AnimalTrait { SPEED, ADRENALINE, ANIMAL_SPAWN_EFFICIENCY, ANIMAL_SIZE, PREY_SIZE, ANIMAL_TRAITS };
    enum PlantTrait { OFFSPRING, SPAWN_RADIUS, PLANT_SPAWN_EFFICIENCY, PLANT_SIZE, PLANT_TRAITS };
    static constexpr int MAX_TRAITS = ANIMAL_TRAITS;

    static int traitCount(OrganismKind::Value kind) {
        return kind == OrganismKind::PLANTS ? int(PLANT_TRAITS) : int(ANIMAL_TRAITS);
    }
    // A trait's name as in the CSV's columns ("speed", "spawnRadius").
    static std::string traitName(OrganismKind::Value kind, int trait);
    // The 1-based CSV column of a trait's mean; its spread is the next one.
    static int traitColumn(OrganismKind::Value kind, int trait);

    // "tick,herbivores,carnivores,plants,herbivore_speed_mean,herbivore_speed_sd,...", then
    // "herbivore_generation_mean,herbivore_generation_max,..." for the three kinds.
    static std::string csvHeader();
};
