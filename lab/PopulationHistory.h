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
// of each kind's genome traits: what the lab's chart draws. Recent, it holds the last ticks up to
// its capacity; whole, it holds the run from its first tick, and when full drops every other point
// and from then on keeps one tick in twice as many: never more points than its capacity, however
// long the run.
class PopulationHistory {
public:
    enum class Span { Recent, Whole };
    using Counts = std::array<int, OrganismKind::COUNT>;
    // By kind, then by trait in the census's order; a kind with no living members has no means.
    using Means = std::array<std::array<float, CensusColumns::MAX_TRAITS>, OrganismKind::COUNT>;

    explicit PopulationHistory(size_t capacity, Span span = Span::Recent);

    // Organisms playing their death do not count.
    static Counts countLiving(const Lives& lives);

    // Keeps the counts and means of the tick when it wants it; the oldest goes once a recent history's
    // capacity is reached.
    void record(long tick, const Counts& counts, const Means& means = {});
    void record(long tick, const PopulationCensus& census);
    // Whether the tick would be kept: always for a recent history, one in every stride for a whole one.
    bool wants(long tick) const;
    // Ticks between two points a whole history keeps now: 1 until it first fills, then 2, 4, ...
    long getStride() const { return stride; }
    // A whole history about to be given this many ticks starts with the stride that holds them, so
    // it need not be given every one.
    void expect(long ticks);
    // Forgets every point: a new world's history starts.
    void clear();
    Span getSpan() const { return span; }
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
    Span span;
    long stride = 1;
    std::deque<Sample> samples;
};
