#include "lab/PopulationHistory.h"

#include "life/Animal.h"

#include <algorithm>

PopulationHistory::PopulationHistory(size_t capacity, Span kept)
    : limit(std::max<size_t>(capacity, 1)), span(kept) {}

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

bool PopulationHistory::wants(long tick) const {
    return span == Span::Recent || samples.empty() || tick - samples.back().tick >= stride;
}

void PopulationHistory::expect(long ticks) {
    if (span != Span::Whole)
        return;
    // Room left for half the capacity, so the points to come thin out as those before did.
    while (ticks / stride > static_cast<long>(limit / 2))
        stride *= 2;
}

void PopulationHistory::clear() {
    samples.clear();
    stride = 1;
}

void PopulationHistory::record(long tick, const Counts& counts, const Means& means) {
    if (!wants(tick))
        return;
    if (samples.size() == limit && span == Span::Recent)
        samples.pop_front();
    if (samples.size() == limit) {
        // Every other point goes, the first (the run's start) staying: half the resolution, half the room.
        std::deque<Sample> kept;
        for (size_t i = 0; i < samples.size(); i += 2)
            kept.push_back(samples[i]);
        samples.swap(kept);
        stride *= 2;
        if (!wants(tick))
            return;
    }
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
