#pragma once

#include "life/LifeState.h"

#include <osg/Vec3d>

// An organism's common part as plain values, with the tile it is listed on: what a saved world
// keeps of it, together with its kind's own record.
struct LifeRecord {
    static constexpr int NO_PARENT = -1;

    int id = 0;
    int generation = 0;
    // None for organisms made by the genesis or the user; none and an unknown birth tick (-1) for
    // those saved before parents were kept.
    int parentId = NO_PARENT;
    long birthTick = -1;
    int genotypeId = -1;
    int state = STATE_IDLE;
    int size = 1;
    int spawnEfficiency = 1;
    float energy = 0.0f;
    float adrenalineLevel = 0.0f;
    // Where its transform stands.
    osg::Vec3d position;
    // An animal's direction of travel; the turn a plant was born with.
    float heading = 0.0f;
    // The tile whose list holds it, and its place in that list (0 first).
    int tileColumn = 0;
    int tileRow = 0;
    int place = 0;
};
