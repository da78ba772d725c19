// Rules that would let one tick never end are refused, naming both rules, and only those.
#include "WorldFixture.h"

#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Rules with(const std::vector<std::string>& settings) {
    Rules rules;
    std::string error;
    EXPECT_TRUE(RulesFile::apply("", settings, rules, error)) << error;
    return rules;
}

} // namespace

TEST(RuleCombination, ANewbornAnimalAboveTheEnergyToBreedIsRefusedNamingBothRules) {
    EXPECT_EQ(RuleCombination::check(Rules::defaults()), "");
    EXPECT_EQ(
        RuleCombination::check(with({"animal.breedAt=0.49"})),
        "animal.birthEnergy=0.5 is above animal.breedAt=0.49: every newborn animal would breed in the "
        "tick it is born and that tick would never end (keep animal.birthEnergy at most animal.breedAt)");
    EXPECT_NE(RuleCombination::check(with({"animal.birthEnergy=0.9"})), "");
    // Breeding needs more than the threshold: a newborn exactly at it waits.
    EXPECT_EQ(RuleCombination::check(with({"animal.birthEnergy=0.8"})), "");
    EXPECT_EQ(RuleCombination::check(with({"animal.birthEnergy=0.01", "animal.breedAt=0.01"})), "");
    // One float step above is above for some size of animal.
    Rules step;
    step.animalBirthEnergy = std::nextafter(step.animalBreedAt, 1.0f);
    EXPECT_NE(RuleCombination::check(step), "");
    // Plants are not refused: a tile's viability ends their seeding within the tick.
    EXPECT_EQ(RuleCombination::check(with({"plant.birthEnergy=0.9", "plant.growAt=0.1"})), "");
}

TEST(RuleCombination, AcrossASweepsValuesTheWorstPairDecides) {
    EXPECT_EQ(RuleCombination::checkAcross(Rules::defaults(), {{"animal.breedAt", {0.6, 0.9}},
                                                               {"animal.birthEnergy", {0.3, 0.6}},
                                                               {"mutation.chance", {0, 100}}}),
              "");
    const std::string low =
        RuleCombination::checkAcross(Rules::defaults(), {{"animal.breedAt", {0.9, 0.3, 0.6}}});
    EXPECT_EQ(low.rfind("animal.birthEnergy=0.5 is above animal.breedAt=0.3:", 0), 0u) << low;
    const std::string high =
        RuleCombination::checkAcross(with({"animal.breedAt=0.7"}), {{"animal.birthEnergy", {0.2, 0.75}}});
    EXPECT_EQ(high.rfind("animal.birthEnergy=0.75 is above animal.breedAt=0.7:", 0), 0u) << high;
}

// The boundary the check draws is the tick's own: at it, a world's ticks end, and newborns wait
// a tick before they breed.
TEST_F(WorldFixture, RulesTheCheckAcceptsAtItsBoundaryLetEveryTickEnd) {
    Rules rules = with({"animal.birthEnergy=0.6", "animal.breedAt=0.6", "animal.moveCost=0"});
    ASSERT_EQ(RuleCombination::check(rules), "");
    world->setRules(rules);
    world->genesis({{0, 0}});
    for (int tick = 0; tick < 5; ++tick)
        world->tick();
    EXPECT_LT(world->getLiving().total(), 1000) << "no tick ran away";
}

TEST_F(WorldFixture, PlantsBornReadyToSeedStopWhenTheirTileBearsNoMore) {
    const Rules rules = with({"plant.birthEnergy=0.9", "plant.growAt=0.1"});
    ASSERT_EQ(RuleCombination::check(rules), "");
    world->setRules(rules);
    world->genesis({{0, 0}});
    for (int tick = 0; tick < 3; ++tick)
        world->tick();
    // Each tile bears 50 of plant mass per animal on it, and one more: a few thousand plants at most.
    EXPECT_LT(world->getLiving().total(), 20000);
}
