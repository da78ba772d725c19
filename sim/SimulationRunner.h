#pragma once

#include "common/Gnuplot.h"
#include "sim/CommandSchedule.h"
#include "sim/EvolutionRecorder.h"
#include "sim/MullerPlot.h"
#include "sim/PopulationCensus.h"
#include "sim/SimulationOptions.h"
#include "sim/TileCensus.h"

#include <osg/Group>
#include <osg/ref_ptr>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class SavedWorld;
class World;

// Runs a World without a window, as fast as it ticks: applies the genesis,
// then ticks, writing a census row every interval and, when asked, the
// resident memory. Needs the run tree's bin folder as working directory.
class SimulationRunner {
public:
    // Memory lines and messages go to out.
    SimulationRunner(const SimulationOptions& options, std::ostream& out);
    ~SimulationRunner();
    SimulationRunner(const SimulationRunner&) = delete;
    SimulationRunner& operator=(const SimulationRunner&) = delete;

    // Opens the outputs, builds the world and populates it. False, with a one-line reason, when it cannot.
    bool start(std::string& error);
    // One tick and its bookkeeping.
    void step();
    // The remaining ticks of the run.
    void runAll();
    // Saves the world if asked, closes the CSV and draws the plot. False when a save failed or the plot
    // was asked for and could not be drawn (a missing gnuplot only says so and counts as done).
    bool finish();
    void printSummary(std::ostream& out) const;

    // Resident set size in KB, from /proc/self/statm; -1 when unreadable.
    static long residentKb();

    World* getWorld() const { return world.get(); }
    int getTick() const { return tick; }
    int getRows() const { return rows; }
    double getTickSeconds() const { return tickSeconds; }
    double getSetupSeconds() const { return setupSeconds; }
    int getPeakOrganisms() const { return peakOrganisms; }
    int getPeakTick() const { return peakTick; }
    // The census of the last row written (the last tick's, once the run is over).
    const PopulationCensus& getCensus() const { return census; }
    // The tick from which the kind has been gone for good (the first tick if it never lived); -1 while it
    // lives.
    int getExtinctionTick(OrganismKind::Value group) const;

    // The tick the run began at: 0, or the tick of the loaded world.
    int getStartTick() const { return startTick; }
    // Says each command carried out as "tick T: COMMAND" on out (a terminal's, by default).
    void setEchoCommands(bool on) { echoCommands = on; }
    // The commands given, null without --commands.
    const CommandSchedule* getSchedule() const { return schedule.get(); }

    // An output finished whole: what the summary calls it ("plot", "phylogeny", ...; empty for those it
    // names in lines of their own), the option that asked for it, as the run record names it, and its file.
    struct Written {
        std::string label;
        std::string option;
        std::string file;
    };
    // The one account of the files written, in the order they were finished; a file that failed, or
    // was cut short, is never on it.
    const std::vector<Written>& getWritten() const { return written; }
    // The plots' title: the board, the seed and the rules.
    std::string title() const;
    // The rules as a title names them: the file or "default rules", each --set, and a loaded world's own.
    std::string rulesTitle() const;

private:
    // Refuses save paths that cannot be written, and builds the world from the loaded file or anew.
    bool prepareWorld(std::string& error);
    // A command file that loads a saved world (a lab session's log) runs from its last load: that file
    // is loaded as it was saved, under its own seed and rules, and the commands before it are done.
    // Refused when the file is no longer the one the log loaded (its SHA-256 differs from the line's).
    bool startAtLastLoad(std::string& error);
    // A freshly built world filled as the options say: the genesis, with its progress line on out,
    // or the saved world going on.
    void startWorld(World& world, const SavedWorld& saved);
    // A save, listed as written under the option that asked for it (by default --save or --save-every).
    void saveTo(const std::string& file, const char* option = nullptr);
    // Refuses, in one line naming the file and line, a command this board or run cannot carry out.
    bool prepareCommands(int size, long savedTick, const Rules& startRules, std::string& error);
    // The commands due now; true when one ended the run, whose last census row is then written.
    bool carryOutCommands();
    // Closes the CSV and draws the plot; false when the plot could not be drawn.
    bool closeOutputs();
    void record();
    int livingCount(OrganismKind::Value group) const;
    void writeRow();
    // One line into the CSV, flushed; after a failure nothing more is written, and it is said once.
    bool writeCsv(const std::string& line);
    void reportCsvFailure();
    bool dueRow() const;
    long lastTick() const { return static_cast<long>(startTick) + options.ticks; }
    // The plot is named as the user knows it: "the plot FILE" or "the traits plot FILE".
    bool reportPlot(Gnuplot::Result result, const std::string& plot, const std::string& error);
    // The phylogeny, the tree and the Muller plot asked for; false when one could not be written.
    bool writeLineage();
    // The run record beside the census, listing what was written; false when it could not be written.
    bool writeRecord();
    void wrote(const std::string& label, const std::string& option, const std::string& file);

    SimulationOptions options;
    std::ostream& out;
    std::unique_ptr<World> world;
    std::FILE* csv = nullptr;
    // The bytes of whole lines in the CSV; the errno of its first failed write, 0 while none failed.
    long csvBytes = 0;
    int csvError = 0;
    bool csvCutShort = false;
    int lastRowTick = 0;
    PopulationCensus census;
    int tick = 0;
    int startTick = 0;
    bool savesFailed = false;
    int rows = 0;
    int peakOrganisms = 0;
    int peakTick = 0;
    int lastAlive[OrganismKind::COUNT] = {-1, -1, -1};
    double tickSeconds = 0.0;
    double setupSeconds = 0.0;
    bool missingGnuplot = false;
    std::unique_ptr<MullerPlot> muller;
    std::vector<Written> written;
    // Follows the run's evolution when --evolution or --selection asks for it.
    std::unique_ptr<EvolutionRecorder> evolution;
    std::unique_ptr<TileCensus> tileCensus;
    // What the loaded world kept of the measures; empty for a new world.
    std::string loadedMeasures;
    // Rescue keeps a floor, or has inserted before: the census carries the insertions.
    bool rescuing = false;
    // The line announcing the rules changed on a loaded world; empty when none were.
    std::string loadedRulesLine;
    // What the run record keeps besides the files written: the loaded world's content hash and tick; the
    // rules changed on load; the floors from the first tick.
    std::string recordFile;
    bool recordWritten = false;
    std::string loadHash;
    // Loaded by the command file, and the tool its commands before the load left chosen.
    bool loadedByCommand = false;
    Command::Tool toolBeforeLoad = Command::Tool::Camera;
    std::string rulesChange;
    std::array<int, 3> startFloors{};
    Rules startRules;
    std::chrono::steady_clock::time_point created = std::chrono::steady_clock::now();
    std::unique_ptr<CommandSchedule> schedule;
    bool echoCommands = false;
    bool quit = false;
    size_t notesShown = 0;
};
