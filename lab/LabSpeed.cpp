#include "lab/LabSpeed.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// Ticks a second at each step; past the last one comes flat out.
const int LADDER[] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096};
const int FLAT_OUT = static_cast<int>(std::size(LADDER));

int normalLevel() {
    return static_cast<int>(std::find(std::begin(LADDER), std::end(LADDER), LabSpeed::NORMAL) -
                            std::begin(LADDER));
}

} // namespace

LabSpeed::LabSpeed() : level(normalLevel()) {}

int LabSpeed::getRate() const {
    if (custom > 0)
        return custom;
    return isFlatOut() ? 0 : LADDER[level];
}

bool LabSpeed::isFlatOut() const {
    return custom == 0 && level == FLAT_OUT;
}

std::string LabSpeed::describe() const {
    return isFlatOut() ? std::string("flat out") : std::to_string(getRate()) + " ticks/s";
}

void LabSpeed::faster(double now) {
    if (custom > 0)
        return setLevel(static_cast<int>(std::upper_bound(std::begin(LADDER), std::end(LADDER), custom) -
                                         std::begin(LADDER)),
                        now);
    setLevel(std::min(level + 1, FLAT_OUT), now);
}

void LabSpeed::slower(double now) {
    if (custom > 0)
        return setLevel(
            std::max(0, static_cast<int>(std::lower_bound(std::begin(LADDER), std::end(LADDER), custom) -
                                         std::begin(LADDER)) -
                            1),
            now);
    setLevel(std::max(level - 1, 0), now);
}

void LabSpeed::setRate(int ticksPerSecond, double now) {
    const int* found = std::find(std::begin(LADDER), std::end(LADDER), ticksPerSecond);
    if (found != std::end(LADDER))
        return setLevel(static_cast<int>(found - std::begin(LADDER)), now);
    setLevel(level, now);
    custom = std::max(1, ticksPerSecond);
}

void LabSpeed::flatOut(double now) {
    setLevel(FLAT_OUT, now);
}

void LabSpeed::normal(double now) {
    setLevel(normalLevel(), now);
}

void LabSpeed::setLevel(int to, double now) {
    level = to;
    custom = 0;
    restart(now);
}

void LabSpeed::restart(double now) {
    anchor = now;
    counted = 0;
}

long LabSpeed::due(double now) {
    if (isFlatOut())
        return std::numeric_limits<long>::max();
    const int rate = getRate();
    long owed = static_cast<long>((now - anchor) * rate) - counted;
    const long lag = rate;
    if (owed > lag) {
        counted += owed - lag;
        owed = lag;
    }
    return std::max(0L, owed);
}

double LabSpeed::tickBudget(double drawSeconds) {
    // A margin for the input and the bookkeeping around the ticks.
    const double left = FRAME_BUDGET - 0.015 - drawSeconds;
    if (left > MIN_TICK_BUDGET)
        return left;
    // Drawing alone takes about a tenth of a second: ten frames a second are out of reach, and
    // the ticks get a third of each frame instead.
    return std::max(MIN_TICK_BUDGET, drawSeconds / 2);
}
