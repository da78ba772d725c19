#include "WorldFixture.h"

// Hunters are built with the traits the test wants by reading them back: birth
// may mutate them, so each test checks what it relies on.
class HuntFixture : public WorldFixture {
protected:
    Animal* rested(Animal* animal) {
        animal->setAdrenalineLevel(animal->getAdrenaline() * 0.5f + 1.0f);
        return animal;
    }
    struct Chase {
        Animal* hunter;
        Animal* prey;
    };
    // A rested carnivore of size 60 that has just begun to chase a herbivore of size 20 standing
    // gap units ahead of it.
    Chase chaseOver(double gap, int speed = 30, int adrenaline = 40) {
        Chase chase{rested(spawnAnimal(KIND_CARNIVORE, {300, 375, 0}, speed, adrenaline, 20, 60, 20)),
                    spawnAnimal(KIND_HERBIVORE, {300 + gap, 375, 0}, 10, 20, 20, 20, 20)};
        tile(2, 2)->huntStep();
        return chase;
    }
};

TEST_F(HuntFixture, PreyIsChosenByItsSizeWindowAndState) {
    Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 20, 40, 20, 50, 10));
    ASSERT_EQ(hunter->getPreySize(), 10);
    Animal* fits = spawnAnimal(KIND_HERBIVORE, {380, 375, 0}, 20, 20, 20, 11, 10);
    Animal* tooBig = spawnAnimal(KIND_HERBIVORE, {380, 375, 0}, 20, 20, 20, 12, 10);
    ASSERT_EQ(fits->getGenomeSize(), 11);
    ASSERT_EQ(tooBig->getGenomeSize(), 12);
    EXPECT_TRUE(hunter->isPrey(fits));
    EXPECT_FALSE(hunter->isPrey(tooBig)) << "both window bounds are excluded";
    EXPECT_FALSE(hunter->isPrey(hunter));
    fits->setState(STATE_FLEE);
    EXPECT_FALSE(hunter->isPrey(fits));
    fits->setState(STATE_IDLE);
    hunter->setAdrenalineLevel(hunter->getAdrenaline() * 0.5f);
    EXPECT_FALSE(hunter->isPrey(fits)) << "a tired hunter starts no hunt";
}

TEST_F(HuntFixture, ACarnivoreNeverChoosesItself) {
    Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 20, 40, 20, 30, 30));
    ASSERT_EQ(hunter->getGenomeSize(), hunter->getPreySize());
    tile(2, 2)->huntStep();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
}

// With animal.huntOwnKind at 0 a carnivore passes over carnivores, on a quiet tile (the list walk) and
// on a crowded one (the index) alike, and still takes a herbivore of the same size behind them.
TEST_F(HuntFixture, HuntersThatSpareTheirOwnKindPassOverItOnQuietAndCrowdedTiles) {
    for (bool crowded : {false, true}) {
        makeWorld(5, 1);
        Rules rules;
        rules.animalHuntOwnKind = 0;
        world->setRules(rules);
        if (crowded) {
            tile(2, 2)->populate(0, 0, 30);
            for (Life* plant : tile(2, 2)->getPlants())
                plant->setState(STATE_REPRODUCE);
        }
        Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 20, 40, 20, 50, 30));
        Animal* kin = spawnAnimal(KIND_CARNIVORE, {378, 375, 0}, 20, 20, 20, 30, 30);
        ASSERT_EQ(kin->getGenomeSize(), hunter->getPreySize());
        EXPECT_FALSE(hunter->isPrey(kin));
        tile(2, 2)->huntStep();
        EXPECT_EQ(hunter->getState(), STATE_IDLE) << "crowded " << crowded << ": only its own kind in reach";
        EXPECT_EQ(kin->getState(), STATE_IDLE);

        Animal* grazer = spawnAnimal(KIND_HERBIVORE, {380, 375, 0}, 20, 20, 20, 30, 10);
        ASSERT_TRUE(hunter->isPrey(grazer));
        tile(2, 2)->huntStep();
        EXPECT_EQ(hunter->getTarget(), grazer) << "crowded " << crowded;
        EXPECT_EQ(kin->getState(), STATE_IDLE);

        // Under the default rules the same carnivore is prey, as it always was.
        world->setRules(Rules());
        EXPECT_TRUE(hunter->isPrey(kin));
    }
}

