#include "sim/CommandSchedule.h"

#include "common/CommandFile.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <ostream>

static_assert(CommandFile::TILE_SIZE == TileGrid::TILE_SIZE,
              "command files are checked against the world's tiles");

CommandSchedule::CommandSchedule(std::vector<Command> given, std::string fileName, long startTick,
                                 const std::string& saveFolder)
    : commands(std::move(given)), name(std::move(fileName)) {
    for (Command& command : commands) {
        if (command.tick == Command::NO_TICK)
            command.tick = startTick;
        if (command.name == Command::Name::Save && command.file.empty())
            command.file = RunTree::fromStart(saveFolder.empty() ? "." : saveFolder,
                                              "world-" + std::to_string(command.tick) + ".sylvara");
    }
}

size_t CommandSchedule::resumeAt(long from) {
    size_t skipped = 0;
    // Requests of the loaded tick stay: a save at T holds the world before T+1 carries them out.
    // Rule, floor, tool and selection changes of that tick are carried out again, which leaves them as
    // they are; only a save or a quit of that tick would repeat what the first run did.
    std::vector<Command> kept;
    for (const Command& command : commands) {
        const bool done = command.tick < from ||
                          (command.tick == from &&
                           (command.name == Command::Name::Save || command.name == Command::Name::Quit));
        // The tool is no part of a saved world: the last one chosen is still the one applied.
        if (done && command.name == Command::Name::Tool)
            tool = static_cast<Command::Tool>(command.choice);
        if (done)
            skipped += 1;
        else
            kept.push_back(command);
    }
    commands = kept;
    next = 0;
    return skipped;
}

bool CommandSchedule::carryOut(long tick, World& world, const Save& save, std::ostream* echo) {
    bool quit = false;
    stopped = false;
    while (!stopped && next < commands.size() && commands[next].tick <= tick) {
        // Copied: a load may add to the commands.
        const Command command = commands[next++];
        if (echo)
            *echo << "tick " << tick << ": " << command.action() << std::endl;
        quit = carryOutOne(tick, command, world, save) || quit;
    }
    return quit;
}

bool CommandSchedule::carryOutNow(const Command& given, World& world, const Save& save) {
    Command command = given;
    command.tick = world.getTickNumber();
    if (command.name == Command::Name::Save && command.file.empty())
        command.file = "world-" + std::to_string(command.tick) + ".sylvara";
    return carryOutOne(command.tick, command, world, save);
}

void CommandSchedule::add(const Command& command) {
    size_t at = next;
    while (at < commands.size() && commands[at].tick <= command.tick)
        at += 1;
    commands.insert(commands.begin() + static_cast<long>(at), command);
}

bool CommandSchedule::carryOutOne(long tick, const Command& command, World& world, const Save& save) {
    carriedOut += 1;
    if (watch)
        watch(tick, command);
    if (command.name == Command::Name::Load) {
        // What was asked of the world before it went is not asked of the loaded one.
        requests.clear();
        stopped = true;
        if (loadWorld)
            loadWorld(command);
        return false;
    }
    if (command.request())
        requests.push_back(command);
    else if (command.name == Command::Name::Quit)
        return true;
    else if (command.windowOnly()) {
        if (windowCommands)
            windowCommands(command);
    } else
        apply(command, world, save);
    return false;
}

void CommandSchedule::carryOutRequests(World& world) {
    for (const Command& command : requests)
        request(command, world);
    requests.clear();
}

std::string CommandSchedule::changeRules(const Command& command, Rules& rules) {
    if (command.name != Command::Name::Set && command.name != Command::Name::Rules)
        return "";
    std::string unused;
    if (command.name == Command::Name::Set)
        RuleTable::set(rules, *RuleTable::find(command.rule), command.value);
    else
        RulesFile::readText(command.contents, command.file, rules, unused);
    const std::string clash = RuleCombination::check(rules);
    return clash.empty()
               ? ""
               : Command::word(command.name) + std::string(" would leave rules that cannot run: ") + clash;
}

void CommandSchedule::apply(const Command& command, World& world, const Save& save) {
    switch (command.name) {
    case Command::Name::Set:
    case Command::Name::Rules: {
        // Checked when the file was read: the change cannot fail now.
        Rules rules = world.getRules();
        changeRules(command, rules);
        world.setRules(rules);
        return;
    }
    case Command::Name::Keep: {
        World::Floors floors = world.getKeep();
        floors[command.choice] = static_cast<int>(command.number);
        world.setKeep(floors);
        return;
    }
    case Command::Name::Tool:
        tool = static_cast<Command::Tool>(command.choice);
        return;
    case Command::Name::Select: {
        const int id = static_cast<int>(command.number);
        const auto& lives = world.getLives();
        const auto found = lives.find(id);
        const bool living = found != lives.end() && found->second->getState() != STATE_DEAD;
        if (id >= 0 && !living)
            notes.push_back("tick " + std::to_string(command.tick) + ": " + command.action() +
                            ": no organism " + std::to_string(id) + " lives; nothing is selected");
        world.restoreSelection(living ? id : -1);
        // Its arrow at once, as a click of the select tool shows it: a paused world has no tick to place it.
        if (living)
            world.placeGroundMarker(found->second->getPosition(), 1);
        return;
    }
    case Command::Name::Save:
        save(command.file);
        return;
    default:
        // The window's commands were refused before the run began.
        return;
    }
}

void CommandSchedule::request(const Command& command, World& world) {
    switch (command.name) {
    case Command::Name::Spawn:
    case Command::Name::Predator:
    case Command::Name::Prey: {
        // The command alone says where: a placed one puts the cursor there for its own draw, an
        // unplaced one takes it off the ground so the point is drawn, wherever a window's mouse is.
        // The cursor is then put back as it was (a headless world's is never on the ground).
        const bool wasOnGround = world.isCursorOnGround();
        const osg::Vec3d wasAt = world.getCursorPoint();
        if (command.placed)
            world.setCursorPoint(osg::Vec3d(command.x, command.y, 0.0));
        else if (wasOnGround)
            world.clearCursor();
        if (command.name == Command::Name::Predator)
            world.spawnPredatorForSelection();
        else if (command.name == Command::Name::Prey)
            world.spawnPreyForSelection();
        else if (command.choice == static_cast<int>(Command::Kind::Herbivore))
            world.spawnRandomHerbivore();
        else if (command.choice == static_cast<int>(Command::Kind::Carnivore))
            world.spawnRandomCarnivore();
        else
            world.spawnRandomPlant();
        if (wasOnGround)
            world.setCursorPoint(wasAt);
        else if (command.placed)
            world.clearCursor();
        return;
    }
    case Command::Name::Apply: {
        WorldTile* tile = world.getTiles()->tileAt(command.column, command.row);
        switch (tool) {
        case Command::Tool::Killer:
            tile->killAll();
            return;
        case Command::Tool::Genesis:
            tile->genesis();
            return;
        case Command::Tool::Fertilizer:
            tile->toggleFertilized();
            return;
        case Command::Tool::Select: {
            // As a click on the tile's centre.
            const double centre = TileGrid::TILE_SIZE / 2.0;
            const int id = tile->findNearestLife(osg::Vec3d(command.column * TileGrid::TILE_SIZE + centre,
                                                            command.row * TileGrid::TILE_SIZE + centre, 0));
            world.restoreSelection(id);
            return;
        }
        case Command::Tool::Camera:
            return;
        }
        return;
    }
    default:
        return;
    }
}
