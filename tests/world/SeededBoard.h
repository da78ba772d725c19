#pragma once

#include "life/Animal.h"
#include "plants/Plant.h"
#include "save/SavedWorld.h"
#include "sim/PopulationCensus.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A 3 x 3 board from a fixed seed, headless unless a maker draws it (the scene's tests pass
// WorldScene::build), with its genesis and its census tick by tick.
struct SeededBoard {
    using Maker = std::function<std::unique_ptr<World>(int size)>;
    static constexpr unsigned SEED = 19;

    static std::unique_ptr<World> headless(int size) { return std::make_unique<World>(size); }

    explicit SeededBoard(const Maker& make = headless, int size = 3) {
        RandomSeed::fix(SEED);
        testing::internal::CaptureStdout();
        world = make(size);
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
    // The saved world in the file, loaded into a board of the maker's.
    static std::unique_ptr<SeededBoard> loaded(const std::string& file, const Maker& make = headless) {
        SavedWorld saved;
        std::string error;
        EXPECT_TRUE(SavedWorld::read(file, saved, error)) << error;
        auto board = std::make_unique<SeededBoard>(make, saved.getSize());
        saved.restore(*board->world);
        return board;
    }
    // The counts the World keeps against a walk over every organism.
    static void expectCountsMatchACensus(World& world, const std::string& when) {
        const PopulationCensus census = PopulationCensus::of(world.getLives());
        const World::LivingCounts& living = world.getLiving();
        EXPECT_EQ(living.herbivores, census.count(OrganismKind::HERBIVORES)) << when;
        EXPECT_EQ(living.carnivores, census.count(OrganismKind::CARNIVORES)) << when;
        EXPECT_EQ(living.plants, census.count(OrganismKind::PLANTS)) << when;
    }

    // Through the genesis, 400 ticks with a kill at tick 150, and a save loaded back into a board of the
    // maker's, the counts the World keeps stay those of a walk over every organism.
    static void expectCountsThroughKillsAndLoads(const std::string& file, const Maker& make = headless) {
        SeededBoard board(make);
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
        std::string error;
        ASSERT_TRUE(SavedWorld::capture(*board.world).write(file, error)) << error;
        auto back = loaded(file, make);
        expectCountsMatchACensus(*back->world, "a loaded world, dying organisms among it");
        EXPECT_EQ(back->world->getLiving().total(), board.world->getLiving().total());
        RandomSeed::release();
    }

    std::unique_ptr<World> world;
};
