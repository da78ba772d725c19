// The rules that make a trait cost as well as help, and the symmetric mutation step.
#include "WorldFixture.h"

#include "life/AnimalGenome.h"
#include "plants/PlantGenome.h"

#include <map>
#include <random>

namespace {

struct StepTally {
    std::map<int, long> seen;
    double mean = 0.0;
};

// The moves of one trait over many mutations from the middle of its range, drawn by a generator of
// the test's own: nothing clamps or budgets them.
StepTally tallySteps(const Rules& rules, bool plant) {
    std::mt19937 generator(7);
    const auto draw = [&generator] { return static_cast<int>(generator() >> 1); };
    StepTally tally;
    const int n = 200000;
    long sum = 0;
    for (int i = 0; i < n; ++i) {
        int move = 0;
        if (plant) {
            int offspring = 20, radius = 20, efficiency = 20, size = 50;
            PlantGenome::mutateWith(draw, offspring, radius, efficiency, size, rules);
            move = size - 50;
        } else {
            int kind = KIND_HERBIVORE, speed = 20, adrenaline = 20, efficiency = 20, size = 50, prey = 50;
            AnimalGenome::mutateWith(draw, kind, speed, adrenaline, efficiency, size, prey, rules);
            move = prey - 50;
        }
        tally.seen[move] += 1;
        sum += move;
    }
    tally.mean = static_cast<double>(sum) / n;
    return tally;
}

} // namespace

TEST(MutationStep, SymmetricDrawsEveryStepFromMinusToPlusWithMeanZero) {
    Rules rules;
    rules.mutationChance = 100;
    rules.mutationStep = 5;
    for (bool plant : {false, true}) {
        const StepTally skewed = tallySteps(rules, plant);
        EXPECT_EQ(skewed.seen.begin()->first, -5);
        EXPECT_EQ(skewed.seen.rbegin()->first, 4) << "the old step never reaches +step";
        EXPECT_EQ(skewed.seen.size(), 10u);
        EXPECT_NEAR(skewed.mean, -0.5, 0.03);

        Rules symmetric = rules;
        symmetric.mutationSymmetric = 1;
        const StepTally even = tallySteps(symmetric, plant);
        EXPECT_EQ(even.seen.begin()->first, -5);
        EXPECT_EQ(even.seen.rbegin()->first, 5);
        EXPECT_EQ(even.seen.size(), 11u) << "every step from -5 to +5 is drawn";
        // Each of the 11 moves about equally often, so the mean is 0 within sampling error.
        for (const auto& [move, count] : even.seen)
            EXPECT_NEAR(count / 200000.0, 1.0 / 11, 0.004) << move;
        EXPECT_NEAR(even.mean, 0.0, 0.03);
    }
}

TEST(MutationStep, TheWorldDrawIsTheOperatorOnRand) {
    // mutate() and mutateWith(rand) must be one operator: the shadow relies on it.
    Rules rules;
    rules.mutationSymmetric = 1;
    rules.mutationChance = 100;
    for (unsigned seed = 1; seed < 200; ++seed) {
        int a[6] = {KIND_HERBIVORE, 30, 30, 30, 50, 50};
        int b[6] = {KIND_HERBIVORE, 30, 30, 30, 50, 50};
        std::srand(seed);
        AnimalGenome::mutate(a[0], a[1], a[2], a[3], a[4], a[5], rules);
        std::srand(seed);
        AnimalGenome::mutateWith([] { return std::rand(); }, b[0], b[1], b[2], b[3], b[4], b[5], rules);
        for (int i = 0; i < 6; ++i)
            ASSERT_EQ(a[i], b[i]) << seed;
    }
}

TEST_F(WorldFixture, SpeedCostsEveryStepInProportionToSpeed) {
    Rules rules;
    rules.animalSpeedCost = 0.5f;
    world->setRules(rules);
    Animal* slow = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 20, 20, 20, 50, 50);
    Animal* fast = spawnAnimal(KIND_HERBIVORE, {300, 300, 0}, 80, 10, 10, 50, 50);
    const float slowBefore = slow->getEnergy();
    const float fastBefore = fast->getEnergy();
    slow->update();
    fast->update();
    EXPECT_NEAR(slowBefore - slow->getEnergy(), 0.01f + 0.5f * 20 / 100, 1e-5);
    EXPECT_NEAR(fastBefore - fast->getEnergy(), 0.01f + 0.5f * 80 / 100, 1e-5);
}

TEST_F(WorldFixture, SizeCostsUpkeepEveryTickAndCanKill) {
    Rules rules;
    rules.animalSizeCost = 1.0f;
    world->setRules(rules);
    Animal* big = spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 20, 20, 20, 90, 50);
    const float before = big->getEnergy();
    big->update();
    EXPECT_NEAR(before - big->getEnergy(), 0.01f + 1.0f * 90 / 100, 1e-5);
    // Upkeep alone kills a starving animal once, and it then plays its death like any other.
    int updates = 1;
    while (big->getState() != STATE_DEAD && updates < 200) {
        big->update();
        ++updates;
    }
    EXPECT_LT(updates, 60);
    EXPECT_EQ(big->getDeathCountdown(), 15);
    big->update();
    EXPECT_EQ(big->getDeathCountdown(), 14) << "a dead animal pays no more upkeep and dies only once";
}

TEST_F(WorldFixture, CostlyTraitsChangeWhatAWorldSustains) {
    // One tile for 100 ticks: under a heavy size cost the animals starve, as they do not for free.
    const auto animalsAfter = [this](const Rules& rules) {
        makeWorld(1, 99);
        world->setRules(rules);
        tile(0, 0)->populate(20, 0, 20);
        ticks(100);
        return world->getLiving().herbivores;
    };
    Rules free;
    Rules heavy;
    heavy.animalSizeCost = 2.0f;
    Rules fast;
    fast.animalSpeedCost = 10.0f;
    EXPECT_GT(animalsAfter(free), 0);
    EXPECT_EQ(animalsAfter(heavy), 0);
    EXPECT_EQ(animalsAfter(fast), 0);
}

TEST_F(WorldFixture, SizeCostPowerMakesALargeBodyCostMoreThanInProportion) {
    // Upkeep per tick of a body of size 20 and of size 80, idle for one tick, less the step.
    const auto upkeep = [this](float power) {
        Rules rules;
        rules.animalSizeCost = 1.0f;
        rules.animalSizeCostPower = power;
        world->setRules(rules);
        float paid[2];
        int i = 0;
        for (int size : {20, 80}) {
            Animal* a = spawnAnimal(KIND_HERBIVORE, {100.0 + 200 * i, 100, 0}, 20, 20, 20, size, 50);
            const float before = a->getEnergy();
            a->update();
            paid[i++] = before - a->getEnergy() - 0.01f;
        }
        return std::pair{paid[0], paid[1]};
    };
    const auto [small1, large1] = upkeep(1.0f);
    EXPECT_NEAR(small1, 0.2f, 1e-5);
    EXPECT_NEAR(large1, 0.8f, 1e-5);
    const auto [small2, large2] = upkeep(2.0f);
    EXPECT_NEAR(small2, 0.04f, 1e-5);
    EXPECT_NEAR(large2, 0.64f, 1e-5);
    EXPECT_NEAR(large2 / small2, 16.0f, 1e-2) << "four times the size, sixteen times the upkeep";
}
