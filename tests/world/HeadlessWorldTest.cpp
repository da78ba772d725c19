// A headless world keeps its living counts through births, deaths, kills and loads. (That it ticks
// as a drawn one does, and that its saves are drawn in full, is the scene's to show.)
#include "ScratchFolder.h"
#include "SeededBoard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

TEST(HeadlessWorld, KeepsTheLivingCountsThroughBirthsDeathsKillsAndLoads) {
    ScratchFolder scratch("sylvara-headless");
    SeededBoard board;
    SeededBoard::expectCountsMatchACensus(*board.world, "an empty board");
    board.genesis();
    SeededBoard::expectCountsMatchACensus(*board.world, "after the genesis");
    testing::internal::CaptureStdout();
    for (int t = 0; t < 400; ++t) {
        if (t == 150) {
            // The kill tool starts every organism's dying on a tile at once.
            board.world->getTiles()->tileAt(1, 1)->killAll();
            SeededBoard::expectCountsMatchACensus(*board.world, "right after a kill");
        }
        board.world->tick();
        SeededBoard::expectCountsMatchACensus(*board.world, "tick " + std::to_string(t));
    }
    testing::internal::GetCapturedStdout();
    ASSERT_GT(board.world->getLiving().total(), 0);
    const std::string file = scratch.file("counted.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorld::capture(*board.world).write(file, error)) << error;
    auto back = SeededBoard::loaded(file);
    SeededBoard::expectCountsMatchACensus(*back->world, "a loaded world, dying organisms among it");
    EXPECT_EQ(back->world->getLiving().total(), board.world->getLiving().total());
    RandomSeed::release();
}
