// The frame loop's pass over a World: how many ticks it runs, paused or not, and what an
// exception inside it does. A headless World is enough: the pass only ticks it.
#include "WorldFixture.h"

#include "app/Application.h"

#include <chrono>
#include <stdexcept>
#include <thread>

// While paused a frame pass runs the full 30 ticks, and the world does not move; the pass that
// resumes it runs one.
TEST_F(WorldFixture, APausedFrameRunsThirtyTicksAndTheWorldStandsStill) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {375, 375, 0});
    world->pauseRequested = true;
    world->tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(world->getTickIntervalMs() + 5));
    const osg::Vec3d at = animal->getPosition();
    const long ticked = world->getTickNumber();
    EXPECT_EQ(Application::framePass(*world, nullptr), Application::MAX_TICKS_PER_PASS);
    EXPECT_EQ(Application::framePass(*world, nullptr), Application::MAX_TICKS_PER_PASS);
    EXPECT_EQ(animal->getPosition(), at);
    EXPECT_EQ(world->getTickNumber(), ticked);
    world->pauseRequested = true;
    EXPECT_EQ(Application::framePass(*world, nullptr), 1);
    EXPECT_NE(animal->getPosition(), at);
}

// An exception in a frame pass is said once, and the next pass runs as if nothing had happened.
TEST_F(WorldFixture, AnExceptionIsSaidOnceAndTheNextFrameRuns) {
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Application::guarded([] { throw std::runtime_error("in a tick"); }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "EXCEPTION!\n");

    std::this_thread::sleep_for(std::chrono::milliseconds(world->getTickIntervalMs() + 5));
    int ticked = 0;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(Application::guarded([&] { ticked = Application::framePass(*world, nullptr); }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ticked, 1);
}
