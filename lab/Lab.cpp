#include "lab/Lab.h"

#include "app/Settings.h"
#include "app/Viewer.h"
#include "common/Command.h"
#include "common/CommandFile.h"
#include "common/OptionHelp.h"
#include "common/OutputFiles.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "life/Life.h"
#include "presentation/Hud.h"
#include "presentation/SoundBank.h"
#include "save/SavedWorld.h"
#include "save/SavedWorldWriter.h"
#include "sim/CommandSchedule.h"
#include "sim/ProgressLine.h"
#include "sim/Sha256.h"
#include "sim/WorldRules.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include "common/WholeFile.h"

#include <osgGA/KeySwitchMatrixManipulator>
#include <osgGA/OrbitManipulator>
#include <osgViewer/GraphicsWindow>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <set>
#include <sys/stat.h>

namespace {

// Set by an interrupt or a polite kill: the lab ends as Escape ends it, so a video is finished whole.
std::atomic<bool> interrupted{false};

// The tiles per side of a saved world, for the commands that follow its load; 1 when unreadable,
// which the load's own refusal has said already.
int savedSide(const std::string& file) {
    SavedWorld saved;
    std::string unused;
    return SavedWorld::read(file, saved, unused) ? saved.getSize() : 1;
}

extern "C" void interrupt(int) {
    interrupted = true;
}

} // namespace

Lab::Lab() = default;
Lab::~Lab() = default;

int Lab::run(int argc, char** argv) {
    std::string error;
    // The world and the settings are read from the run tree; the user's files stay where the user is.
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
    if (!prepareWorld(error) || !openLog(error)) {
        std::cerr << "sylvara-lab: " << error << std::endl;
        return 2;
    }
    lineage.attach(*world);
    // The charts start where the world does; the last ticks' only when running ahead leaves the start in
    // them.
    const PopulationCensus first = PopulationCensus::of(world->getLives());
    whole.record(world->getTickNumber(), first);
    if (options.ahead <= static_cast<long>(CHART_TICKS))
        history.record(world->getTickNumber(), first);
    const std::string given = startRulesMark();
    if (!given.empty())
        panelState.ruleChanges.emplace_back(world->getTickNumber(), given);
    runAhead();
    if (quitting) {
        endSession();
        return 0;
    }
    int exitCode = 0;
    if (!application.openWindow(exitCode, options.width, options.height))
        return exitCode;
    addBench();
    addPanels();
    if (!options.recordFile.empty()) {
        // A video that cannot be written is said, and the lab goes on without it.
        const std::string line = record(options.recordFile);
        const bool started = recorder.isRecording();
        std::fprintf(started ? stdout : stderr, "%s%s\n", started ? "" : "sylvara-lab: ", line.c_str());
    }
    if (readingInput)
        reader.start();
    loop();
    application.getViewer()->sync();
    endRecording();
    endSession();
    return 0;
}

bool Lab::prepareCommands(int side, long start, const Rules& startRules, std::string& error) {
    std::vector<Command> commands;
    const std::string& file = options.commandsFile;
    readingInput = file == "-";
    if (!file.empty() && !readingInput) {
        if (!CommandFile::read(RunTree::fromStart(startFolder, file), commands, error))
            return false;
        Rules rules = startRules;
        // A world the file saves may be loaded by a later line: it is read when the load comes.
        std::set<std::string> saves;
        int board = side;
        const auto refuse = [&](const Command& command) {
            if (command.name == Command::Name::Save && !command.file.empty())
                saves.insert(saver.pathOf(command.file));
            if (command.name == Command::Name::Load && saves.count(command.file) != 0)
                return std::string();
            // Those before a loaded world's tick were carried out before it was saved.
            const bool done = command.tick != Command::NO_TICK && command.tick < start;
            return done ? std::string() : refusal(command, rules);
        };
        const auto sideOf = [&](const std::string& loaded) {
            // One saved later is the world of the file's own board.
            board = saves.count(loaded) != 0 ? board : savedSide(loaded);
            return board;
        };
        if (!CommandFile::check(commands, file, CommandFile::Board{side, TileGrid::TILE_SIZE, sideOf}, refuse,
                                error))
            return false;
    }
    // The log is made once the world is, but it is known now whether it can be.
    if (!options.logFile.empty() &&
        !SavedWorldWriter::canWrite(RunTree::fromStart(startFolder, options.logFile), error)) {
        error = "cannot write the log " + OutputFiles::printable(options.logFile) + ": " + error;
        return false;
    }
    schedule = std::make_unique<CommandSchedule>(commands, file, start);
    const size_t skipped = schedule->resumeAt(start);
    if (skipped > 0)
        std::cout << skipped << " command" << (skipped == 1 ? "" : "s") << " of "
                  << OutputFiles::printable(file) << " before the loaded tick " << start << " taken as done"
                  << std::endl;
    schedule->setWindow([this](const Command& command) { windowCommand(command); });
    schedule->setLoad([this](const Command& loaded) { load(loaded); });
    schedule->setWatcher([this](long tick, const Command& command) {
        // The schedule applies the tool; the window shows it, in the title and under the mouse.
        static const ToolMode MODES[] = {TOOL_CAMERA, TOOL_SELECT, TOOL_KILL, TOOL_GENESIS, TOOL_FERTILIZE};
        if (command.name == Command::Name::Tool)
            world->setTool(MODES[command.choice]);
        // A load is logged once it is done, with its file's SHA-256: a load that failed left the world.
        if (command.name != Command::Name::Load)
            log.write(tick, command);
        // Every rule change is marked on the charts at its tick, whoever made it: a file's "@T set",
        // the console, a panel.
        if (command.name == Command::Name::Set || command.name == Command::Name::Rules)
            panelState.ruleChanges.emplace_back(tick, command.action());
        // The Run panel offers the last world saved to load back.
        if (command.name == Command::Name::Save)
            panelState.lastSaved = command.file;
        quitLogged = quitLogged || command.name == Command::Name::Quit;
        std::printf("tick %ld: %s\n", tick, command.action().c_str());
    });
    return true;
}

