#pragma once

// A world saved at any tick and loaded again goes on exactly as the one that never stopped: run
// headless by the save's tests, and drawn by the scene's, whose markers must come back too.
#include "ScratchFolder.h"
#include "WorldFixture.h"

#include "save/SavedWorld.h"
#include "sim/PopulationCensus.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <unistd.h>

namespace exact_resume {

// Makes the World of a size: headless, or drawn by the scene.
using Maker = std::function<std::unique_ptr<World>(int size)>;
// What the scene shows of a plant beyond the model's fields; empty for a headless world.
using PlantDetail = std::function<std::string(const Plant&)>;

constexpr unsigned SEED = 77;

inline std::unique_ptr<World> crowdedWorld(const Maker& make) {
    RandomSeed::fix(SEED);
    testing::internal::CaptureStdout();
    auto world = make(3);
    testing::internal::GetCapturedStdout();
    world->setTickRate(16);
    for (WorldTile* t : world->getTiles()->getTiles())
        t->populate(10, 10, 10);
    WorldTile* crowded = world->getTiles()->tileAt(1, 1);
    crowded->toggleFertilized();
    for (int i = 0; i < 3; ++i)
        crowded->populate(10, 10, 10);
    // Plants alone on a tile that cannot carry them: most wither from birth.
    world->getTiles()->tileAt(2, 2)->populate(0, 0, 20);
    world->reseed();
    return world;
}

inline std::unique_ptr<World> loadedWorld(const Maker& make, const std::string& file) {
    SavedWorld saved;
    std::string error;
    EXPECT_TRUE(SavedWorld::read(file, saved, error)) << error;
    testing::internal::CaptureStdout();
    auto world = make(saved.getSize());
    testing::internal::GetCapturedStdout();
    world->setTickRate(16);
    saved.restore(*world);
    return world;
}

inline int targetOf(const Animal& a) {
    return a.getTarget() && a.getState() != STATE_DEAD ? a.getTarget()->getId() : -1;
}

// Everything the next tick reads, written out in full precision.
inline std::string describe(World& world, const PlantDetail& detail) {
    std::ostringstream out;
    out.precision(17);
    out << "tick " << world.getTickNumber() << " last id " << world.getLastId() << " lives "
        << world.getLives().size() << " markers " << world.getTimedMarkerCount() << " selected "
        << world.getSelectedId() << '\n';
    for (WorldTile* tile : world.getTiles()->getTiles()) {
        out << "tile " << tile->getColumn() << ',' << tile->getRow() << " fertilized " << tile->isFertilized()
            << " mass " << tile->getPlantMass() << " count " << tile->getAnimalCount() << '\n';
        for (Life* life : tile->getAnimals()) {
            const Animal& a = *static_cast<Animal*>(life);
            out << " animal " << a.getId() << " gen " << a.getGeneration() << " kind " << a.getKind()
                << " state " << a.getState() << " energy " << a.getEnergy() << " reserve "
                << a.getAdrenalineLevel() << " at " << a.getPosition().x() << ',' << a.getPosition().y()
                << ',' << a.getPosition().z() << " heading " << a.getHeading() << " genome " << a.getSpeed()
                << ',' << a.getAdrenaline() << ',' << a.getSpawnEfficiency() << ',' << a.getGenomeSize()
                << ',' << a.getPreySize() << " target " << targetOf(a) << " moving " << a.isWalking()
                << a.isRunning() << a.isExhausted() << " countdown " << a.getDeathCountdown() << '\n';
        }
        for (Life* life : tile->getPlants()) {
            Plant& p = *static_cast<Plant*>(life);
            const osg::Vec3d at = p.getPosition();
            out << " plant " << p.getId() << " gen " << p.getGeneration() << " state " << p.getState()
                << " energy " << p.getEnergy() << " grown " << p.getGrownSize() << " segments "
                << p.getSegments() << " at " << at.x() << ',' << at.y() << ',' << at.z() << " genome "
                << p.getOffspring() << ',' << p.getSpawnRadius() << ',' << p.getSpawnEfficiency() << ','
                << p.getGenomeSize() << " countdown " << p.getCountdown() << " ripe " << p.getRipeSeeds()
                << " ring " << p.isSeedRingBuilt() << (detail ? detail(p) : std::string()) << '\n';
        }
    }
    return out.str();
}

// What is going on at a tick, to show that the saves caught every situation.
struct Situation {
    bool chasing = false, fleeing = false, withering = false, dying = false, markers = false;
};

inline Situation situationOf(World& world) {
    Situation s;
    for (const auto& entry : world.getLives()) {
        const int state = entry.second->getState();
        const bool animal = entry.second->getCategory() == CATEGORY_ANIMAL;
        s.chasing |= animal && state == STATE_CHASE;
        s.fleeing |= animal && state == STATE_FLEE;
        s.withering |= !animal && state == STATE_WITHERING;
        s.dying |= state == STATE_DEAD;
    }
    s.markers = world.getTimedMarkerCount() > 0;
    return s;
}

// Saves at fixed ticks and at the first of each situation, loads each and runs it to the end
// against the run that never stopped; a drawn run must have caught markers in its saves too.
inline void expectExactResume(const Maker& make, const PlantDetail& detail, bool drawn) {
    constexpr long END = 3000;
    constexpr long INTERVAL = 100;
    // Fixed points, and the first tick of each situation not caught yet.
    std::vector<long> savePoints = {0, 1, 37, 250, 901, 1777, 2999};
    ScratchFolder scratch{"sylvara-resume"};
    std::unique_ptr<World> world = crowdedWorld(make);
    std::map<long, std::string> census;
    std::map<long, std::string> states;
    Situation seen;
    for (long tick = 0;; ++tick) {
        if (tick % INTERVAL == 0 || tick == END)
            census[tick] = PopulationCensus::of(world->getLives()).csvRow(static_cast<int>(tick));
        const Situation now = situationOf(*world);
        const bool news = (now.chasing && !seen.chasing) || (now.fleeing && !seen.fleeing) ||
                          (now.withering && !seen.withering) || (now.dying && !seen.dying);
        if (news && tick < END)
            savePoints.push_back(tick);
        if (std::find(savePoints.begin(), savePoints.end(), tick) != savePoints.end()) {
            std::string error;
            ASSERT_TRUE(SavedWorld::capture(*world).write(scratch.file(std::to_string(tick)), error))
                << error;
            states[tick] = describe(*world, detail);
            seen.chasing |= now.chasing;
            seen.fleeing |= now.fleeing;
            seen.withering |= now.withering;
            seen.dying |= now.dying;
            seen.markers |= now.markers;
        }
        if (tick == END)
            break;
        testing::internal::CaptureStdout();
        world->tick();
        testing::internal::GetCapturedStdout();
    }
    ASSERT_GT(world->getLives().size(), 100u) << "the board is still crowded at the end";
    EXPECT_TRUE(seen.chasing && seen.fleeing && seen.withering && seen.dying && seen.markers == drawn)
        << "the saves caught chases " << seen.chasing << ", flights " << seen.fleeing << ", withering "
        << seen.withering << ", deaths " << seen.dying << " and markers " << seen.markers;
    const std::string end = describe(*world, detail);

    for (long start : savePoints) {
        std::unique_ptr<World> loaded = loadedWorld(make, scratch.file(std::to_string(start)));
        ASSERT_EQ(describe(*loaded, detail), states[start])
            << "the world saved at tick " << start << " comes back whole";
        for (long tick = start;; ++tick) {
            if (tick % INTERVAL == 0 || tick == END) {
                ASSERT_EQ(PopulationCensus::of(loaded->getLives()).csvRow(static_cast<int>(tick)),
                          census[tick])
                    << "saved at " << start << ", census at " << tick;
            }
            if (tick == END)
                break;
            testing::internal::CaptureStdout();
            loaded->tick();
            testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(describe(*loaded, detail), end) << "saved at tick " << start;
    }
    RandomSeed::release();
}

} // namespace exact_resume
