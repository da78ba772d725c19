#include "sim/SimulationOptions.h"

#include "common/BoardSize.h"
#include "common/CommandFile.h"
#include "common/OptionHelp.h"
#include "common/OptionReader.h"
#include "common/OrganismKind.h"
#include "common/OutputFiles.h"
#include "common/RuleCombination.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "sim/RunRecord.h"
#include "sim/SavePattern.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

// sylvara-sim's reading: a number may be negative (a tile), and a stray word is named as such.
const OptionReader READER(OptionReader::Sign::Allowed, OptionReader::Strays::Named);

// "herbivores=5": a kind and the least of it kept alive. Each kind once: a second floor for it
// would silently replace the first.
bool readKeep(const std::string& text, std::array<int, 3>& keep, std::array<bool, 3>& kept,
              std::string& error) {
    const size_t equals = text.find('=');
    const std::string kind = text.substr(0, equals);
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        if (kind != OrganismKind::plural(static_cast<OrganismKind::Value>(k)))
            continue;
        if (equals == std::string::npos) {
            error = "--keep " + text + ": give the least number to keep, as in " + kind + "=50";
            return false;
        }
        if (kept[k]) {
            error = "--keep " + text + ": the floor of " + kind + " is given twice";
            return false;
        }
        kept[k] = true;
        return READER.readCount("--keep " + kind, text.substr(equals + 1), 0, 100000, keep[k], error);
    }
    error = "--keep: \"" + text + "\" is not KIND=N with KIND herbivores, carnivores or plants";
    return false;
}

// What a rerun takes from its record, never from the command line.
const char* const RECORDED[] = {
    "--size",  "--genesis", "--seed", "--ticks",        "--interval",         "--load",
    "--rules", "--set",     "--keep", "--muller-share", "--phylogeny-extant", "--commands"};

// The options of a rerun: the record's run, with only the outputs given, none of them a file the recorded
// run wrote (or its record), so that the two can be compared.
bool readRerun(SimulationOptions& options, const std::vector<std::string>& given, std::string& error) {
    for (const char* option : RECORDED)
        if (std::find(given.begin(), given.end(), option) != given.end()) {
            error = std::string(option) + " cannot go with --rerun: the record gives the run";
            return false;
        }
    const auto named = [&](const char* option) {
        return std::find(given.begin(), given.end(), option) != given.end();
    };
    if (!named("--csv")) {
        error = "--rerun needs --csv FILE for the new run's census (its record goes beside it), so that the "
                "recorded run's files stay as they are";
        return false;
    }
    if (!named("--plot"))
        options.plotFile.clear();
    if (!named("--traits"))
        options.traitsFile.clear();
    RunRecord record;
    if (!RunRecord::read(options.rerunFile, record, error))
        return false;
    std::vector<std::string> theirs = {OutputFiles::resolved(options.rerunFile)};
    for (const auto& output : record.outputs)
        theirs.push_back(OutputFiles::resolved(output.second));
    const std::pair<const char*, std::string> ours[] = {
        {"--csv", options.csvFile},       {"--csv (its run record)", RunRecord::pathFor(options.csvFile)},
        {"--plot", options.plotFile},     {"--traits", options.traitsFile},
        {"--save", options.saveFile},     {"--phylogeny", options.phylogenyFile},
        {"--newick", options.newickFile}, {"--muller", options.mullerFile},
        {"--tiles", options.tilesFile}};
    for (const auto& [option, file] : ours)
        if (!file.empty() &&
            std::find(theirs.begin(), theirs.end(), OutputFiles::resolved(file)) != theirs.end()) {
            error = std::string(option) + ": " + OutputFiles::printable(file) +
                    " is the recorded run's: give the new run's files other names";
            return false;
        }
    if (!record.rerun(options, error)) {
        error = "--rerun " + OutputFiles::printable(options.rerunFile) + ": " + error;
        return false;
    }
    return true;
}

// The rule a NAME=VALUE setting names; empty when it names none.
std::string ruleOf(const std::string& setting) {
    const size_t equals = setting.find('=');
    return equals == std::string::npos ? "" : setting.substr(0, equals);
}

} // namespace

std::string SimulationOptions::keepText() const {
    std::string text;
    for (int k = 0; k < OrganismKind::COUNT; ++k)
        if (keep[k] > 0)
            text += (text.empty() ? "" : " ") + OrganismKind::plural(static_cast<OrganismKind::Value>(k)) +
                    "=" + std::to_string(keep[k]);
    return text;
}

