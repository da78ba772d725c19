#pragma once

#include "common/CensusColumns.h"
#include "life/Life.h"
#include "life/Lives.h"
#include "sim/PopulationCensus.h"

#include <osg/ref_ptr>

#include <array>
#include <deque>
#include <map>

// The living herbivores, carnivores and plants of the last ticks, oldest first, with the mean
// of each kind's genome traits: what the lab's chart draws.
class PopulationHistory {
public:
    using Counts = std::array<int, OrganismKind::COUNT>;
    // By kind, then by trait in the census's order; a kind with no living members has no means.
    using Means = std::array<std::array<float, CensusColumns::MAX_TRAITS>, OrganismKind::COUNT>;

    explicit PopulationHistory(size_t capacity);

    // Organisms playing their death do not count.
    static Counts countLiving(const Lives& lives);

    // Keeps the counts and means of the tick; the oldest goes once the capacity is reached.
    void record(long tick, const Counts& counts, const Means& means = {});
    void record(long tick, const PopulationCensus& census);
    size_t size() const { return samples.size(); }
    size_t capacity() const { return limit; }
    bool empty() const { return samples.empty(); }
    long firstTick() const { return samples.front().tick; }
    long lastTick() const { return samples.back().tick; }
    long tickAt(size_t index) const { return samples[index].tick; }
    int countAt(size_t index, OrganismKind::Value kind) const { return samples[index].counts[kind]; }
    float meanAt(size_t index, OrganismKind::Value kind, int trait) const {
        return samples[index].means[kind][trait];
    }
    const Counts& latest() const { return samples.back().counts; }
    // The largest count of any kind held.
    int largest() const;

    // The top of a scale that holds the value: 1, 2 or 5 times a power of ten, at least 10.
    static int scaleTop(int value);

private:
    struct Sample {
        long tick;
        Counts counts;
        Means means;
    };
    size_t limit;
    std::deque<Sample> samples;
};
