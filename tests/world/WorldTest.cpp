#include "WorldFixture.h"

#include "app/Application.h"
#include "presentation/EmissiveState.h"

#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
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
    for (int i = 0; i < Application::MAX_TICKS_PER_PASS; ++i)
        world->tick();
    EXPECT_TRUE(world->getLives().empty());
    world->pauseRequested = true;
    world->tick();
    EXPECT_FALSE(world->isPaused());
    EXPECT_FALSE(world->spawnHerbivoreRequested);
    ASSERT_EQ(world->getLives().size(), 1u);
}

TEST_F(DrawnWorldFixture, PausedWorldStopsAnimationsAndMarkers) {
    Animal* animal = spawnAnimal(KIND_CARNIVORE, {200, 200, 0});
    const float scale = WorldScene::modelOf(*animal)->getTimeScale();
    const size_t markers = world->getTimedMarkerCount();
    world->pauseRequested = true;
    world->tick();
    // Let a tick fall due; paused ticks must leave it due.
    std::this_thread::sleep_for(std::chrono::milliseconds(world->getTickIntervalMs() + 5));
    ticks(39);
    EXPECT_EQ(WorldScene::modelOf(*animal)->getTimeScale(), 0.0f);
    EXPECT_EQ(world->getTimedMarkerCount(), markers);
    EXPECT_TRUE(world->isTickDue()) << "a paused tick does not renew the tick stamp";
    world->pauseRequested = true;
    world->tick();
    EXPECT_EQ(WorldScene::modelOf(*animal)->getTimeScale(), scale);
}

TEST_F(DrawnWorldFixture, TimedMarkersLiveTheirTicks) {
    world->addTimedRect(0, 0, 10, 10, 0, {1, 0, 0}, 0.5f, 1);
    world->lifePing({5, 5, 0}, {1, 1, 1});
    const unsigned children = world->getMarkerGroup()->getNumChildren();
    world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkers().size(), 1u);
    EXPECT_EQ(world->getMarkerGroup()->getNumChildren(), children - 1);
    for (int i = 0; i < 14; ++i)
        world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkers().size(), 1u) << "a 16-tick ping survives 15 ageing steps";
    world->ageTimedMarkers();
    EXPECT_TRUE(world->getTimedMarkers().empty());
}

// Beams of one look share one shape: each keeps its own corners and its own time, and the
// ones that live on keep their order when others go.
TEST_F(DrawnWorldFixture, BeamsOfOneLookShareAShapeAndLiveTheirTicks) {
    const unsigned children = world->getMarkerGroup()->getNumChildren();
    world->addTimedBeam({0, 0, 0}, {100, 0, 0}, 4.0f, {0, 0, 0}, 0.1f, 1);
    world->addTimedBeam({10, 20, 5}, {10, 120, 5}, 2.0f, {1, 0, 0}, 0.5f, 2);
    world->addTimedBeam({0, 0, 7}, {0, 80, 7}, 4.0f, {0, 0, 0}, 0.1f, 3);
    ASSERT_EQ(world->getBeamBatches().size(), 2u);
    EXPECT_EQ(world->getMarkerGroup()->getNumChildren(), children + 2) << "one shape per look";
    EXPECT_EQ(world->getTimedMarkerCount(), 3u);
    const BeamBatch& black = world->getBeamBatches()[0];
    const BeamBatch& red = world->getBeamBatches()[1];
    ASSERT_EQ(red.getCorners().size(), 4u);
    // Across a beam along +y the half width lies along -x / +x, lifted 0.5 above its height.
    const osg::Vec3Array& v = red.getCorners();
    EXPECT_NEAR(v[0].x(), 11, 1e-4);
    EXPECT_NEAR(v[1].x(), 9, 1e-4);
    EXPECT_NEAR(v[1].y(), 120, 1e-4);
    EXPECT_NEAR(v[3].y(), 20, 1e-4);
    EXPECT_NEAR(v[3].z(), 5.5, 1e-4);
    EXPECT_TRUE(red.getNode()->getBound().contains(osg::Vec3(10, 70, 5.5)));

    world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkerCount(), 2u);
    ASSERT_EQ(black.getCorners().size(), 4u);
    EXPECT_NEAR(black.getCorners()[0].z(), 7.5, 1e-4) << "the longer-lived black beam closed up";
    EXPECT_TRUE(black.getNode()->getBound().contains(osg::Vec3(0, 40, 7.5))) << "the bound follows";
    EXPECT_FALSE(black.getNode()->getBound().contains(osg::Vec3(90, 0, 0.5)));
    world->ageTimedMarkers();
    EXPECT_EQ(red.size(), 0u);
    EXPECT_EQ(red.getNode()->getNodeMask(), 0u) << "an empty shape is not drawn";
    EXPECT_EQ(black.size(), 1u);
    world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkerCount(), 0u);
    world->addTimedBeam({0, 0, 0}, {1, 1, 0}, 1.0f, {1, 0, 0}, 0.5f, 1);
    EXPECT_EQ(world->getBeamBatches().size(), 2u) << "a look seen before reuses its shape";
    EXPECT_NE(red.getNode()->getNodeMask(), 0u);
}

