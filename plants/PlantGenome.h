#pragma once

#include "common/Rules.h"
#include "life/AnimalGenome.h"

// The four inherited values of a plant and their drift at every seeding.
class PlantGenome {
public:
    static void mutate(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                       const Rules& rules = Rules::defaults());
    // The same operator on another source of draws, as AnimalGenome::mutateWith.
    template <typename Draw>
    static void mutateWith(Draw&& draw, int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                           const Rules& rules);
};

template <typename Draw>
void PlantGenome::mutateWith(Draw&& draw, int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                             const Rules& rules) {
    if (draw() % 100 < rules.mutationChance) {
        for (int* trait : {&offspring, &spawnRadius, &spawnEfficiency, &size})
            *trait += AnimalGenome::step(draw(), rules);
        const int sum = spawnRadius + spawnEfficiency + offspring;
        if (sum > rules.mutationTraitBudget) {
            int* cut[] = {&offspring, &spawnRadius, &spawnEfficiency};
            *cut[draw() % 3] -= sum - rules.mutationTraitBudget;
        }
    }
    for (int* trait : {&spawnRadius, &offspring, &spawnEfficiency, &size})
        *trait = AnimalGenome::clampTrait(*trait);
}
