#include "sweep/SweepPlan.h"

#include "common/ShellWord.h"

std::string SweepPlan::Configuration::name() const {
    std::string pattern = genesis;
    for (char& c : pattern)
        c = c == ',' ? '.' : c == ';' ? '_' : c;
    return "size" + std::to_string(size) + "-" + pattern + "-t" + std::to_string(ticks);
}

std::string SweepPlan::Configuration::genesisArgument() const {
    if (genesis != "centre")
        return genesis;
    const std::string middle = std::to_string(size / 2);
    return middle + "," + middle;
}

SweepPlan::SweepPlan(const SweepOptions& options, const std::string& folder, const std::string& bin)
    : folder(folder), bin(bin), interval(options.interval) {
    for (int ticks : options.lengths)
        for (const std::string& genesis : options.genesis)
            for (int size : options.sizes) {
                const int index = static_cast<int>(configurations.size());
                configurations.push_back({size, genesis, ticks});
                for (unsigned seed : options.seeds)
                    jobs.push_back(
                        {index, seed, configurations.back().name() + "-seed" + std::to_string(seed)});
            }
}

std::string SweepPlan::simArguments(const Job& job) const {
    const Configuration& c = configurations[job.configuration];
    const std::string base = jobsFolder() + "/" + job.name;
    return "--size " + std::to_string(c.size) + " --genesis " + ShellWord::of(c.genesisArgument()) +
           " --ticks " + std::to_string(c.ticks) + " --seed " + std::to_string(job.seed) + " --interval " +
           std::to_string(interval) + " --csv " + ShellWord::of(base + ".csv") + " --plot " +
           ShellWord::of(base + ".png") + " --traits " + ShellWord::of(base + "-traits.png");
}

std::string SweepPlan::command(const Job& job) const {
    return "cd " + ShellWord::of(bin) + " && ./sylvara-sim " + simArguments(job) + " > " +
           ShellWord::of(logFile(job)) + " 2>&1";
}
