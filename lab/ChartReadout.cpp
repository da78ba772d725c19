#include "lab/ChartReadout.h"

#include "common/CensusColumns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const KINDS[OrganismKind::COUNT] = {"herbivores", "carnivores", "plants"};

} // namespace

size_t ChartReadout::nearest(const PopulationHistory& history, long tick) {
    // The ticks only grow: the first at or after the tick, or the one before it when that is nearer.
    size_t low = 0;
    size_t high = history.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (history.tickAt(middle) < tick)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == history.size())
        return low - 1;
    if (low > 0 && tick - history.tickAt(low - 1) <= history.tickAt(low) - tick)
        return low - 1;
    return low;
}

long ChartReadout::tickAcross(const PopulationHistory& history, double across) {
    const long first = history.firstTick();
    const long last = std::max(first + 1, history.lastTick());
    return first + std::lround(std::clamp(across, 0.0, 1.0) * double(last - first));
}

std::string ChartReadout::text(const PopulationHistory& history, int view, double across,
                               const Changes& changes) {
    if (history.empty())
        return "";
    const size_t index = nearest(history, tickAcross(history, across));
    const long tick = history.tickAt(index);
    const auto group = view == 0 ? OrganismKind::HERBIVORES : static_cast<OrganismKind::Value>(view - 1);
    const int series = view == 0 ? OrganismKind::COUNT : CensusColumns::traitCount(group);
    std::string text = "tick " + std::to_string(tick);
    for (int s = 0; s < series; ++s) {
        char value[96];
        if (view == 0)
            std::snprintf(value, sizeof value, "\n%s: %d", KINDS[s],
                          history.countAt(index, static_cast<OrganismKind::Value>(s)));
        else
            std::snprintf(value, sizeof value, "\n%s: %.1f", CensusColumns::traitName(group, s).c_str(),
                          history.meanAt(index, group, s));
        text += value;
    }
    const long span = std::max(history.firstTick() + 1, history.lastTick()) - history.firstTick();
    for (const auto& change : changes)
        if (std::labs(change.first - tick) <= span / 100)
            text += "\n" + change.second + " at tick " + std::to_string(change.first);
    return text;
}
