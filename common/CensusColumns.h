#pragma once

#include <string>

// The census table's layout, known without a world: the three kinds of organism, their genome
// traits and the CSV columns they fill. The runner writes rows in it; the sweep and the plots read them.
class CensusColumns {
public:
    enum Group { HERBIVORES, CARNIVORES, PLANTS, GROUPS };
    // Animal traits index herbivores and carnivores, plant traits the plants.
    enum AnimalTrait { SPEED, ADRENALINE, ANIMAL_SPAWN_EFFICIENCY, ANIMAL_SIZE, PREY_SIZE, ANIMAL_TRAITS };
    enum PlantTrait { OFFSPRING, SPAWN_RADIUS, PLANT_SPAWN_EFFICIENCY, PLANT_SIZE, PLANT_TRAITS };
    static constexpr int MAX_TRAITS = ANIMAL_TRAITS;

    static int traitCount(Group group) { return group == PLANTS ? int(PLANT_TRAITS) : int(ANIMAL_TRAITS); }
    // "herbivore", "carnivore", "plant"; a trait's name as in the CSV's columns ("speed", "spawnRadius").
    static std::string groupName(Group group);
    static std::string traitName(Group group, int trait);
    // The 1-based CSV column of a trait's mean; its spread is the next one.
    static int traitColumn(Group group, int trait);

    // "tick,herbivores,carnivores,plants,herbivore_speed_mean,herbivore_speed_sd,...", then
    // "herbivore_generation_mean,herbivore_generation_max,..." for the three kinds.
    static std::string csvHeader();
};
