#include "sim/SimulationRunner.h"

#include "plants/TileGrid.h"
#include "plants/WorldTile.h"
#include "sim/SavePattern.h"
#include "sim/SavedWorld.h"
#include "sim/SavedWorldWriter.h"
#include "sim/SimulationPlot.h"
#include "world/RandomSeed.h"
#include "world/World.h"

#include <cerrno>
#include <chrono>
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
    std::string reason;
    if (!options.plotFile.empty() && !writable(options.plotFile, reason)) {
        error = "cannot write the plot " + options.plotFile + ": " + reason;
        return false;
    }
    if (!prepareWorld(error))
        return false;
    if (!options.csvFile.empty()) {
        csv = std::fopen(options.csvFile.c_str(), "w");
        if (!csv) {
            error = "cannot write the CSV " + options.csvFile + ": " + std::strerror(errno);
            return false;
        }
        std::fprintf(csv, "%s\n", PopulationCensus::csvHeader().c_str());
    }

    record();
    writeRow();
    setupSeconds = secondsSince(begun);
    return true;
}

void SimulationRunner::fillWorld(World& world, const SimulationOptions& options, const SavedWorld& saved) {
    for (const auto& tile : options.tilesToPopulate())
        world.getTiles()->tileAt(tile.first, tile.second)->populate(10, 10, 10);
    if (!options.loadFile.empty())
        saved.restore(world);
    // A seed given on the command line takes over from the saved one.
    if (options.seeded)
        RandomSeed::fix(options.seed);
    // The genesis drew from the generator: the first tick starts from the seed for tick 0 as any other.
    world.reseed();
}

bool SimulationRunner::prepareWorld(std::string& error) {
    SavedWorld saved;
    if (!options.loadFile.empty() && !SavedWorld::read(options.loadFile, saved, error))
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
    root = new osg::Group;
    const bool loading = !options.loadFile.empty();
    world = std::make_unique<World>(loading ? saved.getSize() : options.size, nullptr, root.get(), nullptr);
    world->setTickRate(TICK_RATE);
    fillWorld(*world, options, saved);
    startTick = tick = static_cast<int>(world->getTickNumber());
    return true;
}

void SimulationRunner::saveTo(const std::string& file) {
    std::string error;
    if (SavedWorld::capture(*world).write(file, error))
        return;
    out << error << std::endl;
    savesFailed = true;
}

void SimulationRunner::record() {
    census = PopulationCensus::of(world->getLives());
    if (census.total() > peakOrganisms) {
        peakOrganisms = census.total();
        peakTick = tick;
    }
}

bool SimulationRunner::dueRow() const {
    return tick % options.interval == 0 || tick == startTick + options.ticks;
}

void SimulationRunner::writeRow() {
    rows += 1;
    if (!csv)
        return;
    std::fprintf(csv, "%s\n", census.csvRow(tick).c_str());
    // Row by row, so a long run can be watched (or read after a kill) as it goes.
    std::fflush(csv);
}

void SimulationRunner::step() {
    const auto begun = std::chrono::steady_clock::now();
    world->tick();
    tick += 1;
    record();
    if (dueRow())
        writeRow();
    if (options.memoryEvery > 0 && tick % options.memoryEvery == 0)
        out << "tick " << tick << " rss " << residentKb() << std::endl;
    if (options.saveEvery > 0 && tick % options.saveEvery == 0) {
        SavePattern pattern;
        std::string error;
        if (SavePattern::parse(options.savePattern, pattern, error))
            saveTo(pattern.fileFor(tick));
    }
    tickSeconds += secondsSince(begun);
}

void SimulationRunner::runAll() {
    while (tick < startTick + options.ticks)
        step();
}

bool SimulationRunner::finish() {
    if (!options.saveFile.empty())
        saveTo(options.saveFile);
    const bool drawn = closeOutputs();
    return drawn && !savesFailed;
}

bool SimulationRunner::closeOutputs() {
    if (csv) {
        std::fclose(csv);
        csv = nullptr;
    }
    if (options.plotFile.empty())
        return true;
    if (options.csvFile.empty()) {
        out << "No plot drawn: it is drawn from the CSV, and none was written." << std::endl;
        return false;
    }
    const std::string title =
        "Sylvara, " + std::to_string(options.size) + " tiles per side, " +
        (options.seeded ? "seed " + std::to_string(options.seed) : std::string("clock seed"));
    switch (SimulationPlot::draw(options.csvFile, options.plotFile, title)) {
    case SimulationPlot::Result::Drawn:
        plotted = true;
        return true;
    case SimulationPlot::Result::NoGnuplot:
        out << "gnuplot was not found on PATH: no plot drawn (install gnuplot-nox); the CSV "
            << options.csvFile << " is written." << std::endl;
        return true;
    case SimulationPlot::Result::Failed:
        break;
    }
    out << "gnuplot failed: the plot " << options.plotFile << " was not drawn; the CSV " << options.csvFile
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
    to << "final herbivores " << census.count(PopulationCensus::HERBIVORES) << ", carnivores "
       << census.count(PopulationCensus::CARNIVORES) << ", plants " << census.count(PopulationCensus::PLANTS)
       << "\n";
    if (!options.csvFile.empty())
        to << "csv " << options.csvFile << " (" << rows << " rows)\n";
    if (plotted)
        to << "plot " << options.plotFile << "\n";
    to.flush();
}
