// What a World tells its observer, and when: without any art, as the window's scene would hear it.
#include "world/WorldObserver.h"
#include "life/Animal.h"
#include "plants/Plant.h"
#include "sim/PopulationCensus.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Writes down every report in order, and shows each organism born or restored with a bare node, so
// that the reports about that organism come too.
class Recorder : public WorldObserver {
public:
    std::vector<std::string> said;
    std::map<std::string, int> counts;
    // What the organism looked like when its birth was reported.
    std::map<int, osg::Vec3d> bornAt;
    std::map<int, float> bornFacing;
    std::map<int, bool> bornCounted;
    const World* world = nullptr;

    void note(const std::string& what) {
        said.push_back(what);
        counts[what] += 1;
    }
    void show(Life& life) { life.setShown(true); }

    void lifeBorn(Life& life) override {
        note("born");
        show(life);
        bornAt[life.getId()] = life.getPosition();
        bornFacing[life.getId()] = life.getHeading();
    }
    void lifeRestored(Life& life) override {
        note("restored");
        show(life);
    }
    void lifeMoved(Life&) override { note("moved"); }
    void lifeTurned(Life&, float) override { note("turned"); }
    void lifeDying(Life& life) override {
        note("dying");
        // Reported once it is dead: the census no longer counts it.
        bornCounted[life.getId()] = life.getState() == STATE_DEAD;
    }
    void lifeLeft(Life&) override { note("left"); }
    void animalGaitChanged(Animal&) override { note("gait"); }
    void animalEnergyShown(Animal&) override { note("energy"); }
    void plantGrewSegment(Plant&) override { note("segment"); }
    void plantBloomChanged(Plant&) override { note("bloom"); }
    void plantSeedRingBuilt(Plant&) override { note("ring"); }
    void plantSeedsRipened(Plant&) override { note("ripe"); }
    void plantWithered(Plant&) override { note("withered"); }
    void plantSeeded(Plant&) override { note("seeded"); }
    void tileShaded(WorldTile&) override { note("shade"); }
    void beam(const osg::Vec3d&, const osg::Vec3d&, float, const osg::Vec3f&, float, int) override {
        note("beam");
    }
    void markersAged() override { note("aged"); }
    void tickEnded() override { note("ended"); }
};

constexpr unsigned SEED = 23;

// A 3 x 3 board with its genesis, watched by the recorder when one is given.
std::unique_ptr<World> board(Recorder* recorder) {
    RandomSeed::fix(SEED);
    auto world = std::make_unique<World>(3);
    if (recorder) {
        recorder->world = world.get();
        world->setObserver(std::unique_ptr<WorldObserver>(recorder));
    }
    world->setTickRate(16);
    std::vector<std::pair<int, int>> all;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            all.emplace_back(column, row);
    world->genesis(all);
    // Plants alone on a tile that cannot carry them: most wither from birth.
    world->getTiles()->tileAt(2, 2)->populate(0, 0, 20);
    world->reseed();
    return world;
}

std::vector<std::string> census(World& world, int ticks) {
    std::vector<std::string> rows;
    for (int t = 0; t < ticks; ++t) {
        world.tick();
        rows.push_back(PopulationCensus::of(world.getLives()).csvRow(t));
    }
    return rows;
}

} // namespace

TEST(WorldObserver, WatchingAWorldDrawsNoRandomNumberOfItsOwn) {
    std::unique_ptr<World> headless = board(nullptr);
    const std::vector<std::string> unwatched = census(*headless, 700);
    auto* recorder = new Recorder;
    std::unique_ptr<World> watched = board(recorder);
    EXPECT_EQ(census(*watched, 700), unwatched);
    // Everything the window shows was reported along the way.
    for (const char* what : {"born", "moved", "turned", "dying", "left", "gait", "energy", "segment", "bloom",
                             "ring", "ripe", "withered", "shade", "beam", "aged", "ended"})
        EXPECT_GT(recorder->counts[what], 0) << "never reported: " << what;
    EXPECT_EQ(recorder->counts["aged"], 700);
    EXPECT_EQ(recorder->counts["ended"], 700);
    RandomSeed::release();
}

