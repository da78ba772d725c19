#include "common/GenesisOption.h"

#include "common/OptionReader.h"

#include <climits>

namespace {

// A tile's column or row may be written negative: it is then off the board rather than no number.
const OptionReader READER(OptionReader::Sign::Allowed, OptionReader::Strays::Named);

// "C,R;C,R..." with every part a number; the range is checked once the size is known.
bool readTiles(const std::string& text, std::vector<std::pair<int, int>>& tiles, std::string& error) {
    tiles.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string tile = text.substr(start, end - start);
        const size_t comma = tile.find(',');
        if (comma == std::string::npos || tile.find(',', comma + 1) != std::string::npos) {
            error = "--genesis: \"" + tile + "\" is not a tile (give all, none or C,R[;C,R...])";
            return false;
        }
        int column = 0;
        int row = 0;
        if (!READER.readCount("--genesis", tile.substr(0, comma), INT_MIN, INT_MAX, column, error) ||
            !READER.readCount("--genesis", tile.substr(comma + 1), INT_MIN, INT_MAX, row, error))
            return false;
        tiles.emplace_back(column, row);
        start = end + 1;
    }
    return true;
}

} // namespace

bool GenesisOption::read(const std::string& text, Where& where, std::vector<std::pair<int, int>>& tiles,
                         std::string& error) {
    tiles.clear();
    if (text == "all" || text == "none") {
        where = text == "all" ? Where::All : Where::None;
        return true;
    }
    where = Where::Tiles;
    return readTiles(text, tiles, error);
}

bool GenesisOption::fitsBoard(const std::vector<std::pair<int, int>>& tiles, int size, std::string& error) {
    for (const auto& tile : tiles) {
        if (tile.first < 0 || tile.second < 0 || tile.first >= size || tile.second >= size) {
            error = "--genesis: tile " + std::to_string(tile.first) + "," + std::to_string(tile.second) +
                    " is off a board of " + std::to_string(size) + " tiles per side (0.." +
                    std::to_string(size - 1) + ")";
            return false;
        }
    }
    return true;
}
