#pragma once

#include "sweep/SweepEvolution.h"
#include "sweep/SweepPlan.h"
#include "sweep/SweepSummary.h"

#include <iosfwd>
#include <string>
#include <vector>

// The sweep's summary: pools the complete census CSVs of each configuration and writes
// summary.csv (one row per configuration), summary-curves.csv (survival and population quartiles
// per census tick), survival.png and populations.png, and a few lines for the reader.
class SweepReport {
public:
    SweepReport(const SweepPlan& plan, const std::string& folder);

    std::string summaryFile() const { return folder + "/summary.csv"; }
    std::string curvesFile() const { return folder + "/summary-curves.csv"; }
    std::string survivalPlot() const { return folder + "/survival.png"; }
    std::string populationsPlot() const { return folder + "/populations.png"; }

    // Reads every job's CSV; a run counts when its census reaches the configuration's last tick.
    void gather();
    // False, with a reason, when a file could not be written or gnuplot failed.
    bool write(std::ostream& out, std::string& error) const;

    const std::vector<SweepSummary>& getSummaries() const { return summaries; }
    // The complete runs gathered, over every configuration.
    int runs() const;
    // "size 5, genesis all, 2000 ticks".
    static std::string title(const SweepPlan::Configuration& configuration);

private:
    const SweepPlan& plan;
    std::string folder;
    std::vector<SweepSummary> summaries;
    // With --evolution: each configuration's measures and selection counts.
    std::vector<SweepEvolution> evolutions;
    bool writeEvolution(std::ostream& out, std::string& error) const;
};
