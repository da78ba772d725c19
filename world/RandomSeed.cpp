#include "world/RandomSeed.h"

#include <cstdint>
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

void RandomSeed::reseed(unsigned timerLowBits, long ticksRun) {
    std::srand(fixed ? seedAfter(fixedSeed, ticksRun) : timerLowBits);
}

unsigned RandomSeed::seedAfter(unsigned seed, long ticksRun) {
    // SplitMix64's finalizer: neighbouring ticks and neighbouring seeds get unrelated generators.
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32) ^ static_cast<std::uint64_t>(ticksRun);
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return static_cast<unsigned>(z ^ (z >> 31));
}
