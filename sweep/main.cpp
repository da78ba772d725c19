// Runs a grid of headless worlds through GNU parallel and summarizes them: see --help.
#include "common/GenesisOption.h"
#include "common/Gnuplot.h"
#include "common/OptionHelp.h"
#include "common/OutputFiles.h"
#include "common/RunTree.h"
#include "common/WholeFile.h"
#include "sweep/SlurmScript.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"
#include "sweep/SweepReport.h"

#include <climits>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int fail(const std::string& message, int code) {
    std::cerr << "sylvara-sweep: " << message << "\n";
    return code;
}

// Each configuration's genesis read as sylvara-sim reads it, so a tile off a board is said now, not per job.
bool checkConfigurations(const SweepPlan& plan, std::string& error) {
    for (const SweepPlan::Configuration& c : plan.getConfigurations()) {
        GenesisOption::Where where;
        std::vector<std::pair<int, int>> tiles;
        if (!GenesisOption::read(c.genesisArgument(), where, tiles, error) ||
            !GenesisOption::fitsBoard(tiles, c.size, error)) {
            error = c.name() + ": " + error;
            return false;
        }
    }
    return true;
}

// Of the paths a sweep makes before its jobs run, those not there yet, deepest first.
std::vector<std::string> notYetMade(const std::vector<std::string>& paths) {
    std::vector<std::string> absent;
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        std::error_code failure;
        if (!path->empty() && !std::filesystem::exists(std::filesystem::symlink_status(*path, failure)))
            absent.push_back(*path);
    }
    return absent;
}

// A sweep that stops before its jobs leaves nothing it made: no lock, job list, rules or empty folder.
int refuse(const std::vector<std::string>& made, const std::string& message, int code) {
    for (const std::string& path : made) {
        std::error_code failure;
        // A folder goes only when empty: whatever else is in it is not ours to remove.
        std::filesystem::remove(path, failure);
    }
    return fail(message, code);
}

} // namespace

int main(int argc, char** argv) {
    SweepOptions options;
    std::string error;
    switch (SweepOptions::parse(argc, argv, options, error)) {
    case SweepOptions::Outcome::Help:
        std::cout << SweepOptions::usage("sylvara-sweep");
        return 0;
    case SweepOptions::Outcome::Version:
        std::cout << OptionHelp::versionLine("sylvara-sweep");
        return 0;
    case SweepOptions::Outcome::Error:
        return fail(error, 2);
    case SweepOptions::Outcome::Run:
        break;
    }
    struct stat info;
    if (stat(options.folder.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
        return fail("--out: " + options.folder + " is not a folder", 2);
    // One folder however it is spelled ("f", "f/", "./f", a link to it): its jobs name it alike.
    const std::string folder = OutputFiles::resolved(options.folder);
    // The run tree's bin, where sylvara-sim sits beside this program.
    const std::string bin = RunTree::binFolder();
    const SweepPlan plan(options, folder, bin);
    if (!checkConfigurations(plan, error))
        return fail(error, 2);

    SweepEngine engine(options, plan, folder, std::cout);
    SweepReport report(plan, folder);
    if (options.summarizeOnly) {
        if (!engine.checkRules(error))
            return fail(error, 2);
        report.gather();
        // A summary of no runs would read as every kind dying out at tick 0.
        if (report.runs() == 0)
            return fail(
                "--summarize: " + folder + " holds no finished job of this grid: nothing to summarize", 2);
        return report.write(std::cout, error) ? 0 : fail(error, 1);
    }
    const std::string script = folder + "/sweep.slurm";
    const std::vector<std::string> made =
        notYetMade({folder, plan.jobsFolder(), folder + "/lock", engine.jobListFile(), engine.rulesFile(),
                    options.slurm ? script : ""});
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (!engine.prepare(error))
        return refuse(made, error, 2);
    if (options.slurm) {
        if (!WholeFile::write(
                script,
                SlurmScript::text(engine.jobListFile(), int(plan.getJobs().size()), plan.jobsFolder()),
                error))
            return refuse(made, error, 1);
        std::cout << "wrote " << script << " (" << plan.getJobs().size()
                  << " array tasks): submit it with sbatch " << script
                  << ", then run this command again with --summarize\n";
        return 0;
    }
    if (!options.sshLoginFile.empty() && !engine.checkMachines(bin, error))
        return refuse(made, error, 2);
    std::cout << plan.getJobs().size() << " jobs (" << plan.getConfigurations().size() << " configurations x "
              << options.seeds.size() << " seeds) in " << folder << "\n";
    if (!engine.run(error))
        return refuse(made, error, 2);
    const int failed = engine.reportFailures(std::cerr);
    report.gather();
    const bool written = report.write(std::cout, error);
    if (!written)
        fail(error, 1);
    if (failed > 0)
        return fail(std::to_string(failed) + " of " + std::to_string(plan.getJobs().size()) +
                        " jobs did not finish; run the same command again to rerun them",
                    1);
    return written ? 0 : 1;
}
