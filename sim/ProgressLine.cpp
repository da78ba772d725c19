#include "sim/ProgressLine.h"

#include <cstdio>
#include <ostream>
#include <unistd.h>

namespace {

// Runs that end sooner than this show nothing; the line is redrawn at most this often.
constexpr double SHORT_RUN_SECONDS = 2.0;
constexpr double FIRST_LOOK_SECONDS = 0.5;
constexpr double REDRAW_SECONDS = 0.2;

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

ProgressLine::ProgressLine(std::ostream& out, long totalTicks)
    : ProgressLine(out, totalTicks, isatty(STDOUT_FILENO) == 1, steadySeconds) {}

ProgressLine::ProgressLine(std::ostream& out, long totalTicks, bool terminal, Clock clock)
    : out(out), totalTicks(totalTicks), terminal(terminal), clock(std::move(clock)) {
    started = terminal ? this->clock() : 0.0;
}

bool ProgressLine::due(long done, double now) const {
    if (!terminal || done <= 0)
        return false;
    const double elapsed = now - started;
    if (!shown)
        // Wait a moment before judging the pace, then show only when the whole run will be long.
        return elapsed >= FIRST_LOOK_SECONDS && elapsed * totalTicks / done > SHORT_RUN_SECONDS;
    return now - lastDrawn >= REDRAW_SECONDS || done >= totalTicks;
}

void ProgressLine::draw(const char* line, double now) {
    out << line << std::flush;
    shown = true;
    lastDrawn = now;
}

void ProgressLine::update(long ticksDone, int herbivores, int carnivores, int plants) {
    const double now = terminal ? clock() : 0.0;
    if (!due(ticksDone, now))
        return;
    const double elapsed = now - started;
    const double rate = elapsed > 0.0 ? ticksDone / elapsed : 0.0;
    const double left = rate > 0.0 ? (totalTicks - ticksDone) / rate : 0.0;
    char line[200];
    std::snprintf(
        line, sizeof line,
        "\rtick %ld/%ld (%.0f%%)  %.0f ticks/s  %.0f s left  herbivores %d  carnivores %d  plants %d\033[K",
        ticksDone, totalTicks, 100.0 * ticksDone / totalTicks, rate, left, herbivores, carnivores, plants);
    draw(line, now);
}

void ProgressLine::settingUp(long tilesDone, int organisms) {
    const double now = terminal ? clock() : 0.0;
    if (!due(tilesDone, now))
        return;
    const double elapsed = now - started;
    const double left = elapsed * (totalTicks - tilesDone) / tilesDone;
    char line[160];
    std::snprintf(line, sizeof line, "\rsetting up: tile %ld/%ld (%.0f%%)  %.0f s left  organisms %d\033[K",
                  tilesDone, totalTicks, 100.0 * tilesDone / totalTicks, left, organisms);
    draw(line, now);
}

void ProgressLine::finish() {
    if (shown)
        out << "\r\033[K" << std::flush;
    shown = false;
}
