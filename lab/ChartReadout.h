#pragma once

#include "lab/PopulationHistory.h"

#include <string>
#include <utility>
#include <vector>

// What the Charts panel says under the pointer: the tick of the point drawn nearest it, each line's
// value at that point, and the rule changes made close to it.
class ChartReadout {
public:
    // The rule changes, at their ticks.
    using Changes = std::vector<std::pair<long, std::string>>;

    // The point whose tick is nearest the tick given (the earlier of two as near); the history holds one.
    static size_t nearest(const PopulationHistory& history, long tick);
    // The pointer's place across the plot (0 its left edge, 1 its right) read as a tick of the history.
    static long tickAcross(const PopulationHistory& history, double across);
    // The lines of the readout for the view (0 the populations, 1.. a kind's trait means) at the place
    // across: "tick T", then a line per series, then any rule change within a hundredth of the span.
    static std::string text(const PopulationHistory& history, int view, double across,
                            const Changes& changes);
};
