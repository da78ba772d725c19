#include "sim/NeutralShadow.h"

#include "life/AnimalGenome.h"
#include "life/LifeState.h"
#include "plants/PlantGenome.h"

#include <algorithm>

namespace {

constexpr int PLANTS = OrganismKind::PLANTS;

} // namespace

NeutralShadow::NeutralShadow(unsigned seed, const Rules& rules) : generator(seed), rules(rules) {}

int NeutralShadow::newGenotype() {
    if (freeSlots.empty()) {
        genotypes.emplace_back();
        return static_cast<int>(genotypes.size()) - 1;
    }
    const int slot = freeSlots.back();
    freeSlots.pop_back();
    genotypes[static_cast<size_t>(slot)] = ShadowGenotype{};
    return slot;
}

void NeutralShadow::join(int kind, const Genome& genome, int genotype, long tick) {
    ShadowGenotype& g = genotypes[static_cast<size_t>(genotype)];
    g.kind = kind;
    g.activity.change(tick, 1);
    members[kind].push_back({genome, genotype});
}

void NeutralShadow::found(int kind, const Genome& genome, long tick) {
    join(kind, genome, newGenotype(), tick);
}

void NeutralShadow::birth(int kind, const Genome& fallback, long tick) {
    const std::vector<Member>* pool = &members[kind];
    if (pool->empty() && kind != PLANTS)
        pool = &members[1 - kind];
    if (pool->empty()) {
        found(kind, fallback, tick);
        return;
    }
    const Member parent = (*pool)[static_cast<size_t>(draw()) % pool->size()];
    Genome child = parent.genome;
    int t[Genome::TRAITS];
    for (int i = 0; i < Genome::TRAITS; ++i)
        t[i] = child.traits[static_cast<size_t>(i)];
    const auto next = [this] { return draw(); };
    if (kind == PLANTS) {
        PlantGenome::mutateWith(next, t[0], t[1], t[2], t[3], rules);
        // A plant grows at least to the floor, and passes on what it grew to.
        t[3] = std::max(t[3], rules.plantMinSize);
        child = Genome::plant(t[0], t[1], t[2], t[3]);
    } else {
        // The kind is the run's: the shadow copies its births kind by kind, so a redrawn kind is dropped.
        int redrawn = OrganismKind::animalKind(static_cast<OrganismKind::Value>(kind));
        AnimalGenome::mutateWith(next, redrawn, t[0], t[1], t[2], t[3], t[4], rules);
        child = Genome::animal(OrganismKind::animalKind(static_cast<OrganismKind::Value>(kind)), t[0], t[1],
                               t[2], t[3], t[4]);
    }
    const bool sameGenotype = child == parent.genome && pool == &members[kind];
    join(kind, child, sameGenotype ? parent.genotype : newGenotype(), tick);
}

void NeutralShadow::death(int kind, long tick) {
    std::vector<Member>& pool = members[kind];
    if (pool.empty())
        return;
    const size_t index = static_cast<size_t>(draw()) % pool.size();
    const int genotype = pool[index].genotype;
    pool[index] = pool.back();
    pool.pop_back();
    GenotypeActivity& activity = genotypes[static_cast<size_t>(genotype)].activity;
    activity.change(tick, -1);
    if (activity.abundance == 0)
        freeSlots.push_back(genotype);
}

double NeutralShadow::traitMean(int kind, int trait) const {
    const std::vector<Member>& pool = members[kind];
    if (pool.empty())
        return 0.0;
    double sum = 0.0;
    for (const Member& m : pool)
        sum += m.genome.traits[static_cast<size_t>(trait)];
    return sum / static_cast<double>(pool.size());
}

void NeutralShadow::activities(int kind, long tick, std::vector<long long>& out) const {
    for (const ShadowGenotype& g : genotypes)
        if (g.activity.abundance > 0 && (kind < 0 || g.kind == kind))
            out.push_back(g.activity.at(tick));
}
