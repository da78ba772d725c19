#pragma once

#include "common/Rules.h"

#include <string>
#include <vector>

// The command line of sylvara-sweep: the grid of worlds (seeds x sizes x genesis patterns x
// lengths), where the sweep's folder goes, and how the jobs are run.
class SweepOptions {
public:
    enum class Outcome { Run, Help, Version, Error };

    std::vector<unsigned> seeds{1, 2, 3, 4};
    std::vector<int> sizes{5};
    // "all", "centre" (the middle tile) or tiles as sylvara-sim takes them ("C,R;C,R").
    std::vector<std::string> genesis{"all"};
    std::vector<int> lengths{2000};
    // A rule and the values it takes: one more dimension of the grid when it has several.
    struct RuleAxis {
        std::string name;
        std::vector<std::string> values;
    };
    std::vector<RuleAxis> ruleAxes;
    // The base rules of every job, absolute once read; empty: the defaults.
    std::string rulesFile;
    // The rules that file gives, over the defaults, read once when the options are.
    Rules baseRules;
    // Command files, absolute once read: every job gets the one file, or the files are one more dimension
    // of the grid, each named by its file's name without the folder and extension.
    std::vector<std::string> commandFiles;
    // Rescue floors passed to every job, as --keep takes them ("herbivores=5").
    std::vector<std::string> keeps;
    int interval = 100;
    std::string folder;
    // 0: one job per core of each machine.
    int jobs = 0;
    std::string sshLoginFile;
    // The ssh command GNU parallel logs in with (its --ssh); empty: its own default.
    std::string ssh;
    // Each job also writes its lineage: the pruned phylogeny, the Newick tree and the Muller plot.
    bool lineage = false;
    // Each job also writes its measures of evolution and its selection report.
    bool evolution = false;
    bool slurm = false;
    // Only summarize the jobs already in the folder (after a Slurm run, say).
    bool summarizeOnly = false;

    // The most jobs one sweep may hold: a grid larger than this is a typing slip, and its job list
    // alone would fill memory and disk.
    static constexpr long long MAX_JOBS = 100000;

    static Outcome parse(int argc, const char* const* argv, SweepOptions& options, std::string& error);
    // Seeds x sizes x genesis patterns x lengths x each rule's values, counted before any job is made.
    double jobCount() const;
    static std::string usage(const std::string& program);

    // "1-4,9" -> 1 2 3 4 9; false, with a reason, on anything else.
    // "NAME=V1,V2" or "NAME=FROM:TO:STEP", each value checked against the rule.
    static bool readRuleAxis(const std::string& text, RuleAxis& axis, std::string& error);
    // "kill" for "/a/b/kill.cmd".
    static std::string commandsName(const std::string& file);
    static bool readList(const std::string& option, const std::string& text, long long low, long long high,
                         std::vector<long long>& values, std::string& error);
};
