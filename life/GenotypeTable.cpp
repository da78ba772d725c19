#include "life/GenotypeTable.h"

#include <algorithm>

int GenotypeTable::birth(int parentGenotype, const Genome& genome, long tick) {
    const auto parent = genotypes.find(parentGenotype);
    Genotype* joined = nullptr;
    if (parent != genotypes.end() && parent->second.genome == genome) {
        joined = &parent->second;
    } else {
        Genotype founded;
        founded.id = nextId++;
        founded.genome = genome;
        founded.origin = tick;
        if (parent != genotypes.end()) {
            founded.parent = parentGenotype;
            founded.depth = parent->second.depth + 1;
            parent->second.children += 1;
        }
        joined = &genotypes.emplace(founded.id, founded).first->second;
    }
    joined->total += 1;
    joined->living += 1;
    joined->peak = std::max(joined->peak, joined->living);
    return joined->id;
}

void GenotypeTable::death(int genotype, long tick) {
    const auto found = genotypes.find(genotype);
    if (found == genotypes.end() || found->second.living == 0)
        return;
    Genotype& g = found->second;
    g.living -= 1;
    if (g.living > 0)
        return;
    g.destruction = tick;
    if (pruned)
        pruneFrom(genotype);
}

// Removes the genotype if nothing living descends from it, then its ancestors likewise.
void GenotypeTable::pruneFrom(int id) {
    while (id != Genotype::NONE) {
        const auto found = genotypes.find(id);
        if (found == genotypes.end() || found->second.living > 0 || found->second.children > 0)
            return;
        const int parent = found->second.parent;
        genotypes.erase(found);
        const auto up = genotypes.find(parent);
        if (up != genotypes.end())
            up->second.children -= 1;
        id = parent;
    }
}

void GenotypeTable::setPruned(bool on) {
    pruned = on;
    if (!pruned)
        return;
    std::vector<int> leaves;
    for (const auto& entry : genotypes)
        if (entry.second.living == 0 && entry.second.children == 0)
            leaves.push_back(entry.first);
    for (int id : leaves)
        pruneFrom(id);
}

const Genotype* GenotypeTable::find(int id) const {
    const auto found = genotypes.find(id);
    return found == genotypes.end() ? nullptr : &found->second;
}

std::vector<const Genotype*> GenotypeTable::sorted(bool extantOnly) const {
    std::vector<const Genotype*> out;
    out.reserve(genotypes.size());
    if (!extantOnly || pruned) {
        for (const auto& entry : genotypes)
            out.push_back(&entry.second);
    } else {
        std::unordered_map<int, bool> kept;
        for (const auto& entry : genotypes) {
            for (const Genotype* g = entry.second.living > 0 ? &entry.second : nullptr; g;
                 g = find(g->parent)) {
                if (!kept.emplace(g->id, true).second)
                    break;
                out.push_back(g);
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const Genotype* a, const Genotype* b) { return a->id < b->id; });
    return out;
}

int GenotypeTable::livingGenotypes() const {
    return static_cast<int>(std::count_if(genotypes.begin(), genotypes.end(),
                                          [](const auto& entry) { return entry.second.living > 0; }));
}

int GenotypeTable::deepestLiving() const {
    int deepest = -1;
    for (const auto& entry : genotypes)
        if (entry.second.living > 0)
            deepest = std::max(deepest, entry.second.depth);
    return deepest;
}

void GenotypeTable::restore(const std::vector<Genotype>& rows, int next) {
    genotypes.clear();
    for (const Genotype& row : rows)
        genotypes[row.id] = row;
    for (auto& entry : genotypes)
        entry.second.children = 0;
    for (const auto& entry : genotypes) {
        const auto parent = genotypes.find(entry.second.parent);
        if (parent != genotypes.end())
            parent->second.children += 1;
    }
    nextId = next;
}