TEST_F(HuntFixture, AChaseEndsInABiteThatMovesEnergy) {
    Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 30, 40, 20, 60, 20));
    Animal* prey = spawnAnimal(KIND_HERBIVORE, {377, 375, 0}, 10, 20, 20, 20, 20);
    ASSERT_TRUE(hunter->isPrey(prey));
    hunter->setEnergy(10.0f);
    tile(2, 2)->huntStep();
    EXPECT_EQ(hunter->getState(), STATE_CHASE);
    EXPECT_EQ(prey->getState(), STATE_FLEE);
    EXPECT_EQ(prey->getTarget(), hunter);
    EXPECT_NEAR(hunter->getHeading(), 0.0f, 1e-6) << "aimed straight at the prey";

    // A small reserve: the bite takes less than the prey holds, so the prey survives it.
    hunter->setAdrenalineLevel(3.0f);
    const float reserve = 3.0f - 0.1f; // the run step spends 0.1 first
    const float f = (hunter->getGenomeSize() - prey->getSize()) * 0.01f + 1.0f;
    const float preyEnergy = prey->getEnergy();
    ASSERT_LT(reserve * f, preyEnergy);
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
    EXPECT_NEAR(hunter->getEnergy(), 10.0f - 0.01f + reserve * f, 1e-4);
    EXPECT_NEAR(prey->getEnergy(), preyEnergy - reserve * f, 1e-4);
    EXPECT_FLOAT_EQ(hunter->getAdrenalineLevel(), 0.0f) << "the whole reserve went into the bite";
    EXPECT_EQ(prey->getState(), STATE_IDLE) << "a prey that survives is let go, not left fleeing for ever";

    // A full reserve bites harder than the prey holds: it takes what there is, and only the reserve used.
    Animal* second = spawnAnimal(KIND_HERBIVORE, {376, 375, 0}, 10, 20, 20, 20, 20);
    hunter->setAdrenalineLevel(25.0f);
    hunter->chase(second);
    const float left = second->getEnergy();
    hunter->update();
    EXPECT_EQ(second->getState(), STATE_DEAD);
    EXPECT_NEAR(hunter->getAdrenalineLevel(), 25.0f - 0.1f - left / f, 1e-3);
}

// The reach is the distance before the hunter's step: a prey just out of reach stays so even when
// the step would close the gap, and a hunter that gives up within reach bites once all the same.
TEST_F(HuntFixture, BiteReachIsMeasuredBeforeTheStepAndAGiveUpStillBites) {
    // Reach 6; the run step is 5 long.
    const auto [hunter, prey] = chaseOver(6.5, 50);
    ASSERT_EQ(hunter->getState(), STATE_CHASE);
    const float preyEnergy = prey->getEnergy();
    hunter->update();
    EXPECT_EQ(prey->getEnergy(), preyEnergy) << "6.5 away before the step: no bite, though 1.5 after it";
    EXPECT_EQ(hunter->getState(), STATE_CHASE);

    // Now 1.5 apart: with its reserve spent the hunter gives up, walks, and still bites once.
    hunter->setAdrenalineLevel(0.0f);
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
    EXPECT_LT(prey->getEnergy(), preyEnergy);
    EXPECT_EQ(prey->getState(), STATE_IDLE);
}

// A hunter whose own step takes its last energy dies then and there: it neither bites nor rises again.
TEST_F(HuntFixture, AHunterKilledByItsOwnStepStaysDeadAndDoesNotBite) {
    const auto [hunter, prey] = chaseOver(2);
    ASSERT_EQ(hunter->getState(), STATE_CHASE);
    hunter->setEnergy(0.005f);
    const float preyEnergy = prey->getEnergy();
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_DEAD);
    EXPECT_EQ(hunter->getDeathCountdown(), 15);
    EXPECT_EQ(prey->getEnergy(), preyEnergy) << "the dead do not bite";
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_DEAD);
    EXPECT_EQ(hunter->getDeathCountdown(), 14) << "its countdown runs on";
}

// A hunter of little adrenaline gives up with its reserve below zero, and the walk's refill may leave
// it there. The bite it then makes within reach moves nothing either way.
TEST_F(HuntFixture, ABiteFromANegativeReserveMovesNoEnergy) {
    const auto [hunter, prey] = chaseOver(2, 30, 4);
    ASSERT_EQ(hunter->getAdrenaline(), 4);
    ASSERT_EQ(hunter->getState(), STATE_CHASE);
    hunter->setEnergy(10.0f);
    hunter->setAdrenalineLevel(-0.5f);
    prey->setEnergy(prey->getMaxEnergy());
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
    EXPECT_FLOAT_EQ(hunter->getEnergy(), 10.0f - 0.01f) << "only the step's cost";
    EXPECT_FLOAT_EQ(prey->getEnergy(), prey->getMaxEnergy()) << "the prey gains nothing";
}

