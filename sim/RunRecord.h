#pragma once

#include "common/Rules.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

class SimulationOptions;

// What made one run of sylvara-sim, kept as TOML beside its census: the program and its commit, the
// command line, the board, the seed, the loaded world, every rule in force, rescue, the outputs it
// wrote and its wall time. Enough to run it again (--rerun) to the same census, byte for byte.
class RunRecord {
public:
    std::string version;
    std::string commit;
    std::vector<std::string> command;
    // The folder the run was started in.
    std::string folder;
    int size = 0;
    // As --genesis takes it: "all", "none" or "C,R;C,R".
    std::string genesis;
    unsigned seed = 0;
    bool seedGiven = false;
    // A fixed seed, given or brought by the loaded world: then the run can be repeated.
    bool repeatable = false;
    int ticks = 0;
    int interval = 0;
    long firstTick = 0;
    long lastTick = 0;
    double wallSeconds = 0.0;
    bool phylogenyExtant = false;
    // In percent, as --muller-share takes it.
    double mullerShare = 5.0;
    // The record this run was a rerun of; empty for a run of its own.
    std::string rerunOf;

    // The world loaded, absolute, with its tick and the FNV-1a hash of its bytes; empty when none.
    std::string loadFile;
    long loadTick = 0;
    std::string loadHash;

    // The rules as given (the file and the settings), for the reader; rules holds every one in force.
    std::string rulesFile;
    std::vector<std::string> ruleSettings;
    Rules rules;
    // A loaded world's rules changed on load: "mutation.chance 20 -> 0"; empty when none changed.
    std::string rulesChange;

    // The rescue floors from the first tick, and the insertions counted at the end (as the census counts
    // them, a loaded world's earlier ones included).
    std::array<int, 3> floors{};
    std::array<long, 3> inserted{};

    // The command file given, absolute, and its commands as lines that read back to them; the count carried
    // out. Empty without --commands.
    std::string commandsFile;
    std::vector<std::string> commandLines;
    long commandsCarriedOut = 0;

    // What was written, by the option that named it: {"--csv", "/abs/population.csv"}.
    std::vector<std::pair<std::string, std::string>> outputs;

    // The commit the program was built from, "-modified" when its tracked files differed; "unknown"
    // when built outside a git checkout.
    static std::string sourceCommit();
    // The genesis as --genesis takes it.
    static std::string genesisOf(const SimulationOptions& options);
    // The census file's name with .toml in place of .csv (or after it, for another ending).
    static std::string pathFor(const std::string& csvFile);

    std::string text() const;
    // Atomic: a temporary file in the same folder, renamed over the record once whole.
    bool write(const std::string& path, std::string& error) const;
    // False, with a one-line reason naming the file, when it is no run record sylvara-sim can rerun.
    static bool read(const std::string& path, RunRecord& record, std::string& error);

    // The options that run this run again: the board, seed, length, rules, rescue and loaded world of the
    // record; the outputs stay those given. False, with a one-line reason, when the run cannot be repeated
    // (a clock seed, a loaded world gone or changed).
    bool rerun(SimulationOptions& options, std::string& error) const;

private:
    // The recorded commands, saves aside, into the options.
    bool rerunCommands(SimulationOptions& options, std::string& error) const;
};
