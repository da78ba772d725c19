#pragma once

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

private:
    std::string ruleArguments(const Configuration& c) const;
    std::string lineageArguments(const std::string& base) const;

    std::string folder;
    std::string bin;
    int interval;
    std::string rulesFile;
    std::vector<std::string> keeps;
    bool lineage;
    bool evolution;
    std::vector<Configuration> configurations;
    std::vector<Job> jobs;
};
