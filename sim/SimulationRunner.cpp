#include "sim/SimulationRunner.h"

#include "common/CommandFile.h"
#include "common/ContentHash.h"
#include "common/OutputFiles.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesDigest.h"
#include "common/RulesFile.h"
#include "common/RunTree.h"
#include "save/SavedWorld.h"
#include "save/SavedWorldWriter.h"
#include "sim/MullerPlot.h"
#include "sim/PhylogenyFiles.h"
#include "sim/ProgressLine.h"
#include "sim/RunRecord.h"
#include "sim/SavePattern.h"
#include "sim/Sha256.h"
#include "sim/SimulationPlot.h"
#include "sim/TileCensus.h"
#include "sim/TraitsPlot.h"
#include "sim/WorldRules.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The program's own tick rate: it scales the animation clocks the organisms are born with.
constexpr int TICK_RATE = 16;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A file name as printed: every message stays one line, whatever the name holds.
std::string shown(const std::string& file) {
    return OutputFiles::printable(file);
}

// Whether a file can be written, without leaving behind one that was not there.
bool writable(const std::string& file, std::string& reason) {
    struct stat info;
    const bool existed = stat(file.c_str(), &info) == 0;
    std::FILE* probe = std::fopen(file.c_str(), "a");
    if (!probe) {
        reason = std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    if (!existed)
        std::remove(file.c_str());
    return true;
}

// A file as the record keeps it: absolute, since a rerun may start from another folder.
std::string absolute(const std::string& file) {
    std::error_code unused;
    const std::filesystem::path path = std::filesystem::absolute(file, unused);
    return path.empty() ? file : path.lexically_normal().string();
}

std::string leaf(const std::string& file) {
    return OutputFiles::printable(std::filesystem::path(file).filename().string());
}

} // namespace

SimulationRunner::SimulationRunner(const SimulationOptions& options, std::ostream& out)
    : options(options), out(out), echoCommands(isatty(STDOUT_FILENO) == 1) {}

SimulationRunner::~SimulationRunner() {
    if (csv)
        std::fclose(csv);
}

long SimulationRunner::residentKb() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    long size = 0;
    long resident = -1;
    if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
        resident = -1;
    std::fclose(statm);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool SimulationRunner::start(std::string& error) {
    const auto begun = std::chrono::steady_clock::now();
    const std::string mullerTables[] = {
        options.mullerFile.empty() ? "" : MullerPlot::tablePath(options.mullerFile, "edges"),
        options.mullerFile.empty() ? "" : MullerPlot::tablePath(options.mullerFile, "populations")};
    recordFile = options.csvFile.empty() ? "" : RunRecord::pathFor(options.csvFile);
    if (!OutputFiles::check({{"--load", options.loadFile},
                             {"--save", options.saveFile},
                             {"--csv", options.csvFile},
                             {"the run record (beside --csv)", recordFile},
                             {"--plot", options.plotFile},
                             {"--traits", options.traitsFile},
                             {"--phylogeny", options.phylogenyFile},
                             {"--newick", options.newickFile},
                             {"--muller", options.mullerFile},
                             {"--evolution", options.evolutionFile},
                             {"--tiles", options.tilesFile},
                             {"--selection", options.selectionFile},
                             {"--evolution-plot", options.evolutionPlotFile},
                             {"--muller (its edges table)", mullerTables[0]},
                             {"--muller (its populations table)", mullerTables[1]}},
                            error))
        return false;
    std::string reason;
    if (!options.plotFile.empty() && !writable(options.plotFile, reason)) {
        error = "cannot write the plot " + options.plotFile + ": " + reason;
        return false;
    }
    if (!options.traitsFile.empty() && !writable(options.traitsFile, reason)) {
        error = "cannot write the traits plot " + options.traitsFile + ": " + reason;
        return false;
    }
    for (const std::string& file :
         {options.phylogenyFile, options.newickFile, options.mullerFile, mullerTables[0], mullerTables[1],
          options.evolutionFile, options.selectionFile, options.evolutionPlotFile, options.tilesFile}) {
        if (!file.empty() && !writable(file, reason)) {
            error = "cannot write " + shown(file) + ": " + reason;
            return false;
        }
    }
    // The record goes beside the census: a folder the census cannot go to is said as the census's.
    if (!recordFile.empty() && !writable(options.csvFile, reason)) {
        error = "cannot write the CSV " + options.csvFile + ": " + reason;
        return false;
    }
    if (!recordFile.empty() && !writable(recordFile, reason)) {
        error = "cannot write the run record " + shown(recordFile) + ": " + reason;
        return false;
    }
    if (!options.mullerFile.empty())
        muller = std::make_unique<MullerPlot>();
    if (!prepareWorld(error))
        return false;
    if (!options.csvFile.empty()) {
        csv = std::fopen(options.csvFile.c_str(), "w");
        if (!csv) {
            error = "cannot write the CSV " + options.csvFile + ": " + std::strerror(errno);
            return false;
        }
        writeCsv(PopulationCensus::csvHeader() +
                 (rescuing ? ",herbivores_inserted,carnivores_inserted,plants_inserted" : ""));
    }
    if (!options.tilesFile.empty()) {
        tileCensus = std::make_unique<TileCensus>(options.tilesFile);
        if (!tileCensus->open(error))
            return false;
    }
    if (options.measuresEvolution()) {
        // The shadows follow the run's seed; under the clock's they still draw the same for every run.
        evolution =
            std::make_unique<EvolutionRecorder>(options, RandomSeed::isFixed() ? RandomSeed::getSeed() : 0u);
        if (!evolution->start(*world, tick, loadedMeasures, out, error))
            return false;
    }
    if (world->isPaused()) {
        // A headless run has no key to resume it: ticking a paused world would only count ticks.
        world->restorePaused(false);
        out << "the saved world was paused: the run resumes it" << std::endl;
    }

    record();
    writeRow();
    setupSeconds = secondsSince(begun);
    return true;
}

