#pragma once

#include "save/MarkerRecord.h"

#include <vector>

class World;

// Takes the timed markers of a World down as records, and puts them back with the ticks they had left.
class MarkerRecorder {
public:
    static std::vector<MarkerRecord> record(const World& world);
    static void replay(World& world, const MarkerRecord& marker);
};
