#include "WorldFixture.h"

#include <cmath>

namespace {

float grey(WorldTile* t) {
    return t->getEmission().x();
}

} // namespace

TEST_F(WorldFixture, TileLookupClampsIntoTheGrid) {
    TileGrid* grid = world->getTiles();
    EXPECT_EQ(grid->tileAt(-3, 12), tile(0, 4));
    EXPECT_EQ(grid->tileAt(4, 4), grid->getTiles().back());
    EXPECT_EQ(grid->tileUnder(-0.5, 10), tile(0, 0));
    EXPECT_EQ(grid->tileUnder(750, 1e30), tile(4, 4));
    EXPECT_EQ(grid->tileUnder(std::nan(""), 200), tile(0, 1));
    // The cursor's tile likewise: a far-off point is the nearest edge tile, not a wrapped-round int.
    world->setCursorPoint({1e12, 1e12, 0});
    EXPECT_EQ(world->getCursorTile(), tile(4, 4));
    world->setCursorPoint({-1e12, 451, 0});
    EXPECT_EQ(world->getCursorTile(), tile(0, 3));
    EXPECT_FALSE(tile(4, 0)->contains({1e12, 10, 0})) << "off the board is on no tile";
    EXPECT_TRUE(tile(4, 0)->contains({749.9, 149.9, 0}));
}

TEST_F(WorldFixture, TileShadeFollowsAnimalsAndFertilizer) {
    WorldTile* t = tile(1, 1);
    EXPECT_FLOAT_EQ(world->getTiles()->getTiles()[0]->getEmission().x(), 0.7f);
    for (int i = 0; i < 10; ++i)
        spawnAnimal(KIND_HERBIVORE, {200, 200, 0});
    EXPECT_NEAR(grey(t), 0.85f, 1e-6);
    for (int i = 0; i < 25; ++i)
        spawnAnimal(KIND_HERBIVORE, {200, 200, 0});
    EXPECT_FLOAT_EQ(grey(t), 1.0f);
    t->toggleFertilized();
    EXPECT_EQ(t->getEmission(), osg::Vec4(0.8f, 0.8f, 1.0f, 1.0f));
    t->toggleFertilized();
    EXPECT_FLOAT_EQ(grey(t), 1.0f);
}

TEST_F(WorldFixture, PlantMassAndNutrientShare) {
    WorldTile* t = tile(0, 0);
    Plant* plant = spawnPlant({50, 50, 0}, 20, 20, 20, 30);
    const float mass = t->getPlantMass();
    EXPECT_EQ(mass, static_cast<float>(plant->getGenomeSize()));
    EXPECT_FLOAT_EQ(t->nutrientShare(mass), 0.02f);
    EXPECT_FLOAT_EQ(t->nutrientShare(mass / 2), 0.01f);
    t->toggleFertilized();
    EXPECT_FLOAT_EQ(t->nutrientShare(mass / 2), 0.02f);
    // A plant listed on another tile is not this tile's to take off: its mass stays.
    Plant* elsewhere = spawnPlant({400, 400, 0}, 20, 20, 20, 20);
    t->unregisterLife(elsewhere);
    EXPECT_EQ(t->getPlantMass(), mass) << "an unlisted plant changes nothing";
    EXPECT_EQ(t->getPlants().size(), 1u);
    EXPECT_EQ(elsewhere->getTile(), tile(2, 2));
    t->unregisterLife(plant);
    EXPECT_EQ(t->getPlantMass(), 0.0f);
    EXPECT_TRUE(t->getPlants().empty());
}

// A random point of a tile draws x first, then y.
TEST_F(WorldFixture, ARandomPointDrawsItsXFirst) {
    std::srand(777);
    const int first = std::rand();
    const int second = std::rand();
    std::srand(777);
    EXPECT_EQ(tile(2, 1)->randomPoint(), osg::Vec3d(300 + first % 150, 150 + second % 150, 0));
}

