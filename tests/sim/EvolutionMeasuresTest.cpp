// The measures of evolution on lineages small enough to work out by hand, and the neutral shadow's
// drift against what mutation alone must give.
#include "sim/EvolutionMeasures.h"
#include "life/Genotype.h"
#include "life/LifeState.h"
#include "sim/NeutralShadow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using Row = EvolutionMeasures::Row;

Genome herbivore(int speed) {
    return Genome::animal(KIND_HERBIVORE, speed, 20, 20, 50, 50);
}

EvolutionMeasures::Settings handSettings() {
    EvolutionMeasures::Settings settings;
    settings.persistence = 10;
    settings.activityMin = 10;
    settings.activityMax = 30;
    settings.shadows = 0;
    return settings;
}

// Herbivore root A (origin 3, two members), plant root P (origin 0), herbivore B from A (origin 9) and
// carnivore C from B (origin 19): distances from the joint root A 3, P 0, B 9, C 19.
constexpr int A = 0, P = 1, B = 2, C = 3, D = 4;

void buildLineage(EvolutionMeasures& m) {
    m.born({A, Genotype::NONE, 3, 0, herbivore(10)}, false);
    m.born({A, Genotype::NONE, 3, 0, herbivore(10)}, false);
    m.born({P, Genotype::NONE, 0, 0, Genome::plant(20, 20, 20, 20)}, false);
    m.endTick(0);
    m.born({B, A, 9, 1, herbivore(30)}, true);
    m.endTick(10);
    m.born({C, B, 19, 2, Genome::animal(KIND_CARNIVORE, 30, 20, 20, 50, 50)}, true);
    m.endTick(20);
}

} // namespace

TEST(EvolutionMeasures, CountsDiversityActivityAndTheTreeOfAHandLineage) {
    EvolutionMeasures m(handSettings());
    buildLineage(m);
    const std::vector<Row> rows = m.rows(20);
    ASSERT_EQ(rows.size(), 4u);
    const Row& all = rows[EvolutionMeasures::ALL];
    const Row& herbivores = rows[EvolutionMeasures::HERBIVORES];
    const Row& carnivores = rows[EvolutionMeasures::CARNIVORES];
    const Row& plants = rows[EvolutionMeasures::PLANTS];

    EXPECT_EQ(all.genotypes, 4);
    EXPECT_EQ(herbivores.genotypes, 2);
    EXPECT_NEAR(all.diversity, -(0.4 * std::log(0.4) + 3 * 0.2 * std::log(0.2)), 1e-12);
    EXPECT_NEAR(herbivores.diversity, -(2.0 / 3 * std::log(2.0 / 3) + 1.0 / 3 * std::log(1.0 / 3)), 1e-12);
    EXPECT_EQ(plants.diversity, 0.0);

    // Activity sums the abundance of every tick lived, the tick of birth included: A 2 x 21, P 21, B 11, C 1.
    EXPECT_EQ(all.cumulativeActivity, 42 + 21 + 11 + 1);
    EXPECT_EQ(herbivores.cumulativeActivity, 53);
    EXPECT_EQ(all.newActivity, 21 + 11) << "only P and B lie in the band 10..30";
    EXPECT_EQ(all.adaptiveGenotypes, -1) << "no shadow, no comparison";

    // Branches A 3, P 0, B 6, C 10; pairwise A-P 3, A-B 6, A-C 16, P-B 9, P-C 19, B-C 10.
    EXPECT_EQ(all.phylogeneticDiversity, 19);
    EXPECT_NEAR(all.meanPairwiseDistance, 63.0 / 6, 1e-12);
    EXPECT_EQ(all.mrcaTime, 0) << "two roots meet only at the joint root";
    EXPECT_EQ(all.maxDepth, 2);
    EXPECT_EQ(herbivores.phylogeneticDiversity, 9);
    EXPECT_NEAR(herbivores.meanPairwiseDistance, 6.0, 1e-12);
    EXPECT_EQ(herbivores.mrcaTime, 3) << "A, living itself, is the common ancestor of A and B";
    EXPECT_EQ(herbivores.maxDepth, 1);
    // The carnivore's tree runs back through its herbivore ancestors.
    EXPECT_EQ(carnivores.phylogeneticDiversity, 19);
    EXPECT_EQ(carnivores.meanPairwiseDistance, 0.0);
    EXPECT_EQ(carnivores.mrcaTime, 19);
    EXPECT_EQ(plants.mrcaTime, 0);

    // The CSV keeps the order of the columns and leaves undefined cells empty.
    EXPECT_EQ(EvolutionMeasures::csvHeader(),
              "tick,group,genotypes,diversity,change,novelty,cumulative_activity,mean_activity,new_activity,"
              "adaptive_genotypes,phylogenetic_diversity,mean_pairwise_distance,mrca_time,max_depth");
    EXPECT_EQ(EvolutionMeasures::csvLine(carnivores),
              "20,carnivores,1,0.000000,0,0,1,1.000,0,,19,0.000000,19,2");
}