void SimulationRunner::startWorld(World& world, const SavedWorld& saved) {
    WorldRules::applyToNew(world, options);
    if (options.loadFile.empty()) {
        const std::vector<std::pair<int, int>> tiles = options.tilesToPopulate();
        ProgressLine progress(out, static_cast<long>(tiles.size()));
        world.genesis(tiles, [&](long done) { progress.settingUp(done, world.getLiving().total()); });
        progress.finish();
        return;
    }
    saved.resume(world, options.seeded ? &options.seed : nullptr);
    // A load by command leaves nothing selected, as the lab's does.
    if (loadedByCommand)
        world.restoreSelection(-1);
    loadedRulesLine = WorldRules::applyToLoaded(world, options);
}

bool SimulationRunner::startAtLastLoad(std::string& error) {
    const std::vector<Command>& commands = options.commands;
    size_t last = commands.size();
    for (size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].name == Command::Name::Load)
            last = i;
    }
    if (last == commands.size())
        return true;
    // Another world under the same name would replay as another run, without a word: refused instead.
    // A file that cannot be read is left to the load to say so.
    const std::string changed = Sha256::changed(commands[last].file, commands[last].digest);
    if (!changed.empty()) {
        error = CommandFile::where(options.commandsFile, commands[last].line) + "load: " + changed;
        return false;
    }
    for (size_t i = 0; i < last; ++i)
        if (commands[i].name == Command::Name::Tool)
            toolBeforeLoad = static_cast<Command::Tool>(commands[i].choice);
    out << last + 1 << " command" << (last == 0 ? "" : "s") << " of " << shown(options.commandsFile)
        << " up to its load of " << shown(commands[last].file) << " taken as done" << std::endl;
    // The world given by the options was put aside by the load: the loaded one goes on as the lab's did.
    options.loadFile = commands[last].file;
    options.seeded = false;
    options.rulesFile.clear();
    options.ruleSettings.clear();
    options.keepGiven = {};
    options.commands.erase(options.commands.begin(), options.commands.begin() + static_cast<long>(last) + 1);
    loadedByCommand = true;
    return true;
}

