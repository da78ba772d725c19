#pragma once

#include "sim/EvolutionMeasures.h"
#include "sim/PopulationCensus.h"
#include "sim/SelectionReport.h"
#include "sim/SimulationOptions.h"

#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class World;

// What sylvara-sim writes of a run's evolution: the measures' CSV, a block of rows at every census row,
// and at the end the selection report against the neutral shadows.
class EvolutionRecorder {
public:
    EvolutionRecorder(const SimulationOptions& options, unsigned seed);
    ~EvolutionRecorder();
    EvolutionRecorder(const EvolutionRecorder&) = delete;
    EvolutionRecorder& operator=(const EvolutionRecorder&) = delete;

    // Opens the CSV and starts following the world at the tick; false with a one-line reason. A saved
    // state (from a loaded world) is taken up where it was left, so the rows go on as a straight run's;
    // one that cannot be is said in a line on out, and the measures start afresh at the tick.
    bool start(World& world, long tick, const std::string& saved, std::ostream& out, std::string& error);
    // What a saved world keeps of the measures, for start to take up.
    std::string saveState() const;
    void endTick(long tick) { measures->endTick(tick); }
    // The rows of a census row; the first census is the selection report's start.
    void row(long tick, const PopulationCensus& census, std::ostream& out);
    // Closes the CSV and writes the selection report from the last census; false when a file failed.
    // Draws the plot asked for under the title.
    bool finish(const PopulationCensus& last, const std::string& title, std::ostream& out);
    void printSummary(std::ostream& to) const;
    // The files finished whole, by the option that asked for each.
    std::vector<std::pair<std::string, std::string>> getWritten() const;

private:
    bool writeLine(const std::string& line, std::ostream& out);

    const SimulationOptions& options;
    std::unique_ptr<EvolutionMeasures> measures;
    std::FILE* csv = nullptr;
    bool failed = false;
    // The bytes of whole lines written.
    long bytes = 0;
    int rows = 0;
    bool started = false;
    // The selection report's start: the first census, or the saved run's.
    bool hasStart = false;
    SelectionReport::Start first;
    std::string beyondDrift;
    bool selectionWritten = false;
    bool plotted = false;
};
