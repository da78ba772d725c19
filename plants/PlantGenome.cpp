#include "plants/PlantGenome.h"

#include "life/AnimalGenome.h"

#include <cstdlib>
#include <initializer_list>

void PlantGenome::mutate(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size) {
    if (std::rand() % 100 < 20) {
        for (int* trait : {&offspring, &spawnRadius, &spawnEfficiency, &size})
            *trait += std::rand() % 10 - 5;
        const int sum = spawnRadius + spawnEfficiency + offspring;
        if (sum > 100) {
            int* cut[] = {&offspring, &spawnRadius, &spawnEfficiency};
            *cut[std::rand() % 3] -= sum - 100;
        }
    }
    for (int* trait : {&spawnRadius, &offspring, &spawnEfficiency, &size})
        *trait = AnimalGenome::clampTrait(*trait);
}
