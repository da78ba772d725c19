#include "WorldFixture.h"

#include "plants/PlantGenome.h"

#include <cmath>

TEST_F(WorldFixture, PlantsAreBuiltFromTheirGenome) {
    Plant* small = spawnPlant({50, 50, 0}, 5, 5, 5, 1);
    EXPECT_EQ(small->getGenomeSize(), 4);
    EXPECT_EQ(small->getMaxSegments(), 1);
    EXPECT_FLOAT_EQ(small->getGrownSize(), 4.0f);
    EXPECT_FLOAT_EQ(small->getEnergy(), 2.0f);
    EXPECT_EQ(small->getSeedsPerBatch(), 1);

    Plant* big = spawnPlant({400, 400, 0}, 100, 100, 100, 100);
    ASSERT_EQ(big->getGenomeSize(), 100);
    EXPECT_EQ(big->getMaxSegments(), 10);
    EXPECT_FLOAT_EQ(big->getGrownSize(), 10.0f);
    EXPECT_FLOAT_EQ(big->getEnergy(), 5.0f);
    EXPECT_EQ(big->getSeedsPerBatch(), big->getOffspring() / 10 + 1);
}

TEST_F(WorldFixture, APlantGrowsSegmentsAndRisesWithThem) {
    WorldTile* t = tile(2, 2);
    t->toggleFertilized(); // room for a plant of size 100
    Plant* plant = spawnPlant({375, 375, 0}, 30, 30, 30, 100);
    ASSERT_EQ(plant->getMaxSegments(), 10);
    ASSERT_EQ(plant->getState(), STATE_IDLE);
    const float perTick = t->nutrientShare(100.0f);
    EXPECT_FLOAT_EQ(perTick, 0.04f);
    int tick = 0;
    while (plant->getSegments() < 2 && tick < 1000) {
        plant->update();
        ++tick;
    }
    EXPECT_EQ(plant->getSegments(), 2);
    EXPECT_NEAR(tick, std::ceil((8.0 - 5.0) / 0.04) + 1, 1.0);
    EXPECT_FLOAT_EQ(plant->getGrownSize(), 20.0f);
    EXPECT_DOUBLE_EQ(plant->getPosition().z(), 20.0);
}

TEST_F(WorldFixture, AMaturePlantRipensAndSeedsInBatches) {
    Plant* plant = spawnPlant({375, 375, 0}, 25, 10, 20, 9);
    ASSERT_EQ(plant->getMaxSegments(), 1);
    const int batch = plant->getSeedsPerBatch();
    EXPECT_FALSE(plant->isSeedRingBuilt());
    plant->update();
    EXPECT_TRUE(plant->isSeedRingBuilt());
    const size_t lives = world->getLives().size();
    plant->setEnergy(plant->getMaxEnergy());
    for (int i = 0; i < batch; ++i)
        plant->update();
    EXPECT_EQ(world->getLives().size(), lives + batch);
    EXPECT_LT(plant->getEnergy(), plant->getMaxEnergy());
    plant->update();
    EXPECT_TRUE(plant->isSeedRingBuilt());
    for (const auto& entry : world->getLives()) {
        const osg::Vec3d p = entry.second->getPosition();
        EXPECT_LT((p - osg::Vec3d(375, 375, p.z())).length(), plant->getSpawnRadius() * 5 + 1.5);
        EXPECT_EQ(entry.second->getTile(), world->getTiles()->tileUnder(p.x(), p.y()))
            << "seedlings sit on their tile";
    }
}

TEST_F(WorldFixture, ACrowdedSeedlingWithersAndIsGone) {
    WorldTile* t = tile(0, 0);
    spawnPlant({10, 10, 0}, 20, 20, 20, 45);
    Plant* crowded = spawnPlant({20, 20, 0}, 20, 20, 20, 45);
    ASSERT_EQ(crowded->getState(), STATE_WITHERING) << "50 x (0 animals + 1) is full";
    const int id = crowded->getId();
    for (int i = 0; i < 30; ++i)
        crowded->update();
    EXPECT_EQ(crowded->getState(), STATE_DEAD);
    for (int i = 0; i < 9; ++i)
        crowded->update();
    EXPECT_EQ(world->getLives().count(id), 1u);
    crowded->update();
    EXPECT_EQ(world->getLives().count(id), 0u);
    EXPECT_EQ(t->getPlants().size(), 1u);
}