SimulationOptions::Outcome SimulationOptions::parse(int argc, const char* const* argv,
                                                    SimulationOptions& options, std::string& error) {
    using Reader = std::function<bool(const std::string& option, const std::string& value)>;
    // A file name: anything but empty.
    const auto fileName = [&error](std::string& target) -> Reader {
        return [&error, &target](const std::string& o, const std::string& v) {
            if (v.empty())
                error = o + ": the file name is empty";
            target = v;
            return !v.empty();
        };
    };
    const std::map<std::string, Reader> readers = {
        {"--size",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, BoardSize::MAX_TILES_PER_SIDE, options.size, error);
         }},
        {"--ticks",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 0, INT_MAX, options.ticks, error);
         }},
        {"--interval",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, INT_MAX, options.interval, error);
         }},
        {"--memory-every",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, INT_MAX, options.memoryEvery, error);
         }},
        {"--seed",
         [&](const std::string& o, const std::string& v) {
             long long seed = 0;
             if (!READER.readNumber(o, v, 0, UINT_MAX, seed, error))
                 return false;
             options.seeded = true;
             options.seed = static_cast<unsigned>(seed);
             return true;
         }},
        {"--genesis",
         [&](const std::string&, const std::string& v) {
             return GenesisOption::read(v, options.genesis, options.genesisTiles, error);
         }},
        {"--csv", fileName(options.csvFile)},
        {"--load", fileName(options.loadFile)},
        {"--save", fileName(options.saveFile)},
        {"--plot", fileName(options.plotFile)},
        {"--traits", fileName(options.traitsFile)},
        {"--phylogeny", fileName(options.phylogenyFile)},
        {"--newick", fileName(options.newickFile)},
        {"--muller", fileName(options.mullerFile)},
        {"--muller-share",
         [&](const std::string& o, const std::string& v) {
             char* end = nullptr;
             const double percent = std::strtod(v.c_str(), &end);
             if (v.empty() || *end != '\0' || !(percent > 0.0 && percent <= 100.0)) {
                 error = o + ": \"" + v + "\" is not a percentage above 0 and at most 100";
                 return false;
             }
             options.mullerShare = percent / 100.0;
             return true;
         }},
        {"--evolution", fileName(options.evolutionFile)},
        {"--tiles", fileName(options.tilesFile)},
        {"--selection", fileName(options.selectionFile)},
        {"--evolution-plot", fileName(options.evolutionPlotFile)},
        {"--persistence",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 1, INT_MAX, options.persistence, error);
         }},
        {"--activity-min",
         [&](const std::string& o, const std::string& v) {
             return READER.readNumber(o, v, 0, LLONG_MAX / 2, options.activityMin, error);
         }},
        {"--activity-max",
         [&](const std::string& o, const std::string& v) {
             return READER.readNumber(o, v, 0, LLONG_MAX / 2, options.activityMax, error);
         }},
        {"--shadows",
         [&](const std::string& o, const std::string& v) {
             return READER.readCount(o, v, 0, 1000, options.shadows, error);
         }},
        {"--rules", fileName(options.rulesFile)},
        {"--rerun", fileName(options.rerunFile)},
        {"--commands",
         [&](const std::string& o, const std::string& v) {
             return fileName(options.commandsFile)(o, v) &&
                    CommandFile::read(options.commandsFile, options.commands, error);
         }},
        {"--keep", [&](const std::string&,
                       const std::string& v) { return readKeep(v, options.keep, options.keepGiven, error); }},
        {"--set",
         [&](const std::string&, const std::string& v) {
             const std::string rule = ruleOf(v);
             for (const std::string& earlier : options.ruleSettings)
                 if (!rule.empty() && ruleOf(earlier) == rule) {
                     error = "--set " + v + ": the rule " + rule + " is set twice";
                     return false;
                 }
             options.ruleSettings.push_back(v);
             return true;
         }},
    };
    // Options that may be given more than once, each time for another rule or kind.
    const std::array<std::string, 2> repeatable = {"--set", "--keep"};

    options.commandLine.assign(argv, argv + argc);
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "-h" || option == "--help")
            return Outcome::Help;
        if (option == "--version")
            return Outcome::Version;
        if (option == "--phylogeny-extant") {
            options.phylogenyExtant = true;
            given.push_back(option);
            continue;
        }
        if (option == "--rules-list")
            return Outcome::RulesList;
        if (option == "--save-every") {
            // Two values: how often, and the pattern of the file names.
            if (std::find(given.begin(), given.end(), option) != given.end()) {
                error = option + " is given twice";
                return Outcome::Error;
            }
            given.push_back(option);
            SavePattern pattern;
            if (i + 2 >= argc) {
                error = option + " needs a number of ticks and a file pattern";
                return Outcome::Error;
            }
            if (!READER.readCount(option, argv[i + 1], 1, INT_MAX, options.saveEvery, error))
                return Outcome::Error;
            if (!SavePattern::parse(argv[i + 2], pattern, error)) {
                error = option + ": " + error;
                return Outcome::Error;
            }
            options.savePattern = argv[i + 2];
            i += 2;
            continue;
        }
        std::string value;
        if (!READER.readOption(
                argc, argv, i, [&](const std::string& name) { return readers.count(name) != 0; }, option,
                value, error))
            return Outcome::Error;
        // The last of two would silently win over the first.
        if (std::find(repeatable.begin(), repeatable.end(), option) == repeatable.end() &&
            std::find(given.begin(), given.end(), option) != given.end()) {
            error = option + " is given twice";
            return Outcome::Error;
        }
        if (!readers.at(option)(option, value))
            return Outcome::Error;
        given.push_back(option);
    }
    if (!options.rerunFile.empty())
        return readRerun(options, given, error) ? Outcome::Run : Outcome::Error;
    if (options.phylogenyExtant && options.phylogenyFile.empty()) {
        error = "--phylogeny-extant needs --phylogeny FILE";
        return Outcome::Error;
    }
    // A share with no plot to draw it in would be a choice that silently does nothing.
    if (options.mullerFile.empty() &&
        std::find(given.begin(), given.end(), "--muller-share") != given.end()) {
        error = "--muller-share needs --muller FILE";
        return Outcome::Error;
    }
    for (const char* measure : {"--persistence", "--activity-min", "--activity-max", "--shadows"}) {
        if (!options.measuresEvolution() && std::find(given.begin(), given.end(), measure) != given.end()) {
            error = std::string(measure) + " needs --evolution FILE or --selection FILE";
            return Outcome::Error;
        }
    }
    if (!options.evolutionPlotFile.empty() && options.evolutionFile.empty()) {
        error = "--evolution-plot needs --evolution FILE: it is drawn from that CSV";
        return Outcome::Error;
    }
    if (options.activityMin > options.activityMax) {
        error = "--activity-min " + std::to_string(options.activityMin) + " is above --activity-max " +
                std::to_string(options.activityMax);
        return Outcome::Error;
    }
    if (!options.selectionFile.empty() && options.shadows < 2) {
        error = "--selection needs --shadows 2 or more: the neutral spread takes at least two shadows";
        return Outcome::Error;
    }
    for (const char* own : {"--size", "--genesis"}) {
        if (!options.loadFile.empty() && std::find(given.begin(), given.end(), own) != given.end()) {
            error = std::string(own) + " cannot go with --load: the saved world brings its own board";
            return Outcome::Error;
        }
    }

    if (!RulesFile::apply(options.rulesFile, options.ruleSettings, options.rules, error))
        return Outcome::Error;
    // A loaded world's rules are its own, changed by these: they are judged together once it is read.
    if (options.loadFile.empty()) {
        error = RuleCombination::check(options.rules);
        if (!error.empty())
            return Outcome::Error;
    }
    return GenesisOption::fitsBoard(options.genesisTiles, options.size, error) ? Outcome::Run
                                                                               : Outcome::Error;
}

