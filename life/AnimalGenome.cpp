#include "life/AnimalGenome.h"

#include "life/LifeState.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

int AnimalGenome::clampTrait(int value) {
    return std::clamp(value, 1, 100);
}

void AnimalGenome::mutate(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size,
                          int& preySize, const Rules& rules) {
    if (std::rand() % 100 < rules.mutationChance) {
        for (int* trait : {&speed, &adrenaline, &spawnEfficiency, &size, &preySize})
            *trait += std::rand() % (2 * rules.mutationStep) - rules.mutationStep;
        if (std::rand() % 100 < rules.mutationKindSwitch)
            kind = std::rand() % rules.mutationHerbivoreOneIn == 0 ? KIND_HERBIVORE : KIND_CARNIVORE;
        const int sum = speed + adrenaline + spawnEfficiency;
        if (sum > rules.mutationTraitBudget) {
            int* cut[] = {&speed, &adrenaline, &spawnEfficiency};
            *cut[std::rand() % 3] -= sum - rules.mutationTraitBudget;
        }
    }
    for (int* trait : {&size, &preySize, &speed, &adrenaline, &spawnEfficiency})
        *trait = clampTrait(*trait);
}
