#pragma once

#include "life/Animal.h"
#include "plants/Plant.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// A World with a fixed random seed, headless: no observer and no art. The scene's own tests draw
// it (tests/presentation/DrawnWorldFixture.h).
class WorldFixture : public ::testing::Test {
protected:
    void makeWorld(int size = 5, unsigned seed = 1234) {
        RandomSeed::fix(seed);
        testing::internal::CaptureStdout();
        // The old world goes first: a scene may still point at what the new one replaces.
        world.reset();
        world = buildWorld(size);
        startupOutput = testing::internal::GetCapturedStdout();
        world->setTickRate(16);
    }
    virtual std::unique_ptr<World> buildWorld(int size) { return std::make_unique<World>(size); }
    void SetUp() override { makeWorld(); }
    void TearDown() override { RandomSeed::release(); }

    WorldTile* tile(int column, int row) { return world->getTiles()->tileAt(column, row); }

    Animal* spawnAnimal(int kind, const osg::Vec3d& p, int speed = 20, int adrenaline = 20,
                        int efficiency = 20, int size = 50, int preySize = 50) {
        // The genome arrives exactly as given: this birth does not mutate.
        noMutationNext();
        WorldTile* t = world->getTiles()->tileUnder(p.x(), p.y());
        t->spawnAnimal(kind, p, speed, adrenaline, efficiency, size, preySize);
        return static_cast<Animal*>(t->getAnimals().back());
    }

    Plant* spawnPlant(const osg::Vec3d& p, int offspring = 20, int radius = 20, int efficiency = 20,
                      int size = 30) {
        noMutationNext();
        WorldTile* t = world->getTiles()->tileUnder(p.x(), p.y());
        t->spawnPlant(p, offspring, radius, efficiency, size);
        return static_cast<Plant*>(t->getPlants().back());
    }

    // Seeds rand() so that the next genome drift draw does not mutate.
    static void noMutationNext() {
        for (unsigned seed = 1;; ++seed) {
            std::srand(seed);
            if (std::rand() % 100 >= 20) {
                std::srand(seed);
                return;
            }
        }
    }

    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            world->tick();
    }

    std::unique_ptr<World> world;
    std::string startupOutput;
};