bool Lab::openLog(std::string& error) {
    if (options.logFile.empty())
        return true;
    const long start = world->getTickNumber();
    std::string heading = "# sylvara-lab session, from tick " + std::to_string(start) +
                          ": sylvara-sim --commands THIS_FILE replays it with the same world options:\n#";
    // Shown as printable, so a name with a line break in it cannot end the comment.
    for (const std::string& word : options.arguments)
        heading += " " + OutputFiles::printable(word);
    heading += "\n";
    if (!options.world.seeded)
        heading += "# no --seed was given: the world's draws came from the clock and cannot be repeated\n";
    // The charts mark these at the first tick, as they mark the rule changes logged below.
    const std::string given = startRulesMark();
    if (!given.empty())
        heading += "# @" + std::to_string(start) + " rules " + given + "\n";
    return log.open(RunTree::fromStart(startFolder, options.logFile), heading, error);
}

std::string Lab::refusal(const Command& command, Rules& rules) const {
    const std::string clash = CommandSchedule::changeRules(command, rules);
    if (!clash.empty())
        return clash;
    std::string error;
    if (command.name == Command::Name::Screenshot && !LabScreenshot::knownKind(command.file))
        return "screenshot: " + OutputFiles::printable(command.file) +
               " does not end in .png, .jpg, .jpeg or .bmp";
    // The commands that write a file the user names, and how each says one that cannot be written.
    const char* writing = command.name == Command::Name::Screenshot  ? "write the screenshot"
                          : command.name == Command::Name::RulesSave ? "save the rules to"
                          : command.name == Command::Name::Save      ? "save the world to"
                                                                     : nullptr;
    // A save without a name takes the next free one when it comes: nothing to check here.
    if (writing && !command.file.empty() && !SavedWorldWriter::canWrite(saver.pathOf(command.file), error))
        return std::string("cannot ") + writing + " " + OutputFiles::printable(command.file) + ": " + error;
    if (command.name == Command::Name::Load) {
        SavedWorld saved;
        if (!SavedWorld::read(command.file, saved, error))
            return "load: " + error;
        const std::string changed = Sha256::changed(command.file, command.digest);
        if (!changed.empty())
            return "load: " + changed;
        const std::string clash = RuleCombination::check(saved.getRecord().rules);
        if (!clash.empty())
            return "load: the saved world's rules cannot run: " + clash;
        // The commands after it change the loaded world's rules.
        rules = saved.getRecord().rules;
    }
    return "";
}

