#pragma once

#include "common/CensusColumns.h"
#include "life/Life.h"
#include "life/Lives.h"

#include <osg/ref_ptr>

#include <map>
#include <string>

// A count of the living organisms by kind, with the mean and spread
// (population standard deviation) of every genome trait of each kind.
// Organisms already dead (playing their death) are not counted.
class PopulationCensus : public CensusColumns {
public:
    static PopulationCensus of(const Lives& lives);
    void add(const Life& life);

    int count(OrganismKind::Value group) const { return moments[group][0].count; }
    int total() const {
        return count(OrganismKind::HERBIVORES) + count(OrganismKind::CARNIVORES) +
               count(OrganismKind::PLANTS);
    }
    // Both 0 for an empty group.
    double mean(OrganismKind::Value group, int trait) const { return moments[group][trait].mean; }
    double spread(OrganismKind::Value group, int trait) const;
    // How many births separate a kind from the genesis: the mean and the largest; both 0 for an empty group.
    double meanGeneration(OrganismKind::Value group) const { return generations[group].mean; }
    int largestGeneration(OrganismKind::Value group) const { return largest[group]; }

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

    void addGeneration(OrganismKind::Value group, int generation);

    Moments moments[OrganismKind::COUNT][MAX_TRAITS];
    Moments generations[OrganismKind::COUNT];
    int largest[OrganismKind::COUNT] = {};
};