TEST_F(WorldFixture, ViabilityFollowsTheTilesCarryingLimit) {
    const auto viable = [this](int size, int animals, bool fertilized) {
        makeWorld(5, 99);
        WorldTile* t = tile(1, 1);
        for (int i = 0; i < animals; ++i)
            spawnAnimal(KIND_HERBIVORE, {200, 200, 0});
        if (fertilized)
            t->toggleFertilized();
        noMutationNext();
        return spawnPlant({200, 200, 0}, 10, 10, 10, size)->getState() != STATE_WITHERING;
    };
    EXPECT_TRUE(viable(49, 0, false));
    EXPECT_FALSE(viable(50, 0, false));
    EXPECT_TRUE(viable(99, 3, false));
    EXPECT_TRUE(viable(100, 0, true));

    makeWorld(5, 99);
    for (int i = 0; i < 3; ++i)
        spawnAnimal(KIND_HERBIVORE, {200, 200, 0});
    noMutationNext();
    spawnPlant({200, 200, 0}, 10, 10, 10, 100);
    noMutationNext();
    EXPECT_TRUE(spawnPlant({210, 200, 0}, 10, 10, 10, 99)->getState() != STATE_WITHERING) << "199 < 200";
    noMutationNext();
    EXPECT_EQ(spawnPlant({220, 200, 0}, 10, 10, 10, 1)->getState(), STATE_WITHERING)
        << "200 is not below 200";
}

TEST(PlantGenome, BudgetAndClamp) {
    // Find a seed whose draws mutate and add +4 to each trait.
    for (unsigned seed = 1; seed < 2000000; ++seed) {
        std::srand(seed);
        if (std::rand() % 100 >= 20)
            continue;
        bool allFour = true;
        for (int i = 0; i < 4; ++i)
            allFour = allFour && std::rand() % 10 == 9;
        if (!allFour)
            continue;
        std::srand(seed);
        int offspring = 60, radius = 30, efficiency = 20, size = 50;
        PlantGenome::mutate(offspring, radius, efficiency, size);
        EXPECT_EQ(offspring + radius + efficiency, 100);
        EXPECT_EQ(size, 54);
        EXPECT_TRUE(offspring == 42 || radius == 12 || efficiency == 2);
        break;
    }
    for (unsigned seed = 1; seed < 200; ++seed) {
        std::srand(seed);
        int offspring = 0, radius = 150, efficiency = -4, size = 101;
        const bool mutating = std::rand() % 100 < 20;
        std::srand(seed);
        PlantGenome::mutate(offspring, radius, efficiency, size);
        if (!mutating) {
            EXPECT_EQ(radius, 100);
            EXPECT_EQ(offspring, 1);
        }
        for (int trait : {offspring, radius, efficiency, size}) {
            EXPECT_GE(trait, 1);
            EXPECT_LE(trait, 100);
        }
    }
}

// The drift takes its draws in a fixed order and number: the chance, then offspring, spawn radius,
// efficiency and size, then the trait to cut only when the budget is exceeded.
TEST(PlantGenome, DrawsInOrderAndOnlyAsManyAsItNeeds) {
    struct Case {
        int offspring, radius, efficiency;
        bool overBudget;
    };
    for (const Case& c : {Case{20, 30, 10, false}, Case{60, 30, 20, true}}) {
        for (unsigned seed = 1;; ++seed) {
            std::srand(seed);
            int r[7];
            for (int& d : r)
                d = std::rand();
            if (r[0] % 100 >= 20)
                continue;
            std::srand(seed);
            int offspring = c.offspring, radius = c.radius, efficiency = c.efficiency, size = 50;
            PlantGenome::mutate(offspring, radius, efficiency, size);
            int o = c.offspring + r[1] % 10 - 5, s = c.radius + r[2] % 10 - 5,
                e = c.efficiency + r[3] % 10 - 5;
            EXPECT_EQ(size, 50 + r[4] % 10 - 5);
            if (c.overBudget) {
                int* cut[] = {&o, &s, &e};
                *cut[r[5] % 3] -= o + s + e - 100;
            }
            EXPECT_EQ(offspring, o);
            EXPECT_EQ(radius, s);
            EXPECT_EQ(efficiency, e);
            EXPECT_EQ(std::rand(), r[c.overBudget ? 6 : 5]) << "draws taken: " << (c.overBudget ? 6 : 5);
            break;
        }
    }
    // Without a drift only the chance is drawn.
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        const int chance = std::rand();
        const int next = std::rand();
        if (chance % 100 < 20)
            continue;
        std::srand(seed);
        int offspring = 20, radius = 20, efficiency = 20, size = 20;
        PlantGenome::mutate(offspring, radius, efficiency, size);
        EXPECT_EQ(std::rand(), next);
        break;
    }
}

