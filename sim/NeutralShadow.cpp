#include "sim/NeutralShadow.h"

#include "life/AnimalGenome.h"
#include "life/LifeState.h"
#include "plants/PlantGenome.h"

#include <algorithm>
#include <istream>
#include <ostream>

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
    // In 32 bits: the same index as a 64-bit remainder (both fit), at a fraction of its cost.
    const Member parent = (*pool)[static_cast<unsigned>(draw()) % static_cast<unsigned>(pool->size())];
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
    const size_t index = static_cast<unsigned>(draw()) % static_cast<unsigned>(pool.size());
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

void NeutralShadow::activitiesByKind(long tick, std::vector<long long>* out) const {
    for (const ShadowGenotype& g : genotypes)
        if (g.activity.abundance > 0)
            out[g.kind].push_back(g.activity.at(tick));
}

void NeutralShadow::save(std::ostream& to) const {
    to << generator << "\n";
    for (int kind = 0; kind < KINDS; ++kind) {
        to << members[kind].size();
        for (const Member& m : members[kind]) {
            to << ' ' << int(m.genome.kind);
            for (std::uint8_t t : m.genome.traits)
                to << ' ' << int(t);
            to << ' ' << m.genotype;
        }
        to << "\n";
    }
    to << genotypes.size();
    for (const ShadowGenotype& g : genotypes)
        to << ' ' << g.kind << ' ' << g.activity.settled << ' ' << g.activity.abundance << ' '
           << g.activity.since;
    to << "\n" << freeSlots.size();
    for (int slot : freeSlots)
        to << ' ' << slot;
    to << "\n";
}

bool NeutralShadow::restore(std::istream& from) {
    // No count is larger than the organisms a world can hold; a larger one is damage, not a world.
    constexpr size_t MOST = 100000000;
    std::mt19937 readGenerator;
    std::vector<Member> readMembers[KINDS];
    std::vector<ShadowGenotype> readGenotypes;
    std::vector<int> readFree;
    from >> readGenerator;
    for (auto& pool : readMembers) {
        size_t n = 0;
        if (!(from >> n) || n > MOST)
            return false;
        pool.resize(n);
        for (Member& m : pool) {
            int kind = -1, genotype = -1;
            from >> kind;
            m.genome.kind = static_cast<std::uint8_t>(kind);
            for (std::uint8_t& t : m.genome.traits) {
                int value = -1;
                from >> value;
                if (value < 0 || value > 255)
                    return false;
                t = static_cast<std::uint8_t>(value);
            }
            from >> genotype;
            if (!from || kind < 0 || kind > 255 || genotype < 0)
                return false;
            m.genotype = genotype;
        }
    }
    size_t n = 0;
    if (!(from >> n) || n > MOST)
        return false;
    readGenotypes.resize(n);
    for (ShadowGenotype& g : readGenotypes) {
        from >> g.kind >> g.activity.settled >> g.activity.abundance >> g.activity.since;
        if (!from || g.kind < 0 || g.kind >= KINDS || g.activity.abundance < 0)
            return false;
    }
    if (!(from >> n) || n > readGenotypes.size())
        return false;
    readFree.resize(n);
    for (int& slot : readFree)
        if (!(from >> slot) || slot < 0 || static_cast<size_t>(slot) >= readGenotypes.size())
            return false;
    for (const auto& pool : readMembers)
        for (const Member& m : pool)
            if (static_cast<size_t>(m.genotype) >= readGenotypes.size())
                return false;
    generator = readGenerator;
    for (int kind = 0; kind < KINDS; ++kind)
        members[kind] = std::move(readMembers[kind]);
    genotypes = std::move(readGenotypes);
    freeSlots = std::move(readFree);
    return true;
}
