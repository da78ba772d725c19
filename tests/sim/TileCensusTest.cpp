// The tile census: each tile's living, whose sum is the board's census, on the tile they live on.
#include "ScratchFolder.h"
#include "sim/WholeRun.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

// The first cells of a row, as numbers: a census row's traits may be empty.
std::vector<long> numbers(const std::string& line, size_t count = 6) {
    std::vector<long> out;
    std::stringstream text(line);
    for (std::string cell; out.size() < count && std::getline(text, cell, ',');)
        out.push_back(std::stol(cell));
    return out;
}

SimulationOptions tiledRun(const ScratchFolder& scratch) {
    SimulationOptions options;
    options.size = 4;
    options.ticks = 600;
    options.seeded = true;
    options.seed = 11;
    options.csvFile = scratch.file("run.csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    options.tilesFile = scratch.file("tiles.csv");
    return options;
}

} // namespace

TEST(TileCensus, TilesAddUpToTheCensusAtEveryRow) {
    ScratchFolder scratch("sylvara-tile-census");
    const SimulationOptions options = tiledRun(scratch);
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    EXPECT_NE(said.find("tile census " + options.tilesFile), std::string::npos) << said;

    const std::vector<std::string> census = lines(options.csvFile);
    const std::vector<std::string> tiles = lines(options.tilesFile);
    ASSERT_EQ(tiles.at(0), "tick,column,row,herbivores,carnivores,plants");
    ASSERT_EQ(tiles.size(), 1 + 16 * (census.size() - 1));
    std::map<long, std::vector<long>> sums;
    for (size_t i = 1; i < tiles.size(); ++i) {
        const std::vector<long> t = numbers(tiles[i]);
        ASSERT_EQ(t.size(), 6u) << tiles[i];
        // Row order, then column, every tile once per census.
        const long index = static_cast<long>((i - 1) % 16);
        EXPECT_EQ(t[1], index % 4) << tiles[i];
        EXPECT_EQ(t[2], index / 4) << tiles[i];
        std::vector<long>& sum = sums[t[0]];
        sum.resize(3);
        for (int k = 0; k < 3; ++k)
            sum[static_cast<size_t>(k)] += t[static_cast<size_t>(3 + k)];
    }
    for (size_t r = 1; r < census.size(); ++r) {
        const std::vector<long> row = numbers(census[r], 4);
        ASSERT_TRUE(sums.count(row[0])) << census[r];
        EXPECT_EQ(sums[row[0]], std::vector<long>(row.begin() + 1, row.begin() + 4)) << "tick " << row[0];
    }
}

TEST(TileCensus, CountsOrganismsOnTheTileTheyLiveOn) {
    ScratchFolder scratch("sylvara-tile-census-place");
    SimulationOptions options = tiledRun(scratch);
    options.ticks = 1;
    // Column 2, row 1: the genesis puts its 10 of each kind there and nowhere else.
    options.genesis = SimulationOptions::Genesis::Tiles;
    options.genesisTiles = {{2, 1}};
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    const std::vector<std::string> tiles = lines(options.tilesFile);
    ASSERT_GE(tiles.size(), 17u);
    for (size_t i = 1; i <= 16; ++i) {
        const std::vector<long> t = numbers(tiles[i]);
        const bool genesisTile = t[1] == 2 && t[2] == 1;
        EXPECT_EQ(t[3] + t[4], genesisTile ? 20 : 0) << tiles[i];
        EXPECT_EQ(t[5], genesisTile ? 10 : 0) << tiles[i];
    }
}

TEST(TileCensus, AFileThatCannotBeWrittenIsRefusedBeforeTheRun) {
    ScratchFolder scratch("sylvara-tile-census-refused");
    SimulationOptions options = tiledRun(scratch);
    options.tilesFile = scratch.file("no-folder/tiles.csv");
    std::string said;
    EXPECT_FALSE(runWhole(options, said));
    EXPECT_NE(said.find("tiles.csv"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), std::string::npos) << "one line: " << said;
}
