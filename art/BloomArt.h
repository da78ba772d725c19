#pragma once

#include "art/CalArt.h"

#include <cal3d/coremesh.h>

#include <string>

// The plant's flower head: a calyx, a domed heart and a ring of petals, each
// petal with a base and a tip bone so it can open, curl and droop. It rests on
// the stem's top at the origin, open, about 0.12 in radius: the program scales
// it by 7 to 160.
class BloomArt {
public:
    static constexpr int kPetals = 8;
    enum BoneId { CALYX, HEART, FIRST_PETAL };
    static int petalBase(int petal) { return FIRST_PETAL + 2 * petal; }
    static int petalTip(int petal) { return FIRST_PETAL + 2 * petal + 1; }

    static const std::vector<CalArt::Bone>& bones();
    static CalCoreAnimationPtr makeBirth();
    static CalCoreAnimationPtr makeDeath();
    static CalCoreMeshPtr makeMesh();

    static bool writeAll(const std::string& folder);
};
