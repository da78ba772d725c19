#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// Pools the evolution and selection CSVs of the runs of one configuration: the median and quartiles of
// every final measure per group, and per kind and trait the runs whose z reached 3 or fell to -3.
class SweepEvolution {
public:
    static constexpr double THRESHOLD = 3.0;

    // Reads one run's two files; false, with a reason, when either is missing or malformed.
    bool addRun(const std::string& evolutionFile, const std::string& selectionFile, std::string& error);
    int runs() const { return runCount; }

    // "group,measure,runs,q1,median,q3" rows, groups and measures in the evolution CSV's order.
    std::vector<std::string> measureRows() const;
    // "kind,trait,runs,z_at_least_3,z_at_most_minus_3" rows, in the selection CSV's order.
    std::vector<std::string> selectionRows() const;

    static std::string measureHeader() { return "group,measure,runs,q1,median,q3"; }
    static std::string selectionHeader() { return "kind,trait,runs_with_z,z_at_least_3,z_at_most_minus_3"; }

private:
    struct Tally {
        int runs = 0;
        int up = 0;
        int down = 0;
    };
    int runCount = 0;
    std::vector<std::string> measureNames;
    // (group, measure) in first-seen order, and the final values over the runs.
    std::vector<std::pair<std::string, std::string>> measureOrder;
    std::map<std::pair<std::string, std::string>, std::vector<double>> finals;
    std::vector<std::pair<std::string, std::string>> traitOrder;
    std::map<std::pair<std::string, std::string>, Tally> tallies;
};