void Lab::endSession() {
    saver.wait();
    if (quitLogged || !log.isOpen())
        return;
    // The session ended here: a replay ends at the same tick.
    Command quit;
    quit.name = Command::Name::Quit;
    log.write(world->getTickNumber(), quit);
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
    // The rules the first tick runs under, which the commands change from.
    Rules startRules = chosen.rules;
    if (loading) {
        startRules = saved.getRecord().rules;
        RulesFile::apply(chosen.rulesFile, chosen.ruleSettings, startRules, error);
    }
    if (!prepareCommands(loading ? saved.getSize() : chosen.size, savedTick, startRules, error))
        return false;
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

std::string Lab::startRulesMark() const {
    const SimulationOptions& chosen = options.world;
    if (!chosen.changesRules())
        return "";
    std::string given;
    if (!chosen.rulesFile.empty())
        given = "--rules " + OutputFiles::printable(chosen.rulesFile.substr(chosen.rulesFile.rfind('/') + 1));
    for (const std::string& setting : chosen.ruleSettings)
        given += (given.empty() ? "" : " ") + std::string("--set ") + OutputFiles::printable(setting);
    return "given at the start: " + given;
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
    whole.expect(options.ahead);
    // Thousands of births and deaths a second, with nothing on screen: heard, they are a roar.
    SoundBank& sound = *world->getSound();
    const bool wasMuted = sound.isMuted();
    sound.setMuted(true);
    // A paused saved world stays as it was saved.
    while (world->getTickNumber() < end && !world->isPaused()) {
        // Only the last ticks are charted, and the progress counts now and then: counting costs
        // as much as a small tick.
        const long left = end - world->getTickNumber();
        tick(left <= static_cast<long>(CHART_TICKS));
        if (quitting)
            break;
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
    keys->setConsole(&console);
    auto& handlers = application.getViewer()->getEventHandlers();
    // The sandbox's handler at the front gives way to the lab's, which turns the keys that act on the
    // world into commands and passes it the rest.
    input = new LabInput(dynamic_cast<osgGA::GUIEventHandler*>(handlers.front().get()), console);
    handlers.front() = input;
    handlers.insert(std::next(handlers.begin()), keys);
    console.getNode()->setNodeMask(0);
    application.getViewer()->getCamera()->setFinalDrawCallback(screenshot);
    world->getHud()->getCamera()->addChild(console.getNode());
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
    if (pendingLoad) {
        const Command asked = *pendingLoad;
        pendingLoad.reset();
        std::printf("%s\n", say(loadNow(asked)).c_str());
    }
    world->markFrame();
    viewer->sync();
    if (interrupted)
        viewer->setDone(true);
    carryOut(keys->take());
    for (; pendingSteps > 0 && !quitting; --pendingSteps)
        step();
    pendingSteps = 0;
    if (quitting) {
        viewer->setDone(true);
        return;
    }
    if (world->isPaused()) {
        // Paused, a tick only carries out the pause and the selection, as in the sandbox.
        tick();
        speed.restart(now());
    } else {
        runTicks();
    }
    world->pickIfRequested();
    if (quitting)
        viewer->setDone(true);
    console.getNode()->setNodeMask(console.isOpen() ? ~0u : 0u);
    measureRate();
    refreshDisplay();
    refreshPanels();
    const double begun = now();
    // The panels take their events after the frame's time is fixed and just before the viewer reads
    // the rest: the viewer takes only events older than that time, so anything arriving during the
    // ticks or the routing waits for the next pass's routing instead of slipping past the panels
    // (a lost release would leave a panel's button held and every later click ignored).
    viewer->advance();
    routeInput();
    viewer->eventTraversal();
    viewer->updateTraversal();
    // Between the events and the drawing, where the sandbox's handler acts: a click's flash is drawn
    // before any tick ages it, and a tool chosen with a move colours the marker at the next pick.
    takeInput();
    if (quitting)
        viewer->setDone(true);
    viewer->frame();
    drawSeconds = now() - begun;
    ++framesSince;
}

void Lab::carryOut(const std::vector<LabKeyHandler::Request>& requests) {
    for (const LabKeyHandler::Request request : requests)
        carryOut(request);
}

// Each key becomes the command it stands for, carried out and logged as a typed one would be.
void Lab::carryOut(LabKeyHandler::Request request) {
    Command command;
    LabSpeed next = speed;
    switch (request) {
    case LabKeyHandler::FASTER:
    case LabKeyHandler::SLOWER:
        if (request == LabKeyHandler::FASTER)
            next.faster(0);
        else
            next.slower(0);
        command.name = Command::Name::Speed;
        command.number = next.isFlatOut() ? Command::SPEED_MAX : next.getRate();
        break;
    case LabKeyHandler::NORMAL_SPEED:
        command.name = Command::Name::Speed;
        command.number = Command::SPEED_NORMAL;
        break;
    case LabKeyHandler::STEP:
        command.name = Command::Name::Step;
        command.number = 1;
        break;
    case LabKeyHandler::SAVE:
        // Named once the last save is written, so two quick presses never take one name.
        saver.wait();
        command.name = Command::Name::Save;
        command.file = LabSaver::nextName(saver.pathOf("."));
        break;
    case LabKeyHandler::SOUND:
        command.name = Command::Name::Sound;
        command.on = world->getSound()->isMuted();
        break;
    case LabKeyHandler::DESCENDANTS:
        command.name = Command::Name::Pin;
        break;
    case LabKeyHandler::CHART_VIEW:
        // The view key shows a hidden chart too, in the view it moved to.
        command.name = Command::Name::Chart;
        command.choice = PopulationChart::next(chart.getView());
        break;
    case LabKeyHandler::CHART:
        command.name = Command::Name::Chart;
        command.choice = chartShown ? static_cast<int>(Command::Chart::Off) : chart.getView();
        break;
    }
    carryOutNow(command);
}

void Lab::pointNow() {
    if (!world->pickRequested)
        return;
    world->pickIfRequested();
    pickedForInput = true;
}

void Lab::placeAtCursor(Command& command) {
    // The cursor as the mouse left it, for a spawn key to put its organism there.
    pointNow();
    if (!world->isCursorOnGround())
        return;
    // The ground's edge may give a point a hair outside the board: it is put just inside, so what is
    // logged is what was done and reads back as a point on the board.
    const double extent = world->getTiles()->getTilesPerSide() * TileGrid::TILE_SIZE;
    const double last = std::nextafter(extent, 0.0);
    command.placed = true;
    command.x = std::clamp(world->getCursorPoint().x(), 0.0, last);
    command.y = std::clamp(world->getCursorPoint().y(), 0.0, last);
}

void Lab::act(const LabInput::Event& event) {
    using Action = LabInput::Action;
    Command command;
    switch (event.action) {
    case Action::SpawnHerbivore:
    case Action::SpawnCarnivore:
    case Action::SpawnPlant:
        command.name = Command::Name::Spawn;
        command.choice = static_cast<int>(event.action) - static_cast<int>(Action::SpawnHerbivore);
        placeAtCursor(command);
        break;
    case Action::Predator:
    case Action::Prey:
        command.name = event.action == Action::Predator ? Command::Name::Predator : Command::Name::Prey;
        placeAtCursor(command);
        break;
    case Action::ToolCamera:
    case Action::ToolSelect:
    case Action::ToolKiller:
    case Action::ToolGenesis:
    case Action::ToolFertilizer:
        command.name = Command::Name::Tool;
        command.choice = static_cast<int>(event.action) - static_cast<int>(Action::ToolCamera);
        break;
    case Action::Apply: {
        const Command::Tool tool = schedule->getTool();
        if (tool == Command::Tool::Camera)
            return;
        pointNow();
        if (!world->isCursorOnGround()) {
            // As in the sandbox: a select click off the ground only hides the selection's panel.
            if (tool == Command::Tool::Select)
                world->getHud()->clearSelection();
            return;
        }
        WorldTile* tile = world->getCursorTile();
        if (tool == Command::Tool::Select) {
            // The organism nearest the click, found now: the command names it.
            command.name = Command::Name::Select;
            const int id = tile->findNearestLife(world->getCursorPoint());
            command.number = id < 0 ? -1 : id;
            break;
        }
        command.name = Command::Name::Apply;
        command.column = tile->getColumn();
        command.row = tile->getRow();
        break;
    }
    case Action::Pause:
        command.name =
            world->isPaused() != world->pauseRequested ? Command::Name::Resume : Command::Name::Pause;
        break;
    case Action::Line: {
        if (event.line.find_first_not_of(" \t") == std::string::npos)
            return;
        bool refused = false;
        const std::string answer = typed(event.line, "console", refused);
        console.answer(answer);
        std::printf("%s\n", answer.c_str());
        return;
    }
    case Action::ConsoleClosed:
        application.getViewer()->setKeyEventSetsDone(osgGA::GUIEventAdapter::KEY_Escape);
        return;
    }
    carryOutNow(command);
}

void Lab::carryOutNow(const Command& command) {
    if (command.name == Command::Name::Apply) {
        // The flash a click on the tile gives in the sandbox.
        const double size = TileGrid::TILE_SIZE;
        const Command::Tool tool = schedule->getTool();
        const osg::Vec3f colour = tool == Command::Tool::Killer    ? osg::Vec3f(1, 0, 0)
                                  : tool == Command::Tool::Genesis ? osg::Vec3f(0, 1, 0)
                                                                   : osg::Vec3f(0, 0, 1);
        world->addTimedRect(command.column * size, command.row * size, (command.column + 1) * size,
                            (command.row + 1) * size, 0.5f, colour, 0.5f, 16);
    }
    if (command.name == Command::Name::Tool && !command.request()) {
        // A tool chosen on a panel or at the console shows as a key's would, in the HUD and on its button.
        static const ToolMode MODES[] = {TOOL_CAMERA, TOOL_SELECT, TOOL_KILL, TOOL_GENESIS, TOOL_FERTILIZE};
        if (world->getToolMode() != MODES[command.choice])
            world->setTool(MODES[command.choice]);
    }
    if (schedule->carryOutNow(command, *world, [this](const std::string& file) { saveTo(file); }))
        quitting = true;
}

std::string Lab::typed(const std::string& text, const std::string& where, bool& refused) {
    // The recorder is the window's own: it changes no world, so it is neither logged nor replayed.
    const size_t first = text.find_first_not_of(" \t");
    if (first != std::string::npos && text.compare(first, 6, "record") == 0 &&
        (text.size() == first + 6 || text[first + 6] == ' ' || text[first + 6] == '\t')) {
        const std::string answer = record(text.substr(std::min(text.size(), first + 7)));
        refused = answer.compare(0, 9, "recording") != 0 && answer != "record: stopped";
        return where + ": " + answer;
    }
    Command command;
    bool empty = false;
    std::string error;
    refused = true;
    if (!CommandFile::readLine(text, Command::NO_TICK, command, empty, error, startFolder))
        return where + ": " + error;
    // A comment or a blank line is no command, and no fault either.
    refused = !empty;
    if (empty)
        return where + ": no command";
    refused = true;
    const long at = world->getTickNumber();
    if (command.tick != Command::NO_TICK && command.tick < at)
        return where + ": tick " + std::to_string(command.tick) + " has passed: the world is at tick " +
               std::to_string(at);
    Rules rules = world->getRules();
    const int side = world->getTiles()->getTilesPerSide();
    // Checked as a file's one line is, and answered without the file's name and line.
    if (!CommandFile::check(
            {command}, "-", CommandFile::Board{side, TileGrid::TILE_SIZE, savedSide},
            [&](const Command& checked) { return refusal(checked, rules); }, error))
        return where + ": " + error.substr(CommandFile::where("-", command.line).size());
    refused = false;
    if (command.tick != Command::NO_TICK && command.tick > at) {
        schedule->add(command);
        return where + ": " + command.action() + " at tick " + std::to_string(command.tick);
    }
    const size_t notes = schedule->getNotes().size();
    windowAnswer.clear();
    carryOutNow(command);
    if (!windowAnswer.empty()) {
        const std::string answer = where + ": " + windowAnswer;
        windowAnswer.clear();
        return answer;
    }
    if (schedule->getNotes().size() > notes)
        return where + ": " + schedule->getNotes().back().substr(schedule->getNotes().back().find(": ") + 2);
    return where + ": tick " + std::to_string(at) + ": " + command.action();
}

void Lab::takeInput() {
    pickedForInput = false;
    if (input)
        for (const LabInput::Event& event : input->take())
            act(event);
    // A pick made for a command drew the marker in the tool of that moment; a tool chosen after it in
    // the same frame colours it now, as the pick at the next pass would have.
    if (pickedForInput && world->isCursorOnGround())
        world->setCursorPoint(world->getCursorPoint());
    if (!readingInput)
        return;
    for (const LabCommandReader::Line& line : reader.take()) {
        bool refused = false;
        const std::string answer = typed(line.text, "-:" + std::to_string(line.number), refused);
        // Refusals go where a driving program looks for them; what is done says so on the standard output.
        if (refused)
            std::fprintf(stderr, "sylvara-lab: %s\n", answer.c_str());
    }
}

void Lab::carryOutDue() {
    if (quitting)
        return;
    // A load stops the commands of its tick: those after it are the loaded world's, due at its tick.
    do {
        if (schedule->carryOut(
                world->getTickNumber(), *world, [this](const std::string& file) { saveTo(file); }, nullptr))
            quitting = true;
        for (; notesShown < schedule->getNotes().size(); ++notesShown)
            std::printf("%s\n", schedule->getNotes()[notesShown].c_str());
        // A command file's window commands answer on the terminal, as a typed one answers its console.
        if (!windowAnswer.empty())
            std::printf("%s\n", say(windowAnswer).c_str());
        windowAnswer.clear();
    } while (schedule->stoppedAtLoad() && !quitting);
}

void Lab::saveTo(const std::string& file) {
    std::string error;
    if (!saver.saveAs(*world, file, error))
        std::fprintf(stderr, "sylvara-lab: cannot save the world to %s: %s\n",
                     OutputFiles::printable(file).c_str(), error.c_str());
}

void Lab::load(const Command& asked) {
    // The panels are drawn from the world: it changes between two passes, never while they are.
    if (drawing)
        pendingLoad = asked;
    else
        windowAnswer = loadNow(asked);
}

std::string Lab::loadNow(const Command& asked) {
    const std::string& file = asked.file;
    SavedWorld saved;
    std::string error;
    // Read whole before anything changes: a file that cannot be read leaves the world as it was.
    if (!SavedWorld::read(file, saved, error))
        return "load: " + error + "; the world goes on as it was";
    // The log names the content loaded, so a replay can refuse another file under the same name.
    Command logged = asked;
    if (!Sha256::ofFile(file, logged.digest, error))
        return "load: cannot read " + OutputFiles::printable(file) + ": " + error +
               "; the world goes on as it was";
    const std::string changed = Sha256::mismatch(file, logged.digest, asked.digest);
    if (!changed.empty())
        return "load: " + changed + "; the world goes on as it was";
    log.write(world->getTickNumber(), logged);
    const int side = world->getTiles()->getTilesPerSide();
    const bool muted = world->getSound() && world->getSound()->isMuted();
    const ToolMode tool = world->getToolMode();
    if (marksShown)
        toggleMarks();
    followedId = -1;
    reportedId = -1;
    world = application.replaceWorld(saved.getSize());
    // Under its own seed and rules, as sylvara-sim --load without --seed: a replay of the log draws the same.
    saved.resume(*world, nullptr);
    world->restoreSelection(-1);
    if (tool != world->getToolMode())
        world->setTool(tool);
    if (world->getSound())
        world->getSound()->setMuted(muted);
    if (input)
        input->setSandbox(application.getKeyboard());
    if (panels)
        panels->attach(*world);
    if (saved.getSize() != side && application.getViewer()->getCameraManipulator())
        application.getViewer()->getCameraManipulator()->home(0.0);
    restartWatches();
    const PopulationHistory::Counts counts = PopulationHistory::countLiving(world->getLives());
    return "loaded " + OutputFiles::printable(file) + ": tick " + std::to_string(world->getTickNumber()) +
           ", " + std::to_string(counts[OrganismKind::HERBIVORES]) + " herbivores, " +
           std::to_string(counts[OrganismKind::CARNIVORES]) + " carnivores, " +
           std::to_string(counts[OrganismKind::PLANTS]) + " plants" + (world->isPaused() ? ", paused" : "");
}

void Lab::restartWatches() {
    lineage.attach(*world);
    // The charts and their marks belong to the world that went: they start again at the loaded tick.
    history.clear();
    whole.clear();
    panelState.ruleChanges.clear();
    const PopulationCensus census = PopulationCensus::of(world->getLives());
    history.record(world->getTickNumber(), census);
    whole.record(world->getTickNumber(), census);
    rateSince = now();
    rateTicks = world->getTickNumber();
    title.clear();
}

void Lab::windowCommand(const Command& command) {
    switch (command.name) {
    case Command::Name::Pause:
        if (!world->isPaused() && !world->pauseRequested)
            world->pauseRequested = true;
        return;
    case Command::Name::Resume:
        if (world->isPaused() && !world->pauseRequested)
            world->pauseRequested = true;
        return;
    case Command::Name::Step:
        // After the command that asked, never inside it.
        pendingSteps += command.number;
        return;
    case Command::Name::Speed:
        if (command.number == Command::SPEED_MAX)
            speed.flatOut(now());
        else if (command.number == Command::SPEED_NORMAL)
            speed.normal(now());
        else
            speed.setRate(static_cast<int>(command.number), now());
        std::printf("speed: %s\n", speed.describe().c_str());
        return;
    case Command::Name::Chart:
        if (command.choice == static_cast<int>(Command::Chart::Whole) ||
            command.choice == static_cast<int>(Command::Chart::Recent)) {
            wholeShown = command.choice == static_cast<int>(Command::Chart::Whole);
            const PopulationHistory& shown = shownHistory();
            std::string span =
                wholeShown ? "the whole run" : "the last " + std::to_string(CHART_TICKS) + " ticks";
            if (!shown.empty())
                span += ", ticks " + std::to_string(shown.firstTick()) + " to " +
                        std::to_string(shown.lastTick()) +
                        (wholeShown ? ", one in " + std::to_string(shown.getStride()) : "");
            std::printf("chart: %s\n", span.c_str());
            return;
        }
        if (command.choice == static_cast<int>(Command::Chart::Off)) {
            if (chartShown)
                toggleChart();
            return;
        }
        chart.setView(static_cast<PopulationChart::View>(command.choice));
        std::printf("chart: %s\n", PopulationChart::viewName(chart.getView()).c_str());
        if (!chartShown)
            toggleChart();
        return;
    case Command::Name::Sound:
        if (world->getSound()->isMuted() == command.on)
            toggleSound();
        return;
    case Command::Name::Pin:
        toggleMarks();
        return;
    case Command::Name::Screenshot:
        screenshot->request(saver.pathOf(command.file));
        return;
    case Command::Name::RulesSave:
        windowAnswer = saveRules(command.file);
        return;
    case Command::Name::Follow:
        windowAnswer = follow(command.on);
        return;
    default:
        return;
    }
}

std::string Lab::saveRules(const std::string& file) {
    std::string error;
    // Whole or not at all: a full disk leaves no half file that --rules would read as fewer rules.
    if (!WholeFile::write(saver.pathOf(file), RulesFile::writeAll(world->getRules()), error))
        return "cannot save the rules to " + OutputFiles::printable(file) + ": " + error;
    return "rules saved to " + OutputFiles::printable(file);
}

std::string Lab::follow(bool on) {
    if (!on) {
        if (followedId < 0)
            return "follow: nothing is followed";
        followedId = -1;
        return "follow: off";
    }
    const Life* selected = world->getSelectedLife();
    if (!selected || selected->getState() == STATE_DEAD)
        return "follow: nothing is selected (select an organism first)";
    followedId = selected->getId();
    keepFollowing();
    return "follow: the camera follows " +
           std::string(selected->getCategory() == CATEGORY_PLANT ? "plant " : "animal ") +
           std::to_string(followedId);
}

void Lab::keepFollowing() {
    if (followedId < 0)
        return;
    const auto& lives = world->getLives();
    const auto found = lives.find(followedId);
    if (found == lives.end() || found->second->getState() == STATE_DEAD) {
        std::printf("%s\n", say("follow: organism " + std::to_string(followedId) + " died at tick " +
                                std::to_string(world->getTickNumber()) + "; the camera stays where it is")
                                .c_str());
        followedId = -1;
        return;
    }
    auto* switcher =
        dynamic_cast<osgGA::KeySwitchMatrixManipulator*>(application.getViewer()->getCameraManipulator());
    osgGA::CameraManipulator* current =
        switcher ? switcher->getCurrentMatrixManipulator() : application.getViewer()->getCameraManipulator();
    // The trackball turns about its centre: moved there, the organism stays in the middle of the view
    // at the distance and angle the user chose.
    if (auto* orbit = dynamic_cast<osgGA::OrbitManipulator*>(current))
        orbit->setCenter(found->second->getPosition());
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
    while (run < owed && !world->isPaused() && !quitting && (run == 0 || now() - begun < budget)) {
        tick();
        ++run;
    }
    speed.ran(run);
}

void Lab::step() {
    if (!world->isPaused() || world->pauseRequested || quitting)
        return;
    // Resume for one tick and pause again before the next: the same tick as a running world's.
    world->pauseRequested = true;
    const World* stepped = world;
    tick();
    // A load in that tick's commands brought a world of its own pause.
    if (world != stepped)
        return;
    if (quitting) {
        world->pauseRequested = false;
        return;
    }
    world->pauseRequested = true;
    world->tick();
}

void Lab::tick(bool charted) {
    carryOutDue();
    if (quitting)
        return;
    const long before = world->getTickNumber();
    // The requests wait for a tick that runs, as a key pressed while paused waits for the resume.
    if (world->isPaused() == world->pauseRequested)
        schedule->carryOutRequests(*world);
    world->tick();
    const long at = world->getTickNumber();
    // Counting costs as much as a small tick: only for a chart that keeps the tick.
    const bool kept = whole.wants(at);
    if (at == before || !(charted || kept))
        return;
    const PopulationCensus census = PopulationCensus::of(world->getLives());
    if (charted)
        history.record(at, census);
    whole.record(at, census);
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
        chart.draw(shownHistory(), line);
    lineage.follow(world->getSelectedId());
    keepFollowing();
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

void Lab::addPanels() {
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    overlay = new LabOverlay;
    overlay->setClock([this] { return now(); });
    overlay->setRecorder(&recorder, options.recordClean);
    overlay->setShown(options.panels);
    panels.reset(new LabPanels(*world, history, whole, lineage,
                               [this](const std::string& line) { return perform(line); }));
    overlay->setBuild([this] {
        drawing = true;
        panels->build(panelState);
        drawing = false;
    });
    // The panels are drawn before a screenshot is taken, so it shows them.
    overlay->setAfter(application.getViewer()->getCamera()->getFinalDrawCallback());
    application.getViewer()->getCamera()->setFinalDrawCallback(overlay.get());
}

osgViewer::GraphicsWindow* Lab::window() const {
    osgViewer::Viewer::Windows windows;
    application.getViewer()->getWindows(windows);
    return windows.empty() ? nullptr : windows.front();
}

void Lab::routeInput() {
    osgViewer::GraphicsWindow* window = this->window();
    if (!window)
        return;
    // Read the display's events now, so those meant for a panel can be taken out before the world's turn.
    window->checkEvents();
    const osg::GraphicsContext::Traits* traits = window->getTraits();
    if (panelInput.route(*window->getEventQueue(), overlay->isShown(), traits->width, traits->height)) {
        overlay->setShown(!overlay->isShown());
        std::printf("panels: %s\n", overlay->isShown() ? "shown" : "hidden");
        // Shown now, after this pass's refresh: they show the lab as it is, not as it was when hidden.
        refreshPanels();
    }
}

void Lab::placeHud() {
    if (!window())
        return;
    // The overlay is 1280 x 1024 units whatever the window's size.
    const osg::GraphicsContext::Traits& traits = *window()->getTraits();
    const float across = 1280.0f / std::max(1, traits.width);
    const float down = 1024.0f / std::max(1, traits.height);
    Hud& hud = *world->getHud();
    if (!overlay->isShown() || !panels) {
        hud.setSelectionShift(0, 0);
        return;
    }
    // Right of the left column, and below the bar of the panels' names where the lines would reach it.
    const float top = (1024.0f - hud.getSelectionTextTop()) / down;
    const float lower = std::max(0.0f, panels->getListBottom() + 4 - top);
    hud.setSelectionShift(LabPanels::LEFT_COLUMN_END * across, -lower * down);
}

void Lab::refreshPanels() {
    const std::string failure = recorder.takeFailure();
    if (!failure.empty())
        std::fprintf(stderr, "sylvara-lab: %s\n", say(failure).c_str());
    placeHud();
    if (!overlay->isShown())
        return;
    panelState.ticksPerSecond = measuredRate;
    panelState.framesPerSecond = measuredFrames;
    panelState.speed = speed.getRate();
    panelState.speedText = speed.describe();
    panelState.recording = recorder.isRecording();
    panelState.recordingFile = recorder.getFile();
    panelState.marksShown = marksShown;
    panelState.followedId = followedId;
    panelState.wholeRun = wholeShown;
}

std::string Lab::say(const std::string& line) {
    if (panels)
        panels->note(line);
    return line;
}

// A panel's control is a typed command: carried out, logged and answered as the console's are.
std::string Lab::perform(const std::string& line) {
    bool refused = false;
    const std::string answer = typed(line, "panel", refused);
    std::printf("%s\n", answer.c_str());
    return answer;
}

std::string Lab::record(const std::string& words) {
    const std::string argument = words.substr(0, words.find_last_not_of(" \t") + 1);
    if (argument == "stop") {
        if (!recorder.isRecording())
            return "record: nothing is recording";
        endRecording();
        return "record: stopped";
    }
    std::string file = argument;
    if (file.empty()) {
        // The Record button: the first free name in the folder the lab was started in.
        struct stat status;
        do {
            char name[64];
            std::snprintf(name, sizeof name, "video-%04d.mp4", ++videosMade);
            file = startFolder + "/" + name;
        } while (stat(file.c_str(), &status) == 0);
    } else if (file[0] != '/') {
        file = startFolder + "/" + file;
    }
    const osg::Viewport* viewport = application.getViewer()->getCamera()->getViewport();
    std::string error;
    if (!viewport || !recorder.start(file, static_cast<int>(viewport->width()),
                                     static_cast<int>(viewport->height()), options.recordFps, error)) {
        return viewport ? error : "cannot record before the window opens";
    }
    return "recording " + file + " at " + std::to_string(options.recordFps) + " frames/s";
}

void Lab::endRecording() {
    const std::string failure = recorder.takeFailure();
    if (!failure.empty()) {
        std::fprintf(stderr, "sylvara-lab: %s\n", say(failure).c_str());
        return;
    }
    const std::string line = recorder.stop();
    if (line.empty())
        return;
    if (line.compare(0, 9, "recording") == 0)
        std::fprintf(stderr, "sylvara-lab: %s\n", say(line).c_str());
    else
        std::printf("%s\n", say(line).c_str());
}
