// A world saved at any tick and loaded again goes on exactly as the one that never stopped, headless.
#include "ExactResume.h"

TEST(SavedWorldResume, LoadedWorldsGoOnExactlyAsTheRunThatNeverStopped) {
    exact_resume::expectExactResume([](int size) { return std::make_unique<World>(size); }, nullptr, false);
}
