// A headless world: the same organisms and census as a drawn one from the same seed, without
// characters, pings or beams; the living counts it keeps; and its saves drawn in full elsewhere.
#include "ScratchFolder.h"
#include "presentation/OrganismNode.h"
#include "presentation/WorldScene.h"

#include "life/Animal.h"
#include "plants/Plant.h"
#include "save/SavedWorld.h"
#include "sim/PopulationCensus.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned SEED = 19;

struct Board {
    osg::ref_ptr<osg::Group> root = new osg::Group;
    std::unique_ptr<World> world;

    explicit Board(bool drawn, int size = 3) {
        RandomSeed::fix(SEED);
        testing::internal::CaptureStdout();
        world = drawn ? WorldScene::build(size, nullptr, root.get(), nullptr) : std::make_unique<World>(size);
        testing::internal::GetCapturedStdout();
        world->setTickRate(16);
    }
    void genesis() {
        for (WorldTile* t : world->getTiles()->getTiles())
            t->populate(10, 10, 10);
        // Plants alone on a tile that cannot carry them: most wither from birth.
        world->getTiles()->tileAt(2, 2)->populate(0, 0, 20);
        world->reseed();
    }
    std::vector<std::string> run(int ticks) {
        std::vector<std::string> rows;
        testing::internal::CaptureStdout();
        for (int t = 0; t < ticks; ++t) {
            world->tick();
            rows.push_back(PopulationCensus::of(world->getLives()).csvRow(t));
        }
        testing::internal::GetCapturedStdout();
        return rows;
    }
};

// The counts the World keeps against a walk over every organism.
void expectCountsMatchACensus(World& world, const std::string& when) {
    const PopulationCensus census = PopulationCensus::of(world.getLives());
    const World::LivingCounts& living = world.getLiving();
    EXPECT_EQ(living.herbivores, census.count(OrganismKind::HERBIVORES)) << when;
    EXPECT_EQ(living.carnivores, census.count(OrganismKind::CARNIVORES)) << when;
    EXPECT_EQ(living.plants, census.count(OrganismKind::PLANTS)) << when;
}

std::unique_ptr<Board> loaded(const std::string& file, bool scene) {
    SavedWorld saved;
    std::string error;
    EXPECT_TRUE(SavedWorld::read(file, saved, error)) << error;
    auto board = std::make_unique<Board>(scene, saved.getSize());
    saved.restore(*board->world);
    return board;
}

} // namespace

TEST(HeadlessWorld, TicksExactlyAsADrawnWorldWithoutCharactersPingsOrBeams) {
    Board drawn(true);
    drawn.genesis();
    const std::vector<std::string> drawnRows = drawn.run(600);
    size_t drawnMarkers = drawn.world->getTimedMarkerCount();
    for (const auto& entry : drawn.world->getLives())
        ASSERT_NE(WorldScene::modelOf(*entry.second), nullptr) << "a drawn world builds every character";

    Board headless(false);
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

TEST(HeadlessWorld, KeepsTheLivingCountsThroughBirthsDeathsKillsAndLoads) {
    ScratchFolder scratch("sylvara-headless");
    for (bool scene : {true, false}) {
        Board board(scene);
        expectCountsMatchACensus(*board.world, "an empty board");
        board.genesis();
        expectCountsMatchACensus(*board.world, "after the genesis");
        testing::internal::CaptureStdout();
        for (int t = 0; t < 400; ++t) {
            if (t == 150) {
                // The kill tool starts every organism's dying on a tile at once.
                board.world->getTiles()->tileAt(1, 1)->killAll();
                expectCountsMatchACensus(*board.world, "right after a kill");
            }
            board.world->tick();
            expectCountsMatchACensus(*board.world, "tick " + std::to_string(t));
        }
        testing::internal::GetCapturedStdout();
        ASSERT_GT(board.world->getLiving().total(), 0);
        const std::string file = scratch.file("counted.sylvara");
        std::string error;
        ASSERT_TRUE(SavedWorld::capture(*board.world).write(file, error)) << error;
        auto back = loaded(file, scene);
        expectCountsMatchACensus(*back->world, "a loaded world, dying organisms among it");
        EXPECT_EQ(back->world->getLiving().total(), board.world->getLiving().total());
    }
    RandomSeed::release();
}

TEST(HeadlessWorld, ASaveFromAHeadlessWorldIsDrawnInFullWhenLoadedIntoADrawnOne) {
    ScratchFolder scratch("sylvara-headless-save");
    Board headless(false);
    headless.genesis();
    headless.run(300);
    const std::string file = scratch.file("headless.sylvara");
    std::string error;
    ASSERT_TRUE(SavedWorld::capture(*headless.world).write(file, error)) << error;

    auto drawn = loaded(file, true);
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
    auto again = loaded(file, false);
    EXPECT_EQ(again->run(100), further);
    RandomSeed::release();
}

TEST(HeadlessWorld, TheSceneKeepsEachOrganismsNodeUntilItLeaves) {
    Board drawn(true);
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
