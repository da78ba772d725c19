#pragma once

#include <string>

// How fast the lab runs its world: a ladder of rates around the sandbox's 16 ticks a second,
// topped by flat out, as many ticks as fit between frames drawn at least 10 times a second.
// The clock is the caller's, in seconds.
class LabSpeed {
public:
    static constexpr int NORMAL = 16;
    // The longest time between two drawn frames at any speed.
    static constexpr double FRAME_BUDGET = 0.1;
    static constexpr double MIN_TICK_BUDGET = 0.005;

    // Starts at the sandbox's rate.
    LabSpeed();

    // Ticks a second; 0 when flat out.
    int getRate() const;
    bool isFlatOut() const;
    // "16 ticks/s", or "flat out".
    std::string describe() const;
    // Each restarts the pacing at now.
    void faster(double now);
    void slower(double now);
    void normal(double now);
    // Any rate from 1 tick a second up; the next step of the ladder from it is the one above or below.
    void setRate(int ticksPerSecond, double now);
    void flatOut(double now);

    // Pacing: ticks are owed at the rate from the last restart on.
    void restart(double now);
    // Ticks owed now beyond those run. A lag of more than a second is dropped, not made up.
    long due(double now);
    void ran(long ticks) { counted += ticks; }
    // The seconds a pass may spend on ticks when drawing its frame took drawSeconds: what is left
    // of the frame budget, or, when drawing alone nearly fills it, a third of the frame.
    static double tickBudget(double drawSeconds);

private:
    void setLevel(int to, double now);

    int level;
    // A rate off the ladder, or 0 for the ladder's own.
    int custom = 0;
    double anchor = 0.0;
    long counted = 0;
};
