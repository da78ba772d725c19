#pragma once

#include "common/Rules.h"
#include "sim/CommandSchedule.h"

#include <osg/Group>
#include <osg/ref_ptr>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class World;

// One headless world driven from another program (the Python module) between its ticks: built from
// the words sylvara-sim takes, or loaded from a saved world, it ticks, takes commands and saves as
// sylvara-sim would, so that the same seed gives the same world. The caller owns the thread: nothing
// here locks. Every refusal is the one line sylvara-sim prints for it.
class WorldSession {
public:
    // A new world from sylvara-sim's options for one (--size, --genesis, --seed, --rules, --set, --keep);
    // null, with the reason, when they are wrong or the run tree's art cannot be found.
    static std::unique_ptr<WorldSession> create(const std::vector<std::string>& options, std::string& error);
    // A saved world, going on with its own seed and rules.
    static std::unique_ptr<WorldSession> load(const std::string& file, std::string& error);
    ~WorldSession();
    WorldSession(const WorldSession&) = delete;
    WorldSession& operator=(const WorldSession&) = delete;

    // The run tree's bin/ folder, for a library with no program of its own: beside the file that holds
    // this code, else installed. Empty, with the reason, when none holds the shipped rule sets.
    static std::string findWorkFolder(std::string& error);

    // Makes the one random generator this world's, as it stood at the end of its last tick: worlds
    // taking turns in one process each draw what they would alone.
    void activate() const;
    // The requests waiting, one tick, then the commands due at the tick reached. False when the ticks
    // must stop here: at a quit (stop empty) or a save that failed (stop says why).
    bool tick(std::string& stop);
    long getTick() const;
    World& getWorld() const { return *world; }

    // The census row sylvara-sim writes for this tick, as column names and the row's text.
    std::vector<std::string> censusColumns() const;
    std::string censusRow() const;

    // A line of the command language, "@T" included; a file it names is taken from the folder given.
    // Refused, with the reason, when the line is wrong or cannot be carried out here; Failed when a
    // save it asked for now could not be written.
    enum class Outcome { Done, Refused, Failed };
    Outcome command(const std::string& line, const std::string& folder, std::string& error);
    // What commands carried out since the last call changed nothing about, one line each.
    std::vector<std::string> takeNotes();
    bool save(const std::string& file, std::string& error);

    const Rules& getRules() const;
    // NAME=VALUE settings over the rules in force, all or none, checked as a "set" command is.
    bool setRules(const std::vector<std::pair<std::string, std::string>>& settings, std::string& error);
    // A rules file over the rules in force.
    bool readRules(const std::string& file, std::string& error);

private:
    WorldSession() = default;
    // Builds the empty, headless world of that size.
    void build(int size);
    void takeSeed();
    // The commands due at the tick the world is at; false as tick() says.
    bool carryOutDue(std::string& stop);
    bool isRescuing() const;
    // Refuses rules that cannot run together, as the command named would.
    bool checkRules(const Rules& rules, const char* how, std::string& error) const;

    osg::ref_ptr<osg::Group> root;
    std::unique_ptr<World> world;
    std::unique_ptr<CommandSchedule> schedule;
    bool seeded = false;
    unsigned seed = 0;
    // Rescue was asked for or has inserted: the census carries the insertions, as sylvara-sim's does.
    bool rescuing = false;
    std::vector<std::string> notes;
    size_t notesTaken = 0;
};
