#include "sim/SimulationOptions.h"

#include "common/BoardSize.h"
#include "common/OptionHelp.h"
#include "common/OptionReader.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "sim/SavePattern.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

// sylvara-sim's reading: a number may be negative (a tile), and a stray word is named as such.
const OptionReader READER(OptionReader::Sign::Allowed, OptionReader::Strays::Named);

const char* const KEPT_KINDS[] = {"herbivores", "carnivores", "plants"};

// "herbivores=5": a kind and the least of it kept alive.
bool readKeep(const std::string& text, std::array<int, 3>& keep, std::string& error) {
    const size_t equals = text.find('=');
    const std::string kind = text.substr(0, equals);
    for (int k = 0; k < 3; ++k)
        if (kind == KEPT_KINDS[k])
            return equals != std::string::npos &&
                   READER.readCount("--keep " + kind, text.substr(equals + 1), 0, 100000, keep[k], error);
    error = "--keep: \"" + text + "\" is not KIND=N with KIND herbivores, carnivores or plants";
    return false;
}

} // namespace

std::string SimulationOptions::keepText() const {
    std::string text;
    for (int k = 0; k < 3; ++k)
        if (keep[k] > 0)
            text += (text.empty() ? "" : " ") + std::string(KEPT_KINDS[k]) + "=" + std::to_string(keep[k]);
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
        {"--keep",
         [&](const std::string&, const std::string& v) { return readKeep(v, options.keep, error); }},
        {"--set",
         [&](const std::string&, const std::string& v) {
             options.ruleSettings.push_back(v);
             return true;
         }},
    };

    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "-h" || option == "--help")
            return Outcome::Help;
        if (option == "--phylogeny-extant") {
            options.phylogenyExtant = true;
            continue;
        }
        if (option == "--rules-list")
            return Outcome::RulesList;
        if (option == "--save-every") {
            // Two values: how often, and the pattern of the file names.
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
        if (!readers.at(option)(option, value))
            return Outcome::Error;
        given.push_back(option);
    }
    if (options.phylogenyExtant && options.phylogenyFile.empty()) {
        error = "--phylogeny-extant needs --phylogeny FILE";
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
    return GenesisOption::fitsBoard(options.genesisTiles, options.size, error) ? Outcome::Run
                                                                               : Outcome::Error;
}

void SimulationOptions::resolveFrom(const std::string& folder) {
    for (std::string* file : {&csvFile, &plotFile, &traitsFile, &loadFile, &saveFile, &phylogenyFile,
                              &newickFile, &mullerFile, &evolutionFile, &selectionFile, &evolutionPlotFile})
        *file = RunTree::fromStart(folder, *file);
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
        .option("--set NAME=VALUE", {"set one rule, over the file; may be repeated"})
        .option("--keep KIND=N", {"rescue: at the end of every tick with fewer than N herbivores,",
                                  "carnivores or plants alive, new ones are made as the genesis makes",
                                  "them, up to N; counted in the census and the summary; may be repeated"})
        .option("--rules-list", {"print every rule with its default, range and meaning, and exit"})
        .help()
        .text("\nBad options exit with 2.\n")
        .str();
}
