#pragma once

#include "app/Application.h"
#include "lab/LabCommandReader.h"
#include "lab/LabConsole.h"
#include "lab/LabInput.h"
#include "lab/LabKeyHandler.h"
#include "lab/LabLog.h"
#include "lab/LabOptions.h"
#include "lab/LabOverlay.h"
#include "lab/LabPanels.h"
#include "lab/LabSaver.h"
#include "lab/LabScreenshot.h"
#include "lab/LabSpeed.h"
#include "lab/LineageWatch.h"
#include "lab/PanelInput.h"
#include "lab/PopulationChart.h"
#include "lab/PopulationHistory.h"
#include "lab/VideoRecorder.h"

#include <osg/Timer>
#include <osg/ref_ptr>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace osgViewer {
class GraphicsWindow;
}

class CommandSchedule;

// sylvara-lab: the sandbox's window, world and keys, on a world of the user's choice, with a
// lab bench added: speed keys, a single step, a live population chart, saving on a key, and
// the generation and energy of the selected organism.
class Lab {
public:
    // Ticks the chart looks back over.
    static constexpr size_t CHART_TICKS = 4000;
    // Points the chart of the whole run holds at most, however long the run.
    static constexpr size_t WHOLE_POINTS = 4000;
    // Ticks between two looks of the progress line while running ahead.
    static constexpr long PROGRESS_TICKS = 64;

    Lab();
    ~Lab();

    // Returns the exit code: 0 after a normal end or --help, 2 when the world cannot be opened.
    int run(int argc, char** argv);
    // " at tick N" once there is a world, else empty: for the line that ends a lab out of memory.
    std::string atTick() const;

private:
    bool prepareWorld(std::string& error);
    // Reads and checks the command file (not standard input's) against the board and the rules the
    // world starts with; makes the schedule every command goes through.
    bool prepareCommands(int side, long start, const Rules& startRules, std::string& error);
    bool openLog(std::string& error);
    // Why a command cannot be carried out on this world now; empty when it can.
    std::string refusal(const Command& command, Rules& rules) const;
    // Carries out a command made in the window (a key, a click, a typed line) and logs it.
    void carryOutNow(const Command& command);
    // The commands of the file, standard input and the console due at the current tick.
    void carryOutDue();
    void takeInput();
    // A typed line, from the console or standard input: carried out now, kept for its tick, or refused
    // in one line; returns that line.
    std::string typed(const std::string& text, const std::string& where, bool& refused);
    void act(const LabInput::Event& event);
    // The window's own commands: pacing, chart, sound, screenshot, pin.
    void windowCommand(const Command& command);
    // Writes the rules in force as a rules file; the answer says where, or why not.
    std::string saveRules(const std::string& file);
    // Starts or stops the camera's following the selected organism; the answer says which.
    std::string follow(bool on);
    // Moves the camera's centre to the followed organism, or lets it go when it has died.
    void keepFollowing();
    void saveTo(const std::string& file);
    // Puts the saved world in the load's file in the world's place, and logs the load with the file's
    // SHA-256; the answer says what came, or why nothing did (a file unreadable, or not the one a
    // replayed line loaded). Asked for while the panels are drawn, it waits for the next pass.
    void load(const Command& asked);
    std::string loadNow(const Command& asked);
    // Starts the charts and the lineage over on the world as it stands.
    void restartWatches();
    // The rules given at the start, as the chart's first mark; empty when none were.
    std::string startRulesMark() const;
    // The chart's points of the tick: the last ticks' and the whole run's.
    void chartTick();
    const PopulationHistory& shownHistory() const { return wholeShown ? whole : history; }
    void endSession();
    // The lab section's lines on the rules (the file's name, or "default rules") and on rescue.
    std::string rulesInForce() const;
    void runAhead();
    void addBench();
    void loop();
    void pass();
    void carryOut(const std::vector<LabKeyHandler::Request>& requests);
    void carryOut(LabKeyHandler::Request request);
    // The sandbox's spawn keys put what they make under the mouse, when it is on the ground.
    void placeAtCursor(Command& command);
    // Picks the point under the mouse now if it moved since the last pick.
    void pointNow();
    void toggleSound();
    void toggleMarks();
    void toggleChart();
    void runTicks();
    void step();
    // Carries out the commands due, then one tick; charted, the chart counts it.
    void tick(bool charted = true);
    void measureRate();
    void refreshDisplay();
    // The selected organism's generation and energy, below the sandbox's text.
    void showSelected();
    std::string stateLine() const;
    // The panels and the recorder.
    void addPanels();
    void routeInput();
    void refreshPanels();
    // The HUD's selection lines right of the panels' left column while the panels show.
    void placeHud();
    // The lab's window; none before it opens.
    osgViewer::GraphicsWindow* window() const;
    // Carries out one command line from a panel or the console and answers in one line.
    std::string perform(const std::string& line);
    std::string record(const std::string& words);
    void endRecording();
    // A line for the console and the terminal alike.
    std::string say(const std::string& line);
    double now() const { return clock.time_s(); }

    Application application;
    World* world = nullptr;
    LabOptions options;
    LabSpeed speed;
    PopulationHistory history{CHART_TICKS};
    PopulationHistory whole{WHOLE_POINTS, PopulationHistory::Span::Whole};
    // Whether the charts show the whole run rather than its last ticks.
    bool wholeShown = false;
    // A load asked for while the panels were drawn, carried out at the start of the next pass.
    std::optional<Command> pendingLoad;
    bool drawing = false;
    PopulationChart chart;
    osg::ref_ptr<LabKeyHandler> keys;
    osg::ref_ptr<LabInput> input;
    LabConsole console;
    LabLog log;
    LabCommandReader reader;
    std::unique_ptr<CommandSchedule> schedule;
    std::string startFolder;
    bool readingInput = false;
    bool quitting = false;
    bool quitLogged = false;
    // Whether the input of this frame picked the cursor for a command.
    bool pickedForInput = false;
    long pendingSteps = 0;
    size_t notesShown = 0;
    osg::ref_ptr<LabScreenshot> screenshot = new LabScreenshot;
    LabSaver saver;
    osg::Timer clock;
    bool chartShown = false;
    LineageWatch lineage;
    bool marksShown = false;
    double drawSeconds = 0.0;
    // Ticks and frames a second as run, measured over the last second or so.
    double measuredRate = 0.0;
    double measuredFrames = 0.0;
    int framesSince = 0;
    double rateSince = 0.0;
    long rateTicks = 0;
    std::string title;
    int reportedId = -1;
    osg::ref_ptr<LabOverlay> overlay;
    PanelInput panelInput;
    std::unique_ptr<LabPanels> panels;
    LabPanels::State panelState;
    VideoRecorder recorder;
    // The organism the camera follows, or -1.
    int followedId = -1;
    // What a window's command carried out just now answers, for the console that typed it.
    std::string windowAnswer;
    // Videos made with the Record button, numbered in the folder the lab was started in.
    int videosMade = 0;
};