TEST_F(WorldFixture, MigrationMovesAnimalsToTheTileUnderThem) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {149.9, 10, 0});
    animal->setPosition({150.0, 10, 0});
    world->getTiles()->migrateAll();
    EXPECT_EQ(animal->getTile(), tile(1, 0));
    EXPECT_EQ(tile(0, 0)->getAnimalCount(), 0);
    EXPECT_EQ(tile(1, 0)->getAnimalCount(), 1);
    EXPECT_FLOAT_EQ(grey(tile(0, 0)), 0.7f);

    // Off the board the clamped tile may be its own: the animal is listed there again, at the end,
    // once; two such animals do not chase each other down the list for ever.
    Animal* first = spawnAnimal(KIND_HERBIVORE, {740, 740, 0});
    Animal* second = spawnAnimal(KIND_HERBIVORE, {741, 740, 0});
    Animal* third = spawnAnimal(KIND_HERBIVORE, {742, 740, 0});
    first->setPosition({760, 900, 0});
    second->setPosition({1e12, 1e12, 0});
    world->getTiles()->migrateAll();
    EXPECT_EQ(tile(4, 4)->getAnimalCount(), 3);
    const std::vector<Life*> order(tile(4, 4)->getAnimals().begin(), tile(4, 4)->getAnimals().end());
    EXPECT_EQ(order, (std::vector<Life*>{third, first, second}));
}

// A tile compares a point with its edges instead of dividing: the answer must be the truncated
// quotient's, to the last double on either side of each edge, off the board and below zero too.
TEST_F(WorldFixture, ATilesEdgesAreThoseOfTheTruncatedQuotient) {
    const auto divided = [](double x, int index) { return std::trunc(x / TileGrid::TILE_SIZE) == index; };
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 5; ++column) {
            WorldTile* t = tile(column, row);
            for (int edge = -3; edge <= 8; ++edge) {
                double x = edge * 150.0;
                for (int step = 0; step < 8; ++step)
                    x = std::nextafter(x, -HUGE_VAL);
                for (int step = 0; step < 17; ++step, x = std::nextafter(x, HUGE_VAL)) {
                    const double y = (row + 0.5) * 150.0;
                    ASSERT_EQ(t->contains({x, y, 0}), divided(x, column) && divided(y, row))
                        << "x " << x << " on tile " << column << "," << row;
                    ASSERT_EQ(t->contains({(column + 0.5) * 150.0, x, 0}), divided(x, row))
                        << "y " << x << " on tile " << column << "," << row;
                }
            }
        }
    }
    EXPECT_TRUE(tile(0, 0)->contains({-149.9, -0.5, 0})) << "a quotient above -1 truncates to 0";
    EXPECT_FALSE(tile(0, 0)->contains({-150, 10, 0}));
    EXPECT_FALSE(tile(0, 0)->contains({std::nan(""), 10, 0}));
    EXPECT_FALSE(tile(4, 4)->contains({HUGE_VAL, 700, 0}));
}

// Only the animals that stepped off their tile move, but as a walk over the whole list would move
// them: in list order, and not those that came back or left the world before the move.
TEST_F(WorldFixture, OnlyStrayAnimalsMoveAndTheyArriveInListOrder) {
    Animal* first = spawnAnimal(KIND_HERBIVORE, {10, 10, 0});
    Animal* stays = spawnAnimal(KIND_HERBIVORE, {20, 10, 0});
    Animal* second = spawnAnimal(KIND_HERBIVORE, {30, 10, 0});
    Animal* back = spawnAnimal(KIND_HERBIVORE, {40, 10, 0});
    Animal* gone = spawnAnimal(KIND_HERBIVORE, {50, 10, 0});
    // Stepping off in the other order than they are listed.
    second->setPosition({160, 10, 0});
    first->setPosition({170, 10, 0});
    back->setPosition({180, 10, 0});
    back->setPosition({40, 12, 0});
    gone->setPosition({190, 10, 0});
    tile(0, 0)->unregisterLife(gone);
    EXPECT_TRUE(tile(0, 0)->hasStrays());
    world->getTiles()->migrateAll();
    const std::vector<Life*> arrived(tile(1, 0)->getAnimals().begin(), tile(1, 0)->getAnimals().end());
    EXPECT_EQ(arrived, (std::vector<Life*>{first, second}));
    const std::vector<Life*> left(tile(0, 0)->getAnimals().begin(), tile(0, 0)->getAnimals().end());
    EXPECT_EQ(left, (std::vector<Life*>{stays, back}));
    EXPECT_EQ(gone->getTile(), tile(0, 0)) << "an animal no longer listed is not moved";
    EXPECT_FALSE(tile(0, 0)->hasStrays());
    EXPECT_FALSE(tile(1, 0)->hasStrays());

    // One listed where it does not stand (off the board) is a stray from the start, and again
    // after each move lists it anew on its clamped tile.
    Animal* outside = spawnAnimal(KIND_HERBIVORE, {740, 740, 0});
    outside->setPosition({800, 740, 0});
    world->getTiles()->migrateAll();
    EXPECT_EQ(outside->getTile(), tile(4, 4));
    EXPECT_TRUE(tile(4, 4)->hasStrays());
}