bool SimulationRunner::prepareWorld(std::string& error) {
    if (!startAtLastLoad(error))
        return false;
    SavedWorld saved;
    if (!options.loadFile.empty() && !SavedWorld::read(options.loadFile, saved, error))
        return false;
    if (!options.loadFile.empty() && !WorldRules::checkLoaded(saved.getRecord().rules, options, error))
        return false;
    // The record keeps what was loaded by content, so a rerun can tell the same world from another.
    std::uint64_t hash = 0;
    std::string unreadable;
    if (!options.loadFile.empty() && ContentHash::ofFile(options.loadFile, hash, unreadable))
        loadHash = ContentHash::hex(hash);
    const long savedTick = saved.getRecord().tickNumber;
    if (savedTick > WorldRecord::LAST_TICK - options.ticks) {
        error = "--ticks " + std::to_string(options.ticks) + " from the saved tick " +
                std::to_string(savedTick) + " would pass the last tick a run can reach, " +
                std::to_string(WorldRecord::LAST_TICK);
        return false;
    }
    // The rules the first tick will run under, which the commands change from; a rerun's are recorded.
    Rules firstRules = options.rules;
    if (!options.loadFile.empty() && !options.fromRecord) {
        firstRules = saved.getRecord().rules;
        RulesFile::apply(options.rulesFile, options.ruleSettings, firstRules, error);
    }
    if (!prepareCommands(!options.loadFile.empty() ? saved.getSize() : options.size, savedTick, firstRules,
                         error))
        return false;
    SavePattern pattern;
    std::string unused;
    const std::string firstEvery =
        SavePattern::parse(options.savePattern, pattern, unused) ? pattern.fileFor(options.saveEvery) : "";
    for (const std::string& file : {options.saveFile, firstEvery}) {
        if (!file.empty() && !SavedWorldWriter::canWrite(file, error)) {
            error = "cannot save the world to " + file + ": " + error;
            return false;
        }
    }
    if (options.seeded)
        RandomSeed::fix(options.seed);
    else
        RandomSeed::release();
    const bool loading = !options.loadFile.empty();
    world = std::make_unique<World>(loading ? saved.getSize() : options.size);
    world->setTickRate(TICK_RATE);
    // Only the whole phylogeny needs the genotypes that left no living descendant.
    world->getGenotypes().setPruned(options.phylogenyFile.empty() || options.phylogenyExtant);
    startWorld(*world, saved);
    loadedMeasures = saved.getRecord().measures;
    startTick = tick = static_cast<int>(world->getTickNumber());
    startFloors = world->getKeep();
    // Commands may change both as the run goes; a rerun starts from what the first tick had.
    startRules = world->getRules();
    if (loading)
        for (const RuleTable::Field* field :
             RuleTable::differences(saved.getRecord().rules, world->getRules()))
            rulesChange += (rulesChange.empty() ? "" : ", ") + std::string(field->name) + " " +
                           RuleTable::format(saved.getRecord().rules, *field) + " -> " +
                           RuleTable::format(world->getRules(), *field);
    const World::Insertions& made = world->getInserted();
    rescuing = options.keeps() || world->getKeep() != World::Floors{} || made[0] + made[1] + made[2] > 0;
    if (!loadedRulesLine.empty())
        out << loadedRulesLine << "\n";
    return true;
}

bool SimulationRunner::prepareCommands(int size, long savedTick, const Rules& startRules,
                                       std::string& error) {
    if (options.commandsFile.empty())
        return true;
    const long last = savedTick + options.ticks;
    // The rules in force as the file changes them, each change judged as the rules given at the start.
    Rules rules = startRules;
    const bool loading = !options.loadFile.empty();
    const auto refuse = [&](const Command& command) -> std::string {
        const long at = command.tick == Command::NO_TICK ? savedTick : command.tick;
        const bool done = loading && at < savedTick;
        if (!done) {
            const std::string clash = CommandSchedule::changeRules(command, rules);
            if (!clash.empty())
                return clash;
        }
        if (command.windowOnly())
            return std::string(Command::word(command.name)) + " is for a window: sylvara-sim has none";
        if (at > last)
            return "tick " + std::to_string(at) + " is past the run's last tick, " + std::to_string(last);
        // No tick follows the last one to carry a request out: it would be left undone.
        if (at == last && command.request())
            return "tick " + std::to_string(at) + " is the run's last: no tick follows to carry out the " +
                   Command::word(command.name);
        return "";
    };
    if (!CommandFile::check(options.commands, options.commandsFile,
                            CommandFile::Board{size, TileGrid::TILE_SIZE, nullptr}, refuse, error))
        return false;
    schedule = std::make_unique<CommandSchedule>(options.commands, options.commandsFile, savedTick,
                                                 options.startFolder);
    schedule->setTool(toolBeforeLoad);
    // After a load by command every command left is the loaded world's, a save at its tick included.
    if (!options.loadFile.empty() && !loadedByCommand) {
        const size_t skipped = schedule->resumeAt(savedTick);
        if (skipped > 0)
            out << skipped << " command" << (skipped == 1 ? "" : "s") << " of " << shown(options.commandsFile)
                << " before the loaded tick " << savedTick << " taken as done" << std::endl;
    }
    for (const Command& command : schedule->getCommands()) {
        if (command.name != Command::Name::Save)
            continue;
        const std::string where = CommandFile::where(options.commandsFile, command.line);
        // A scheduled save over the census or a plot would destroy what the run writes.
        if (!OutputFiles::check({{"--csv", options.csvFile},
                                 {"--plot", options.plotFile},
                                 {"--traits", options.traitsFile},
                                 {"--phylogeny", options.phylogenyFile},
                                 {"--newick", options.newickFile},
                                 {"--muller", options.mullerFile},
                                 {"--tiles", options.tilesFile},
                                 {"save", command.file}},
                                error) ||
            !SavedWorldWriter::canWrite(command.file, error)) {
            error = where + "cannot save the world to " + shown(command.file) + ": " + error;
            return false;
        }
    }
    return true;
}

