#pragma once

#include "life/Genotype.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

// Every genotype of a world, kept up to date at each birth and death. Pruned, it keeps only the
// genotypes with living members and their ancestors, so its size follows the living tree and not
// the length of the run.
class GenotypeTable {
public:
    // The genotype a birth joins: its parent's when the genome is the parent genotype's, otherwise a
    // new one, a root when there is no parent genotype.
    int birth(int parentGenotype, const Genome& genome, long tick);
    void death(int genotype, long tick);

    void setPruned(bool on);
    bool isPruned() const { return pruned; }

    const Genotype* find(int id) const;
    const std::unordered_map<int, Genotype>& all() const { return genotypes; }
    int getNextId() const { return nextId; }
    size_t size() const { return genotypes.size(); }

    // Ordered by id, all of them or only those with living members and their ancestors.
    std::vector<const Genotype*> sorted(bool extantOnly) const;
    int livingGenotypes() const;
    // The depth of the deepest genotype with living members; -1 when none lives.
    int deepestLiving() const;

    // As it was saved; the rows are checked by the caller.
    void restore(const std::vector<Genotype>& rows, int next);

private:
    void pruneFrom(int id);

    std::unordered_map<int, Genotype> genotypes;
    int nextId = 0;
    bool pruned = true;
};
