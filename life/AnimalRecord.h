#pragma once

#include "life/LifeRecord.h"

// An animal as plain values: its common part, genome, movement flags, target and countdown.
struct AnimalRecord {
    static constexpr int NO_TARGET = -1;

    LifeRecord life;
    int kind = KIND_HERBIVORE;
    int speed = 1;
    int adrenaline = 1;
    int preySize = 1;
    // The id of the prey chased or the hunter fled from; a dying animal keeps none.
    int targetId = NO_TARGET;
    bool walking = false;
    bool running = false;
    bool exhausted = false;
    int deathCountdown = 0;
};
