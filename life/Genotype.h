#pragma once

#include "common/RecordFields.h"
#include "life/Genome.h"

#include <climits>

// The genotypes table, column by column. The parent is the genotype of the founder's parent, none
// for a root; the depth counts the mutations from its root. The destruction tick is none while a
// member lives. The living are members alive as the census counts them: the dying are no longer
// among them.
#define SYLVARA_GENOTYPE_FIELDS(OWN)                                                                         \
    OWN(int, id, NONE, "id", Id)                                                                             \
    OWN(int, parent, NONE, "parent_id", OrNull)                                                              \
    OWN(Genome, genome, Genome(), "", GenomeColumns)                                                         \
    OWN(int, depth, 0, "depth", Whole, 0, INT_MAX)                                                           \
    OWN(long, origin, 0, "origin_time", Whole, 0, tick)                                                      \
    OWN(long, destruction, NONE, "destruction_time", OrNull)                                                 \
    OWN(long, total, 0, "total_organisms", Whole, 1, LLONG_MAX)                                              \
    OWN(int, peak, 0, "peak_organisms", Whole, 1, INT_MAX)                                                   \
    OWN(int, living, 0, "living_organisms", Whole, 0, INT_MAX)

// The organisms that share one genome by descent: founded by a birth whose genome differs from
// its parent's (or by an organism without a parent), ended when its last member dies.
struct Genotype {
    static constexpr int NONE = -1;

    SYLVARA_GENOTYPE_FIELDS(SYLVARA_RECORD_MEMBER)
    // Genotypes kept in the table that name this one as their parent.
    int children = 0;
};