bool SimulationRunner::carryOutCommands() {
    if (!schedule || quit)
        return quit;
    // On a terminal the lines take the place of the progress line, which comes back below them.
    std::ostringstream echoed;
    quit = schedule->carryOut(
        tick, *world, [this](const std::string& file) { saveTo(file, "--commands"); },
        echoCommands ? &echoed : nullptr);
    std::istringstream lines(echoed.str());
    for (std::string line; std::getline(lines, line);)
        out << "\r\033[K" << line << std::endl;
    const size_t noted = schedule->getNotes().size();
    for (size_t i = notesShown; i < noted; ++i)
        out << schedule->getNotes()[i] << std::endl;
    notesShown = noted;
    // The run ends with the census row of the tick it quit at.
    if (quit && tick != startTick && !dueRow())
        writeRow();
    return quit;
}

void SimulationRunner::saveTo(const std::string& file, const char* option) {
    std::string error;
    SavedWorld snapshot = SavedWorld::capture(*world);
    // The measures go with the world, so that a run resumed from it writes the rows a straight one does.
    if (evolution)
        snapshot.setMeasures(evolution->saveState());
    if (snapshot.write(file, error)) {
        wrote("", option ? option : file == options.saveFile ? "--save" : "--save-every", file);
        return;
    }
    out << error << std::endl;
    savesFailed = true;
}

int SimulationRunner::livingCount(OrganismKind::Value group) const {
    const World::LivingCounts& living = world->getLiving();
    switch (group) {
    case OrganismKind::HERBIVORES:
        return living.herbivores;
    case OrganismKind::CARNIVORES:
        return living.carnivores;
    default:
        return living.plants;
    }
}

// Every tick, from the counts the World keeps: the peak and each kind's last tick alive stay exact
// without walking the organisms, which only a census row needs.
void SimulationRunner::record() {
    const int total = world->getLiving().total();
    if (total > peakOrganisms) {
        peakOrganisms = total;
        peakTick = tick;
    }
    for (int group = 0; group < OrganismKind::COUNT; ++group)
        if (livingCount(static_cast<OrganismKind::Value>(group)) > 0)
            lastAlive[group] = tick;
}

int SimulationRunner::getExtinctionTick(OrganismKind::Value group) const {
    if (livingCount(group) > 0)
        return -1;
    return lastAlive[group] < 0 ? startTick : lastAlive[group] + 1;
}

bool SimulationRunner::dueRow() const {
    return tick % options.interval == 0 || tick == lastTick();
}

void SimulationRunner::writeRow() {
    if (muller)
        muller->sample(world->getGenotypes(), tick);
    census = PopulationCensus::of(world->getLives());
    if (evolution)
        evolution->row(tick, census, out);
    if (tileCensus)
        tileCensus->write(tick, TileCensus::of(world->getLives(), world->getTiles()->getTilesPerSide()), out);
    if (!csv) {
        rows += 1;
        return;
    }
    const World::Insertions& made = world->getInserted();
    const std::string rescue =
        "," + std::to_string(made[0]) + "," + std::to_string(made[1]) + "," + std::to_string(made[2]);
    if (writeCsv(census.csvRow(tick) + (rescuing ? rescue : ""))) {
        rows += 1;
        lastRowTick = tick;
    }
}

