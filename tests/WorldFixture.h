#pragma once

#include "life/Animal.h"
#include "plants/Plant.h"
#include "presentation/Hud.h"
#include "presentation/OrganismNode.h"
#include "presentation/WorldScene.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// A World with a fixed random seed: headless, with no art, unless the test is one of the scene's
// (DrawnWorldFixture), which draws it with its HUD and no viewer, so picks find nothing.
class WorldFixture : public ::testing::Test {
protected:
    void makeWorld(int size = 5, unsigned seed = 1234) {
        RandomSeed::fix(seed);
        testing::internal::CaptureStdout();
        if (drawn) {
            root = new osg::Group;
            hud = std::make_unique<Hud>("Sylvara 0.6.4 Beta");
            root->addChild(hud->getCamera());
            world = WorldScene::build(size, hud.get(), root.get(), nullptr);
        } else {
            world.reset();
            world = std::make_unique<World>(size);
        }
        startupOutput = testing::internal::GetCapturedStdout();
        world->setTickRate(16);
    }
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

    bool drawn = false;
    osg::ref_ptr<osg::Group> root;
    std::unique_ptr<Hud> hud;
    std::unique_ptr<World> world;
    std::string startupOutput;
};

// The same World drawn by the window's scene, for the scene's own tests: it loads the staged art.
class DrawnWorldFixture : public WorldFixture {
protected:
    DrawnWorldFixture() { drawn = true; }
};
