#pragma once

#include "common/Command.h"
#include "common/Rules.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class World;

// A command file carried out on a headless world, each command at its tick. "@T" acts on the world
// as it stands after T ticks: rules, floors, the tool and the selection change at once, a save is
// taken then, and the requests (spawns, a tool applied) are carried out in order just ahead of tick
// T+1, as that tick carries out a key pressed before it.
class CommandSchedule {
public:
    // Writes the world to a file; false when it could not (the writer says why).
    using Save = std::function<void(const std::string& file)>;
    // Carries out a window's command (pacing, chart, sound, screenshot, pin); headless tools have none.
    using Window = std::function<void(const Command& command)>;
    // Told of every command as it is carried out, with the tick it acts after.
    using Watcher = std::function<void(long tick, const Command& command)>;
    // Puts the saved world in the load's file in the world's place (only a window's tool can).
    using Load = std::function<void(const Command& load)>;

    // The commands of the named file; those without a tick act at the start tick, and a save without a file
    // name goes to world-T.sylvara in the folder given (the working one when empty).
    CommandSchedule(std::vector<Command> commands, std::string name, long startTick,
                    const std::string& saveFolder = "");

    // A world loaded at tick from took the commands before it as done, and also those of its own tick
    // that a save holds: the requests of that tick are still to come, since a save at T is taken before
    // tick T+1 carries them out. Returns how many are skipped.
    size_t resumeAt(long from);
    // Carries out every command due at the tick but the requests, which wait for the next tick; true
    // when one of them was quit. Echoes "tick T: COMMAND" for each on echo when given. Stops after a
    // load, whose world the world given no longer is: the caller goes on with the loaded one.
    bool carryOut(long tick, World& world, const Save& save, std::ostream* echo);
    // The requests waiting, in their order: called just ahead of the tick that carries them out.
    void carryOutRequests(World& world);
    // One command that comes from no file (a key, a click, a typed line), carried out as a file's
    // command of the tick the world stands at would be; true when it was quit.
    bool carryOutNow(const Command& command, World& world, const Save& save);
    // Adds commands to those still to come, each after the last one due at or before its tick.
    void add(const Command& command);
    // A set or rules command's change to the rules given (any other command leaves them); the reason,
    // empty when none, why the rules it leaves cannot run.
    static std::string changeRules(const Command& command, Rules& rules);
    void setWindow(Window window) { windowCommands = std::move(window); }
    void setWatcher(Watcher watcher) { watch = std::move(watcher); }
    void setLoad(Load load) { loadWorld = std::move(load); }
    // Whether the last carryOut stopped at a load, with commands of the tick perhaps still due.
    bool stoppedAtLoad() const { return stopped; }
    Command::Tool getTool() const { return tool; }
    // The tool a run that starts part way through a file goes on with.
    void setTool(Command::Tool chosen) { tool = chosen; }
    bool hasRequests() const { return !requests.empty(); }

    const std::vector<Command>& getCommands() const { return commands; }
    const std::string& getName() const { return name; }
    size_t getCarriedOut() const { return carriedOut; }
    // The messages of commands that changed nothing (an organism gone before it was selected).
    const std::vector<std::string>& getNotes() const { return notes; }

private:
    bool carryOutOne(long tick, const Command& command, World& world, const Save& save);
    void apply(const Command& command, World& world, const Save& save);
    void request(const Command& command, World& world);

    std::vector<Command> commands;
    std::string name;
    size_t next = 0;
    size_t carriedOut = 0;
    // Tool applied by "apply"; the camera, as in a new window, until one is chosen.
    Command::Tool tool = Command::Tool::Camera;
    std::vector<std::string> notes;
    std::vector<Command> requests;
    Window windowCommands;
    Watcher watch;
    Load loadWorld;
    bool stopped = false;
};
