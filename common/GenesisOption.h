#pragma once

#include <string>
#include <utility>
#include <vector>

// The tiles a --genesis option names: "all", "none" or "C,R[;C,R...]" by column and row from 0.
// sylvara-sim and sylvara-lab read it, and the sweep checks its patterns with it before any job.
class GenesisOption {
public:
    enum class Where { All, None, Tiles };

    // Reads the option's value; on a bad tile, false with a one-line reason.
    static bool read(const std::string& text, Where& where, std::vector<std::pair<int, int>>& tiles,
                     std::string& error);
    // False, with a one-line reason, when a tile lies off a board of that many tiles per side.
    static bool fitsBoard(const std::vector<std::pair<int, int>>& tiles, int size, std::string& error);
};