TEST(EvolutionMeasures, PersistenceFilterTellsChangeFromNovelty) {
    EvolutionMeasures m(handSettings());
    buildLineage(m);
    // At 20 the filter looks back to 10: A, P and B lived then and live now; C was born after.
    Row all = m.rows(20)[EvolutionMeasures::ALL];
    EXPECT_EQ(all.change, 3);
    EXPECT_EQ(all.novelty, 3);
    EXPECT_EQ(m.rows(20)[EvolutionMeasures::ALL].change, 0) << "the same persistent genomes again";

    // B's last member dies; B persists through its living descendant C, and C becomes persistent.
    m.died(B, herbivore(30));
    m.endTick(25);
    all = m.rows(30)[EvolutionMeasures::ALL];
    EXPECT_EQ(all.change, 1);
    EXPECT_EQ(all.novelty, 1);
    EXPECT_EQ(all.genotypes, 3);

    // C dies: B and C leave the tree, so nothing new persists.
    m.died(C, Genome::animal(KIND_CARNIVORE, 30, 20, 20, 50, 50));
    m.endTick(35);
    all = m.rows(40)[EvolutionMeasures::ALL];
    EXPECT_EQ(all.change, 0);
    EXPECT_EQ(all.phylogeneticDiversity, 3);

    // D arises from A with B's genome: once persistent, it is a change but no novelty.
    m.born({D, A, 40, 1, herbivore(30)}, true);
    m.endTick(41);
    all = m.rows(60)[EvolutionMeasures::ALL];
    EXPECT_EQ(all.change, 1);
    EXPECT_EQ(all.novelty, 0);
    EXPECT_EQ(m.rows(60)[EvolutionMeasures::HERBIVORES].novelty, 0);
}

TEST(EvolutionMeasures, AdaptiveGenotypesBeatTheShadowsNinetyNinthPercentile) {
    EvolutionMeasures::Settings settings = handSettings();
    settings.shadows = 1;
    EvolutionMeasures m(settings);
    // One founder a tick, each a genotype of one member, here and in the shadow alike: at tick 149 the
    // 150 herbivores' activities are 150 down to 1, and the 60 plants' 150 down to 91.
    int id = 0;
    for (long t = 0; t < 150; ++t) {
        m.born({id++, Genotype::NONE, t, 0, herbivore(static_cast<int>(t % 90) + 1)}, false);
        if (t < 60)
            m.born({id++, Genotype::NONE, t, 0, Genome::plant(20, 20, 20, static_cast<int>(t) + 1)}, false);
        m.endTick(t);
    }
    const std::vector<Row> rows = m.rows(149);
    // Herbivores: 150 values, the 149th smallest (99 % of 150 rounded up) is 149; only 150 exceeds it.
    EXPECT_EQ(rows[EvolutionMeasures::HERBIVORES].adaptiveGenotypes, 1);
    // Plants: 60 values, 99 % of them rounds up to all 60, so the threshold is the highest, 150.
    EXPECT_EQ(rows[EvolutionMeasures::PLANTS].adaptiveGenotypes, 0);
    // All: the 210 values pooled, 1..90 once and 91..150 twice; the 208th smallest is 149, and the
    // herbivore and the plant at 150 exceed it.
    EXPECT_EQ(rows[EvolutionMeasures::ALL].adaptiveGenotypes, 2);
    EXPECT_EQ(rows[EvolutionMeasures::CARNIVORES].adaptiveGenotypes, 0) << "no shadow carnivore to beat";
    // Equal to the threshold is not above it: one more tick lifts every activity alike.
    const std::vector<Row> next = m.rows(150);
    EXPECT_EQ(next[EvolutionMeasures::HERBIVORES].adaptiveGenotypes, 1);
    EXPECT_EQ(next[EvolutionMeasures::ALL].adaptiveGenotypes, 2);
}

namespace {

// The mean speed change over many shadows of a herbivore population of 100 at speed 50, run through
// the given number of birth-and-death pairs.
double meanSpeedChange(const Rules& rules, int pairs, int shadows) {
    double sum = 0.0;
    for (int s = 0; s < shadows; ++s) {
        NeutralShadow shadow(static_cast<unsigned>(s) + 1, rules);
        for (int i = 0; i < 100; ++i)
            shadow.found(0, Genome::animal(KIND_HERBIVORE, 50, 50, 50, 50, 50), 0);
        for (long t = 1; t <= pairs; ++t) {
            shadow.birth(0, Genome(), t);
            shadow.death(0, t);
        }
        EXPECT_EQ(shadow.living(0), 100);
        sum += shadow.traitMean(0, 0) - 50.0;
    }
    return sum / shadows;
}

} // namespace

