#include "life/AnimalGenome.h"

void AnimalGenome::mutate(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size,
                          int& preySize, const Rules& rules) {
    mutateWith([] { return std::rand(); }, kind, speed, adrenaline, spawnEfficiency, size, preySize, rules);
}
