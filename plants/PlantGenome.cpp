#include "plants/PlantGenome.h"

#include <cstdlib>

void PlantGenome::mutate(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size,
                         const Rules& rules) {
    mutateWith([] { return std::rand(); }, offspring, spawnRadius, spawnEfficiency, size, rules);
}
