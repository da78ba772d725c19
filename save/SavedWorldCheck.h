#pragma once

#include "save/WorldRecord.h"

#include <string>

// Checks that a world record read from a file holds together before anything is built from it:
// the board size, every tile once, ids used once, every organism listed once on the tile under
// its position, every target alive, and a selection among the ids given. Puts the lists in the order of their
// tiles.
class SavedWorldCheck {
public:
    // False with the problem in one line.
    static bool check(WorldRecord& world, std::string& problem);

private:
    static bool checkTiles(WorldRecord& world, std::string& problem);
    template <typename Record>
    static bool checkListing(std::vector<Record>& lives, const char* what, int size, std::string& problem);
    static bool checkIds(const WorldRecord& world, std::string& problem);
    static bool checkTargets(WorldRecord& world, std::string& problem);
};
