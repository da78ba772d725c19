#include "sweep/SweepOptions.h"

#include "common/BoardSize.h"
#include "common/OptionHelp.h"
#include "common/OptionReader.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>

namespace {

// Counts are digits only, and any word it does not know is an unknown option.
const OptionReader READER(OptionReader::Sign::Refused, OptionReader::Strays::AsOptions);

// A genesis pattern sylvara-sim will take: a name, or tiles made of digits, commas and semicolons.
bool validGenesis(const std::string& pattern) {
    return pattern == "all" || pattern == "centre" ||
           (!pattern.empty() && pattern.find_first_not_of("0123456789,;") == std::string::npos);
}

} // namespace

bool SweepOptions::readList(const std::string& option, const std::string& text, long long low, long long high,
                            std::vector<long long>& values, std::string& error) {
    // A grid this large is a typing slip, not a sweep.
    constexpr long long MAX_VALUES = 100000;
    values.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        const size_t dash = part.find('-', 1);
        long long first = 0;
        long long last = 0;
        if (!READER.readNumber(option, part.substr(0, dash), low, high, first, error) ||
            !READER.readNumber(option, dash == std::string::npos ? part : part.substr(dash + 1), low, high,
                               last, error))
            return false;
        if (last < first || last - first >= MAX_VALUES - static_cast<long long>(values.size())) {
            error = option + ": \"" + part + "\" is not a range from low to high of at most " +
                    std::to_string(MAX_VALUES) + " values";
            return false;
        }
        for (long long value = first; value <= last; ++value)
            values.push_back(value);
        start = end + 1;
    }
    // A value twice would be two jobs writing one CSV, counted twice in the summary.
    std::vector<long long> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
    if (twice != sorted.end()) {
        error = option + ": " + std::to_string(*twice) + " is given twice";
        return false;
    }
    return true;
}

SweepOptions::Outcome SweepOptions::parse(int argc, const char* const* argv, SweepOptions& options,
                                          std::string& error) {
    using Reader = std::function<bool(const std::string& option, const std::string& value)>;
    std::vector<long long> values;
    const auto list = [&](long long low, long long high, auto& target) {
        return [&values, &error, low, high, into = &target](const std::string& o, const std::string& v) {
            if (!readList(o, v, low, high, values, error))
                return false;
            into->assign(values.begin(), values.end());
            return true;
        };
    };
    bool genesisGiven = false;
    const std::map<std::string, Reader> readers = {
        {"--seeds", list(0, UINT_MAX, options.seeds)},
        {"--sizes", list(1, BoardSize::MAX_TILES_PER_SIDE, options.sizes)},
        {"--ticks", list(1, INT_MAX, options.lengths)},
        {"--genesis",
         [&](const std::string& o, const std::string& v) {
             if (!validGenesis(v)) {
                 error = o + ": \"" + v + "\" is not all, centre or C,R[;C,R...]";
                 return false;
             }
             if (!genesisGiven)
                 options.genesis.clear();
             genesisGiven = true;
             if (std::find(options.genesis.begin(), options.genesis.end(), v) != options.genesis.end()) {
                 error = o + ": \"" + v + "\" is given twice";
                 return false;
             }
             options.genesis.push_back(v);
             return true;
         }},
        {"--interval",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, INT_MAX, options.interval, error);
         }},
        {"--jobs",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, 1000, options.jobs, error);
         }},
        {"--out",
         [&](const std::string&, const std::string& v) {
             options.folder = v;
             return true;
         }},
        {"--sshloginfile",
         [&](const std::string&, const std::string& v) {
             options.sshLoginFile = v;
             return true;
         }},
        {"--ssh",
         [&](const std::string&, const std::string& v) {
             options.ssh = v;
             return true;
         }},
    };

    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "-h" || option == "--help")
            return Outcome::Help;
        if (option == "--slurm" || option == "--summarize") {
            (option == "--slurm" ? options.slurm : options.summarizeOnly) = true;
            continue;
        }
        std::string value;
        const auto isKnown = [&](const std::string& name) { return readers.count(name) != 0; };
        if (!READER.readOption(argc, argv, i, isKnown, option, value, error))
            return Outcome::Error;
        if (value.empty()) {
            error = option + ": the value is empty";
            return Outcome::Error;
        }
        if (!readers.at(option)(option, value))
            return Outcome::Error;
    }
    if (options.folder.empty()) {
        error = "--out FOLDER is needed: the sweep's folder";
        return Outcome::Error;
    }
    if (options.slurm && !options.sshLoginFile.empty()) {
        error = "--slurm and --sshloginfile do not go together: Slurm places the jobs itself";
        return Outcome::Error;
    }
    return Outcome::Run;
}

std::string SweepOptions::usage(const std::string& program) {
    return OptionHelp(23, program, "--out FOLDER [options]",
                      "Runs a grid of headless worlds, one sylvara-sim job each, through GNU parallel, and "
                      "summarizes them.")
        .option("--out FOLDER", {"the sweep's folder: job list, job log, each job's CSV, log and plots,",
                                 "the summary; run the same command again to resume an interrupted sweep"})
        .option("--seeds LIST", {"seeds, e.g. 1-20 or 1,5,9 (default 1-4)"})
        .option("--sizes LIST", {"tiles per side, e.g. 5,10,20 (default 5)"})
        .option("--genesis WHERE", {"all, centre (the middle tile) or C,R[;C,R...]; repeat it for several",
                                    "patterns (default all)"})
        .option("--ticks LIST", {"run lengths in ticks (default 2000)"})
        .option("--interval N", {"ticks per census row (default 100)"})
        .option("--jobs N", {"job slots per machine (default: one per core)"})
        .option("--sshloginfile FILE",
                {"spread the jobs over the machines listed in FILE (GNU parallel's format);",
                 "every machine needs the run tree, and the sweep's folder, at the same path"})
        .option("--ssh COMMAND", {"the ssh command to log in with (e.g. \"ssh -p 2222 -i KEY\")"})
        .option("--slurm", {"write FOLDER/sweep.slurm, a Slurm job array, instead of running"})
        .option("--summarize", {"only summarize the jobs already finished in FOLDER"})
        .help()
        .text("\nExit codes: 0 all jobs done, 1 some jobs failed (each named with its command and output),\n"
              "2 bad options or a machine that is not ready.\n")
        .str();
}
