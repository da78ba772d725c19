#pragma once

#include "common/RecordFields.h"
#include "life/LifeState.h"

#include <osg/Vec3d>

// An organism's common part: X(type, member, initial, column, codec). The tables that keep it choose
// which of these they hold and where (see AnimalRecord.h). LISTED entries are where the organism is
// listed, which it does not keep itself. The birth tick is unknown (-1) for those
// saved before parents were kept; the tile is the one whose list holds it, and the place its place
// in that list (0 first). The heading is an animal's direction of travel, the turn a plant was born
// with.
#define SYLVARA_LIFE_FIELDS(X, LISTED)                                                                       \
    X(int, id, 0, "id", Id)                                                                                  \
    X(int, generation, 0, "generation", Whole)                                                               \
    X(int, parentId, NO_PARENT, "parent_id", OrNull)                                                         \
    X(long, birthTick, -1, "birth_tick", Whole)                                                              \
    X(int, genotypeId, -1, "genotype_id", Whole)                                                             \
    X(int, state, STATE_IDLE, "state", State)                                                                \
    X(int, size, 1, "size", Trait)                                                                           \
    X(int, spawnEfficiency, 1, "spawn_efficiency", Trait)                                                    \
    X(float, energy, 0.0f, "energy", Single)                                                                 \
    X(float, adrenalineLevel, 0.0f, "adrenaline_level", Single)                                              \
    X(osg::Vec3d, position, osg::Vec3d(), "", Point)                                                         \
    X(float, heading, 0.0f, "heading", Single)                                                               \
    LISTED(int, tileColumn, 0, "tile_column", Whole)                                                         \
    LISTED(int, tileRow, 0, "tile_row", Whole)                                                               \
    LISTED(int, place, 0, "place", Whole)

// The ancestry table: who each organism descends from, and since when.
#define SYLVARA_ANCESTRY_FIELDS(LIFE)                                                                        \
    LIFE(id)                                                                                                 \
    LIFE(parentId)                                                                                           \
    LIFE(birthTick, 0, tick)                                                                                 \
    LIFE(genotypeId, 0, INT_MAX)

// An organism's common part as plain values, with the tile it is listed on: what a saved world
// keeps of it, together with its kind's own record.
struct LifeRecord {
    // None for organisms made by the genesis or the user, and for those saved before parents were kept.
    static constexpr int NO_PARENT = -1;

    SYLVARA_LIFE_FIELDS(SYLVARA_RECORD_MEMBER, SYLVARA_RECORD_MEMBER)
};
