#include "sim/TileCensus.h"

#include "common/OutputFiles.h"
#include "life/Animal.h"
#include "life/LifeState.h"
#include "world/WorldTile.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <unistd.h>

TileCensus::~TileCensus() {
    if (stream)
        std::fclose(stream);
}

std::vector<TileCensus::Counts> TileCensus::of(const Lives& lives, int size) {
    std::vector<Counts> tiles(static_cast<size_t>(size) * static_cast<size_t>(size));
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            Counts& c = tiles[static_cast<size_t>(row * size + column)];
            c.column = column;
            c.row = row;
        }
    for (const auto& entry : lives) {
        const Life& life = *entry.second;
        const WorldTile* tile = life.getTile();
        if (life.getState() == STATE_DEAD || !tile)
            continue;
        const int column = tile->getColumn();
        const int row = tile->getRow();
        if (column < 0 || row < 0 || column >= size || row >= size)
            continue;
        Counts& c = tiles[static_cast<size_t>(row * size + column)];
        if (life.getCategory() == CATEGORY_PLANT)
            c.plants += 1;
        else if (static_cast<const Animal&>(life).getKind() == KIND_HERBIVORE)
            c.herbivores += 1;
        else if (static_cast<const Animal&>(life).getKind() == KIND_CARNIVORE)
            c.carnivores += 1;
    }
    return tiles;
}

bool TileCensus::open(std::string& error) {
    stream = std::fopen(file.c_str(), "w");
    if (!stream) {
        error = "cannot write the tile census " + OutputFiles::printable(file) + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream said;
    if (writeText(csvHeader() + "\n", said))
        return true;
    error = said.str();
    while (!error.empty() && error.back() == '\n')
        error.pop_back();
    return false;
}

bool TileCensus::writeText(const std::string& text, std::ostream& out) {
    if (!stream || failed)
        return false;
    errno = 0;
    if (std::fputs(text.c_str(), stream) >= 0 && std::fflush(stream) == 0) {
        bytes += static_cast<long>(text.size());
        return true;
    }
    const int reason = errno != 0 ? errno : EIO;
    failed = true;
    // A census cut short inside a tick would read as a board with empty tiles: the file ends with the
    // last whole census.
    std::clearerr(stream);
    const bool whole = ftruncate(fileno(stream), bytes) == 0;
    out << "could not write the tile census " << OutputFiles::printable(file) << " (" << std::strerror(reason)
        << "): it holds " << rows << " rows" << (whole ? "" : ", the last maybe cut short") << std::endl;
    return false;
}

void TileCensus::write(long tick, const std::vector<Counts>& tiles, std::ostream& out) {
    std::string text;
    char line[128];
    for (const Counts& c : tiles) {
        std::snprintf(line, sizeof line, "%ld,%d,%d,%d,%d,%d\n", tick, c.column, c.row, c.herbivores,
                      c.carnivores, c.plants);
        text += line;
    }
    if (writeText(text, out))
        rows += static_cast<long>(tiles.size());
}

bool TileCensus::close(std::ostream& out) {
    if (!stream)
        return !failed;
    if (std::fclose(stream) != 0 && !failed) {
        failed = true;
        out << "could not write the tile census " << OutputFiles::printable(file) << " ("
            << std::strerror(errno) << ")" << std::endl;
    }
    stream = nullptr;
    return !failed;
}
