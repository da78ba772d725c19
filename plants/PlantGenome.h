#pragma once

#include "common/Rules.h"

// The four inherited values of a plant and their drift at every seeding.
class PlantGenome {
public:
    static void mutate(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                       const Rules& rules = Rules::defaults());
};
