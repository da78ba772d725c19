#pragma once

#include "life/LifeRecord.h"

#include <algorithm>

// A plant's table, column by column. The grown size is its current size, which is also its energy
// ceiling; a withered plant glows red, also while it dies; the bloom stands full at full energy,
// flatter as the energy runs low. Plants are never smaller than the rules allow.
#define SYLVARA_PLANT_FIELDS(LIFE, OWN)                                                                      \
    LIFE(id)                                                                                                 \
    LIFE(generation, 0, INT_MAX)                                                                             \
    LIFE(tileColumn, 0, INT_MAX)                                                                             \
    LIFE(tileRow, 0, INT_MAX)                                                                                \
    LIFE(place, 0, INT_MAX)                                                                                  \
    LIFE(state, PlantRecord::keepsState)                                                                     \
    LIFE(energy)                                                                                             \
    OWN(float, grownSize, 1.0f, "grown_size", Single)                                                        \
    LIFE(position)                                                                                           \
    LIFE(heading)                                                                                            \
    OWN(int, offspring, 1, "offspring", Trait)                                                               \
    OWN(int, spawnRadius, 1, "spawn_radius", Trait)                                                          \
    LIFE(spawnEfficiency)                                                                                    \
    LIFE(size, rules.plantMinSize, 100)                                                                      \
    OWN(int, segments, 1, "segments", Trait, 1, std::max(r.life.size / rules.plantSegmentSize, 1))           \
    OWN(int, countdown, 0, "countdown", Whole, 0,                                                            \
        r.life.state == STATE_DEAD ? rules.plantDeathTicks : rules.plantWitherTicks)                         \
    OWN(int, seedsReleased, 0, "seeds_released", Trait, 0, r.offspring / rules.plantSeedsPer)                \
    OWN(int, ripeSeeds, 0, "ripe_seeds", Trait, 0, r.offspring / rules.plantSeedsPer + 1)                    \
    OWN(bool, seedRingBuilt, false, "seed_ring_built", Flag)                                                 \
    OWN(bool, withered, false, "withered", Flag)                                                             \
    OWN(float, bloomHeight, 1.0f, "bloom_height", Single)

// A plant as plain values: its common part, genome, growth, seeding and countdown.
struct PlantRecord {
    LifeRecord life;
    SYLVARA_PLANT_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_RECORD_MEMBER)

    // The states a saved plant may be in.
    static bool keepsState(int state) {
        return state == STATE_DEAD || state == STATE_IDLE || state == STATE_WITHERING ||
               state == STATE_FORCED_GROWTH;
    }
};
