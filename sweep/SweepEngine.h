#pragma once

#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"

#include <iosfwd>
#include <string>
#include <vector>

// Runs a sweep's jobs through GNU parallel: writes the job list, checks the machines of an ssh
// login file, starts parallel with its job log (so a rerun skips the jobs that finished and runs
// the failed ones again), shows the progress, and names the jobs that failed.
class SweepEngine {
public:
    SweepEngine(const SweepOptions& options, const SweepPlan& plan, const std::string& folder,
                std::ostream& out);

    std::string jobListFile() const { return folder + "/jobs.txt"; }
    std::string jobLogFile() const { return folder + "/joblog"; }

    // Makes the folders, locks them and writes the job list; refuses a folder that holds another
    // sweep, or one whose jobs still run.
    bool prepare(std::string& error);
    // Every machine of the login file answers and has the run tree and the sweep's folder.
    bool checkMachines(const std::string& bin, std::string& error);
    // The arguments GNU parallel is started with.
    std::vector<std::string> parallelArguments() const;
    // Runs the jobs left to do; false when parallel could not be started.
    bool run(std::string& error);
    // Names each failed job with its command and the end of its output; returns how many failed.
    int reportFailures(std::ostream& to) const;

    // The machines of a login file, as GNU parallel takes them ("2/user@host", ":" for this one);
    // blank lines and comments are skipped. False, with the reason, for a file that cannot be read.
    static bool readLogins(const std::string& file, std::vector<std::string>& logins, std::string& error);

private:
    // Locks the folder for this sweep and the jobs it starts; false when another holds it.
    bool lock(std::string& error);

    SweepOptions options;
    const SweepPlan& plan;
    std::string folder;
    std::ostream& out;
};
