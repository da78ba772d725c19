#pragma once

// Seeding of the one random generator, rand(). The World seeds it from the
// clock; a test may fix the seed instead, which also stops the per-tick
// reseeding so a run repeats exactly.
class RandomSeed {
public:
    static void fix(unsigned seed);
    static void release();
    static bool isFixed();

    static void seedAtStart();
    static void reseed(unsigned timerLowBits);

private:
    static bool fixed;
    static unsigned fixedSeed;
};
