#pragma once

#include "common/Rules.h"
#include "life/LifeState.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

// The six inherited values of an animal and their drift at every birth.
class AnimalGenome {
public:
    static void mutate(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size, int& preySize,
                       const Rules& rules = Rules::defaults());
    // The same operator on another source of draws (each a non-negative int, as rand() gives): the
    // neutral shadow mutates its genomes with it without touching the world's rand().
    template <typename Draw>
    static void mutateWith(Draw&& draw, int& kind, int& speed, int& adrenaline, int& spawnEfficiency,
                           int& size, int& preySize, const Rules& rules);
    // One trait's move, from one draw.
    static int step(int draw, const Rules& rules) {
        return draw % (2 * rules.mutationStep + rules.mutationSymmetric) - rules.mutationStep;
    }
    static int clampTrait(int value) { return std::clamp(value, 1, 100); }
};

template <typename Draw>
void AnimalGenome::mutateWith(Draw&& draw, int& kind, int& speed, int& adrenaline, int& spawnEfficiency,
                              int& size, int& preySize, const Rules& rules) {
    if (draw() % 100 < rules.mutationChance) {
        for (int* trait : {&speed, &adrenaline, &spawnEfficiency, &size, &preySize})
            *trait += step(draw(), rules);
        if (draw() % 100 < rules.mutationKindSwitch)
            kind = draw() % rules.mutationHerbivoreOneIn == 0 ? KIND_HERBIVORE : KIND_CARNIVORE;
        const int sum = speed + adrenaline + spawnEfficiency;
        if (sum > rules.mutationTraitBudget) {
            int* cut[] = {&speed, &adrenaline, &spawnEfficiency};
            *cut[draw() % 3] -= sum - rules.mutationTraitBudget;
        }
    }
    for (int* trait : {&size, &preySize, &speed, &adrenaline, &spawnEfficiency})
        *trait = clampTrait(*trait);
}
