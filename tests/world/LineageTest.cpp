// Parents, birth ticks and genotypes recorded by the world as organisms are born and die.
#include "WorldFixture.h"

#include <map>

namespace {

// Every living organism in its genotype, and each genotype counting exactly its members the census
// counts: the dying not among them.
void expectTableMatchesTheLiving(World& world) {
    std::map<int, int> members;
    for (const auto& entry : world.getLives())
        if (entry.second->getState() != STATE_DEAD)
            members[entry.second->getGenotypeId()] += 1;
    const GenotypeTable& table = world.getGenotypes();
    for (const auto& member : members) {
        const Genotype* g = table.find(member.first);
        ASSERT_NE(g, nullptr) << "organisms in genotype " << member.first << ", which is not kept";
        EXPECT_EQ(g->living, member.second) << "genotype " << g->id;
    }
    World::LivingCounts byKind;
    for (const auto& entry : table.all()) {
        const Genome& genome = entry.second.genome;
        (genome.kind == OrganismKind::PLANTS       ? byKind.plants
         : genome.kind == OrganismKind::HERBIVORES ? byKind.herbivores
                                                   : byKind.carnivores) += entry.second.living;
        EXPECT_EQ(entry.second.living, members[entry.first]) << "genotype " << entry.first;
        EXPECT_LE(entry.second.living, entry.second.peak);
        EXPECT_LE(entry.second.peak, entry.second.total);
        if (entry.second.parent != Genotype::NONE) {
            ASSERT_NE(table.find(entry.second.parent), nullptr) << "kept genotypes keep their ancestors";
            EXPECT_EQ(table.find(entry.second.parent)->depth + 1, entry.second.depth);
        }
    }
    EXPECT_EQ(byKind.herbivores, world.getLiving().herbivores);
    EXPECT_EQ(byKind.carnivores, world.getLiving().carnivores);
    EXPECT_EQ(byKind.plants, world.getLiving().plants);
}

} // namespace

using Lineage = WorldFixture;

TEST_F(Lineage, AnOffspringKnowsItsParentItsBirthTickAndItsGenotype) {
    Animal* parent = spawnAnimal(KIND_HERBIVORE, osg::Vec3d(100, 100, 0));
    EXPECT_EQ(parent->getParentId(), Life::NO_PARENT);
    const Genotype* root = world->getGenotypes().find(parent->getGenotypeId());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->parent, Genotype::NONE);
    ticks(3);
    noMutationNext();
    tile(0, 0)->spawnAnimal(KIND_HERBIVORE, parent->getPosition(), 20, 20, 20, 50, 50, 1, parent);
    Animal* same = static_cast<Animal*>(tile(0, 0)->getAnimals().back());
    EXPECT_EQ(same->getParentId(), parent->getId());
    EXPECT_EQ(same->getBirthTick(), 3);
    EXPECT_EQ(same->getGenotypeId(), parent->getGenotypeId());
    // A seed whose drift changes the genome founds a genotype under the parent's.
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        tile(0, 0)->spawnAnimal(KIND_HERBIVORE, parent->getPosition(), 20, 20, 20, 50, 50, 1, same);
        Animal* born = static_cast<Animal*>(tile(0, 0)->getAnimals().back());
        if (born->getGenotypeId() == same->getGenotypeId())
            continue;
        const Genotype* founded = world->getGenotypes().find(born->getGenotypeId());
        ASSERT_NE(founded, nullptr);
        EXPECT_EQ(founded->parent, parent->getGenotypeId());
        EXPECT_EQ(founded->depth, 1);
        EXPECT_EQ(founded->origin, 3);
        EXPECT_EQ(born->getParentId(), same->getId());
        break;
    }
    Plant* plant = spawnPlant(osg::Vec3d(200, 200, 0));
    EXPECT_EQ(world->getGenotypes().find(plant->getGenotypeId())->genome.kind, OrganismKind::PLANTS);
}

TEST_F(Lineage, OverARunTheTableCountsExactlyTheLivingWhetherPrunedOrNot) {
    for (bool pruned : {true, false}) {
        makeWorld(3, 99);
        world->getGenotypes().setPruned(pruned);
        for (WorldTile* t : world->getTiles()->getTiles())
            t->populate(10, 10, 10);
        world->reseed();
        long deaths = 0;
        testing::internal::CaptureStdout();
        for (int i = 0; i < 600; ++i) {
            ticks(1);
            if (i % 100 == 99)
                expectTableMatchesTheLiving(*world);
        }
        testing::internal::GetCapturedStdout();
        for (const auto& entry : world->getGenotypes().all())
            deaths += entry.second.total - entry.second.living;
        EXPECT_GT(world->getGenotypes().deepestLiving(), 0) << "600 ticks bring mutations";
        if (pruned)
            EXPECT_EQ(world->getGenotypes().size(), world->getGenotypes().sorted(true).size());
        else
            EXPECT_GT(deaths, 0);
        int withParent = 0;
        for (const auto& entry : world->getLives()) {
            const Life& life = *entry.second;
            const auto parent = world->getLives().find(life.getParentId());
            if (parent == world->getLives().end())
                continue;
            ++withParent;
            const int genotype = life.getGenotypeId();
            EXPECT_TRUE(genotype == parent->second->getGenotypeId() ||
                        world->getGenotypes().find(genotype)->parent == parent->second->getGenotypeId());
            EXPECT_GE(life.getBirthTick(), parent->second->getBirthTick());
        }
        EXPECT_GT(withParent, 0);
    }
}

TEST_F(Lineage, WithMutationOffNoGenotypeButTheRootsEverAppears) {
    // A high plant floor raises most genesis plants: what they pass on is the raised size.
    Rules rules = Rules::defaults();
    rules.mutationChance = 0;
    rules.plantMinSize = 40;
    rules.tileNourishment = 1.0f;
    makeWorld(2, 5);
    world->setRules(rules);
    world->getGenotypes().setPruned(false);

    Plant* small = spawnPlant(osg::Vec3d(100, 100, 0), 20, 20, 20, 1);
    const Genotype* founded = world->getGenotypes().find(small->getGenotypeId());
    ASSERT_NE(founded, nullptr);
    EXPECT_EQ(founded->genome, Genome::plant(20, 20, 20, 40));
    // The seed it scatters carries the raised size and joins its genotype.
    WorldTile* home = small->getTile();
    home->spawnPlant(osg::Vec3d(100, 100, 0), 20, 20, 20, small->getGenomeSize(), 1, small);
    ASSERT_NE(home->getPlants().back(), small);
    EXPECT_EQ(home->getPlants().back()->getGenotypeId(), small->getGenotypeId());

    for (WorldTile* t : world->getTiles()->getTiles())
        t->populate(10, 10, 10);
    world->reseed();
    testing::internal::CaptureStdout();
    ticks(1500);
    testing::internal::GetCapturedStdout();
    long animalBirths = 0;
    long plantBirths = 0;
    std::string arisen;
    for (const auto& entry : world->getGenotypes().all()) {
        const Genotype& g = entry.second;
        if (g.parent != Genotype::NONE)
            arisen += " g" + std::to_string(g.id) + " at tick " + std::to_string(g.origin);
        (g.genome.kind == OrganismKind::PLANTS ? plantBirths : animalBirths) += g.total - 1;
    }
    EXPECT_EQ(arisen, "") << "genotypes that arose without a mutation";
    EXPECT_GT(animalBirths, 0);
    EXPECT_GT(plantBirths, 100);
}
