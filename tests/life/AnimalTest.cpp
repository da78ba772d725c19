#include "WorldFixture.h"

#include "life/AnimalGenome.h"

#include <array>
#include <cstdlib>

namespace {

// A seed whose first draw does (or does not) mutate, with the draws that follow it.
std::array<int, 10> drawsFor(bool mutating, unsigned& seed) {
    for (seed = 1;; ++seed) {
        std::srand(seed);
        std::array<int, 10> draws;
        for (int& d : draws)
            d = std::rand();
        if ((draws[0] % 100 < 20) == mutating && (!mutating || draws[6] % 100 < 10))
            return draws;
    }
}

} // namespace

TEST(AnimalGenome, MutationDrawsInOrderThenBudgetsAndClamps) {
    unsigned seed;
    const std::array<int, 10> r = drawsFor(true, seed);
    int kind = KIND_HERBIVORE, speed = 60, adrenaline = 40, efficiency = 30, size = 99, preySize = 2;
    std::srand(seed);
    AnimalGenome::mutate(kind, speed, adrenaline, efficiency, size, preySize);

    int s = 60 + r[1] % 10 - 5, a = 40 + r[2] % 10 - 5, e = 30 + r[3] % 10 - 5;
    int* cut[] = {&s, &a, &e};
    *cut[r[8] % 3] -= s + a + e - 100;
    EXPECT_EQ(kind, r[7] % 3 == 0 ? KIND_HERBIVORE : KIND_CARNIVORE);
    EXPECT_EQ(speed, AnimalGenome::clampTrait(s));
    EXPECT_EQ(adrenaline, AnimalGenome::clampTrait(a));
    EXPECT_EQ(efficiency, AnimalGenome::clampTrait(e));
    EXPECT_EQ(size, AnimalGenome::clampTrait(99 + r[4] % 10 - 5));
    EXPECT_EQ(preySize, AnimalGenome::clampTrait(2 + r[5] % 10 - 5));
}

TEST(AnimalGenome, WithoutMutationOnlyTheClampActs) {
    unsigned seed;
    drawsFor(false, seed);
    int kind = KIND_CARNIVORE, speed = 130, adrenaline = 100, efficiency = 100, size = 0, preySize = -7;
    std::srand(seed);
    AnimalGenome::mutate(kind, speed, adrenaline, efficiency, size, preySize);
    EXPECT_EQ(kind, KIND_CARNIVORE);
    EXPECT_EQ(speed, 100);
    EXPECT_EQ(adrenaline + efficiency, 200) << "the budget applies only inside a mutation";
    EXPECT_EQ(size, 1);
    EXPECT_EQ(preySize, 1);

    for (unsigned s = 0; s < 2000; ++s) {
        std::srand(s);
        int k = KIND_HERBIVORE, a = 1, b = 100, c = 50, d = 1, e = 100;
        AnimalGenome::mutate(k, a, b, c, d, e);
        for (int trait : {a, b, c, d, e}) {
            EXPECT_GE(trait, 1);
            EXPECT_LE(trait, 100);
        }
        EXPECT_TRUE(k == KIND_HERBIVORE || k == KIND_CARNIVORE);
    }
}

TEST_F(WorldFixture, AnAnimalIsBuiltFromItsGenome) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 30, 40, 20, 50, 50);
    EXPECT_FLOAT_EQ(animal->getMaxEnergy(), animal->getGenomeSize() + 0.1f);
    EXPECT_FLOAT_EQ(animal->getEnergy(), animal->getMaxEnergy() * 0.5f);
    EXPECT_FLOAT_EQ(animal->getTimeScale(), animal->getSpeed() * 3.0f / 100.0f);
    EXPECT_EQ(animal->getState(), STATE_IDLE);
    // The heading is a whole number of degrees.
    const double degrees = animal->getHeading() / 0.01745;
    EXPECT_NEAR(degrees, std::round(degrees), 1e-3);
}

TEST_F(WorldFixture, WalkingCostsEnergyStepByStepUntilDeath) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {375, 375, 0}, 20, 20, 20, 10, 10);
    ASSERT_EQ(animal->getGenomeSize(), 10) << "this seed must not mutate the size";
    const osg::Vec3d start = animal->getPosition();
    const float heading = animal->getHeading();
    animal->update();
    const double step = animal->getSpeed() * 0.1 * 0.5;
    EXPECT_NEAR((animal->getPosition() - start).length(), step, 1e-4);
    const double bearing =
        std::atan2(animal->getPosition().y() - start.y(), animal->getPosition().x() - start.x());
    EXPECT_NEAR(std::remainder(bearing - heading, 2 * M_PI), 0.0, 1e-4);
    EXPECT_TRUE(animal->isWalking());
    int updates = 1;
    while (animal->getState() != STATE_DEAD && updates < 1000) {
        animal->update();
        ++updates;
    }
    EXPECT_EQ(updates, 505);
    EXPECT_EQ(animal->getDeathCountdown(), 15);
    const int id = animal->getId();
    WorldTile* t = animal->getTile();
    for (int i = 0; i < 14; ++i)
        animal->update();
    EXPECT_EQ(world->getLives().count(id), 1u);
    animal->update(); // its own update removes it: nothing may touch it afterwards
    EXPECT_EQ(world->getLives().count(id), 0u);
    for (Life* life : t->getAnimals())
        EXPECT_NE(life->getId(), id);
}

TEST_F(WorldFixture, AnimalsRemoveThemselvesDuringTheirOwnTilePass) {
    for (int i = 0; i < 6; ++i)
        spawnAnimal(KIND_HERBIVORE, {375, 375, 0});
    tile(2, 2)->killAll();
    ticks(16);
    EXPECT_EQ(tile(2, 2)->getAnimalCount(), 0);
    EXPECT_TRUE(world->getLives().empty());
}

TEST_F(WorldFixture, WellFedAnimalsReproduceOnTheirTile) {
    Animal* parent = spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 20, 20, 20, 50, 50);
    parent->setEnergy(parent->getMaxEnergy() * 0.8f);
    parent->update();
    EXPECT_EQ(world->getLives().size(), 1u) << "exactly 80 % does not reproduce";
    parent->setEnergy(parent->getMaxEnergy() * 0.9f);
    const float before = parent->getEnergy();
    parent->update();
    ASSERT_EQ(world->getLives().size(), 2u);
    const float cost = parent->getMaxEnergy() * 0.5f / (parent->getSpawnEfficiency() * 0.02f + 1.0f);
    EXPECT_NEAR(parent->getEnergy(), before - cost, 1e-4);
    EXPECT_EQ(parent->getState(), STATE_IDLE);
    Animal* child = static_cast<Animal*>(parent->getTile()->getAnimals().back());
    EXPECT_NE(child, parent);
    EXPECT_EQ(child->getPosition(), parent->getPosition()) << "born at the parent's position";
}

TEST_F(WorldFixture, KilledAnimalsStayDeadAboveTheBreedingLine) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {375, 375, 0});
    animal->setEnergy(animal->getMaxEnergy());
    animal->die();
    animal->update();
    EXPECT_EQ(animal->getState(), STATE_DEAD);
    EXPECT_EQ(world->getLives().size(), 1u);
}
