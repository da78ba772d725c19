// A headless world keeps its living counts through births, deaths, kills and loads. (That it ticks
// as a drawn one does, and that its saves are drawn in full, is the scene's to show.)
#include "ScratchFolder.h"
#include "SeededBoard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

TEST(HeadlessWorld, KeepsTheLivingCountsThroughBirthsDeathsKillsAndLoads) {
    ScratchFolder scratch("sylvara-headless");
    SeededBoard::expectCountsThroughKillsAndLoads(scratch.file("counted.sylvara"));
}
