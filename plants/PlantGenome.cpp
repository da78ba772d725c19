#include "plants/PlantGenome.h"

#include "life/AnimalGenome.h"

#include <cstdlib>
#include <initializer_list>

void PlantGenome::mutate(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                         const Rules& rules) {
    if (std::rand() % 100 < rules.mutationChance) {
        for (int* trait : {&offspring, &spawnRadius, &spawnEfficiency, &size})
            *trait += std::rand() % (2 * rules.mutationStep) - rules.mutationStep;
        const int sum = spawnRadius + spawnEfficiency + offspring;
        if (sum > rules.mutationTraitBudget) {
            int* cut[] = {&offspring, &spawnRadius, &spawnEfficiency};
            *cut[std::rand() % 3] -= sum - rules.mutationTraitBudget;
        }
    }
    for (int* trait : {&spawnRadius, &offspring, &spawnEfficiency, &size})
        *trait = AnimalGenome::clampTrait(*trait);
}