void SimulationOptions::resolveFrom(const std::string& folder) {
    startFolder = folder;
    for (std::string* file : {&csvFile, &plotFile, &traitsFile, &loadFile, &saveFile, &phylogenyFile,
                              &newickFile, &mullerFile, &rerunFile, &rulesFile, &commandsFile, &evolutionFile,
                              &selectionFile, &evolutionPlotFile, &tilesFile})
        *file = RunTree::fromStart(folder, *file);
    for (Command& command : commands)
        if (command.name == Command::Name::Save && !command.file.empty())
            command.file = RunTree::fromStart(folder, command.file);
    savePattern = RunTree::patternFromStart(folder, savePattern);
}

std::vector<std::pair<int, int>> SimulationOptions::tilesToPopulate() const {
    if (!loadFile.empty())
        return {};
    if (genesis == Genesis::Tiles)
        return genesisTiles;
    std::vector<std::pair<int, int>> tiles;
    if (genesis == Genesis::All)
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column)
                tiles.emplace_back(column, row);
    return tiles;
}

std::string SimulationOptions::usage(const std::string& program) {
    return OptionHelp(21, program, "[options]",
                      "Runs Sylvara's world without a window as fast as it can and records its populations.\n"
                      "File names are taken from the folder it is started in.")
        .size("default 5")
        .option("--ticks N", {"ticks to run (default 1000)"})
        .genesis("default all")
        .seed({"(without it the clock reseeds every tick, as in the program)"})
        .option("--csv FILE", {"census table, one row per interval (default population.csv)"})
        .option("--plot FILE", {"PNG plot of the populations, drawn by gnuplot (default population.png)"})
        .option("--traits FILE", {"PNG plot of each kind's genome traits over time (default traits.png)"})
        .option("--interval N", {"ticks per CSV row (default 100)"})
        .option("--memory-every N", {"print \"tick T rss KB organisms C\" every N ticks: the resident",
                                     "set size in KB and the C organisms alive"})
        .option("--load FILE", {"start from a saved world (then --size and --genesis are refused);",
                                "its seed goes on unless --seed is given, the census starts at its tick"})
        .option("--save FILE", {"save the world at the end of the run"})
        .option("--save-every N PATTERN",
                {"save the world every N ticks to the file PATTERN names for the tick,",
                 "with one conversion such as %06d: run-%06d.sylvara"})
        .option("--phylogeny FILE", {"every genotype of the run, one CSV row each: its parent, birth and",
                                     "extinction ticks, kind, traits, depth and member counts"})
        .option("--phylogeny-extant", {"keep only genotypes with living descendants, pruned as the run",
                                       "goes, so memory stays bounded (needs --phylogeny)"})
        .option("--newick FILE",
                {"the tree of the living genotypes and their ancestors, branch", "lengths in ticks"})
        .option("--muller FILE", {"PNG Muller plot, one panel per kind, drawn by gnuplot"})
        .option("--muller-share P", {"the share of its kind, in percent, a genotype must once hold to",
                                     "be a band of the Muller plot (default 5)"})
        .option("--tiles FILE", {"each tile's herbivores, carnivores and plants at every census row,",
                                 "one CSV row per tile"})
        .option("--evolution FILE",
                {"the measures of evolution, a CSV row per census row and group (all,",
                 "herbivores, carnivores, plants): genotypes, diversity, change, novelty,",
                 "activity, adaptive genotypes and tree statistics"})
        .option("--evolution-plot FILE",
                {"PNG plot of the measures over time, a panel per group (needs", "--evolution)"})
        .option("--persistence TICKS",
                {"the persistence filter's span for change and novelty (default 1000)"})
        .option("--activity-min A", {"the least activity counted as new activity (default 1000)"})
        .option("--activity-max A", {"the most activity counted as new activity (default 10000)"})
        .option("--selection FILE", {"each kind's trait changes against neutral shadows: the neutral change,",
                                     "its spread and z, one CSV row per kind and trait"})
        .option("--shadows K", {"neutral shadows run beside the world for --evolution and --selection",
                                "(default 20; 0: no adaptive_genotypes)"})
        .option("--rules FILE", {"read the rules from a TOML file (see --rules-list); on --load, they",
                                 "change the saved world's rules from its tick on"})
        .option("--set NAME=VALUE", {"set one rule, over the file; repeat it for other rules"})
        .option("--keep KIND=N", {"rescue: at the end of every tick with fewer than N herbivores,",
                                  "carnivores or plants alive, new ones are made as the genesis makes",
                                  "them, up to N; counted in the census and the summary; once per kind"})
        .option("--rerun RECORD", {"run again the run a record describes (FILE.toml, written beside",
                                   "every census): the same census; needs --csv for the new files"})
        .option("--commands FILE", {"carry out the commands of the file at their ticks: \"@5000 set",
                                    "animal.moveCost=0.02\", \"@8000 apply 2,3\", \"@9000 quit\" (see",
                                    "docs/commands.md); a bad line exits with 2 before any tick"})
        .option("--rules-list", {"print every rule with its default, range and meaning, and exit"})
        .help()
        .text("\nBad options exit with 2.\n")
        .str();
}
