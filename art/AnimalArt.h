#pragma once

#include "art/CalArt.h"

#include <cal3d/coremesh.h>

#include <string>

class SkinnedShape;

// The animals' shared skeleton and animations and their two bodies: a rounded
// grazer and a lean hunter. In model space an animal faces -y with z up and
// stands on z = 0, about 10 units long and drawn a little tall, since the
// program squashes it to between half and full height by its energy.
class AnimalArt {
public:
    enum BoneId {
        PELVIS, CHEST, NECK, HEAD, TAIL1, TAIL2, TAIL3,
        FRONT_LEFT_UPPER, FRONT_LEFT_LOWER, FRONT_RIGHT_UPPER, FRONT_RIGHT_LOWER,
        HIND_LEFT_UPPER, HIND_LEFT_LOWER, HIND_RIGHT_UPPER, HIND_RIGHT_LOWER,
        BONE_COUNT
    };

    static const std::vector<CalArt::Bone>& bones();

    static CalCoreAnimationPtr makeBirth();
    static CalCoreAnimationPtr makeWalk();
    static CalCoreAnimationPtr makeRun();
    static CalCoreAnimationPtr makeDamaged();
    static CalCoreAnimationPtr makeDie();

    static SkinnedShape herbivoreShape();
    static SkinnedShape carnivoreShape();
    static CalCoreMeshPtr makeMesh(const SkinnedShape& shape);

    static bool writeAll(const std::string& folder);
};
