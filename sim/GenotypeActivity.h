#pragma once

// A genotype's Bedau-Packard activity, its abundance summed over every tick it has lived (the tick
// of a change included), kept lazily: it is settled only when the abundance changes or is read.
struct GenotypeActivity {
    long long settled = 0;
    int abundance = 0;
    long since = 0;

    void change(long tick, int delta) {
        settled += static_cast<long long>(abundance) * (tick - since);
        since = tick;
        abundance += delta;
    }
    long long at(long tick) const { return settled + static_cast<long long>(abundance) * (tick + 1 - since); }
};
