#pragma once

#include "life/Life.h"

#include <osg/ref_ptr>

#include <map>
#include <string>

// A count of the living organisms by kind, with the mean and spread
// (population standard deviation) of every genome trait of each kind.
// Organisms already dead (playing their death) are not counted.
class PopulationCensus {
public:
    enum Group { HERBIVORES, CARNIVORES, PLANTS, GROUPS };
    // Animal traits index herbivores and carnivores, plant traits the plants.
    enum AnimalTrait { SPEED, ADRENALINE, ANIMAL_SPAWN_EFFICIENCY, ANIMAL_SIZE, PREY_SIZE, ANIMAL_TRAITS };
    enum PlantTrait { OFFSPRING, SPAWN_RADIUS, PLANT_SPAWN_EFFICIENCY, PLANT_SIZE, PLANT_TRAITS };
    static constexpr int MAX_TRAITS = ANIMAL_TRAITS;

    static PopulationCensus of(const std::map<int, osg::ref_ptr<Life>>& lives);
    void add(const Life& life);

    int count(Group group) const { return moments[group][0].count; }
    int total() const { return count(HERBIVORES) + count(CARNIVORES) + count(PLANTS); }
    static int traitCount(Group group) { return group == PLANTS ? int(PLANT_TRAITS) : int(ANIMAL_TRAITS); }
    // Both 0 for an empty group.
    double mean(Group group, int trait) const { return moments[group][trait].mean; }
    double spread(Group group, int trait) const;
    // How many births separate a kind from the genesis: the mean and the largest; both 0 for an empty group.
    double meanGeneration(Group group) const { return generations[group].mean; }
    int largestGeneration(Group group) const { return largest[group]; }

    // "herbivore", "carnivore", "plant"; a trait's name as in the CSV's columns ("speed", "spawnRadius").
    static std::string groupName(Group group);
    static std::string traitName(Group group, int trait);
    // The 1-based CSV column of a trait's mean; its spread is the next one.
    static int traitColumn(Group group, int trait);

    // "tick,herbivores,carnivores,plants,herbivore_speed_mean,herbivore_speed_sd,...", then
    // "herbivore_generation_mean,herbivore_generation_max,..." for the three kinds.
    static std::string csvHeader();
    // The row for this census; the traits of an empty group are left blank.
    std::string csvRow(int tick) const;

private:
    // Welford's running mean and sum of squared deviations: no cancellation on large counts.
    struct Moments {
        int count = 0;
        double mean = 0.0;
        double squares = 0.0;
        void add(double x);
    };

    void addGeneration(Group group, int generation);

    Moments moments[GROUPS][MAX_TRAITS];
    Moments generations[GROUPS];
    int largest[GROUPS] = {};
};
