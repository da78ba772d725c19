#include "life/AnimalGenome.h"

#include "life/LifeState.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

int AnimalGenome::clampTrait(int value) { return std::clamp(value, 1, 100); }

void AnimalGenome::mutate(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size, int& preySize) {
    if (std::rand() % 100 < 20) {
        for (int* trait : {&speed, &adrenaline, &spawnEfficiency, &size, &preySize})
            *trait += std::rand() % 10 - 5;
        if (std::rand() % 100 < 10)
            kind = std::rand() % 3 == 0 ? KIND_HERBIVORE : KIND_CARNIVORE;
        const int sum = speed + adrenaline + spawnEfficiency;
        if (sum > 100) {
            int* cut[] = {&speed, &adrenaline, &spawnEfficiency};
            *cut[std::rand() % 3] -= sum - 100;
        }
    }
    for (int* trait : {&size, &preySize, &speed, &adrenaline, &spawnEfficiency})
        *trait = clampTrait(*trait);
}
