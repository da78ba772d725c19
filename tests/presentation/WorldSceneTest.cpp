// The scene that draws a World: the characters, the markers and pings, the tool rectangles and
// cursor markers, the HUD's selection, and the stems, blooms and seed rings of the plants. These
// are the unit tests that load the staged art.
#include "DrawnWorldFixture.h"
#include "ScratchFolder.h"

#include "common/Command.h"
#include "save/ExactResume.h"
#include "sim/CommandSchedule.h"
#include "world/SeededBoard.h"

#include "save/SavedWorld.h"

#include "presentation/EmissiveState.h"

#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Draws each board it makes under a root of its own, kept as long as the boards.
struct DrawnBoards {
    std::vector<osg::ref_ptr<osg::Group>> roots;
    SeededBoard::Maker maker() {
        return [this](int size) {
            roots.push_back(new osg::Group);
            return WorldScene::build(size, nullptr, roots.back().get(), nullptr);
        };
    }
};

} // namespace

TEST_F(DrawnWorldFixture, PausedWorldStopsAnimationsAndMarkers) {
    Animal* animal = spawnAnimal(KIND_CARNIVORE, {200, 200, 0});
    const float scale = WorldScene::modelOf(*animal)->getTimeScale();
    const size_t markers = world->getTimedMarkerCount();
    world->pauseRequested = true;
    world->tick();
    ticks(39);
    EXPECT_EQ(WorldScene::modelOf(*animal)->getTimeScale(), 0.0f);
    EXPECT_EQ(world->getTimedMarkerCount(), markers);
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

TEST_F(DrawnWorldFixture, TheHudShowsTheSelectionUntilItsOrganismIsGone) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 10, 10, 10, 40, 40);
    world->setTool(TOOL_SELECT);
    world->setCursorPoint(animal->getPosition());
    world->applyTool();
    world->tick();
    ASSERT_EQ(world->getSelectedId(), animal->getId());
    EXPECT_TRUE(hud->isSelectionShown());
    EXPECT_NE(hud->getInfoText().find("Selected: Animal Herbivore"), std::string::npos);

    animal->die();
    ticks(16);
    EXPECT_FALSE(hud->isSelectionShown());
    EXPECT_EQ(hud->getTitleText(), "Sylvara 0.6.4 Beta: using select tool.");
}

