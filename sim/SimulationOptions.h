#pragma once

#include "common/Command.h"
#include "common/GenesisOption.h"
#include "common/Rules.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

// The command line of sylvara-sim: board size, length of the run, where the
// genesis goes, the seed and the outputs.
class SimulationOptions {
public:
    using Genesis = GenesisOption::Where;
    enum class Outcome { Run, Help, Version, RulesList, Error };

    int size = 5;
    int ticks = 1000;
    Genesis genesis = Genesis::All;
    // Column and row of each tile to populate, when genesis is Tiles.
    std::vector<std::pair<int, int>> genesisTiles;
    bool seeded = false;
    unsigned seed = 0;
    // An empty name writes no file (the benchmark runs without outputs).
    std::string csvFile = "population.csv";
    std::string plotFile = "population.png";
    std::string traitsFile = "traits.png";
    int interval = 100;
    // 0: no memory lines.
    int memoryEvery = 0;
    // A saved world to start from instead of a new board; then size and genesis are its own.
    std::string loadFile;
    // Where the world is saved at the end; empty: nowhere.
    std::string saveFile;
    // Every so many ticks a world is saved to the file the pattern names for the tick; 0: never.
    int saveEvery = 0;
    std::string savePattern;
    // Lineage outputs; empty: none. The phylogeny keeps only genotypes with living descendants when
    // phylogenyExtant, and then the whole history is never held.
    std::string phylogenyFile;
    bool phylogenyExtant = false;
    std::string newickFile;
    std::string mullerFile;
    // The share of its kind a genotype must hold once to be a band of its own.
    double mullerShare = 0.05;
    // The measures of evolution (empty: none), their persistence filter and new-activity band, and the
    // report of selection against neutral shadows.
    std::string evolutionFile;
    std::string selectionFile;
    std::string evolutionPlotFile;
    int persistence = 1000;
    long long activityMin = 1000;
    long long activityMax = 10000;
    int shadows = 20;
    // Each tile's living of each kind at every census row; empty: none.
    std::string tilesFile;
    bool measuresEvolution() const { return !evolutionFile.empty() || !selectionFile.empty(); }
    // The rules: a TOML file, then NAME=VALUE settings over it; rules holds the defaults with both applied.
    std::string rulesFile;
    std::vector<std::string> ruleSettings;
    Rules rules;

    // --commands FILE: actions carried out at their ticks; read and checked as the options are.
    std::string commandsFile;
    std::vector<Command> commands;

    // --keep KIND=N: the least of herbivores, carnivores and plants rescue keeps alive; 0: none.
    std::array<int, 3> keep{};
    // The floors given at all, 0 included: on a loaded world they replace the saved ones.
    std::array<bool, 3> keepGiven{};
    bool keeps() const { return keep[0] > 0 || keep[1] > 0 || keep[2] > 0; }
    // "herbivores=5 plants=20" for the floors given; empty for none.
    std::string keepText() const;

    bool changesRules() const { return !rulesFile.empty() || !ruleSettings.empty(); }

    // The words the run was started with, and the folder it was started in, for its record.
    std::vector<std::string> commandLine;
    std::string startFolder;
    // --rerun: the record of the run this one repeats; then fromRecord, and rules and keep hold every
    // rule and floor to run under (on a loaded world too), whatever the files named in them hold now.
    std::string rerunFile;
    bool fromRecord = false;

    // Reads argv[1..argc-1] into options. On Error, error holds a one-line reason.
    static Outcome parse(int argc, const char* const* argv, SimulationOptions& options, std::string& error);
    static std::string usage(const std::string& program);

    // Takes every file name given as seen from the folder, for a tool that works from another.
    void resolveFrom(const std::string& folder);

    // The tiles the genesis applies to, as (column, row), in the order they are populated.
    std::vector<std::pair<int, int>> tilesToPopulate() const;
};