// Line by line, so a long run can be watched (or read after a kill) as it goes.
bool SimulationRunner::writeCsv(const std::string& line) {
    if (csvError)
        return false;
    errno = 0;
    const bool written = std::fputs((line + "\n").c_str(), csv) >= 0 && std::fflush(csv) == 0;
    if (written) {
        csvBytes += static_cast<long>(line.size()) + 1;
        return true;
    }
    csvError = errno != 0 ? errno : EIO;
    // A row cut short would read as a row: the file ends with the last whole one.
    std::clearerr(csv);
    if (ftruncate(fileno(csv), csvBytes) != 0)
        csvCutShort = true;
    reportCsvFailure();
    return false;
}

void SimulationRunner::reportCsvFailure() {
    out << "could not write the CSV " << shown(options.csvFile) << " (" << std::strerror(csvError)
        << "): it ";
    if (rows > 0)
        out << "holds " << rows << " rows, the last for tick " << lastRowTick;
    else
        out << "holds no rows";
    out << (csvCutShort ? ", and may end with one cut short" : "") << "; no plot is drawn from it"
        << std::endl;
}

void SimulationRunner::step() {
    const auto begun = std::chrono::steady_clock::now();
    world->tick();
    tick += 1;
    if (evolution)
        evolution->endTick(tick);
    record();
    if (dueRow())
        writeRow();
    if (options.memoryEvery > 0 && tick % options.memoryEvery == 0)
        out << "tick " << tick << " rss " << residentKb() << " organisms " << world->getLiving().total()
            << std::endl;
    if (options.saveEvery > 0 && tick % options.saveEvery == 0) {
        SavePattern pattern;
        std::string error;
        if (SavePattern::parse(options.savePattern, pattern, error))
            saveTo(pattern.fileFor(tick));
    }
    tickSeconds += secondsSince(begun);
}

void SimulationRunner::runAll() {
    ProgressLine progress(out, options.ticks);
    while (!carryOutCommands() && tick < lastTick()) {
        if (schedule)
            schedule->carryOutRequests(*world);
        step();
        const World::LivingCounts& living = world->getLiving();
        progress.update(tick - startTick, living.herbivores, living.carnivores, living.plants);
    }
    progress.finish();
}

bool SimulationRunner::finish() {
    if (!options.saveFile.empty())
        saveTo(options.saveFile);
    const bool drawn = closeOutputs();
    const bool lineage = writeLineage();
    const bool tiled = !tileCensus || tileCensus->close(out);
    if (tileCensus && tiled)
        wrote("tile census", "--tiles", options.tilesFile);
    const bool measured = !evolution || evolution->finish(census, title(), out);
    if (evolution)
        for (const auto& [option, file] : evolution->getWritten())
            wrote("", option, file);
    const bool recorded = writeRecord();
    return drawn && lineage && tiled && measured && recorded && !savesFailed && !csvError;
}

void SimulationRunner::wrote(const std::string& label, const std::string& option, const std::string& file) {
    written.push_back({label, option, file});
}

bool SimulationRunner::writeRecord() {
    if (recordFile.empty())
        return true;
    RunRecord r;
    r.version = SYLVARA_VERSION;
    r.commit = RunRecord::sourceCommit();
    r.command = options.commandLine;
    std::error_code unused;
    r.folder =
        options.startFolder.empty() ? std::filesystem::current_path(unused).string() : options.startFolder;
    r.size = world->getTiles()->getTilesPerSide();
    r.genesis = options.loadFile.empty() ? RunRecord::genesisOf(options) : "loaded";
    r.seed = RandomSeed::getSeed();
    r.seedGiven = options.seeded;
    r.repeatable = RandomSeed::isFixed();
    r.ticks = options.ticks;
    r.interval = options.interval;
    r.firstTick = startTick;
    r.lastTick = tick;
    r.phylogenyExtant = options.phylogenyExtant;
    r.mullerShare = options.mullerShare * 100.0;
    r.rerunOf = options.rerunFile.empty() ? "" : absolute(options.rerunFile);
    if (!options.loadFile.empty()) {
        r.loadFile = absolute(options.loadFile);
        r.loadTick = startTick;
        r.loadHash = loadHash;
    }
    r.rulesFile = options.rulesFile;
    r.ruleSettings = options.ruleSettings;
    r.rules = startRules;
    r.rulesChange = rulesChange;
    r.floors = startFloors;
    const World::Insertions& made = world->getInserted();
    for (int k = 0; k < 3; ++k)
        r.inserted[k] = made[k];
    if (!options.commandsFile.empty()) {
        r.commandsFile = absolute(options.commandsFile);
        for (const Command& command : options.commands)
            r.commandLines.push_back(command.text());
        r.commandsCarriedOut = schedule ? static_cast<long>(schedule->getCarriedOut()) : 0;
    }
    for (const Written& file : written)
        r.outputs.push_back({file.option, absolute(file.file)});
    r.wallSeconds = secondsSince(created);
    std::string error;
    recordWritten = r.write(recordFile, error);
    if (!recordWritten)
        out << error << std::endl;
    return recordWritten;
}

