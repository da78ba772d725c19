#include "sim/SimulationRunner.h"

#include "common/OutputFiles.h"
#include "common/RuleTable.h"
#include "save/SavedWorld.h"
#include "save/SavedWorldWriter.h"
#include "sim/MullerPlot.h"
#include "sim/PhylogenyFiles.h"
#include "sim/ProgressLine.h"
#include "sim/SavePattern.h"
#include "sim/SimulationPlot.h"
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
#include <ostream>
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

} // namespace

SimulationRunner::SimulationRunner(const SimulationOptions& options, std::ostream& out)
    : options(options), out(out) {}

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
    // The world reads its art relative to bin/; without it every organism would be invisible and silent
    // but the run would still look fine, so say where to run from instead.
    if (access("../models/bloom.xsf", R_OK) != 0) {
        error = "cannot read ../models/bloom.xsf: run from the run tree's bin folder (stage/bin)";
        return false;
    }
    const std::string mullerTables[] = {
        options.mullerFile.empty() ? "" : MullerPlot::tablePath(options.mullerFile, "edges"),
        options.mullerFile.empty() ? "" : MullerPlot::tablePath(options.mullerFile, "populations")};
    if (!OutputFiles::check({{"--load", options.loadFile},
                             {"--save", options.saveFile},
                             {"--csv", options.csvFile},
                             {"--plot", options.plotFile},
                             {"--traits", options.traitsFile},
                             {"--phylogeny", options.phylogenyFile},
                             {"--newick", options.newickFile},
                             {"--muller", options.mullerFile},
                             {"--evolution", options.evolutionFile},
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
          options.evolutionFile, options.selectionFile, options.evolutionPlotFile}) {
        if (!file.empty() && !writable(file, reason)) {
            error = "cannot write " + shown(file) + ": " + reason;
            return false;
        }
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
    if (options.measuresEvolution()) {
        // The shadows follow the run's seed; under the clock's they still draw the same for every run.
        evolution =
            std::make_unique<EvolutionRecorder>(options, RandomSeed::isFixed() ? RandomSeed::getSeed() : 0u);
        if (!evolution->start(*world, tick, error))
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
    loadedRulesLine = WorldRules::applyToLoaded(world, options);
}

bool SimulationRunner::prepareWorld(std::string& error) {
    SavedWorld saved;
    if (!options.loadFile.empty() && !SavedWorld::read(options.loadFile, saved, error))
        return false;
    const long savedTick = saved.getRecord().tickNumber;
    if (savedTick > WorldRecord::LAST_TICK - options.ticks) {
        error = "--ticks " + std::to_string(options.ticks) + " from the saved tick " +
                std::to_string(savedTick) + " would pass the last tick a run can reach, " +
                std::to_string(WorldRecord::LAST_TICK);
        return false;
    }
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
    root = new osg::Group;
    const bool loading = !options.loadFile.empty();
    world = std::make_unique<World>(loading ? saved.getSize() : options.size, nullptr, root.get(), nullptr,
                                    World::Scene::headless);
    world->setTickRate(TICK_RATE);
    // Only the whole phylogeny needs the genotypes that left no living descendant.
    world->getGenotypes().setPruned(options.phylogenyFile.empty() || options.phylogenyExtant);
    startWorld(*world, saved);
    startTick = tick = static_cast<int>(world->getTickNumber());
    const World::Insertions& made = world->getInserted();
    rescuing = options.keeps() || world->getKeep() != World::Floors{} || made[0] + made[1] + made[2] > 0;
    if (!loadedRulesLine.empty())
        out << loadedRulesLine << "\n";
    return true;
}

void SimulationRunner::saveTo(const std::string& file) {
    std::string error;
    if (SavedWorld::capture(*world).write(file, error))
        return;
    out << error << std::endl;
    savesFailed = true;
}

int SimulationRunner::livingCount(PopulationCensus::Group group) const {
    const World::LivingCounts& living = world->getLiving();
    switch (group) {
    case PopulationCensus::HERBIVORES:
        return living.herbivores;
    case PopulationCensus::CARNIVORES:
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
    for (int group = 0; group < PopulationCensus::GROUPS; ++group)
        if (livingCount(static_cast<PopulationCensus::Group>(group)) > 0)
            lastAlive[group] = tick;
}

int SimulationRunner::getExtinctionTick(PopulationCensus::Group group) const {
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
    while (tick < lastTick()) {
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
    const bool measured = !evolution || evolution->finish(census, title(), out);
    return drawn && lineage && measured && !savesFailed && !csvError;
}

bool SimulationRunner::closeOutputs() {
    if (csv) {
        const bool closed = std::fclose(csv) == 0;
        csv = nullptr;
        if (!closed && !csvError) {
            csvError = errno != 0 ? errno : EIO;
            reportCsvFailure();
        }
    }
    if (csvError || (options.plotFile.empty() && options.traitsFile.empty()))
        return true;
    if (options.csvFile.empty()) {
        out << "No plot drawn: it is drawn from the CSV, and none was written." << std::endl;
        return false;
    }
    const std::string title =
        "Sylvara, " + std::to_string(options.size) + " tiles per side, " +
        (RandomSeed::isFixed() ? "seed " + std::to_string(RandomSeed::getSeed()) : std::string("clock seed"));
    bool drawn = true;
    if (!options.plotFile.empty()) {
        plotted = reportPlot(SimulationPlot::draw(options.csvFile, options.plotFile, title),
                             "the plot " + shown(options.plotFile));
        drawn = plotted;
    }
    if (!options.traitsFile.empty() && drawn) {
        traitsPlotted = reportPlot(TraitsPlot::draw(options.csvFile, options.traitsFile, title),
                                   "the traits plot " + shown(options.traitsFile));
        drawn = traitsPlotted;
    }
    return drawn || missingGnuplot;
}

bool SimulationRunner::writeLineage() {
    const GenotypeTable& genotypes = world->getGenotypes();
    std::string error;
    bool written = true;
    const auto report = [&](bool ok) {
        if (!ok)
            out << error << std::endl;
        written = written && ok;
    };
    if (!options.phylogenyFile.empty())
        report(PhylogenyFiles::writeTable(genotypes, options.phylogenyExtant, options.phylogenyFile, error));
    if (!options.newickFile.empty())
        report(PhylogenyFiles::writeNewick(genotypes, options.newickFile, error));
    if (muller) {
        const Gnuplot::Result result = muller->draw(options.mullerFile, options.mullerShare, title(), error);
        if (!error.empty()) {
            report(false);
        } else if (result == Gnuplot::Result::NoGnuplot) {
            out << "gnuplot was not found on PATH: no Muller plot drawn; its tables are written."
                << std::endl;
        } else if (result == Gnuplot::Result::Failed) {
            out << "gnuplot failed: the Muller plot " << options.mullerFile << " was not drawn." << std::endl;
            written = false;
        } else {
            mullerDrawn = true;
        }
    }
    return written;
}

std::string SimulationRunner::title() const {
    return "Sylvara, " + std::to_string(world->getTiles()->getTilesPerSide()) + " tiles per side, " +
           (RandomSeed::isFixed() ? "seed " + std::to_string(RandomSeed::getSeed())
                                  : std::string("clock seed"));
}

// True when drawn; a missing gnuplot is said once and is no failure of the run.
bool SimulationRunner::reportPlot(Gnuplot::Result result, const std::string& plot) {
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
    to << "peak organisms " << peakOrganisms << " at tick " << peakTick << "\n";
    to << "final herbivores " << livingCount(PopulationCensus::HERBIVORES) << ", carnivores "
       << livingCount(PopulationCensus::CARNIVORES) << ", plants " << livingCount(PopulationCensus::PLANTS)
       << "\n";
    const char* const names[] = {"herbivores", "carnivores", "plants"};
    const World::Insertions& made = world->getInserted();
    for (int g = 0; g < PopulationCensus::GROUPS; ++g) {
        const int extinct = getExtinctionTick(static_cast<PopulationCensus::Group>(g));
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
    if (!options.csvFile.empty())
        to << "csv " << shown(options.csvFile) << " (" << rows << " rows" << (csvError ? ", then failed" : "")
           << ")\n";
    if (plotted)
        to << "plot " << shown(options.plotFile) << "\n";
    if (traitsPlotted)
        to << "traits plot " << shown(options.traitsFile) << "\n";
    to << "genotypes alive " << world->getGenotypes().livingGenotypes() << ", deepest living depth "
       << world->getGenotypes().deepestLiving() << "\n";
    if (!options.phylogenyFile.empty())
        to << "phylogeny " << shown(options.phylogenyFile) << "\n";
    if (!options.newickFile.empty())
        to << "newick " << shown(options.newickFile) << "\n";
    if (mullerDrawn)
        to << "muller plot " << shown(options.mullerFile) << "\n";
    if (evolution)
        evolution->printSummary(to);
    to.flush();
}
