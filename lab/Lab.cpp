#include "lab/Lab.h"

#include "app/Settings.h"
#include "app/Viewer.h"
#include "common/OptionHelp.h"
#include "common/RuleTable.h"
#include "common/RunTree.h"
#include "life/Life.h"
#include "presentation/Hud.h"
#include "presentation/SoundBank.h"
#include "save/SavedWorld.h"
#include "sim/ProgressLine.h"
#include "sim/WorldRules.h"
#include "world/RandomSeed.h"
#include "world/World.h"

#include <cstdio>
#include <iostream>
#include <iterator>

Lab::Lab() = default;
Lab::~Lab() = default;

int Lab::run(int argc, char** argv) {
    std::string error;
    // The world and the settings are read from the run tree; the user's files stay where the user is.
    std::string startFolder;
    if (!RunTree::enter(startFolder, error)) {
        std::cerr << "sylvara-lab: " << error << std::endl;
        return 2;
    }
    switch (LabOptions::parse(argc, argv, Settings::readSize(Settings::FILE), options, error)) {
    case SimulationOptions::Outcome::Help:
        std::cout << LabOptions::usage("sylvara-lab");
        return 0;
    case SimulationOptions::Outcome::Version:
        std::cout << OptionHelp::versionLine("sylvara-lab");
        return 0;
    case SimulationOptions::Outcome::RulesList:
        std::cout << RuleTable::listing();
        return 0;
    case SimulationOptions::Outcome::Error:
        std::cerr << "sylvara-lab: " << error << std::endl;
        return 2;
    case SimulationOptions::Outcome::Run:
        break;
    }
    if (startFolder != RunTree::workFolder()) {
        options.world.resolveFrom(startFolder);
        saver.setFolder(startFolder);
    }
    if (!prepareWorld(error)) {
        std::cerr << "sylvara-lab: " << error << std::endl;
        return 2;
    }
    lineage.attach(*world);
    runAhead();
    int exitCode = 0;
    if (!application.openWindow(exitCode))
        return exitCode;
    addBench();
    loop();
    application.getViewer()->sync();
    return 0;
}

std::string Lab::atTick() const {
    return world ? " at tick " + std::to_string(world->getTickNumber()) : std::string();
}

bool Lab::prepareWorld(std::string& error) {
    const SimulationOptions& chosen = options.world;
    SavedWorld saved;
    const bool loading = !chosen.loadFile.empty();
    if (loading && !SavedWorld::read(chosen.loadFile, saved, error))
        return false;
    if (loading && !WorldRules::checkLoaded(saved.getRecord().rules, chosen, error))
        return false;
    const long savedTick = saved.getRecord().tickNumber;
    if (savedTick > WorldRecord::LAST_TICK - options.ahead) {
        error = "--ahead " + std::to_string(options.ahead) + " from the saved tick " +
                std::to_string(savedTick) + " would pass the last tick a saved world can hold, " +
                std::to_string(WorldRecord::LAST_TICK);
        return false;
    }
    // Before the world is built and run ahead, which may take long, for a window that cannot open.
    if (!Application::displayReachable()) {
        error = "cannot open a window: no display could be reached (is DISPLAY set?)";
        return false;
    }
    if (chosen.seeded)
        RandomSeed::fix(chosen.seed);
    else
        RandomSeed::release();
    application.createViewer();
    application.createWorld(loading ? saved.getSize() : chosen.size);
    world = application.getWorld();
    WorldRules::applyToNew(*world, chosen);
    if (loading) {
        saved.resume(*world, chosen.seeded ? &chosen.seed : nullptr);
        const std::string changed = WorldRules::applyToLoaded(*world, chosen);
        if (!changed.empty())
            std::cout << changed << std::endl;
    } else {
        world->genesis(chosen.tilesToPopulate());
    }
    std::cout << rulesInForce() << std::endl;
    return true;
}

