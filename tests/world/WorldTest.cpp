#include "WorldFixture.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

TEST_F(WorldFixture, IdsCountFromOneAndSkipLivingOwners) {
    EXPECT_EQ(world->newId(), 1);
    EXPECT_EQ(world->newId(), 2);
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0});
    EXPECT_EQ(animal->getId(), 3);
    EXPECT_EQ(world->getLives().count(3), 1u);
}

TEST_F(WorldFixture, PauseFlipsOncePerTickAndHoldsRequests) {
    world->pauseRequested = true;
    world->pauseRequested = true; // a second press before the tick counts once
    world->spawnHerbivoreRequested = true;
    world->tick();
    EXPECT_TRUE(world->isPaused());
    EXPECT_TRUE(world->spawnHerbivoreRequested);
    EXPECT_TRUE(world->getLives().empty());
    for (int i = 0; i < 30; ++i) // a paused frame pass's worth
        world->tick();
    EXPECT_TRUE(world->getLives().empty());
    world->pauseRequested = true;
    world->tick();
    EXPECT_FALSE(world->isPaused());
    EXPECT_FALSE(world->spawnHerbivoreRequested);
    ASSERT_EQ(world->getLives().size(), 1u);
}

TEST_F(WorldFixture, SpawnsLandUnderTheCursorOrAnywhereInside) {
    world->setCursorPoint({310.5, 420.25, 7});
    world->spawnHerbivoreRequested = true;
    world->spawnPlantRequested = true;
    world->tick();
    WorldTile* under = tile(2, 2);
    ASSERT_EQ(under->getAnimalCount(), 1);
    ASSERT_EQ(under->getPlants().size(), 1u);
    const osg::Vec3d p = static_cast<Animal*>(under->getAnimals().front())->getPosition();
    EXPECT_NEAR(p.x(), 310.5, 1.0);
    EXPECT_NEAR(p.y(), 420.25, 1.0);

    makeWorld();
    for (int i = 0; i < 200; ++i) {
        const osg::Vec3d q = world->spawnPosition();
        EXPECT_GE(q.x(), 1);
        EXPECT_LE(q.x(), 749);
        EXPECT_GE(q.y(), 1);
        EXPECT_LE(q.y(), 749);
        EXPECT_EQ(q.z(), 0);
    }
}

// Paused ticks leave a due tick due, and the organisms keep their own pace: stopping the
// characters is the scene's business.
TEST_F(WorldFixture, PausedTicksLeaveTheTickDueAndTheOrganismsPace) {
    Animal* animal = spawnAnimal(KIND_CARNIVORE, {200, 200, 0});
    const float scale = animal->getTimeScale();
    world->pauseRequested = true;
    world->tick();
    // Let a tick fall due; paused ticks must leave it due.
    std::this_thread::sleep_for(std::chrono::milliseconds(world->getTickIntervalMs() + 5));
    ticks(39);
    EXPECT_TRUE(world->isTickDue()) << "a paused tick does not renew the tick stamp";
    EXPECT_EQ(animal->getTimeScale(), scale);
}

TEST_F(WorldFixture, SelectionFollowsItsOrganismUntilItIsGone) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 10, 10, 10, 40, 40);
    world->setTool(TOOL_SELECT);
    world->setCursorPoint(animal->getPosition());
    world->applyTool();
    world->tick();
    EXPECT_EQ(world->getSelectedId(), animal->getId());
    EXPECT_EQ(world->getSelectedLife(), animal);

    const int id = animal->getId(); // the animal is freed once it is gone
    animal->die();
    ticks(1);
    EXPECT_EQ(world->getSelectedLife(), animal) << "still selected while it is dying";
    ticks(15);
    EXPECT_EQ(world->getLives().count(id), 0u);
    EXPECT_EQ(world->getSelectedLife(), nullptr);
}

TEST_F(WorldFixture, TileToolsActOnTheNextTick) {
    world->setTool(TOOL_KILL);
    world->applyTool();
    EXPECT_FALSE(world->killTileRequested) << "nothing happens off the ground";
    spawnAnimal(KIND_HERBIVORE, {400, 400, 0});
    world->setCursorPoint({400, 400, 0});
    world->applyTool();
    EXPECT_EQ(tile(2, 2)->getAnimals().front()->getState(), STATE_IDLE) << "not before the tick";
    world->tick();
    EXPECT_EQ(tile(2, 2)->getAnimals().front()->getState(), STATE_DEAD);

    world->setTool(TOOL_FERTILIZE);
    world->applyTool();
    world->applyTool(); // twice before a tick: fertilized once
    world->tick();
    EXPECT_TRUE(tile(2, 2)->isFertilized());
    world->applyTool();
    world->tick();
    EXPECT_FALSE(tile(2, 2)->isFertilized());

    world->setTool(TOOL_GENESIS);
    world->setCursorPoint({700, 10, 0});
    world->applyTool();
    world->tick();
    EXPECT_EQ(tile(4, 0)->getAnimalCount() + static_cast<int>(tile(4, 0)->getPlants().size()), 30);
}

TEST(Pacing, IntervalsAreWholeMilliseconds) {
    World world(2);
    EXPECT_EQ(world.getTickRate(), 1);
    EXPECT_EQ(world.getTickIntervalMs(), 1000);
    world.setTickRate(16);
    world.setFrameRate(72);
    EXPECT_EQ(world.getTickIntervalMs(), 62);
    EXPECT_EQ(world.getFrameIntervalMs(), 13);
    world.markFrame();
    EXPECT_FALSE(world.isFrameDue());
    EXPECT_GT(world.msUntilFrame(), 0.0);
    world.tick();
    EXPECT_FALSE(world.isTickDue()) << "a tick renews the stamp";
}

