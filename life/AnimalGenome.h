#pragma once

#include "common/Rules.h"

// The six inherited values of an animal and their drift at every birth.
class AnimalGenome {
public:
    static void mutate(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size, int& preySize,
                       const Rules& rules = Rules::defaults());
    static int clampTrait(int value);
};