// A tile tool shows where it would act, and flashes the tile it is applied to.
TEST_F(DrawnWorldFixture, TileToolsFlashUnderTheCursor) {
    world->setTool(TOOL_KILL);
    world->applyTool();
    EXPECT_TRUE(world->getTimedMarkers().empty()) << "no flash off the ground";
    world->setCursorPoint({400, 400, 0});
    EXPECT_EQ(world->getCursorMarkers().size(), 2u);
    const size_t before = world->getTimedMarkers().size();
    world->applyTool();
    EXPECT_EQ(world->getTimedMarkers().size(), before + 1);
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

TEST_F(DrawnWorldFixture, TheBoardHangsEachTileAtItsCentre) {
    EXPECT_EQ(world->getTiles()->getRoot()->getNumChildren(), 25u);
    const osg::Vec3d centre = tile(3, 1)->getTransform()->getPosition();
    EXPECT_EQ(centre, osg::Vec3d(3 * 150 + 75, 150 + 75, 0));
}

TEST_F(DrawnWorldFixture, APlantsBloomAndStemFollowItsGenome) {
    Plant* big = spawnPlant({400, 400, 0}, 100, 100, 100, 100);
    ASSERT_EQ(big->getGenomeSize(), 100);
    EXPECT_EQ(WorldScene::nodeOf(*big)->bloom->getPosition(), osg::Vec3d(0, 0, 20));
    EXPECT_NEAR(WorldScene::nodeOf(*big)->stem->getScale().z(), 2.0000000298023224, 1e-12);
}

TEST_F(DrawnWorldFixture, AGrowingPlantsStemKeepsItsFootOnTheGround) {
    tile(2, 2)->toggleFertilized(); // room for a plant of size 100
    Plant* plant = spawnPlant({375, 375, 0}, 30, 30, 30, 100);
    for (int tick = 0; plant->getSegments() < 2 && tick < 1000; ++tick)
        plant->update();
    ASSERT_EQ(plant->getSegments(), 2);
    ASSERT_DOUBLE_EQ(plant->getPosition().z(), 20.0);
    EXPECT_DOUBLE_EQ(WorldScene::nodeOf(*plant)->getPosition().z(), 20.0)
        << "the node stands where the plant is";
    const double foot = plant->getPosition().z() + WorldScene::nodeOf(*plant)->stem->getPosition().z();
    EXPECT_DOUBLE_EQ(foot, 0.0) << "the stem's foot stays on the ground";
    EXPECT_NEAR(WorldScene::nodeOf(*plant)->stem->getScale().z(), 4.0, 1e-6);
}

TEST_F(DrawnWorldFixture, ASeedRingIsBuiltOnceWithABatchOfSeeds) {
    Plant* plant = spawnPlant({375, 375, 0}, 25, 10, 20, 9);
    const int batch = plant->getSeedsPerBatch();
    EXPECT_TRUE(WorldScene::nodeOf(*plant)->seeds.empty());
    plant->update();
    EXPECT_EQ(WorldScene::nodeOf(*plant)->seeds.size(), static_cast<size_t>(batch))
        << "the ring is built once";
    plant->setEnergy(plant->getMaxEnergy());
    for (int i = 0; i <= batch; ++i)
        plant->update();
    EXPECT_EQ(WorldScene::nodeOf(*plant)->seeds.size(), static_cast<size_t>(batch));
}

TEST_F(DrawnWorldFixture, AWitheredPlantLeavesTheBoard) {
    spawnPlant({10, 10, 0}, 20, 20, 20, 45);
    Plant* crowded = spawnPlant({20, 20, 0}, 20, 20, 20, 45);
    ASSERT_EQ(crowded->getState(), STATE_WITHERING);
    const osg::ref_ptr<osg::PositionAttitudeTransform> body = crowded->getTransform();
    EXPECT_TRUE(world->getTiles()->getRoot()->containsNode(body.get()));
    for (int i = 0; i < 40; ++i)
        crowded->update();
    EXPECT_FALSE(world->getTiles()->getRoot()->containsNode(body.get()));
}

TEST_F(DrawnWorldFixture, AnAnimalsCharacterIsBuiltFromItsGenome) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 30, 40, 20, 50, 50);
    const float s = animal->getGenomeSize() * 0.05f + 0.1f;
    EXPECT_EQ(animal->getTransform()->getScale(), osg::Vec3d(s, s, s * 0.5f));
    EXPECT_FLOAT_EQ(WorldScene::modelOf(*animal)->getTimeScale(), animal->getSpeed() * 3.0f / 100.0f);
    EXPECT_EQ(animal->getTransform()->getNumChildren(), 1u);
    EXPECT_EQ(animal->getTransform()->getPosition(), animal->getPosition());
    // The body faces the heading past the birth quarter turn.
    osg::Vec3d facing = animal->getTransform()->getAttitude() * osg::Vec3d(0, -1, 0);
    EXPECT_NEAR(std::atan2(facing.y(), facing.x()),
                std::remainder(animal->getHeading() + 1.5705 - M_PI_2, 2 * M_PI), 1e-3);
}

TEST_F(DrawnWorldFixture, AnimalsThatLeaveTakeOnlyTheirOwnNodesFromTheBoard) {
    for (int i = 0; i < 6; ++i)
        spawnAnimal(KIND_HERBIVORE, {375, 375, 0});
    tile(2, 2)->killAll();
    ticks(16);
    ASSERT_TRUE(world->getLives().empty());
    EXPECT_EQ(world->getTiles()->getRoot()->getNumChildren(), 25u);
}

