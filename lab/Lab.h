#pragma once

#include "app/Application.h"
#include "lab/LabKeyHandler.h"
#include "lab/LabOptions.h"
#include "lab/LabOverlay.h"
#include "lab/LabPanels.h"
#include "lab/LabSaver.h"
#include "lab/LabSpeed.h"
#include "lab/LineageWatch.h"
#include "lab/PanelInput.h"
#include "lab/PopulationChart.h"
#include "lab/PopulationHistory.h"
#include "lab/VideoRecorder.h"

#include <osg/Timer>
#include <osg/ref_ptr>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// sylvara-lab: the sandbox's window, world and keys, on a world of the user's choice, with a
// lab bench added: speed keys, a single step, a live population chart, saving on a key, and
// the generation and energy of the selected organism.
class Lab {
public:
    // Ticks the chart looks back over.
    static constexpr size_t CHART_TICKS = 4000;
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
    // The lab section's lines on the rules (the file's name, or "default rules") and on rescue.
    std::string rulesInForce() const;
    void runAhead();
    void addBench();
    void loop();
    void pass();
    void carryOut(const std::vector<LabKeyHandler::Request>& requests);
    void carryOut(LabKeyHandler::Request request);
    void toggleSound();
    void toggleMarks();
    void toggleChart();
    void runTicks();
    void step();
    void tick();
    void measureRate();
    void refreshDisplay();
    // The selected organism's generation and energy, below the sandbox's text.
    void showSelected();
    std::string stateLine() const;
    // The panels and the recorder.
    void addPanels();
    void routeInput();
    void refreshPanels();
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
    PopulationChart chart;
    osg::ref_ptr<LabKeyHandler> keys;
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
    PanelInput input;
    std::unique_ptr<LabPanels> panels;
    LabPanels::State panelState;
    VideoRecorder recorder;
    // Videos made with the Record button, numbered in the folder the lab was started in.
    int videosMade = 0;
    // The folder the lab was started in: the user's files are named from there.
    std::string userFolder = ".";
};
