#pragma once

// Seeding of the one random generator, rand(). The World seeds it from the clock and reseeds it
// from its timer at the end of every unpaused tick. A fixed seed instead seeds it, at the end of
// every unpaused tick, from the seed and the number of ticks run: the draws of a tick then depend
// on nothing else, so a run repeats exactly, and a world saved and loaded again draws what it
// would have drawn.
class RandomSeed {
public:
    static void fix(unsigned seed);
    static void release();
    static bool isFixed();
    static unsigned getSeed() { return fixedSeed; }

    static void seedAtStart();
    // The end of an unpaused tick, or of loading a world that has run so many ticks.
    static void reseed(unsigned timerLowBits, long ticksRun);
    // The generator's seed for the tick after the given number of ticks.
    static unsigned seedAfter(unsigned seed, long ticksRun);

private:
    static bool fixed;
    static unsigned fixedSeed;
};
