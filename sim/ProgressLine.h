#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>

// One line, redrawn in place, that tells how far a long run has come: ticks done, ticks per
// second, time left and the three populations. It shows only when standard output is a terminal
// and the run is on course to last more than about two seconds; otherwise it prints nothing, so
// pipes and logs stay clean.
class ProgressLine {
public:
    // Seconds since some fixed point.
    using Clock = std::function<double()>;

    ProgressLine(std::ostream& out, long totalTicks);
    // For tests: whether to act as on a terminal, and the clock to read.
    ProgressLine(std::ostream& out, long totalTicks, bool terminal, Clock clock);

    void update(long ticksDone, int herbivores, int carnivores, int plants);
    // The same line while a board is being set up, totalTicks counting its tiles instead.
    void settingUp(long tilesDone, int organisms);
    // Clears the line, if it was shown, so what follows starts on a clean line.
    void finish();

    bool isShown() const { return shown; }

private:
    // Whether to draw now, with so much done: only once the whole is on course to be long.
    bool due(long done, double now) const;
    void draw(const char* line, double now);

    std::ostream& out;
    long totalTicks;
    bool terminal;
    Clock clock;
    double started;
    double lastDrawn = -1.0;
    bool shown = false;
};
