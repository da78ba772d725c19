// The one numbering of the kinds: genomes, census columns, rescue's rows and names all agree on it.
#include "common/OrganismKind.h"
#include "common/CensusColumns.h"
#include "life/Genome.h"
#include "save/SavedWorldSchema.h"

#include <gtest/gtest.h>

TEST(OrganismKind, GenomesCensusColumnsRescueRowsAndNamesShareOneNumbering) {
    // The sandbox's animal kinds land on their own kind, and any other number on the carnivores, as
    // spawning takes it.
    EXPECT_EQ(Genome::animal(KIND_HERBIVORE, 1, 1, 1, 1, 1).organismKind(), OrganismKind::HERBIVORES);
    EXPECT_EQ(Genome::animal(KIND_CARNIVORE, 1, 1, 1, 1, 1).organismKind(), OrganismKind::CARNIVORES);
    EXPECT_EQ(OrganismKind::ofAnimal(7), OrganismKind::CARNIVORES);
    EXPECT_EQ(Genome::plant(1, 1, 1, 4).organismKind(), OrganismKind::PLANTS);
    EXPECT_EQ(Genome::plant(1, 1, 1, 4).traitCount(), 4);
    EXPECT_EQ(Genome::animal(KIND_HERBIVORE, 1, 1, 1, 1, 1).traitCount(), 5);

    const std::string header = CensusColumns::csvHeader();
    size_t last = 0;
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        const auto kind = static_cast<OrganismKind::Value>(k);
        EXPECT_EQ(OrganismKind::animalKind(OrganismKind::ofAnimal(OrganismKind::animalKind(kind))),
                  OrganismKind::animalKind(kind));
        // The census lists the kinds' counts, traits and generations in this order.
        EXPECT_EQ(header.find(OrganismKind::plural(kind)), 5 + last) << header;
        last += OrganismKind::plural(kind).size() + 1;
        EXPECT_LT(header.find(OrganismKind::name(kind) + "_generation_mean"),
                  k + 1 < OrganismKind::COUNT
                      ? header.find(OrganismKind::name(static_cast<OrganismKind::Value>(k + 1)) +
                                    "_generation_mean")
                      : std::string::npos);
        // A saved world's rescue rows and genotype kinds use the same names.
        EXPECT_EQ(SavedWorldSchema::rescueKindNames()[static_cast<size_t>(k)], OrganismKind::plural(kind));
        EXPECT_EQ(SavedWorldSchema::genomeKindValue(OrganismKind::name(kind)), k);
        EXPECT_EQ(SavedWorldSchema::genomeKindName(k), OrganismKind::name(kind));
        EXPECT_EQ(OrganismKind::named(OrganismKind::plural(kind)), kind);
    }
    EXPECT_EQ(SavedWorldSchema::genomeKindValue("herbivores"), -1) << "a genotype's kind is singular";
    EXPECT_EQ(OrganismKind::named("omnivore"), OrganismKind::COUNT);
    EXPECT_EQ(OrganismKind::name(OrganismKind::COUNT), "");
}
