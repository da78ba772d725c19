#pragma once

#include "common/Rules.h"

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class LineageWatch;
class PopulationHistory;
class World;

// The lab's panels: Run, Rules, Charts, Inspector, Genotypes, Tools and Console, each a Dear ImGui
// window that can be hidden. They read the world and the lab's state, and every control acts by
// a command line handed to the lab, the same a person could type at the console.
class LabPanels {
public:
    enum Panel { RUN, RULES, CHARTS, INSPECTOR, GENOTYPES, TOOLS, CONSOLE, PANELS };
    static const char* const NAMES[PANELS];

    // Carries out one command line and answers in one line.
    using Perform = std::function<std::string(const std::string& line)>;

    // What the lab knows beyond the world, refreshed each frame.
    struct State {
        double ticksPerSecond = 0.0;
        double framesPerSecond = 0.0;
        // Ticks a second set, or 0 for flat out.
        int speed = 16;
        std::string speedText;
        bool recording = false;
        std::string recordingFile;
        bool marksShown = false;
        // The organism the camera follows, or -1.
        int followedId = -1;
        // The rule changes made while the lab runs, at their ticks; the rules given at the start at the
        // first.
        std::vector<std::pair<long, std::string>> ruleChanges;
        // The file of the last save, offered by Load.
        std::string lastSaved;
        // The charts show the whole run, not its last ticks.
        bool wholeRun = false;
    };

    // Where the default layout's left column ends, with its margin, in window pixels: the HUD's
    // selection lines go right of it while the panels show.
    static constexpr float LEFT_COLUMN_END = 238;

    LabPanels(World& world, const PopulationHistory& recent, const PopulationHistory& whole,
              LineageWatch& lineage, Perform perform);
    // Shows another world from now on, one loaded in the place of the first: Reset goes back to its rules.
    void attach(World& shown);

    // Draws every shown panel; between ImGui's NewFrame and Render.
    void build(const State& state);
    void show(Panel panel, bool shown) { open[panel] = shown; }
    bool isShown(Panel panel) const { return open[panel]; }
    // The bottom of the bar that shows and hides the panels, in window pixels, once built.
    float getListBottom() const { return listBottom; }
    // The console's lines, newest last.
    const std::vector<std::string>& getConsole() const { return console; }
    // A line the lab printed, shown in the console too.
    void note(const std::string& line);

private:
    void place(Panel panel, float x, float y, float width, float height);
    void act(const std::string& line);
    void buildList();
    void buildRun(const State& state);
    void buildRules();
    void buildCharts(const State& state);
    void buildInspector(const State& state);
    void buildGenotypes(const State& state);
    void buildTools();
    void buildConsole();

    World* world;
    const PopulationHistory& recent;
    const PopulationHistory& whole;
    LineageWatch& lineage;
    Perform perform;
    std::array<bool, PANELS> open{};
    std::vector<std::string> console;
    std::vector<std::string> typed;
    int browsing = -1;
    std::array<char, 512> line{};
    bool scrollConsole = false;
    float listBottom = 0;
    // The chart's view: 0 the populations, 1.. a kind's trait means.
    int chartView = 0;
    std::array<int, 3> floors{};
    std::array<char, 256> rulesFile{};
    // The saved world Load names, and the save it was last filled from.
    std::array<char, 512> worldFile{};
    std::string offered;
    // The rules the lab opened with, for Reset.
    Rules startRules;
};