std::string Lab::rulesInForce() const {
    const SimulationOptions& chosen = options.world;
    // What the --set settings went over: the file, a saved world's own rules, or the defaults.
    std::string where =
        chosen.rulesFile.empty() ? "" : chosen.rulesFile.substr(chosen.rulesFile.rfind('/') + 1);
    if (where.empty() && !chosen.ruleSettings.empty())
        where = chosen.loadFile.empty() ? "default rules" : "the saved world's";
    if (where.empty())
        where = RuleTable::differences(world->getRules(), Rules::defaults()).empty() ? "default rules"
                                                                                     : "the saved world's";
    if (!chosen.ruleSettings.empty())
        where += " (+" + std::to_string(chosen.ruleSettings.size()) + " set)";
    const World::Floors& floors = world->getKeep();
    return "rules: " + where + (floors == World::Floors{} ? "" : "\nkeep: " + WorldRules::keepText(floors));
}

void Lab::runAhead() {
    if (options.ahead <= 0)
        return;
    const double begun = now();
    const long start = world->getTickNumber();
    const long end = start + options.ahead;
    ProgressLine progress(std::cout, options.ahead);
    // Thousands of births and deaths a second, with nothing on screen: heard, they are a roar.
    SoundBank& sound = *world->getSound();
    const bool wasMuted = sound.isMuted();
    sound.setMuted(true);
    // A paused saved world stays as it was saved.
    while (world->getTickNumber() < end && !world->isPaused()) {
        // Only the last ticks are charted, and the progress counts now and then: counting costs
        // as much as a small tick.
        const long left = end - world->getTickNumber();
        if (left <= static_cast<long>(CHART_TICKS))
            tick();
        else
            world->tick();
        if (left % PROGRESS_TICKS == 1) {
            const PopulationHistory::Counts counts = PopulationHistory::countLiving(world->getLives());
            progress.update(world->getTickNumber() - start, counts[OrganismKind::HERBIVORES],
                            counts[OrganismKind::CARNIVORES], counts[OrganismKind::PLANTS]);
        }
    }
    progress.finish();
    sound.setMuted(wasMuted);
    const double seconds = now() - begun;
    const long ran = world->getTickNumber() - start;
    std::printf("ran %ld ticks ahead in %.2f s (%.0f ticks/s)\n", ran, seconds,
                seconds > 0 ? ran / seconds : 0.0);
}

void Lab::addBench() {
    keys = new LabKeyHandler;
    // Behind the sandbox's own handler, which stays at the front of the list.
    auto& handlers = application.getViewer()->getEventHandlers();
    handlers.insert(std::next(handlers.begin()), keys);
    world->getHud()->addControlsSection(std::string(LabKeyHandler::HELP_TEXT) + "\n" + rulesInForce());
}

void Lab::loop() {
    rateSince = now();
    rateTicks = world->getTickNumber();
    speed.restart(now());
    application.loop([this] { pass(); });
}

// The sandbox's frame pass, with the lab's pacing in place of its fixed one.
void Lab::pass() {
    Viewer* viewer = application.getViewer();
    world->markFrame();
    viewer->sync();
    carryOut(keys->take());
    if (world->isPaused()) {
        // Paused, a tick only carries out the pause and the selection, as in the sandbox.
        tick();
        speed.restart(now());
    } else {
        runTicks();
    }
    world->pickIfRequested();
    measureRate();
    refreshDisplay();
    const double begun = now();
    viewer->update();
    viewer->frame();
    drawSeconds = now() - begun;
    ++framesSince;
}

void Lab::carryOut(const std::vector<LabKeyHandler::Request>& requests) {
    for (const LabKeyHandler::Request request : requests)
        carryOut(request);
}

void Lab::carryOut(LabKeyHandler::Request request) {
    switch (request) {
    case LabKeyHandler::FASTER:
        speed.faster(now());
        std::printf("speed: %s\n", speed.describe().c_str());
        break;
    case LabKeyHandler::SLOWER:
        speed.slower(now());
        std::printf("speed: %s\n", speed.describe().c_str());
        break;
    case LabKeyHandler::NORMAL_SPEED:
        speed.normal(now());
        std::printf("speed: %s\n", speed.describe().c_str());
        break;
    case LabKeyHandler::STEP:
        step();
        break;
    case LabKeyHandler::SAVE:
        saver.save(*world);
        break;
    case LabKeyHandler::SOUND:
        toggleSound();
        break;
    case LabKeyHandler::DESCENDANTS:
        toggleMarks();
        break;
    case LabKeyHandler::CHART_VIEW:
        chart.setView(PopulationChart::next(chart.getView()));
        std::printf("chart: %s\n", PopulationChart::viewName(chart.getView()).c_str());
        // The view key shows a hidden chart too, in the view it moved to.
        if (!chartShown)
            toggleChart();
        break;
    case LabKeyHandler::CHART:
        toggleChart();
        break;
    }
}

