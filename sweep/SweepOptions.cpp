#include "sweep/SweepOptions.h"

#include "common/BoardSize.h"
#include "common/CommandFile.h"
#include "common/OptionHelp.h"
#include "common/OptionReader.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits.h>
#include <map>
#include <set>

namespace {

// Counts are digits only, and any word it does not know is an unknown option.
const OptionReader READER(OptionReader::Sign::Refused, OptionReader::Strays::AsOptions);

// A genesis pattern sylvara-sim will take: a name, or tiles made of digits, commas and semicolons.
bool validGenesis(const std::string& pattern) {
    return pattern == "all" || pattern == "centre" ||
           (!pattern.empty() && pattern.find_first_not_of("0123456789,;") == std::string::npos);
}

// The values of FROM:TO:STEP, each the shortest text of FROM + i * STEP up to TO.
bool readSteps(const std::string& option, const std::string& text, std::vector<std::string>& values,
               std::string& error) {
    double part[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? text.find(':', start) : text.size();
        const std::string word = text.substr(start, end == std::string::npos ? end : end - start);
        char* stop = nullptr;
        part[i] = std::strtod(word.c_str(), &stop);
        if (end == std::string::npos || word.empty() || *stop != '\0' || !std::isfinite(part[i])) {
            error = option + ": \"" + text + "\" is not FROM:TO:STEP";
            return false;
        }
        start = end + 1;
    }
    const double count = std::floor((part[1] - part[0]) / part[2] + 1e-9) + 1;
    if (!(part[2] > 0) || !(count >= 1) || count > 1000) {
        error = option + ": \"" + text + "\" is no rising range of at most 1000 values";
        return false;
    }
    for (int i = 0; i < static_cast<int>(count); ++i) {
        char word[32];
        std::snprintf(word, sizeof word, "%.10g", part[0] + i * part[2]);
        values.push_back(word);
    }
    return true;
}

bool validKeep(const std::string& text) {
    const size_t equals = text.find('=');
    const std::string kind = text.substr(0, equals);
    const std::string count = equals == std::string::npos ? "" : text.substr(equals + 1);
    return (kind == "herbivores" || kind == "carnivores" || kind == "plants") && !count.empty() &&
           count.size() <= 6 && count.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool SweepOptions::readRuleAxis(const std::string& text, RuleAxis& axis, std::string& error) {
    const size_t equals = text.find('=');
    axis.name = text.substr(0, equals);
    axis.values.clear();
    const std::string option = "--set " + text;
    const RuleTable::Field* field = RuleTable::find(axis.name);
    if (equals == std::string::npos) {
        error = option + ": give NAME=VALUE[,VALUE...] or NAME=FROM:TO:STEP";
        return false;
    }
    if (!field) {
        error =
            option + ": unknown rule " + axis.name + " (did you mean " + RuleTable::nearest(axis.name) + "?)";
        return false;
    }
    const std::string values = text.substr(equals + 1);
    if (values.find(':') != std::string::npos) {
        if (!readSteps(option, values, axis.values, error))
            return false;
    } else {
        for (size_t start = 0; start <= values.size();) {
            const size_t end = std::min(values.find(',', start), values.size());
            axis.values.push_back(values.substr(start, end - start));
            start = end + 1;
        }
    }
    std::vector<std::pair<double, std::string>> numbers;
    for (const std::string& value : axis.values) {
        double number = 0.0;
        if (!RuleTable::parse(*field, value, number, error)) {
            error = option + ": rule " + axis.name + ": " + error;
            return false;
        }
        numbers.emplace_back(number, value);
    }
    // One value spelled twice (10, 10.0, 1e1) would be two jobs writing one CSV, counted twice.
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i].first == numbers[i - 1].first) {
            const bool same = numbers[i].second == numbers[i - 1].second;
            error = option + ": the value " + numbers[i - 1].second + " is given twice" +
                    (same ? "" : " (as " + numbers[i].second + ")");
            return false;
        }
    return true;
}

