#include "python/WorldSession.h"

#include "common/CommandFile.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "save/SavedWorld.h"
#include "save/SavedWorldWriter.h"
#include "sim/PopulationCensus.h"
#include "sim/SimulationOptions.h"
#include "sim/WorldRules.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace {

// sylvara-sim's tick rate: the animation clocks the organisms are born with follow it, and with them
// the world's course.
constexpr int TICK_RATE = 16;

const char* const RESCUE_COLUMNS[] = {"herbivores_inserted", "carnivores_inserted", "plants_inserted"};

// The folder of the shared object (or program) this code was linked into.
std::string codeFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&codeFolder), &info) == 0 || !info.dli_fname)
        return RunTree::binFolder();
    std::error_code failure;
    const std::filesystem::path file = std::filesystem::canonical(info.dli_fname, failure);
    return failure ? RunTree::binFolder() : file.parent_path().string();
}

bool holdsRules(const std::string& workFolder) {
    return access((workFolder + "/../rules").c_str(), R_OK | X_OK) == 0;
}

} // namespace

// Where the install puts the tree, seen from the module's folder (from cmake/Python.cmake).
#ifndef SYLVARA_TREE_FROM_MODULE
#define SYLVARA_TREE_FROM_MODULE "../../../share/sylvara"
#endif

std::string WorldSession::findWorkFolder(std::string& error) {
    const std::string own = codeFolder();
    std::vector<std::string> installed = RunTree::installedTrees(own);
    // The module is no program in bin/: the tree as laid out beside it comes first.
    installed.insert(installed.begin(), own + "/" SYLVARA_TREE_FROM_MODULE);
    const std::string folder = RunTree::workFolder(own, installed);
    if (holdsRules(folder))
        return folder;
    std::string trees;
    for (const std::string& tree : installed)
        trees += (trees.empty() ? "" : ", ") + tree;
    error = "cannot find Sylvara's rules/ folder: no run tree beside the module (" + own +
            "/..) nor installed (" + trees + ")";
    return "";
}

std::unique_ptr<WorldSession> WorldSession::create(const std::vector<std::string>& words,
                                                   std::string& error) {
    std::vector<const char*> argv{"sylvara-sim"};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    SimulationOptions options;
    const SimulationOptions::Outcome outcome =
        SimulationOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error);
    if (outcome != SimulationOptions::Outcome::Run) {
        if (error.empty())
            error = "not a world's options";
        return nullptr;
    }
    std::unique_ptr<WorldSession> session(new WorldSession);
    if (options.seeded)
        RandomSeed::fix(options.seed);
    else
        RandomSeed::release();
    session->build(options.size);
    World& world = *session->world;
    WorldRules::applyToNew(world, options);
    world.genesis(options.tilesToPopulate());
    session->takeSeed();
    session->rescuing = options.keeps();
    return session;
}

std::unique_ptr<WorldSession> WorldSession::load(const std::string& file, std::string& error) {
    SavedWorld saved;
    if (!SavedWorld::read(file, saved, error))
        return nullptr;
    const SimulationOptions none;
    if (!WorldRules::checkLoaded(saved.getRecord().rules, none, error))
        return nullptr;
    std::unique_ptr<WorldSession> session(new WorldSession);
    RandomSeed::release();
    session->build(saved.getSize());
    World& world = *session->world;
    WorldRules::applyToNew(world, none);
    saved.resume(world, nullptr);
    // Nothing here could resume a paused world: ticking it would only count ticks.
    if (world.isPaused())
        world.restorePaused(false);
    session->takeSeed();
    const World::Insertions& made = world.getInserted();
    session->rescuing = world.getKeep() != World::Floors{} || made[0] + made[1] + made[2] > 0;
    return session;
}

void WorldSession::build(int size) {
    // A headless world reads no art and no folder: the caller's working folder is left alone.
    world = std::make_unique<World>(size);
    world->setTickRate(TICK_RATE);
    world->getGenotypes().setPruned(true);
    schedule = std::make_unique<CommandSchedule>(std::vector<Command>{}, "", 0);
}

WorldSession::~WorldSession() = default;

void WorldSession::takeSeed() {
    seeded = RandomSeed::isFixed();
    seed = RandomSeed::getSeed();
}

void WorldSession::activate() const {
    if (!seeded) {
        RandomSeed::release();
        return;
    }
    RandomSeed::fix(seed);
    std::srand(RandomSeed::seedAfter(seed, world->getTickNumber()));
}

long WorldSession::getTick() const {
    return world->getTickNumber();
}

bool WorldSession::tick(std::string& stop) {
    stop.clear();
    schedule->carryOutRequests(*world);
    world->tick();
    return carryOutDue(stop);
}

bool WorldSession::carryOutDue(std::string& stop) {
    std::string failed;
    const bool quit = schedule->carryOut(
        getTick(), *world,
        [&](const std::string& file) {
            std::string error;
            if (!SavedWorld::capture(*world).write(file, error) && failed.empty())
                failed = error;
        },
        nullptr);
    for (; notesTaken < schedule->getNotes().size(); ++notesTaken)
        notes.push_back(schedule->getNotes()[notesTaken]);
    stop = failed;
    return !quit && failed.empty();
}