// A paused world saved and loaded shows the same pings and beams, each with the time it had
// left, and no birth pings for the organisms it brings back; its characters stand still.
TEST_F(DrawnWorldFixture, ASavedWorldsMarkersComeBackWithoutNewPings) {
    ScratchFolder scratch{"sylvara-scene-saved"};
    tile(0, 0)->populate(10, 10, 10);
    tile(1, 0)->populate(10, 10, 10);
    tile(2, 2)->populate(0, 0, 10);
    world->reseed();
    testing::internal::CaptureStdout();
    ticks(3);
    Animal* chosen = static_cast<Animal*>(tile(0, 0)->getAnimals().front());
    world->setTool(TOOL_SELECT);
    world->setCursorPoint(chosen->getPosition());
    world->applyTool();
    world->tick();
    world->setTool(TOOL_FERTILIZE);
    world->setCursorPoint(osg::Vec3d(375, 375, 0));
    world->applyTool();
    world->tick();
    world->pauseRequested = true;
    world->tick();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(world->isPaused());
    const std::vector<TimedMarker> markers = world->getTimedMarkers();
    const size_t beams = world->getTimedMarkerCount() - markers.size();
    ASSERT_GT(markers.size(), 0u);
    const std::string file = scratch.file("paused.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorld::capture(*world).write(file, error)) << error;

    SavedWorld saved;
    ASSERT_TRUE(SavedWorld::read(file, saved, error)) << error;
    makeWorld(saved.getSize());
    saved.restore(*world);
    ASSERT_EQ(world->getTimedMarkers().size(), markers.size()) << "no birth pings beyond the saved ones";
    EXPECT_EQ(world->getTimedMarkerCount() - markers.size(), beams);
    for (size_t i = 0; i < markers.size(); ++i) {
        const TimedMarker& back = world->getTimedMarkers()[i];
        EXPECT_EQ(back.kind, markers[i].kind);
        EXPECT_EQ(back.ticksLeft, markers[i].ticksLeft);
        EXPECT_EQ(back.node->getPosition(), markers[i].node->getPosition());
    }
    for (const auto& entry : world->getLives())
        EXPECT_FLOAT_EQ(WorldScene::modelOf(*entry.second)->getTimeScale(), 0.0f)
            << "a paused world's animations stand";
}

// The same seed drawn and headless: the same census tick by tick; only the drawn one has characters,
// pings and beams.
TEST(HeadlessWorld, TicksExactlyAsADrawnWorldWithoutCharactersPingsOrBeams) {
    DrawnBoards boards;
    SeededBoard drawn(boards.maker());
    drawn.genesis();
    const std::vector<std::string> drawnRows = drawn.run(600);
    size_t drawnMarkers = drawn.world->getTimedMarkerCount();
    for (const auto& entry : drawn.world->getLives())
        ASSERT_NE(WorldScene::modelOf(*entry.second), nullptr) << "a drawn world builds every character";

    SeededBoard headless;
    headless.genesis();
    testing::internal::CaptureStdout();
    bool sawRing = false;
    for (int t = 0; t < 600; ++t) {
        headless.world->tick();
        ASSERT_EQ(PopulationCensus::of(headless.world->getLives()).csvRow(t), drawnRows[t]) << "tick " << t;
        drawnMarkers += headless.world->getTimedMarkerCount();
        EXPECT_EQ(headless.world->getTimedMarkerCount(), 0u) << "tick " << t;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(drawnMarkers, 0u) << "the drawn world showed pings and beams to leave out";
    for (const auto& entry : headless.world->getLives()) {
        const Life& life = *entry.second;
        EXPECT_EQ(WorldScene::modelOf(life), nullptr);
        EXPECT_EQ(life.getTransform(), nullptr) << "nothing hangs in a scene nobody draws";
        if (life.getCategory() == CATEGORY_PLANT) {
            const Plant& plant = static_cast<const Plant&>(life);
            sawRing |= plant.record().seedRingBuilt;
        }
    }
    EXPECT_TRUE(sawRing) << "some plant grew up to ripen seeds";
    RandomSeed::release();
}

// The living counts a drawn world keeps, as the headless one's (world/HeadlessWorldTest.cpp).
TEST(WorldScene, ADrawnWorldKeepsTheLivingCountsThroughKillsAndLoads) {
    ScratchFolder scratch("sylvara-scene-counts");
    DrawnBoards boards;
    SeededBoard::expectCountsThroughKillsAndLoads(scratch.file("counted.sylvara"), boards.maker());
}

TEST(HeadlessWorld, ASaveFromAHeadlessWorldIsDrawnInFullWhenLoadedIntoADrawnOne) {
    ScratchFolder scratch("sylvara-headless-save");
    DrawnBoards boards;
    SeededBoard headless;
    headless.genesis();
    headless.run(300);
    const std::string file = scratch.file("headless.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorld::capture(*headless.world).write(file, error)) << error;

    auto drawn = SeededBoard::loaded(file, boards.maker());
    ASSERT_EQ(drawn->world->getLives().size(), headless.world->getLives().size());
    int rings = 0;
    for (const auto& entry : drawn->world->getLives()) {
        const Life& life = *entry.second;
        ASSERT_NE(WorldScene::modelOf(life), nullptr) << "id " << entry.first;
        EXPECT_EQ(life.getTransform()->getNumParents(), 1u) << "hung under the board";
        if (life.getCategory() != CATEGORY_PLANT)
            continue;
        const Plant& plant = static_cast<const Plant&>(life);
        const Plant& before = static_cast<const Plant&>(*headless.world->getLives().at(entry.first));
        if (!before.record().seedRingBuilt)
            continue;
        ++rings;
        EXPECT_EQ(WorldScene::nodeOf(plant)->seeds.size(), static_cast<size_t>(plant.getSeedsPerBatch()))
            << "the seed ring a headless plant only counted is built";
        EXPECT_EQ(plant.getRipeSeeds(), before.getRipeSeeds());
    }
    EXPECT_GT(rings, 0);
    // Both go on alike: the drawn copy ticks as the headless original.
    const std::vector<std::string> further = drawn->run(100);
    auto again = SeededBoard::loaded(file);
    EXPECT_EQ(again->run(100), further);
    RandomSeed::release();
}

// Drawn, a loaded world also brings back its pings and beams with the time they had left, and
// builds the seed rings its plants had: it goes on, markers and rings included, as the run that
// never stopped.
TEST(WorldScene, ALoadedWorldGoesOnExactlyWithItsMarkersAndSeedRings) {
    DrawnBoards boards;
    exact_resume::expectExactResume(
        boards.maker(),
        [](const Plant& p) { return " seeds " + std::to_string(WorldScene::nodeOf(p)->seeds.size()); }, true);
}

// A selection made by command, as the lab makes one for a click of the select tool, shows its arrow
// at once, over the organism, as the click did: in a paused world too, where no tick comes to place it.
TEST_F(DrawnWorldFixture, ASelectionByCommandShowsItsArrowAtOnceEvenPaused) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 20, 20, 20, 100, 50);
    world->pauseRequested = true;
    world->tick();
    ASSERT_TRUE(world->isPaused());
    const size_t before = world->getTimedMarkers().size();
    Command select;
    std::string error;
    ASSERT_TRUE(Command::parse("select " + std::to_string(animal->getId()), select, error)) << error;
    CommandSchedule schedule({}, "typed", 0);
    EXPECT_FALSE(schedule.carryOutNow(select, *world, nullptr));
    ASSERT_EQ(world->getSelectedLife(), animal);
    ASSERT_EQ(world->getTimedMarkers().size(), before + 1);
    const TimedMarker& arrow = world->getTimedMarkers().back();
    EXPECT_EQ(arrow.kind, MarkerKind::arrow);
    EXPECT_NEAR(arrow.node->getPosition().x(), 100, 1e-4);
    EXPECT_NEAR(arrow.node->getPosition().y(), 100, 1e-4);
    EXPECT_GT(arrow.node->getPosition().z(), 1.0) << "on the animal's back, not on the ground";
    world->tick();
    EXPECT_EQ(world->getTimedMarkers().size(), before + 1) << "a paused tick keeps it";
}

TEST(WorldScene, KeepsEachOrganismsNodeUntilItLeaves) {
    DrawnBoards boards;
    SeededBoard drawn(boards.maker());
    drawn.genesis();
    std::vector<std::pair<osg::ref_ptr<Life>, osg::ref_ptr<osg::PositionAttitudeTransform>>> shown;
    for (const auto& entry : drawn.world->getLives()) {
        ASSERT_TRUE(entry.second->isShown()) << "id " << entry.first;
        shown.emplace_back(entry.second, entry.second->getTransform());
    }
    drawn.run(300);
    int left = 0;
    for (const auto& [life, node] : shown) {
        if (drawn.world->getLives().count(life->getId()) != 0) {
            EXPECT_EQ(life->getTransform(), node.get()) << "the same node all its life, id " << life->getId();
            EXPECT_EQ(node->getNumParents(), 1u);
            continue;
        }
        ++left;
        EXPECT_FALSE(life->isShown()) << "id " << life->getId();
        EXPECT_EQ(life->getTransform(), nullptr) << "the scene lets go of the node of one that left";
        EXPECT_EQ(node->getNumParents(), 0u) << "and takes it off the board";
    }
    EXPECT_GT(left, 0);
    RandomSeed::release();
}
