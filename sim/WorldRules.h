#pragma once

#include "sim/SimulationOptions.h"
#include "world/World.h"

#include <string>

// The rules and rescue a world runs under: a new world's come from the command line; a saved
// world keeps its own, changed from the loaded tick on by any the command line gives.
class WorldRules {
public:
    static void applyToNew(World& world, const SimulationOptions& options);
    // Before a saved world is built: false, with a one-line reason, when its rules changed by the
    // command line's cannot run together.
    static bool checkLoaded(const Rules& saved, const SimulationOptions& options, std::string& error);
    // After the saved world is restored. Returns the line that announces changed rules, or empty.
    static std::string applyToLoaded(World& world, const SimulationOptions& options);
    // "rules changed from tick 600: mutation.chance 60 -> 0", or that the saved world already had them.
    static std::string changeLine(const Rules& before, const Rules& after, long tick);
    // "herbivores=5 plants=20".
    static std::string keepText(const World::Floors& floors);
};
