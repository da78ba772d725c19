#include "sim/PopulationCensus.h"

#include "life/Animal.h"
#include "plants/Plant.h"

#include <cmath>
#include <cstdio>

void PopulationCensus::Moments::add(double x) {
    count += 1;
    const double delta = x - mean;
    mean += delta / count;
    squares += delta * (x - mean);
}

PopulationCensus PopulationCensus::of(const Lives& lives) {
    PopulationCensus census;
    for (const auto& entry : lives)
        census.add(*entry.second);
    return census;
}

void PopulationCensus::add(const Life& life) {
    if (life.getState() == STATE_DEAD)
        return;
    if (life.getCategory() == CATEGORY_PLANT) {
        const Plant& plant = static_cast<const Plant&>(life);
        Moments* m = moments[OrganismKind::PLANTS];
        m[OFFSPRING].add(plant.getOffspring());
        m[SPAWN_RADIUS].add(plant.getSpawnRadius());
        m[PLANT_SPAWN_EFFICIENCY].add(plant.getSpawnEfficiency());
        m[PLANT_SIZE].add(plant.getGenomeSize());
        addGeneration(OrganismKind::PLANTS, plant.getGeneration());
        return;
    }
    const Animal& animal = static_cast<const Animal&>(life);
    if (animal.getKind() != KIND_HERBIVORE && animal.getKind() != KIND_CARNIVORE)
        return;
    const OrganismKind::Value group = OrganismKind::ofAnimal(animal.getKind());
    Moments* m = moments[group];
    m[SPEED].add(animal.getSpeed());
    m[ADRENALINE].add(animal.getAdrenaline());
    m[ANIMAL_SPAWN_EFFICIENCY].add(animal.getSpawnEfficiency());
    m[ANIMAL_SIZE].add(animal.getGenomeSize());
    m[PREY_SIZE].add(animal.getPreySize());
    addGeneration(group, animal.getGeneration());
}

void PopulationCensus::addGeneration(OrganismKind::Value group, int generation) {
    generations[group].add(generation);
    if (generation > largest[group])
        largest[group] = generation;
}

double PopulationCensus::spread(OrganismKind::Value group, int trait) const {
    const Moments& m = moments[group][trait];
    return m.count == 0 ? 0.0 : std::sqrt(m.squares / m.count);
}

std::string PopulationCensus::csvRow(int tick) const {
    std::string row = std::to_string(tick) + "," + std::to_string(count(OrganismKind::HERBIVORES)) + "," +
                      std::to_string(count(OrganismKind::CARNIVORES)) + "," +
                      std::to_string(count(OrganismKind::PLANTS));
    char number[64];
    for (int g = 0; g < OrganismKind::COUNT; ++g) {
        const OrganismKind::Value group = static_cast<OrganismKind::Value>(g);
        for (int trait = 0; trait < traitCount(group); ++trait) {
            if (count(group) == 0) {
                row += ",,";
                continue;
            }
            std::snprintf(number, sizeof number, ",%.3f,%.3f", mean(group, trait), spread(group, trait));
            row += number;
        }
    }
    for (int g = 0; g < OrganismKind::COUNT; ++g) {
        const OrganismKind::Value group = static_cast<OrganismKind::Value>(g);
        if (count(group) == 0) {
            row += ",,";
            continue;
        }
        std::snprintf(number, sizeof number, ",%.3f,%d", meanGeneration(group), largestGeneration(group));
        row += number;
    }
    return row;
}
