#include "world/RandomSeed.h"

#include <cstdlib>
#include <ctime>

bool RandomSeed::fixed = false;
unsigned RandomSeed::fixedSeed = 0;

void RandomSeed::fix(unsigned seed) {
    fixed = true;
    fixedSeed = seed;
    std::srand(seed);
}

void RandomSeed::release() {
    fixed = false;
}

bool RandomSeed::isFixed() {
    return fixed;
}

void RandomSeed::seedAtStart() {
    std::srand(fixed ? fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void RandomSeed::reseed(unsigned timerLowBits) {
    if (!fixed)
        std::srand(timerLowBits);
}
