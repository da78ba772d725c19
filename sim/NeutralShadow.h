#pragma once

#include "common/Rules.h"
#include "life/Genome.h"
#include "sim/GenotypeActivity.h"

#include <iosfwd>
#include <random>
#include <vector>

// A population of genomes that repeats a run's births and deaths, tick by tick and kind by kind,
// with no selection at all: each birth's parent is drawn at random among the living of its kind and
// mutated by the world's own operator, and each death takes a member at random. What its trait means
// and genotype activities do is what mutation and chance alone give. It draws from a generator of its
// own, so the world's rand() never sees it.
class NeutralShadow {
public:
    // Kinds as the census numbers them: herbivores, carnivores, plants.
    static constexpr int KINDS = OrganismKind::COUNT;

    NeutralShadow(unsigned seed, const Rules& rules);

    // A member with a genome of its own and a genotype of its own (the genesis, a rescue, a lab spawn).
    void found(int kind, const Genome& genome, long tick);
    // A birth with a parent: drawn among the living of the kind, or of the other animal kind when the
    // kind has none (a kind switch founded it); with no candidate at all, the genome given founds it.
    void birth(int kind, const Genome& fallback, long tick);
    // A member drawn at random dies. Nothing happens when the kind has none.
    void death(int kind, long tick);

    int living(int kind) const { return static_cast<int>(members[kind].size()); }
    // The mean of one trait over the living of a kind; 0 for none.
    double traitMean(int kind, int trait) const;
    // The activity of every living genotype of the kind (all kinds for -1) at the tick.
    void activities(int kind, long tick, std::vector<long long>& out) const;
    // The same for every kind at once, appended to out[kind] (an array of KINDS vectors).
    void activitiesByKind(long tick, std::vector<long long>* out) const;

    // Its whole state as text, generator included, and back: a saved world goes on as it would have.
    // restore is false, with the shadow unchanged, on text that does not hold a shadow together.
    void save(std::ostream& to) const;
    bool restore(std::istream& from);

private:
    struct Member {
        Genome genome;
        int genotype;
    };
    struct ShadowGenotype {
        int kind;
        GenotypeActivity activity;
    };

    int draw() { return static_cast<int>(generator() >> 1); }
    void join(int kind, const Genome& genome, int genotype, long tick);
    // A slot for a new genotype: a freed one if any. Slots rather than a map: a shadow follows every birth
    // and death of the run, so its bookkeeping must stay a few array accesses.
    int newGenotype();

    std::mt19937 generator;
    Rules rules;
    std::vector<Member> members[KINDS];
    // Indexed by slot; a slot with no abundance is free and listed in freeSlots.
    std::vector<ShadowGenotype> genotypes;
    std::vector<int> freeSlots;
};