bool SimulationRunner::closeOutputs() {
    if (csv) {
        const bool closed = std::fclose(csv) == 0;
        csv = nullptr;
        if (!closed && !csvError) {
            csvError = errno != 0 ? errno : EIO;
            reportCsvFailure();
        }
        if (!csvError)
            wrote("", "--csv", options.csvFile);
    }
    if (csvError || (options.plotFile.empty() && options.traitsFile.empty()))
        return true;
    if (options.csvFile.empty()) {
        out << "No plot drawn: it is drawn from the CSV, and none was written." << std::endl;
        return false;
    }
    const std::string title = this->title();
    bool drawn = true;
    std::string error;
    if (!options.plotFile.empty()) {
        const Gnuplot::Result result = SimulationPlot::draw(options.csvFile, options.plotFile, title, error);
        drawn = reportPlot(result, "the plot " + shown(options.plotFile), error);
        if (drawn)
            wrote("plot", "--plot", options.plotFile);
    }
    if (!options.traitsFile.empty() && drawn) {
        const Gnuplot::Result result = TraitsPlot::draw(options.csvFile, options.traitsFile, title, error);
        drawn = reportPlot(result, "the traits plot " + shown(options.traitsFile), error);
        if (drawn)
            wrote("traits plot", "--traits", options.traitsFile);
    }
    return drawn || missingGnuplot;
}

bool SimulationRunner::writeLineage() {
    const GenotypeTable& genotypes = world->getGenotypes();
    std::string error;
    bool whole = true;
    const auto report = [&](bool ok, const char* label, const char* option, const std::string& file) {
        if (ok)
            wrote(label, option, file);
        else
            out << error << std::endl;
        whole = whole && ok;
    };
    if (!options.phylogenyFile.empty())
        report(PhylogenyFiles::writeTable(genotypes, options.phylogenyExtant, options.phylogenyFile, error),
               "phylogeny", "--phylogeny", options.phylogenyFile);
    if (!options.newickFile.empty())
        report(PhylogenyFiles::writeNewick(genotypes, options.newickFile, error), "newick", "--newick",
               options.newickFile);
    if (muller) {
        std::vector<std::string> tables;
        const Gnuplot::Result result =
            muller->draw(options.mullerFile, options.mullerShare, title(), error, tables);
        const char* const labels[] = {"muller edges table", "muller populations table"};
        for (size_t t = 0; t < tables.size() && t < 2; ++t)
            wrote(labels[t], "--muller", tables[t]);
        if (!error.empty()) {
            report(false, "", "", "");
        } else if (result == Gnuplot::Result::NoGnuplot) {
            out << "gnuplot was not found on PATH: no Muller plot drawn; its tables are written."
                << std::endl;
        } else if (result == Gnuplot::Result::Failed) {
            out << "gnuplot failed: the Muller plot " << shown(options.mullerFile) << " was not drawn."
                << std::endl;
            whole = false;
        } else {
            wrote("muller plot", "--muller", options.mullerFile);
        }
    }
    return whole;
}

std::string SimulationRunner::title() const {
    return "Sylvara, " + std::to_string(world->getTiles()->getTilesPerSide()) + " tiles per side, " +
           (RandomSeed::isFixed() ? "seed " + std::to_string(RandomSeed::getSeed())
                                  : std::string("clock seed")) +
           ", " + rulesTitle();
}

std::string SimulationRunner::rulesTitle() const {
    const std::string file = options.rulesFile.empty() ? "" : leaf(options.rulesFile);
    if (options.loadFile.empty())
        return RulesDigest::title(file, options.ruleSettings);
    const std::string saved = "rules saved in " + leaf(options.loadFile);
    if (!options.changesRules())
        return saved;
    // "rules saved in w.sylvara; from tick 600: my.toml, set mutation.chance=0".
    std::string changes = file;
    for (const std::string& setting : options.ruleSettings)
        changes += (changes.empty() ? "set " : ", set ") + OutputFiles::printable(setting);
    return saved + "; from tick " + std::to_string(startTick) + ": " + changes;
}