// Predator and prey of the selection: what is drawn, in which order, and from what.
class SelectionSpawnFixture : public WorldFixture {
protected:
    // Selects the organism as the select tool would, in a paused world so nothing moves.
    void select(Life* life) {
        world->setTool(TOOL_SELECT);
        world->setCursorPoint(life->getPosition());
        world->applyTool();
        world->pauseRequested = !world->isPaused();
        world->tick();
        ASSERT_EQ(world->getSelectedLife(), life);
    }
    // A seed whose draws make the test's case; the draws come back in order.
    static std::vector<int> drawsWhere(unsigned& seed,
                                       const std::function<bool(const std::vector<int>&)>& fits) {
        for (seed = 1;; ++seed) {
            std::srand(seed);
            std::vector<int> r(16);
            for (int& d : r)
                d = std::rand();
            if (fits(r)) {
                std::srand(seed);
                return r;
            }
        }
    }
    static int nextDrawAfter(unsigned seed) {
        std::srand(seed);
        return std::rand();
    }
};

TEST_F(SelectionSpawnFixture, WithNothingFittingSelectedARequestDrawsNothing) {
    const size_t lives = world->getLives().size();
    std::srand(99);
    world->spawnPredatorForSelection();
    world->spawnPreyForSelection();
    int next = std::rand();
    EXPECT_EQ(next, nextDrawAfter(99)) << "no draw without a selection";

    Plant* plant = spawnPlant({300, 300, 0});
    select(plant);
    std::srand(98);
    world->spawnPreyForSelection();
    next = std::rand();
    EXPECT_EQ(next, nextDrawAfter(98)) << "a plant has no prey, and nothing is drawn for one";
    EXPECT_EQ(world->getLives().size(), lives + 1);
}

TEST_F(SelectionSpawnFixture, ThePredatorOfAPlantIsAHerbivoreForItsGrownSize) {
    world->getTiles()->tileAt(2, 2)->toggleFertilized();
    Plant* plant = spawnPlant({375, 375, 0}, 10, 10, 10, 59);
    ASSERT_EQ(plant->getSize(), 11) << "grown to a fifth of 59";
    select(plant);
    // Speed, size, efficiency, adrenaline, then a birth that does not mutate.
    unsigned seed;
    const std::vector<int> r = drawsWhere(seed, [](const std::vector<int>& d) { return d[4] % 100 >= 20; });
    world->spawnPredatorForSelection();
    Animal* predator = static_cast<Animal*>(tile(2, 2)->getAnimals().back());
    EXPECT_EQ(predator->getKind(), KIND_HERBIVORE);
    EXPECT_EQ(predator->getPreySize(), 11) << "the plant's grown size, not its genome's 59";
    EXPECT_EQ(predator->getSpeed(), r[0] % 50 + 1);
    EXPECT_EQ(predator->getGenomeSize(), r[1] % 100 + 1);
    EXPECT_EQ(predator->getSpawnEfficiency(), r[2] % 50 + 1);
    EXPECT_EQ(predator->getAdrenaline(), r[3] % 50 + 1);
}

// Speed 5 gives 5 - 10 - r % 10, below 1: it is clamped to 1 before the birth's drift, which here
// adds 4, so the prey runs at 5 (an unclamped speed would have drifted to no more than -2, then 1).
TEST_F(SelectionSpawnFixture, APreysSpeedIsClampedBeforeItDrifts) {
    Animal* hunter = spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 5, 20, 20, 50, 30);
    ASSERT_EQ(hunter->getSpeed(), 5);
    select(hunter);
    // Draws: speed, kind, preySize, efficiency, adrenaline; then the drift: chance, speed +4,
    // adrenaline, efficiency, size, preySize, the kind's chance; no cut from the budget.
    unsigned seed;
    const std::vector<int> r = drawsWhere(seed, [](const std::vector<int>& d) {
        const int adrenaline = d[4] % 50 + 1 + d[7] % 10 - 5;
        const int efficiency = d[3] % 50 + 1 + d[8] % 10 - 5;
        return d[5] % 100 < 20 && d[6] % 10 == 9 && d[11] % 100 >= 10 && 5 + adrenaline + efficiency <= 100;
    });
    world->spawnPreyForSelection();
    Animal* prey = static_cast<Animal*>(tile(2, 2)->getAnimals().back());
    ASSERT_NE(prey, hunter);
    EXPECT_EQ(prey->getSpeed(), 5);
    EXPECT_EQ(prey->getKind(), r[1] % 2 == 1 ? KIND_CARNIVORE : KIND_HERBIVORE);
}

// The drift of a rescued animal may switch its kind; the floor is still met with the kind it asks for,
// and the inserted counts say what was made.
TEST_F(WorldFixture, RescueMeetsAFloorWithTheKindItAsksFor) {
    Rules rules = Rules::defaults();
    rules.mutationChance = 100;
    rules.mutationKindSwitch = 100;
    rules.mutationHerbivoreOneIn = 100;
    makeWorld(1, 3);
    world->setRules(rules);
    world->setKeep({40, 0, 5});
    testing::internal::CaptureStdout();
    ticks(1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(world->getLiving().herbivores, 40);
    EXPECT_EQ(world->getLiving().carnivores, 0);
    EXPECT_EQ(world->getLiving().plants, 5);
    EXPECT_EQ(world->getInserted(), (World::Insertions{40, 0, 5}));
    int herbivoreGenotypes = 0;
    for (const auto& entry : world->getGenotypes().all())
        herbivoreGenotypes += entry.second.genome.kind == OrganismKind::HERBIVORES ? entry.second.living : 0;
    EXPECT_EQ(herbivoreGenotypes, 40);
}
