#pragma once

#include "common/Rules.h"
#include "sweep/SweepOptions.h"

#include <string>
#include <vector>

// The jobs of a sweep, in a fixed order (so a rerun matches them to the job log), each one
// sylvara-sim command writing into the sweep's folder. Jobs that differ only by seed form a
// configuration, which the summary pools.
class SweepPlan {
public:
    struct Configuration {
        int size;
        std::string genesis;
        int ticks;
        // Every --set rule and its value here; those of the rules that vary name the configuration.
        struct RuleValue {
            std::string name;
            std::string value;
            bool varies;
        };
        std::vector<RuleValue> rules;
        // The fingerprint of every rule its jobs run under (the base rules with its --set values), as
        // their run records give it: configurations of two sweeps compare by it.
        std::string rulesFingerprint;
        // The command file every job of it carries out, absolute; empty: none. Named when the files vary.
        std::string commands;
        bool commandsVary = false;
        // "size5-all-t2000", then "-tile.nourishment0.04" for each varying rule: names the
        // configuration's files and rows.
        std::string name() const;
        // The tiles as sylvara-sim's --genesis takes them ("centre" becomes the middle tile).
        std::string genesisArgument() const;
    };
    struct Job {
        int configuration;
        unsigned seed;
        std::string name;
    };

    // folder and bin are absolute: the jobs run from any working directory, on any machine.
    SweepPlan(const SweepOptions& options, const std::string& folder, const std::string& bin);

    const std::vector<Configuration>& getConfigurations() const { return configurations; }
    const std::vector<Job>& getJobs() const { return jobs; }
    std::string jobsFolder() const { return folder + "/jobs"; }
    std::string csvFile(const Job& job) const { return jobsFolder() + "/" + job.name + ".csv"; }
    std::string logFile(const Job& job) const { return jobsFolder() + "/" + job.name + ".log"; }
    std::string evolutionFile(const Job& job) const {
        return jobsFolder() + "/" + job.name + "-evolution.csv";
    }
    std::string selectionFile(const Job& job) const {
        return jobsFolder() + "/" + job.name + "-selection.csv";
    }
    bool measuresEvolution() const { return evolution; }
    // The shell command of one job: run sylvara-sim from the run tree's bin, output into its log.
    std::string command(const Job& job) const;
    // The sylvara-sim arguments alone, as one would type them.
    std::string simArguments(const Job& job) const;
    // The rules every job starts from (the --rules file's over the defaults), every one of them, as
    // the sweep's folder keeps them: a rerun of the sweep under other rules is refused by them.
    std::string baseRulesText() const;
    // For plot titles: the file or "default rules", and each --set that every job shares.
    std::string rulesTitle() const;

private:
    std::string ruleArguments(const Configuration& c) const;
    std::string lineageArguments(const std::string& base) const;

    std::string folder;
    std::string bin;
    int interval;
    std::string rulesFile;
    std::vector<std::string> keeps;
    Rules baseRules;
    std::vector<std::string> sharedSettings;
    bool lineage;
    bool evolution;
    std::vector<Configuration> configurations;
    std::vector<Job> jobs;
};