double SweepOptions::jobCount() const {
    double count = 1.0;
    for (size_t factor : {seeds.size(), sizes.size(), genesis.size(), lengths.size()})
        count *= static_cast<double>(factor);
    for (const RuleAxis& axis : ruleAxes)
        count *= static_cast<double>(axis.values.size());
    // Several command files are a dimension of the grid too.
    count *= static_cast<double>(std::max<size_t>(1, commandFiles.size()));
    return count;
}

std::string SweepOptions::commandsName(const std::string& file) {
    const size_t slash = file.rfind('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

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
        {"--set",
         [&](const std::string&, const std::string& v) {
             RuleAxis axis;
             if (!readRuleAxis(v, axis, error))
                 return false;
             for (const RuleAxis& given : options.ruleAxes)
                 if (given.name == axis.name) {
                     error = "--set " + v + ": the rule " + axis.name + " is set twice";
                     return false;
                 }
             options.ruleAxes.push_back(axis);
             return true;
         }},
        {"--rules",
         [&](const std::string&, const std::string& v) {
             Rules rules;
             if (!RulesFile::read(v, rules, error))
                 return false;
             char* whole = realpath(v.c_str(), nullptr);
             options.rulesFile = whole ? whole : v;
             std::free(whole);
             return true;
         }},
        {"--commands",
         [&](const std::string& o, const std::string& v) {
             options.commandFiles.clear();
             for (size_t start = 0; start <= v.size();) {
                 const size_t end = std::min(v.find(',', start), v.size());
                 const std::string file = v.substr(start, end - start);
                 std::vector<Command> commands;
                 if (file.empty()) {
                     error = o + ": \"" + v + "\" holds an empty file name";
                     return false;
                 }
                 if (!CommandFile::read(file, commands, error))
                     return false;
                 char* whole = realpath(file.c_str(), nullptr);
                 const std::string absolute = whole ? whole : file;
                 std::free(whole);
                 // Each file names its configurations: two of one name would write one job's files.
                 for (const std::string& given : options.commandFiles)
                     if (commandsName(given) == commandsName(absolute)) {
                         error = o + ": " + given + " and " + absolute + " would both be named \"" +
                                 commandsName(absolute) + "\"";
                         return false;
                     }
                 options.commandFiles.push_back(absolute);
                 start = end + 1;
             }
             return true;
         }},
        {"--keep",
         [&](const std::string& o, const std::string& v) {
             if (!validKeep(v)) {
                 error = o + ": \"" + v + "\" is not KIND=N with KIND herbivores, carnivores or plants";
                 return false;
             }
             const std::string kind = v.substr(0, v.find('='));
             for (const std::string& given : options.keeps)
                 if (given.substr(0, given.find('=')) == kind) {
                     error = o + " " + v + ": the floor of " + kind + " is given twice";
                     return false;
                 }
             options.keeps.push_back(v);
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

    // Options that take no value.
    const std::map<std::string, bool*> flags = {{"--slurm", &options.slurm},
                                                {"--summarize", &options.summarizeOnly},
                                                {"--lineage", &options.lineage},
                                                {"--evolution", &options.evolution}};
    // Options that may be given more than once, each time for another pattern, rule or kind; the
    // last of any other would silently win over the first.
    const std::set<std::string> repeatable = {"--genesis", "--set", "--keep"};
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "-h" || option == "--help")
            return Outcome::Help;
        if (option == "--version")
            return Outcome::Version;
        if (const auto flag = flags.find(option); flag != flags.end()) {
            *flag->second = true;
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
        if (!repeatable.count(option) && !given.insert(option).second) {
            error = option + " is given twice";
            return Outcome::Error;
        }
        if (!readers.at(option)(option, value))
            return Outcome::Error;
    }
    if (options.folder.empty()) {
        error = "--out FOLDER is needed: the sweep's folder";
        return Outcome::Error;
    }
    // The files are checked against every board and length now, not by each job after the sweep began.
    for (const std::string& file : options.commandFiles) {
        std::vector<Command> commands;
        CommandFile::read(file, commands, error);
        for (int size : options.sizes)
            for (int ticks : options.lengths) {
                const auto refuse = [ticks](const Command& command) -> std::string {
                    if (command.windowOnly())
                        return std::string(Command::word(command.name)) +
                               " is for a window: the jobs have none";
                    if (command.name == Command::Name::Save)
                        return "save: every job of the sweep would write the one file";
                    if (command.name == Command::Name::Load)
                        return "load: every job of the sweep would go on from the one saved world";
                    if (command.tick > ticks)
                        return "tick " + std::to_string(command.tick) + " is past the last tick of the " +
                               std::to_string(ticks) + "-tick runs";
                    return "";
                };
                if (!CommandFile::check(commands, file, CommandFile::Board{size}, refuse, error)) {
                    error = "--commands: " + error +
                            (options.sizes.size() > 1 ? " (size " + std::to_string(size) + ")" : "");
                    return Outcome::Error;
                }
            }
    }
    if (options.slurm && !options.sshLoginFile.empty()) {
        error = "--slurm and --sshloginfile do not go together: Slurm places the jobs itself";
        return Outcome::Error;
    }
    if (options.jobCount() > MAX_JOBS) {
        char count[64];
        std::snprintf(count, sizeof count, "%.0f", options.jobCount());
        error = "the grid holds " + std::string(count) + " jobs, more than the " + std::to_string(MAX_JOBS) +
                " one sweep takes: give fewer seeds, sizes, genesis patterns, lengths or rule values, or "
                "split it into several sweeps";
        return Outcome::Error;
    }
    // Every job's rules must run: the worst of the grid is judged before any job starts.
    Rules& base = options.baseRules;
    if (!options.rulesFile.empty() && !RulesFile::read(options.rulesFile, base, error))
        return Outcome::Error;
    std::map<std::string, std::vector<double>> choices;
    for (const RuleAxis& axis : options.ruleAxes)
        for (const std::string& value : axis.values)
            choices[axis.name].push_back(std::strtod(value.c_str(), nullptr));
    error = RuleCombination::checkAcross(base, choices);
    if (!error.empty()) {
        error = (RuleCombination::check(base).empty() ? "in some jobs of the grid, " : "") + error;
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
        .option("--rules FILE",
                {"the rules every job starts from, a TOML file (see sylvara-sim --rules-list)"})
        .option("--set NAME=V1,V2,...",
                {"or --set NAME=FROM:TO:STEP: a rule over the base; several values make it",
                 "one more dimension of the grid, named in each configuration (repeat", "for several rules)"})
        .option("--commands FILE[,FILE...]",
                {"every job carries out the command file, as sylvara-sim --commands does;",
                 "several files are one more dimension of the grid, named by each file"})
        .option("--keep KIND=N", {"rescue in every job, as sylvara-sim takes it; once per kind"})
        .option("--jobs N", {"job slots per machine (default: one per core)"})
        .option("--sshloginfile FILE",
                {"spread the jobs over the machines listed in FILE (GNU parallel's format);",
                 "every machine needs the run tree, and the sweep's folder, at the same path"})
        .option("--ssh COMMAND", {"the ssh command to log in with (e.g. \"ssh -p 2222 -i KEY\")"})
        .option("--lineage", {"each job also writes JOB-phylogeny.csv (pruned as sylvara-sim's",
                              "--phylogeny-extant prunes it), JOB.nwk and JOB-muller.png"})
        .option("--evolution", {"each job also writes JOB-evolution.csv and JOB-selection.csv (20 neutral",
                                "shadows); the summary adds evolution.csv (final measures' quartiles)",
                                "and selection.csv (per trait, the seeds with z >= 3 and z <= -3)"})
        .option("--slurm", {"write FOLDER/sweep.slurm, a Slurm job array, instead of running"})
        .option("--summarize", {"only summarize the jobs already finished in FOLDER"})
        .help()
        .text("\nExit codes: 0 all jobs done, 1 some jobs failed (each named with its command and output),\n"
              "2 bad options or a machine that is not ready.\n")
        .str();
}