TEST(WorldObserver, ReportsEachBirthOnceWithTheOrganismWholeAndEachDyingOnce) {
    auto* recorder = new Recorder;
    std::unique_ptr<World> world = board(recorder);
    EXPECT_EQ(recorder->counts["born"], 290) << "the genesis: 30 on each of 9 tiles, and 20 plants";
    for (const auto& entry : world->getLives()) {
        const Life& life = *entry.second;
        ASSERT_TRUE(recorder->bornAt.count(life.getId())) << "id " << life.getId();
        if (life.getCategory() == CATEGORY_ANIMAL) {
            EXPECT_EQ(recorder->bornAt[life.getId()], life.getPosition());
        } else {
            // A plant's height rises with each segment after its birth; its place on the ground does not.
            EXPECT_EQ(recorder->bornAt[life.getId()].x(), life.getPosition().x());
            EXPECT_EQ(recorder->bornAt[life.getId()].y(), life.getPosition().y());
            EXPECT_EQ(recorder->bornFacing[life.getId()], life.getHeading()) << "a plant keeps its turn";
        }
    }
    census(*world, 300);
    int born = 0;
    for (const auto& entry : recorder->bornAt)
        born += entry.first > 0;
    EXPECT_EQ(recorder->counts["born"], born) << "once each";
    EXPECT_GT(recorder->counts["dying"], 0);
    for (const auto& entry : recorder->bornCounted)
        EXPECT_TRUE(entry.second) << "id " << entry.first << " was reported dying before it was dead";
    const int living = world->getLiving().total();
    EXPECT_EQ(recorder->counts["born"] - recorder->counts["dying"], living)
        << "every birth and every start of a dying reported";
    // A plant that scatters a seed: the seedling's birth first, then the parent's own report.
    Plant* parent = nullptr;
    for (const auto& entry : world->getLives())
        if (entry.second->getCategory() == CATEGORY_PLANT && entry.second->getState() != STATE_DEAD)
            parent = static_cast<Plant*>(entry.second.get());
    ASSERT_NE(parent, nullptr);
    recorder->said.clear();
    parent->reproduce();
    // (A seedling its tile cannot carry withers at once, between the two.)
    ASSERT_GE(recorder->said.size(), 2u);
    EXPECT_EQ(recorder->said.front(), "born");
    EXPECT_EQ(recorder->said.back(), "seeded");
    RandomSeed::release();
}

TEST(WorldObserver, ATileShadeIsAPlainFieldReportedOnlyWhenItChanges) {
    auto* recorder = new Recorder;
    RandomSeed::fix(SEED);
    World world(2);
    world.setObserver(std::unique_ptr<WorldObserver>(recorder));
    WorldTile* tile = world.getTiles()->tileAt(1, 1);
    EXPECT_EQ(tile->getEmission(), osg::Vec4(0.7f, 0.7f, 0.7f, 1.0f)) << "grey before anybody arrives";
    tile->spawnAnimal(KIND_HERBIVORE, {200, 200, 0}, 20, 20, 20, 50, 50);
    EXPECT_EQ(recorder->counts["shade"], 1);
    EXPECT_FLOAT_EQ(tile->getEmission().x(), 0.7f + 0.3f / 20.0f);
    // A crowded tile stays white: more arrivals change nothing and report nothing.
    for (int i = 0; i < 30; ++i)
        tile->spawnAnimal(KIND_HERBIVORE, {200, 200, 0}, 20, 20, 20, 50, 50);
    const int whiteAfter = 20;
    EXPECT_EQ(recorder->counts["shade"], whiteAfter) << "one for each of the first 20, none once it stays";
    EXPECT_EQ(tile->getEmission(), osg::Vec4(1, 1, 1, 1));
    tile->toggleFertilized();
    EXPECT_EQ(tile->getEmission(), osg::Vec4(0.8f, 0.8f, 1.0f, 1.0f));
    EXPECT_EQ(recorder->counts["shade"], whiteAfter + 1);
    RandomSeed::release();
}

TEST(WorldObserver, AWorldWithoutOneIsHeadlessAndItsWindowOperationsFindNothing) {
    RandomSeed::fix(SEED);
    World world(2);
    EXPECT_FALSE(world.isDrawn());
    world.getTiles()->tileAt(0, 0)->populate(10, 10, 10);
    world.lifePing({10, 10, 0}, {1, 1, 1});
    world.addTimedBeam({0, 0, 0}, {10, 10, 0}, 5.0f, {0, 0, 0}, 0.1f, 4);
    world.setTool(TOOL_KILL);
    world.setCursorPoint({100, 100, 0});
    world.applyTool();
    world.pickUnderCursor();
    for (int i = 0; i < 50; ++i)
        world.tick();
    EXPECT_EQ(world.getTimedMarkerCount(), 0u);
    EXPECT_TRUE(world.getTimedMarkers().empty());
    EXPECT_TRUE(world.getCursorMarkers().empty());
    EXPECT_EQ(world.getModels(), nullptr);
    EXPECT_EQ(world.getSound(), nullptr);
    EXPECT_EQ(world.getHud(), nullptr);
    EXPECT_EQ(world.getMarkerGroup(), nullptr);
    EXPECT_EQ(world.getTiles()->getRoot(), nullptr);
    EXPECT_EQ(world.getTiles()->tileAt(0, 0)->getTransform(), nullptr);
    EXPECT_FALSE(world.isCursorOnGround()) << "a pick without a window finds no ground";
    for (const auto& entry : world.getLives())
        EXPECT_EQ(entry.second->getTransform(), nullptr) << "id " << entry.first;
    RandomSeed::release();
}