// A seed's distance is drawn before its angle: d = r % (5 x spawnRadius) + 1, then a whole number of degrees.
TEST_F(WorldFixture, ASeedTakesItsDistanceThenItsAngle) {
    tile(2, 2)->toggleFertilized();
    Plant* parent = spawnPlant({375, 375, 0}, 10, 20, 10, 30);
    ASSERT_EQ(parent->getSpawnRadius(), 20);
    std::srand(4242);
    const int first = std::rand();
    const int second = std::rand();
    std::srand(4242);
    parent->reproduce();
    Plant* seedling = static_cast<Plant*>(tile(2, 2)->getPlants().back());
    ASSERT_NE(seedling, parent);
    const int d = first % 100 + 1;
    const float a = static_cast<float>(second % 360) * 0.01745f;
    const osg::Vec3d at = seedling->getPosition();
    EXPECT_NEAR(at.x(), 375 + std::cos(a) * d, 1e-3);
    EXPECT_NEAR(at.y(), 375 + std::sin(a) * d, 1e-3);
}

TEST_F(WorldFixture, SeedsAndPointsOffTheBoardStayOnIt) {
    for (const osg::Vec3d& p : {osg::Vec3d(-0.5, 10, 0), osg::Vec3d(750, 10, 0), osg::Vec3d(1750, 1750, 0),
                                osg::Vec3d(10, -1e12, 0)}) {
        Plant* plant = spawnPlant(p);
        const osg::Vec3d at = plant->getPosition();
        EXPECT_GE(at.x(), 0);
        EXPECT_LT(at.x(), 750);
        EXPECT_GE(at.y(), 0);
        EXPECT_LT(at.y(), 750);
        EXPECT_EQ(plant->getTile(), world->getTiles()->tileUnder(at.x(), at.y()));
    }
    const size_t count = world->getLives().size();
    tile(0, 0)->spawnPlant(osg::Vec3d(std::nan(""), 10, 0), 10, 10, 10, 10);
    EXPECT_EQ(world->getLives().size(), count) << "a point that is not a number is dropped";

    Plant* parent = spawnPlant({2, 2, 0}, 10, 100, 10, 5);
    osg::Vec3d seed(-12, 30, 0);
    parent->wrapPosition(seed);
    EXPECT_EQ(seed.x(), 749);
    seed.set(780, 30, 0);
    parent->wrapPosition(seed);
    EXPECT_EQ(seed.x(), 1);
}

TEST_F(WorldFixture, AVegetationSpreadsAndIsBoundedByNourishment) {
    for (int i = 0; i < 5; ++i)
        world->spawnRandomPlant();
    ticks(3000);
    size_t plants = 0;
    for (WorldTile* t : world->getTiles()->getTiles()) {
        plants += t->getPlants().size();
        float mass = 0;
        for (Life* plant : t->getPlants()) {
            mass += plant->getGenomeSize();
            EXPECT_EQ(plant->getTile(), t);
        }
        EXPECT_FLOAT_EQ(mass, t->getPlantMass());
    }
    EXPECT_GT(plants, 5u);
    EXPECT_EQ(plants, world->getLives().size());
    EXPECT_LT(plants, 25u * 50u) << "fifty units of plant per empty tile at most, plus the withering";
}
