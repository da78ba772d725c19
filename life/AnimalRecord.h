#pragma once

#include "life/LifeRecord.h"

// An animal's table, column by column. The target is the id of the prey chased or the hunter fled
// from; a dying animal keeps none. The animal holds it as a pointer: a LINKED entry.
#define SYLVARA_ANIMAL_FIELDS(LIFE, OWN, LINKED)                                                             \
    LIFE(id)                                                                                                 \
    OWN(int, kind, KIND_HERBIVORE, "kind", AnimalKind)                                                       \
    LIFE(generation, 0, INT_MAX)                                                                             \
    LIFE(tileColumn, 0, INT_MAX)                                                                             \
    LIFE(tileRow, 0, INT_MAX)                                                                                \
    LIFE(place, 0, INT_MAX)                                                                                  \
    LIFE(state, AnimalRecord::keepsState)                                                                    \
    LIFE(energy)                                                                                             \
    LIFE(adrenalineLevel)                                                                                    \
    LIFE(position)                                                                                           \
    LIFE(heading)                                                                                            \
    OWN(int, speed, 1, "speed", Trait)                                                                       \
    OWN(int, adrenaline, 1, "adrenaline", Trait)                                                             \
    LIFE(spawnEfficiency)                                                                                    \
    LIFE(size)                                                                                               \
    OWN(int, preySize, 1, "prey_size", Trait)                                                                \
    LINKED(int, targetId, NO_TARGET, "target_id", OrNull)                                                    \
    OWN(bool, walking, false, "walking", Flag)                                                               \
    OWN(bool, running, false, "running", Flag)                                                               \
    OWN(bool, exhausted, false, "exhausted", Flag)                                                           \
    OWN(int, deathCountdown, 0, "death_countdown", Whole, 0, rules.animalDeathTicks)

// An animal as plain values: its common part, genome, movement flags, target and countdown.
struct AnimalRecord {
    static constexpr int NO_TARGET = -1;

    LifeRecord life;
    SYLVARA_ANIMAL_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_RECORD_MEMBER, SYLVARA_RECORD_MEMBER)

    // The states a saved animal may be in: the others last within a tick.
    static bool keepsState(int state) {
        return state == STATE_DEAD || state == STATE_CHASE || state == STATE_FLEE || state == STATE_IDLE;
    }
};