TEST_F(HuntFixture, AFleeingPreyRunsAndAnExhaustedHunterGivesUp) {
    Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {300, 375, 0}, 30, 40, 20, 60, 20));
    Animal* prey = spawnAnimal(KIND_HERBIVORE, {360, 375, 0}, 30, 20, 20, 20, 20);
    ASSERT_TRUE(hunter->isPrey(prey));
    tile(2, 2)->huntStep();
    prey->setAdrenalineLevel(5.0f);
    const osg::Vec3d start = prey->getPosition();
    prey->update();
    EXPECT_TRUE(prey->isRunning());
    EXPECT_GT(prey->getPosition().x(), start.x()) << "it runs along the hunter's own line";
    hunter->setAdrenalineLevel(0.0f);
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
    EXPECT_EQ(prey->getState(), STATE_IDLE);
}

TEST_F(HuntFixture, HerbivoresGrazeAndADeadTargetEndsTheChase) {
    Plant* plant = spawnPlant({375, 375, 0}, 10, 10, 10, 9);
    Animal* grazer = rested(spawnAnimal(KIND_HERBIVORE, {380, 375, 0}, 20, 40, 20, 50, plant->getSize()));
    ASSERT_TRUE(grazer->isPrey(plant));
    Animal* second = rested(spawnAnimal(KIND_HERBIVORE, {385, 375, 0}, 20, 40, 20, 50, plant->getSize()));
    tile(2, 2)->huntStep();
    EXPECT_EQ(grazer->getState(), STATE_CHASE);
    EXPECT_EQ(second->getState(), STATE_CHASE) << "choosing a plant does not change its state";
    EXPECT_EQ(plant->getState(), STATE_IDLE);
    plant->die();
    grazer->update();
    EXPECT_EQ(grazer->getTarget(), nullptr);
    EXPECT_EQ(grazer->getState(), STATE_IDLE);
}

TEST_F(HuntFixture, AHunterThatTurnsToBreedingReleasesItsPrey) {
    Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {300, 375, 0}, 30, 40, 20, 60, 20));
    Animal* prey = spawnAnimal(KIND_HERBIVORE, {360, 375, 0}, 30, 20, 20, 20, 20);
    ASSERT_TRUE(hunter->isPrey(prey));
    tile(2, 2)->huntStep();
    hunter->setEnergy(hunter->getMaxEnergy());
    hunter->update();
    EXPECT_EQ(hunter->getState(), STATE_IDLE);
    EXPECT_EQ(prey->getState(), STATE_IDLE);
}

