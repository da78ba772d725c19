// The genotype table: who joins which genotype, what each one counts, and what pruning keeps.
#include "life/GenotypeTable.h"

#include <gtest/gtest.h>

namespace {

Genome genome(int first) {
    return Genome::animal(1, first, 20, 20, 50, 50);
}

} // namespace

TEST(GenotypeTable, ABirthJoinsItsParentsGenotypeUnlessItsGenomeDiffers) {
    GenotypeTable table;
    table.setPruned(false);
    const int root = table.birth(Genotype::NONE, genome(10), 0);
    EXPECT_EQ(table.birth(root, genome(10), 3), root);
    EXPECT_NE(table.birth(Genotype::NONE, genome(10), 3), root) << "an organism without parent founds a root";
    const int child = table.birth(root, genome(11), 5);
    const int grandchild = table.birth(child, Genome::animal(2, 11, 20, 20, 50, 50), 9);
    ASSERT_NE(child, root);
    const Genotype& r = *table.find(root);
    EXPECT_EQ(r.total, 2);
    EXPECT_EQ(r.peak, 2);
    EXPECT_EQ(r.living, 2);
    EXPECT_EQ(table.find(child)->parent, root);
    EXPECT_EQ(table.find(child)->origin, 5);
    EXPECT_EQ(table.find(grandchild)->depth, 2) << "a change of kind is a mutation on the same tree";
    EXPECT_EQ(table.find(grandchild)->parent, child);

    table.death(root, 20);
    table.death(root, 21);
    EXPECT_EQ(table.find(root)->living, 0);
    EXPECT_EQ(table.find(root)->destruction, 21) << "the tick its last member died";
    EXPECT_EQ(table.find(root)->peak, 2);
    EXPECT_EQ(table.birth(child, genome(11), 30), child);
    EXPECT_EQ(table.find(child)->peak, 2);
    EXPECT_EQ(table.livingGenotypes(), 3);
    EXPECT_EQ(table.deepestLiving(), 2);
}

TEST(GenotypeTable, PrunedItKeepsExactlyTheGenotypesWithLivingDescendants) {
    for (bool pruned : {true, false}) {
        GenotypeTable table;
        table.setPruned(pruned);
        const int a = table.birth(Genotype::NONE, genome(10), 0);
        const int b = table.birth(a, genome(11), 1);
        const int c = table.birth(b, genome(12), 2);
        const int d = table.birth(a, genome(13), 3);
        table.death(a, 4);
        EXPECT_NE(table.find(a), nullptr) << "dead, but its descendants live";
        table.death(c, 5);
        EXPECT_EQ(table.find(c) == nullptr, pruned);
        table.death(b, 6);
        EXPECT_EQ(table.find(b) == nullptr, pruned) << "b's line ended with c";
        EXPECT_NE(table.find(a), nullptr) << "d still lives";
        table.death(d, 7);
        EXPECT_EQ(table.size(), pruned ? 0u : 4u);
        EXPECT_EQ(table.sorted(true).size(), 0u) << "nothing lives";
        EXPECT_EQ(table.birth(Genotype::NONE, genome(10), 8), 4) << "ids are never given twice";
    }
    // Pruning switched on later drops what had ended.
    GenotypeTable table;
    table.setPruned(false);
    const int a = table.birth(Genotype::NONE, genome(10), 0);
    const int b = table.birth(a, genome(11), 1);
    table.birth(b, genome(12), 2);
    table.birth(Genotype::NONE, genome(20), 2);
    table.death(a, 3);
    table.death(b, 3);
    table.death(3, 3);
    ASSERT_EQ(table.sorted(true).size(), 3u) << "the living one and its two ancestors";
    table.setPruned(true);
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.find(3), nullptr);
}
