#pragma once

#include <string>

// One action on a world, as a line of a command file, the lab's console or its log reads it:
// "spawn herbivore 120.5,80", "set animal.moveCost=0.02", "apply 2,3". Plain data, free of the
// world, so every tool can read and check a file before it builds one.
struct Command {
    enum class Name {
        Pause,
        Resume,
        Step,
        Speed,
        Set,
        Rules,
        Keep,
        Tool,
        Apply,
        Spawn,
        Predator,
        Prey,
        Select,
        Pin,
        Save,
        Screenshot,
        Chart,
        Sound,
        Quit,
        // "rules save FILE": the rules in force written as a rules file.
        RulesSave,
        // "follow" keeps the camera on the selected organism; "follow off" lets it go.
        Follow,
        // "load FILE": the saved world in the file takes the place of the world, with nothing selected.
        Load
    };
    enum class Tool { Camera, Select, Killer, Genesis, Fertilizer };
    enum class Kind { Herbivore, Carnivore, Plant };
    // The views, off, and the span: the last ticks or the whole run.
    enum class Chart { Populations, Herbivores, Carnivores, Plants, Off, Whole, Recent };
    // A speed that is no number of ticks a second.
    static constexpr int SPEED_NORMAL = 0;
    static constexpr int SPEED_MAX = -1;
    static constexpr int NO_TICK = -1;

    // The tick after which it acts (before the next tick runs); NO_TICK: before the next tick, whatever it
    // is.
    long tick = NO_TICK;
    // The line of its file, for a message; 0 when typed.
    int line = 0;
    Name name = Name::Quit;
    // step N, speed N (or SPEED_NORMAL, SPEED_MAX), keep's floor, select's id (-1: none).
    long number = 0;
    // keep's and spawn's kind (herbivores, carnivores, plants as 0, 1, 2), tool, chart view.
    int choice = 0;
    // spawn, predator or prey at a world point when placed; else where the keys would put it.
    bool placed = false;
    double x = 0.0;
    double y = 0.0;
    // apply's tile.
    int column = 0;
    int row = 0;
    // set's rule and value, as the rule table names and reads them.
    std::string rule;
    double value = 0.0;
    // save's, screenshot's, rules' or load's file; empty for a save where the tool chooses.
    std::string file;
    // The rules file's text, read when the command was: a file changed or gone later changes nothing.
    std::string contents;
    // load's: the SHA-256 (64 lowercase hex digits) its file had when a log wrote the line, which the
    // file must still have; empty when the line gives none.
    std::string digest;
    // sound on or off; follow on or off.
    bool on = false;

    // Reads one command without its "@T" (words separated by blanks); false with a one-line reason.
    static bool parse(const std::string& text, Command& command, std::string& error);
    // The command as a line that reads back to it exactly, "@T " first when it has a tick.
    std::string text() const;
    // The command alone, without its tick.
    std::string action() const;
    // The name a user types: "spawn", "set".
    static const char* word(Name name);
    // True for the commands a changed tick count, file or window cannot express headless.
    bool windowOnly() const;
    // True for the commands a tick carries out, as a key pressed before it (spawns, a tool applied).
    bool request() const;
};