std::vector<std::string> WorldSession::takeNotes() {
    std::vector<std::string> taken;
    taken.swap(notes);
    return taken;
}

std::vector<std::string> WorldSession::censusColumns() const {
    std::vector<std::string> columns;
    std::istringstream header(PopulationCensus::csvHeader());
    for (std::string column; std::getline(header, column, ',');)
        columns.push_back(column);
    if (isRescuing())
        columns.insert(columns.end(), std::begin(RESCUE_COLUMNS), std::end(RESCUE_COLUMNS));
    return columns;
}

std::string WorldSession::censusRow() const {
    std::string row = PopulationCensus::of(world->getLives()).csvRow(static_cast<int>(getTick()));
    if (isRescuing()) {
        const World::Insertions& made = world->getInserted();
        for (long count : made)
            row += "," + std::to_string(count);
    }
    return row;
}

bool WorldSession::isRescuing() const {
    return rescuing || world->getKeep() != World::Floors{};
}

WorldSession::Outcome WorldSession::command(const std::string& line, const std::string& folder,
                                            std::string& error) {
    Command command;
    bool empty = false;
    if (!CommandFile::readLine(line, getTick(), command, empty, error, folder))
        return Outcome::Refused;
    if (empty) {
        error = "no command";
        return Outcome::Refused;
    }
    const auto refuse = [&](const Command& given) -> std::string {
        if (given.windowOnly())
            return std::string(Command::word(given.name)) + " is for a window: a headless world has none";
        // This object is one world: another is a new object.
        if (given.name == Command::Name::Load)
            return "load: sylvara.load(path) gives the saved world as a World of its own";
        if (given.tick < getTick())
            return "tick " + std::to_string(given.tick) + " has passed: the world is at tick " +
                   std::to_string(getTick());
        if (given.name == Command::Name::Set || given.name == Command::Name::Rules) {
            Rules rules = world->getRules();
            std::string unused;
            if (given.name == Command::Name::Set)
                RuleTable::set(rules, *RuleTable::find(given.rule), given.value);
            else
                RulesFile::readText(given.contents, given.file, rules, unused);
            const std::string clash = RuleCombination::check(rules);
            if (!clash.empty())
                return Command::word(given.name) + std::string(" would leave rules that cannot run: ") +
                       clash;
        }
        if (given.name == Command::Name::Save && !given.file.empty()) {
            std::string reason;
            if (!SavedWorldWriter::canWrite(given.file, reason))
                return "cannot save the world to " + given.file + ": " + reason;
        }
        return "";
    };
    const CommandFile::Board board{world->getTiles()->getTilesPerSide(), TileGrid::TILE_SIZE};
    if (!CommandFile::check({command}, "", board, refuse, error)) {
        // Typed, not read from a file: no file and line to name.
        const std::string where = CommandFile::where("", command.line);
        if (error.compare(0, where.size(), where) == 0)
            error.erase(0, where.size());
        return Outcome::Refused;
    }
    if (command.name == Command::Name::Save && command.file.empty())
        command.file = "world-" + std::to_string(command.tick) + ".sylvara";
    schedule->add(command);
    activate();
    std::string failed;
    if (!carryOutDue(failed) && !failed.empty()) {
        error = failed;
        return Outcome::Failed;
    }
    return Outcome::Done;
}

bool WorldSession::save(const std::string& file, std::string& error) {
    if (!SavedWorldWriter::canWrite(file, error)) {
        error = "cannot save the world to " + file + ": " + error;
        return false;
    }
    activate();
    return SavedWorld::capture(*world).write(file, error);
}

const Rules& WorldSession::getRules() const {
    return world->getRules();
}

bool WorldSession::checkRules(const Rules& rules, const char* how, std::string& error) const {
    const std::string clash = RuleCombination::check(rules);
    if (clash.empty())
        return true;
    error = std::string(how) + " would leave rules that cannot run: " + clash;
    return false;
}

bool WorldSession::setRules(const std::vector<std::pair<std::string, std::string>>& settings,
                            std::string& error) {
    Rules rules = world->getRules();
    for (const auto& [name, value] : settings) {
        Command set;
        if (!Command::parse("set " + name + "=" + value, set, error))
            return false;
        if (set.name != Command::Name::Set) {
            error = "set takes NAME=VALUE, without blanks";
            return false;
        }
        RuleTable::set(rules, *RuleTable::find(set.rule), set.value);
    }
    if (!checkRules(rules, "set", error))
        return false;
    world->setRules(rules);
    return true;
}

bool WorldSession::readRules(const std::string& file, std::string& error) {
    Rules rules = world->getRules();
    if (!RulesFile::read(file, rules, error) || !checkRules(rules, "rules", error))
        return false;
    world->setRules(rules);
    return true;
}