TEST_F(HuntFixture, AnInvalidCandidateIsReportedAndSkipped) {
    Animal* hunter = rested(spawnAnimal(KIND_HERBIVORE, {375, 375, 0}, 20, 40, 20, 50, 50));
    osg::ref_ptr<Plant> ghost = new Plant(-1, tile(2, 2), {375, 375, 0}, 10, 10, 10, 50, 16, true);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(hunter->isPrey(ghost.get()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: invalid prey pointer.\n");
}

// A crowded tile answers hunts from an index, which never meets candidates one by one: with an
// invalid one among them the tile must walk its list, so that the warning is still given.
TEST_F(HuntFixture, ACrowdedTileWithAnInvalidCandidateWalksItsList) {
    tile(2, 2)->populate(10, 10, 10);
    for (Life* plant : tile(2, 2)->getPlants())
        plant->setState(STATE_REPRODUCE);
    osg::ref_ptr<Plant> ghost = new Plant(-1, tile(2, 2), {375, 375, 0}, 10, 10, 10, 50, 16, true);
    tile(2, 2)->registerLife(ghost.get());
    rested(spawnAnimal(KIND_HERBIVORE, {375, 375, 0}, 20, 40, 20, 50, 50));
    testing::internal::CaptureStdout();
    tile(2, 2)->huntStep();
    const std::string said = testing::internal::GetCapturedStdout();
    tile(2, 2)->unregisterLife(ghost.get());
    EXPECT_NE(said.find("Warning: invalid prey pointer.\n"), std::string::npos);
}

TEST_F(HuntFixture, GenesisPopulatesATileAndTheEcosystemRuns) {
    tile(2, 2)->populate(10, 10, 10);
    EXPECT_EQ(tile(2, 2)->getAnimalCount(), 20);
    EXPECT_EQ(tile(2, 2)->getPlants().size(), 10u);
    int forced = 0;
    for (Life* plant : tile(2, 2)->getPlants())
        forced += plant->getState() == STATE_FORCED_GROWTH;
    EXPECT_GT(forced, 0);
    ticks(600);
    size_t registered = 0;
    for (WorldTile* t : world->getTiles()->getTiles())
        registered += t->getAnimals().size() + t->getPlants().size();
    EXPECT_EQ(registered, world->getLives().size()) << "every living thing is on exactly one tile";
}

// Under animal.huntBelow a carnivore fed past the share leaves its prey alone, on a quiet tile and on a
// crowded one; once it is hungry again it hunts. A herbivore grazes whatever its energy.
TEST_F(HuntFixture, ASatedCarnivoreHuntsOnlyOnceItIsHungryAgain) {
    for (bool crowded : {false, true}) {
        makeWorld(5, 1);
        Rules rules;
        rules.animalHuntBelow = 0.5f;
        world->setRules(rules);
        if (crowded) {
            tile(2, 2)->populate(0, 0, 30);
            for (Life* plant : tile(2, 2)->getPlants())
                plant->setState(STATE_REPRODUCE);
        }
        Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {375, 375, 0}, 20, 40, 20, 50, 30));
        Animal* prey = spawnAnimal(KIND_HERBIVORE, {380, 375, 0}, 20, 20, 20, 30, 10);
        ASSERT_TRUE(hunter->isPrey(prey));
        hunter->setEnergy(hunter->getMaxEnergy() * 0.5f);
        tile(2, 2)->huntStep();
        EXPECT_EQ(hunter->getState(), STATE_IDLE) << "crowded " << crowded << ": fed to the share";
        EXPECT_EQ(prey->getState(), STATE_IDLE);

        hunter->setEnergy(hunter->getMaxEnergy() * 0.49f);
        tile(2, 2)->huntStep();
        EXPECT_EQ(hunter->getTarget(), prey) << "crowded " << crowded << ": hungry again";

        // The same carnivore, as full, hunts under the default rules.
        world->setRules(Rules());
        EXPECT_FALSE(hunter->isSated());
        hunter->setEnergy(hunter->getMaxEnergy() * 0.79f);
        EXPECT_FALSE(hunter->isSated());
    }
    makeWorld(5, 1);
    Rules rules;
    rules.animalHuntBelow = 0.01f;
    world->setRules(rules);
    Animal* grazer = spawnAnimal(KIND_HERBIVORE, {375, 375, 0}, 20, 40, 20, 30, 30);
    EXPECT_FALSE(grazer->isSated()) << "the rule is the carnivores'";
}

// Under animal.smallerPrey the window loses its floor: at 1 for herbivores only, at 2 for every hunter,
// and the crowded tile's index finds what the list walk would.
TEST_F(HuntFixture, SmallerPreyDropsTheWindowsFloorForTheKindsItNames) {
    for (bool crowded : {false, true}) {
        for (int smaller : {0, 1, 2}) {
            makeWorld(5, 1);
            Rules rules;
            rules.animalPreyTolerance = 0.5f;
            rules.animalSmallerPrey = smaller;
            world->setRules(rules);
            if (crowded) {
                // Large herbivores, outside every window below, crowd the tile into its index.
                for (int i = 0; i < 26; ++i)
                    spawnAnimal(KIND_HERBIVORE, {310.0 + i, 420, 0}, 20, 20, 20, 95, 95);
            }
            Animal* grazer = rested(spawnAnimal(KIND_HERBIVORE, {375, 375, 0}, 20, 40, 20, 30, 40));
            Animal* hunter = rested(spawnAnimal(KIND_CARNIVORE, {340, 340, 0}, 20, 40, 20, 60, 40));
            Plant* smallPlant = spawnPlant({376, 375, 0}, 20, 20, 20, 10);
            Animal* smallPrey = spawnAnimal(KIND_HERBIVORE, {341, 340, 0}, 20, 20, 20, 10, 10);
            ASSERT_EQ(smallPlant->getSize(), 10);
            ASSERT_EQ(smallPrey->getGenomeSize(), 10);
            ASSERT_EQ(grazer->getPreySize(), 40);
            ASSERT_EQ(hunter->getPreySize(), 40);
            // Both are below 40's window of 20..60: taken only without the floor.
            EXPECT_EQ(grazer->isPrey(smallPlant), smaller >= 1) << smaller;
            EXPECT_EQ(hunter->isPrey(smallPrey), smaller == 2) << smaller;
            tile(2, 2)->huntStep();
            EXPECT_EQ(grazer->getTarget() == smallPlant, smaller >= 1)
                << "crowded " << crowded << " " << smaller;
            EXPECT_EQ(hunter->getTarget() == smallPrey, smaller == 2)
                << "crowded " << crowded << " " << smaller;
        }
    }
}
