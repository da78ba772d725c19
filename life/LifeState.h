#pragma once

#include "common/OrganismKind.h"

// Behaviour state of an organism (the value of Life::state).
enum LifeState {
    STATE_DEAD = 0,
    STATE_REPRODUCE = 1,
    STATE_CHASE = 2,
    STATE_FLEE = 3,
    STATE_FIGHT = 4,
    STATE_IDLE = 6,
    STATE_WITHERING = 7,
    STATE_FORCED_GROWTH = 8
};

enum LifeCategory { CATEGORY_PLANT = 0, CATEGORY_ANIMAL = 1 };

// Animation ids: the load order of the core models' animations.
enum AnimationId { ANIM_BIRTH = 0, ANIM_WALK = 1, ANIM_RUN = 2, ANIM_DAMAGED = 3, ANIM_DIE = 4, PLANT_ANIM_DIE = 1 };