// Pings come and go by the thousand: an expired one is placed anew, and the shared ping node's
// parent list neither grows nor shrinks with them.
TEST_F(DrawnWorldFixture, ExpiredPingsComeBackWhereAndHowTheNextOneIsAsked) {
    world->lifePing({100, 100, 0}, {1, 0, 0});
    world->deathPing({200, 200, 0});
    const osg::ref_ptr<osg::PositionAttitudeTransform> life = world->getTimedMarkers()[0].node;
    const osg::ref_ptr<osg::PositionAttitudeTransform> death = world->getTimedMarkers()[1].node;
    osg::Node* shared = life->getChild(0);
    const unsigned parents = shared->getNumParents();
    const unsigned children = world->getMarkerGroup()->getNumChildren();
    for (int i = 0; i < 16; ++i)
        world->tick();
    ASSERT_TRUE(world->getTimedMarkers().empty());
    EXPECT_EQ(world->getMarkerGroup()->getNumChildren(), children - 2) << "gone from the scene between ticks";

    world->deathPing({300, 310, 0});
    world->lifePing({400, 410, 0}, {0, 0, 1});
    ASSERT_EQ(world->getTimedMarkers().size(), 2u);
    EXPECT_EQ(world->getTimedMarkers()[0].node, death) << "each kind comes back as its own kind";
    EXPECT_EQ(world->getTimedMarkers()[1].node, life);
    EXPECT_EQ(life->getPosition(), osg::Vec3d(400, 410, 0));
    EXPECT_EQ(death->getPosition(), osg::Vec3d(300, 310, 0));
    EXPECT_EQ(life->getScale(), osg::Vec3d(40, 40, 200));
    EXPECT_EQ(life->getStateSet(), EmissiveState::get(osg::Vec4(0, 0, 1, 1)).get()) << "the new colour";
    EXPECT_EQ(shared->getNumParents(), parents);
    EXPECT_EQ(world->getMarkerGroup()->getNumChildren(), children);
    EXPECT_NE(life->getNodeMask(), 0u);
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

TEST_F(DrawnWorldFixture, SelectionFollowsItsOrganismUntilItIsGone) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 10, 10, 10, 40, 40);
    world->setTool(TOOL_SELECT);
    world->setCursorPoint(animal->getPosition());
    world->applyTool();
    world->tick();
    EXPECT_EQ(world->getSelectedId(), animal->getId());
    EXPECT_TRUE(hud->isSelectionShown());
    EXPECT_NE(hud->getInfoText().find("Selected: Animal Herbivore"), std::string::npos);

    const int id = animal->getId(); // the animal is freed once it is gone
    animal->die();
    ticks(16);
    EXPECT_EQ(world->getLives().count(id), 0u);
    EXPECT_FALSE(hud->isSelectionShown());
    EXPECT_EQ(world->getSelectedLife(), nullptr);
    EXPECT_EQ(hud->getTitleText(), "Sylvara 0.6.4 Beta: using select tool.");
}

TEST_F(DrawnWorldFixture, TileToolsFlashAndActOnTheNextTick) {
    world->setTool(TOOL_KILL);
    world->applyTool();
    EXPECT_FALSE(world->killTileRequested) << "nothing happens off the ground";
    spawnAnimal(KIND_HERBIVORE, {400, 400, 0});
    world->setCursorPoint({400, 400, 0});
    EXPECT_EQ(world->getCursorMarkers().size(), 2u);
    const size_t before = world->getTimedMarkers().size();
    world->applyTool();
    EXPECT_EQ(world->getTimedMarkers().size(), before + 1);
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

// The selection arrow stands 40 times its model's size, one unit above the first surface met from
// above: the ground, or an organism standing there.
TEST_F(DrawnWorldFixture, TheSelectionArrowStandsOneUnitAboveTheFirstSurface) {
    const auto firstSurface = [this](double x, double y) {
        osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
            new osgUtil::LineSegmentIntersector(osg::Vec3d(x, y, 5000), osg::Vec3d(x, y, -5000));
        osgUtil::IntersectionVisitor visitor(ray.get());
        world->getTiles()->getRoot()->accept(visitor);
        return ray->containsIntersections() ? ray->getFirstIntersection().getWorldIntersectPoint().z() : -1e9;
    };
    const auto arrowAt = [this](double x, double y) {
        world->placeGroundMarker({x, y, 0}, 1);
        return world->getTimedMarkers().back().node;
    };
    const osg::ref_ptr<osg::PositionAttitudeTransform> onGround = arrowAt(40, 40);
    EXPECT_EQ(onGround->getScale(), osg::Vec3d(40, 40, 40));
    EXPECT_NEAR(onGround->getPosition().x(), 40, 1e-4);
    EXPECT_NEAR(onGround->getPosition().z(), firstSurface(40, 40) + 1.0, 1e-3);

    spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 20, 20, 20, 100, 50);
    const double back = firstSurface(100, 100);
    EXPECT_GT(back, onGround->getPosition().z()) << "the animal stands above the ground";
    EXPECT_NEAR(arrowAt(100, 100)->getPosition().z(), back + 1.0, 1e-3) << "on the animal's back";
}

// A beam between two heights lies flat at the first point's height, lifted by 0.5.
TEST_F(DrawnWorldFixture, ABeamLiesAtItsFirstPointsHeight) {
    world->addTimedBeam({0, 0, 3}, {100, 0, 40}, 4.0f, {0, 1, 0}, 0.3f, 1);
    const osg::Vec3Array& corners = world->getBeamBatches().back().getCorners();
    ASSERT_EQ(corners.size(), 4u);
    for (const osg::Vec3& corner : corners)
        EXPECT_FLOAT_EQ(corner.z(), 3.5f);
    EXPECT_NEAR(std::max(corners[0].x(), corners[1].x()), 100, 1e-4) << "and still reaches the second point";
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