TEST_F(WorldFixture, PositionsWrapAtTheWorldsEdges) {
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {10, 10, 0});
    const auto wrapped = [animal](osg::Vec3d p) {
        animal->wrapPosition(p);
        return p;
    };
    EXPECT_EQ(wrapped({-0.5, 10, 3}), osg::Vec3d(749, 10, 3));
    EXPECT_EQ(wrapped({750, 10, 3}), osg::Vec3d(1, 10, 3));
    EXPECT_EQ(wrapped({0, 0, 3}), osg::Vec3d(0, 0, 3));
    EXPECT_EQ(wrapped({-3, 800, 3}), osg::Vec3d(749, 1, 3));
    EXPECT_EQ(wrapped({5, -1, 0}), osg::Vec3d(5, 749, 0));
}

TEST_F(WorldFixture, NearestLifePrefersAnimalsAndHasARadius) {
    WorldTile* t = tile(0, 0);
    EXPECT_EQ(t->findNearestLife({75, 75, 0}), -1);
    Animal* animal = spawnAnimal(KIND_HERBIVORE, {50, 50, 0}, 10, 10, 10, 20, 20);
    EXPECT_EQ(t->findNearestLife({50, 50, 0}), animal->getId());
    EXPECT_EQ(t->findNearestLife({50, 130, 0}), -1) << "beyond the search radius";
    Plant* plant = spawnPlant({120, 120, 0});
    EXPECT_EQ(t->findNearestLife({120, 121, 0}), plant->getId());

    // A tie: the animal scores 10 - 20 x 0.5 = 0 and so does the plant, 1.5 times its size away.
    // Animals are examined first and a tie keeps the earlier one.
    makeWorld();
    Animal* near = spawnAnimal(KIND_HERBIVORE, {60, 50, 0}, 10, 10, 10, 20, 20);
    ASSERT_EQ(near->getGenomeSize(), 20);
    Plant* tied = spawnPlant({50, 50, 0});
    tied->setPosition({50 - tied->getSize() * 1.5, 50, 0});
    EXPECT_EQ(tile(0, 0)->findNearestLife({50, 50, 0}), near->getId());
    tied->setPosition({50 - tied->getSize() * 1.5 - 0.01, 50, 0});
    EXPECT_EQ(tile(0, 0)->findNearestLife({50, 50, 0}), near->getId()) << "a plant a little farther loses";
    tied->setPosition({50 - tied->getSize() * 1.5 + 0.01, 50, 0});
    EXPECT_EQ(tile(0, 0)->findNearestLife({50, 50, 0}), tied->getId()) << "a plant a little nearer wins";
}

TEST_F(WorldFixture, KillAllKillsEveryoneAndKeepsTheBlueUntilRecoloured) {
    WorldTile* t = tile(2, 2);
    spawnPlant({320, 320, 0});
    spawnPlant({330, 330, 0});
    t->toggleFertilized();
    t->killAll();
    EXPECT_FALSE(t->isFertilized());
    EXPECT_EQ(t->getEmission(), osg::Vec4(0.8f, 0.8f, 1.0f, 1.0f));
    for (Life* plant : t->getPlants())
        EXPECT_EQ(plant->getState(), STATE_DEAD);
    ticks(11);
    EXPECT_TRUE(t->getPlants().empty());
    EXPECT_EQ(t->getPlantMass(), 0.0f);
}
