#pragma once

#include "life/Genome.h"

// The organisms that share one genome by descent: founded by a birth whose genome differs from
// its parent's (or by an organism without a parent), ended when its last member dies.
struct Genotype {
    static constexpr int NONE = -1;

    int id = NONE;
    // The genotype of the founder's parent; NONE for a root.
    int parent = NONE;
    // Mutations from its root.
    int depth = 0;
    long origin = 0;
    // NONE while a member lives.
    long destruction = NONE;
    Genome genome;
    long total = 0;
    int peak = 0;
    // Members alive as the census counts them: the dying are no longer among them.
    int living = 0;
    // Genotypes kept in the table that name this one as their parent.
    int children = 0;
};