void Lab::toggleSound() {
    SoundBank& sound = *world->getSound();
    sound.setMuted(!sound.isMuted());
    std::printf("sound: %s\n", sound.isMuted() ? "off" : "on");
}

void Lab::toggleMarks() {
    marksShown = !marksShown;
    if (marksShown)
        application.getRoot()->addChild(lineage.getMarks());
    else
        application.getRoot()->removeChild(lineage.getMarks());
}

void Lab::toggleChart() {
    chartShown = !chartShown;
    osg::Camera* overlay = world->getHud()->getCamera();
    if (chartShown)
        overlay->addChild(chart.getNode());
    else
        overlay->removeChild(chart.getNode());
}

void Lab::runTicks() {
    const long owed = speed.due(now());
    const double budget = LabSpeed::tickBudget(drawSeconds);
    const double begun = now();
    long run = 0;
    // At least one owed tick a pass, however slow the frame, so the world always goes on.
    while (run < owed && !world->isPaused() && (run == 0 || now() - begun < budget)) {
        tick();
        ++run;
    }
    speed.ran(run);
}

void Lab::step() {
    if (!world->isPaused() || world->pauseRequested)
        return;
    // Resume for one tick and pause again before the next: the same tick as a running world's.
    world->pauseRequested = true;
    tick();
    world->pauseRequested = true;
    world->tick();
}

void Lab::tick() {
    const long before = world->getTickNumber();
    world->tick();
    if (world->getTickNumber() != before)
        history.record(world->getTickNumber(), PopulationCensus::of(world->getLives()));
}

void Lab::measureRate() {
    const double at = now();
    if (at - rateSince < 1.0)
        return;
    measuredRate = (world->getTickNumber() - rateTicks) / (at - rateSince);
    measuredFrames = framesSince / (at - rateSince);
    framesSince = 0;
    rateSince = at;
    rateTicks = world->getTickNumber();
}

std::string Lab::stateLine() const {
    char rate[64];
    std::snprintf(rate, sizeof rate, "running %.1f/s, %.0f frames/s", measuredRate, measuredFrames);
    return "tick " + std::to_string(world->getTickNumber()) + " | " + speed.describe() + " | " +
           (world->isPaused() ? std::string("paused") : std::string(rate));
}

void Lab::refreshDisplay() {
    const std::string line = stateLine();
    if (line != title) {
        title = line;
        application.getViewer()->setWindowTitle("Sylvara lab | " + line);
    }
    if (chartShown)
        chart.draw(history, line);
    lineage.follow(world->getSelectedId());
    if (marksShown)
        lineage.drawMarks(*world);
    showSelected();
}

void Lab::showSelected() {
    const Life* selected = world->getSelectedLife();
    if (!selected || !world->getHud()->isSelectionShown()) {
        reportedId = -1;
        return;
    }
    const std::string generation = std::to_string(selected->getGeneration());
    const std::string energy = std::to_string(static_cast<int>(selected->getEnergy())) + " of " +
                               std::to_string(static_cast<int>(selected->getMaxEnergy()));
    const int parent = selected->getParentId();
    const long born = selected->getBirthTick();
    world->getHud()->setSelectionAppendix(
        "\n\ngeneration: " + generation + "\nenergy: " + energy +
        "\nparent: " + (parent == Life::NO_PARENT ? std::string("none") : std::to_string(parent)) +
        "\nborn: " + (born < 0 ? std::string("before the save kept it") : "tick " + std::to_string(born)) +
        "\ngenotype: " + std::to_string(selected->getGenotypeId()) +
        "\nliving descendants: " + std::to_string(lineage.livingDescendants(*world)));
    // Once per selection on the console too, so a session's finds can be read back.
    if (selected->getId() != reportedId) {
        reportedId = selected->getId();
        std::printf("selected %s %d at tick %ld: generation %s, energy %s\n",
                    selected->getCategory() == CATEGORY_PLANT ? "plant" : "animal", reportedId,
                    world->getTickNumber(), generation.c_str(), energy.c_str());
    }
}
