#pragma once

#include "common/CensusColumns.h"

#include <array>
#include <string>
#include <vector>

// Pools the census CSVs of the runs of one configuration: how many runs; when each kind died out
// (median and quartiles); the share of runs with each kind alive at every census tick (its
// survival curve); and the median population with its quartiles at every census tick.
class SweepSummary {
public:
    using Counts = std::array<int, OrganismKind::COUNT>;
    // The population columns of one run's census.
    struct Run {
        std::vector<int> ticks;
        std::vector<Counts> counts;
        // The exact tick each kind died out at, from the job's summary (-1: alive at the end); when
        // unknown (UNKNOWN), the census rows tell it to within their interval.
        Counts diedAt{UNKNOWN, UNKNOWN, UNKNOWN};
        // The organisms rescue inserted, by kind.
        std::array<long, OrganismKind::COUNT> inserted{};
        // The tick from which the kind was gone for good; -1 when it lived to the end.
        int extinctionTick(int group) const;
        // From the run's summary: genotypes with living members at the end and the depth of the
        // deepest of them; -1 when the run did not say (or nothing lived).
        int genotypesAlive = -1;
        int deepestLiving = -1;
    };
    // Quartiles of the extinction ticks, a run alive at the end counting as lasting for ever:
    // a quartile that falls among those runs is "alive" (ALIVE).
    struct Extinction {
        int diedOut = 0;
        double q1 = 0, median = 0, q3 = 0;
    };
    struct Point {
        int tick;
        std::array<double, OrganismKind::COUNT> survival, q1, median, q3;
    };
    static constexpr double ALIVE = -1.0;
    static constexpr int UNKNOWN = -2;

    // False, with a reason, when the file is missing, has no census header or no rows.
    static bool readRun(const std::string& csvFile, Run& run, std::string& error);
    // Takes the exact extinction ticks, the insertions and the genotype line from a job's summary
    // lines; a log without them leaves the ticks and insertions as they were, and no genotype count.
    static void readSummaryLines(const std::string& logFile, Run& run);
    // The p-quantile (0..1) of sorted values, interpolated between neighbours.
    static double quantile(const std::vector<double>& sorted, double p);

    void add(const Run& run);
    int runs() const { return static_cast<int>(pooled.size()); }
    Extinction extinction(int group) const;
    // Runs in which rescue inserted the kind, and how many it inserted in all.
    int rescuedRuns(int group) const;
    long inserted(int group) const;
    // Up to the shortest run's last census tick.
    std::vector<Point> curves() const;

    // The column names after the configuration's own, and one row of values for them.
    static std::string summaryHeader();
    std::string summaryRow() const;
    static std::string curvesHeader();
    std::vector<std::string> curvesRows() const;

private:
    std::vector<Run> pooled;
};