TEST(NeutralShadow, DriftsOnlyAsTheMutationOperatorPushes) {
    // A birth adds a child whose trait is its random parent's plus the step's mean; a death removes a
    // random member of the N + 1. So the expected mean moves by the step's mean / (N + 1) per pair:
    // 1000 pairs in a population of 100 move it by 1000 x -0.5 / 101 = -4.95 with the old step, by 0
    // with the symmetric one, and not at all without mutation.
    Rules rules;
    rules.mutationChance = 100;
    rules.mutationKindSwitch = 0;
    rules.mutationTraitBudget = 300;
    EXPECT_NEAR(meanSpeedChange(rules, 1000, 40), -1000 * 0.5 / 101, 0.8);
    rules.mutationSymmetric = 1;
    EXPECT_NEAR(meanSpeedChange(rules, 1000, 40), 0.0, 0.8);
    rules.mutationChance = 0;
    EXPECT_NEAR(meanSpeedChange(rules, 1000, 40), 0.0, 0.8);
}

TEST(NeutralShadow, KeepsEachKindsNumbersAndFloorsPlantSize) {
    Rules rules;
    rules.mutationChance = 100;
    rules.mutationKindSwitch = 100;
    rules.plantMinSize = 40;
    NeutralShadow shadow(3, rules);
    shadow.found(1, Genome::animal(KIND_CARNIVORE, 30, 30, 30, 30, 30), 0);
    shadow.found(2, Genome::plant(30, 30, 30, 41), 0);
    for (long t = 1; t <= 50; ++t) {
        shadow.birth(1, Genome(), t);
        shadow.birth(2, Genome(), t);
    }
    EXPECT_EQ(shadow.living(0), 0) << "a redrawn kind never moves a birth to another kind";
    EXPECT_EQ(shadow.living(1), 51);
    EXPECT_EQ(shadow.living(2), 51);
    EXPECT_GE(shadow.traitMean(2, 3), 40.0);
    // A kind with no member takes its first parent from the other animal kind.
    shadow.birth(0, Genome(), 51);
    EXPECT_EQ(shadow.living(0), 1);
    EXPECT_NE(shadow.traitMean(0, 0), 0.0);
    std::vector<long long> activities;
    shadow.activities(0, 51, activities);
    EXPECT_EQ(activities, std::vector<long long>{1});
    // Deaths of a kind with none are nothing; the others lose one each.
    shadow.death(0, 52);
    shadow.death(0, 52);
    EXPECT_EQ(shadow.living(0), 0);
}

TEST(NeutralShadow, ARestoredShadowDrawsOnAsTheOneSaved) {
    Rules rules;
    rules.mutationChance = 50;
    NeutralShadow saved(9, rules);
    for (int i = 0; i < 30; ++i) {
        saved.found(0, Genome::animal(KIND_HERBIVORE, 10 + i, 30, 30, 30, 30), 0);
        saved.found(2, Genome::plant(30, 30, 30, 20 + i), 0);
    }
    const auto churn = [](NeutralShadow& shadow, long from) {
        for (long t = from; t < from + 200; ++t) {
            shadow.birth(0, Genome(), t);
            shadow.birth(2, Genome(), t);
            shadow.death(t % 3 == 0 ? 2 : 0, t);
        }
    };
    churn(saved, 1);
    std::stringstream state;
    saved.save(state);
    // Another seed: only what was saved may decide what it draws.
    NeutralShadow restored(1234, rules);
    ASSERT_TRUE(restored.restore(state));
    churn(saved, 201);
    churn(restored, 201);
    for (int kind : {0, 2}) {
        EXPECT_EQ(restored.living(kind), saved.living(kind));
        for (int trait = 0; trait < 4; ++trait)
            EXPECT_EQ(restored.traitMean(kind, trait), saved.traitMean(kind, trait)) << kind << " " << trait;
        std::vector<long long> a, b;
        saved.activities(kind, 400, a);
        restored.activities(kind, 400, b);
        EXPECT_EQ(a, b) << "the genotype slots and their activities go on alike";
    }

    // Text cut short restores nothing: the shadow stays as it was.
    std::stringstream again;
    saved.save(again);
    const std::string text = again.str();
    NeutralShadow untouched(5, rules);
    untouched.found(1, Genome::animal(KIND_CARNIVORE, 40, 40, 40, 40, 40), 0);
    std::stringstream cut(text.substr(0, text.size() / 2));
    EXPECT_FALSE(untouched.restore(cut));
    EXPECT_EQ(untouched.living(1), 1);
    EXPECT_EQ(untouched.living(0), 0);
}
