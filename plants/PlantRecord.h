#pragma once

#include "life/LifeRecord.h"

// A plant as plain values: its common part, genome, growth, seeding and countdown.
struct PlantRecord {
    LifeRecord life;
    int offspring = 1;
    int spawnRadius = 1;
    // Its current size, which is also its energy ceiling.
    float grownSize = 1.0f;
    int segments = 1;
    int countdown = 0;
    int seedsReleased = 0;
    int ripeSeeds = 0;
    bool seedRingBuilt = false;
    // It withered: it glows red, also while it dies.
    bool withered = false;
    // How tall its bloom stands: a full bloom at full energy, flatter as the energy runs low.
    float bloomHeight = 1.0f;
};
