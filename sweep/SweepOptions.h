#pragma once

#include <string>
#include <vector>

// The command line of sylvara-sweep: the grid of worlds (seeds x sizes x genesis patterns x
// lengths), where the sweep's folder goes, and how the jobs are run.
class SweepOptions {
public:
    enum class Outcome { Run, Help, Error };

    std::vector<unsigned> seeds{1, 2, 3, 4};
    std::vector<int> sizes{5};
    // "all", "centre" (the middle tile) or tiles as sylvara-sim takes them ("C,R;C,R").
    std::vector<std::string> genesis{"all"};
    std::vector<int> lengths{2000};
    int interval = 100;
    std::string folder;
    // 0: one job per core of each machine.
    int jobs = 0;
    std::string sshLoginFile;
    // The ssh command GNU parallel logs in with (its --ssh); empty: its own default.
    std::string ssh;
    bool slurm = false;
    // Only summarize the jobs already in the folder (after a Slurm run, say).
    bool summarizeOnly = false;

    static Outcome parse(int argc, const char* const* argv, SweepOptions& options, std::string& error);
    static std::string usage(const std::string& program);

    // "1-4,9" -> 1 2 3 4 9; false, with a reason, on anything else.
    static bool readList(const std::string& option, const std::string& text, long long low, long long high,
                         std::vector<long long>& values, std::string& error);
};