// True when drawn; a missing gnuplot is said once and is no failure of the run.
bool SimulationRunner::reportPlot(Gnuplot::Result result, const std::string& plot, const std::string& error) {
    if (!error.empty()) {
        out << error << std::endl;
        return false;
    }
    switch (result) {
    case Gnuplot::Result::Drawn:
        return true;
    case Gnuplot::Result::NoGnuplot:
        out << "gnuplot was not found on PATH: no plot drawn (install gnuplot-nox); the CSV "
            << shown(options.csvFile) << " is written." << std::endl;
        missingGnuplot = true;
        return false;
    case Gnuplot::Result::Failed:
        break;
    }
    out << "gnuplot failed: " << plot << " was not drawn; the CSV " << shown(options.csvFile)
        << " is written." << std::endl;
    return false;
}

void SimulationRunner::printSummary(std::ostream& to) const {
    const double rate = tickSeconds > 0.0 ? (tick - startTick) / tickSeconds : 0.0;
    char line[256];
    std::snprintf(line, sizeof line, "ran %d ticks in %.2f s (%.1f ticks/s); set-up %.2f s\n",
                  tick - startTick, tickSeconds, rate, setupSeconds);
    to << line;
    if (!options.rerunFile.empty())
        to << "rerun of " << shown(options.rerunFile) << ", its rules and seed as recorded\n";
    if (!options.loadFile.empty())
        to << "loaded " << shown(options.loadFile) << " at tick " << startTick << "\n";
    if (options.loadFile.empty())
        to << "rules: " << RulesDigest::brief(options.rulesFile, options.ruleSettings) << "\n";
    else if (!options.changesRules())
        to << "rules: as saved in the loaded world\n";
    else
        to << "rules: " << RulesDigest::brief(options.rulesFile, options.ruleSettings)
           << " over the loaded world's, from tick " << startTick << "\n";
    to << "peak organisms " << peakOrganisms << " at tick " << peakTick << "\n";
    to << "final herbivores " << livingCount(OrganismKind::HERBIVORES) << ", carnivores "
       << livingCount(OrganismKind::CARNIVORES) << ", plants " << livingCount(OrganismKind::PLANTS) << "\n";
    const char* const names[] = {"herbivores", "carnivores", "plants"};
    const World::Insertions& made = world->getInserted();
    for (int g = 0; g < OrganismKind::COUNT; ++g) {
        const int extinct = getExtinctionTick(static_cast<OrganismKind::Value>(g));
        if (extinct < 0)
            to << names[g] << " alive";
        else if (lastAlive[g] < 0 && startTick == 0)
            to << names[g] << " never lived";
        else if (lastAlive[g] < 0)
            to << names[g] << " none from the loaded tick " << startTick;
        else
            to << names[g] << " died out at tick " << extinct;
        // A kind that lived on rescue's insertions never passes for one that lived on its own.
        if (made[g] > 0)
            to << ", rescued: " << made[g] << " inserted";
        to << "\n";
    }
    if (rescuing)
        to << "rescue keeps "
           << (world->getKeep() == World::Floors{} ? "nothing now" : WorldRules::keepText(world->getKeep()))
           << "; inserted herbivores " << made[0] << ", carnivores " << made[1] << ", plants " << made[2]
           << "\n";
    if (schedule)
        to << "commands " << schedule->getCarriedOut() << " carried out from " << shown(options.commandsFile)
           << (quit ? ", the last a quit at tick " + std::to_string(tick) : std::string()) << "\n";
    if (!options.csvFile.empty())
        to << "csv " << shown(options.csvFile) << " (" << rows << " rows" << (csvError ? ", then failed" : "")
           << ")\n";
    // Only what is on the list of files written, the plots drawn from the census before the lineage.
    const auto files = [&](bool plots) {
        for (const Written& file : written)
            if (!file.label.empty() && (file.label == "plot" || file.label == "traits plot") == plots)
                to << file.label << " " << shown(file.file) << "\n";
    };
    files(true);
    to << "genotypes alive " << world->getGenotypes().livingGenotypes() << ", deepest living depth "
       << world->getGenotypes().deepestLiving() << "\n";
    files(false);
    if (recordWritten)
        to << "record " << shown(recordFile) << "\n";
    if (evolution)
        evolution->printSummary(to);
    to.flush();
}
