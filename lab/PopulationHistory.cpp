#include "lab/PopulationHistory.h"

#include "life/Animal.h"

#include <algorithm>

PopulationHistory::PopulationHistory(size_t capacity) : limit(std::max<size_t>(capacity, 1)) {}

PopulationHistory::Counts PopulationHistory::countLiving(const Lives& lives) {
    Counts counts{};
    for (const auto& entry : lives) {
        const Life& life = *entry.second;
        if (life.getState() == STATE_DEAD)
            continue;
        if (life.getCategory() == CATEGORY_PLANT)
            counts[OrganismKind::PLANTS] += 1;
        else if (static_cast<const Animal&>(life).getKind() == KIND_HERBIVORE)
            counts[OrganismKind::HERBIVORES] += 1;
        else if (static_cast<const Animal&>(life).getKind() == KIND_CARNIVORE)
            counts[OrganismKind::CARNIVORES] += 1;
    }
    return counts;
}

void PopulationHistory::record(long tick, const Counts& counts, const Means& means) {
    if (samples.size() == limit)
        samples.pop_front();
    samples.push_back(Sample{tick, counts, means});
}

void PopulationHistory::record(long tick, const PopulationCensus& census) {
    Counts counts{};
    Means means{};
    for (int kind = 0; kind < OrganismKind::COUNT; ++kind) {
        const auto group = static_cast<OrganismKind::Value>(kind);
        counts[kind] = census.count(group);
        for (int trait = 0; trait < CensusColumns::traitCount(group); ++trait)
            means[kind][trait] = static_cast<float>(census.mean(group, trait));
    }
    record(tick, counts, means);
}

int PopulationHistory::largest() const {
    int most = 0;
    for (const Sample& sample : samples)
        most = std::max(most, *std::max_element(sample.counts.begin(), sample.counts.end()));
    return most;
}

int PopulationHistory::scaleTop(int value) {
    for (long power = 10;; power *= 10)
        for (long step : {1, 2, 5})
            if (step * power >= value)
                return static_cast<int>(std::min(step * power, 2000000000L));
}
