// Saving and loading worlds of about 1,000, 10,000 and 50,000 organisms (genesis on every tile of
// ever larger boards, 60 ticks run): the time per save (snapshot and atomic write) and per load
// (read, check, a new World and every organism rebuilt with its scene nodes, nothing drawn), and
// the file size per organism. Times are wall clock, with the processor time of the process beside them.
#include "presentation/SoundBank.h"
#include "presentation/WorldScene.h"
#include "save/SavedWorld.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Populated {
    osg::ref_ptr<osg::Group> root = new osg::Group;
    std::unique_ptr<World> world;
};

Populated populate(int side) {
    Populated p;
    RandomSeed::fix(11);
    p.world = WorldScene::build(side, nullptr, p.root.get(), nullptr);
    p.world->setTickRate(16);
    for (WorldTile* tile : p.world->getTiles()->getTiles())
        tile->populate(10, 10, 10);
    for (int i = 0; i < 60; ++i)
        p.world->tick();
    return p;
}

std::string fileFor(int side) {
    return "bench-saved-" + std::to_string(getpid()) + "-" + std::to_string(side) + ".sylvara";
}

struct Figures {
    double organisms = 0;
    double saveSeconds = 0;
    double captureSeconds = 0;
    double loadSeconds = 0;
    double restoreSeconds = 0;
    // Processor time of the whole process: on a busy machine the wall time waits for the others.
    double saveCpuSeconds = 0;
    double loadCpuSeconds = 0;
    double bytes = 0;
};
std::map<int, Figures> figures;

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void saveWorld(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    Populated p = populate(side);
    Figures& f = figures[side];
    f.organisms = static_cast<double>(p.world->getLives().size());
    double capture = 0;
    double total = 0;
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const SavedWorld saved = SavedWorld::capture(*p.world);
        capture += since(start);
        std::string error;
        if (!saved.write(fileFor(side), error))
            state.SkipWithError(error.c_str());
        total += since(start);
    }
    f.saveCpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC / state.iterations();
    f.captureSeconds = capture / state.iterations();
    f.saveSeconds = total / state.iterations();
    struct stat info;
    f.bytes = stat(fileFor(side).c_str(), &info) == 0 ? static_cast<double>(info.st_size) : 0.0;
    state.counters["organisms"] = f.organisms;
    state.counters["bytes_per_organism"] = f.bytes / f.organisms;
}

void loadWorld(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    Figures& f = figures[side];
    double total = 0;
    double restore = 0;
    double cpu = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        SavedWorld saved;
        std::string error;
        if (!SavedWorld::read(fileFor(side), saved, error))
            state.SkipWithError(error.c_str());
        Populated p;
        p.world = WorldScene::build(saved.getSize(), nullptr, p.root.get(), nullptr);
        p.world->setTickRate(16);
        const auto rebuilding = std::chrono::steady_clock::now();
        saved.restore(*p.world);
        restore += since(rebuilding);
        total += since(start);
        cpu += double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        state.PauseTiming();
        p.world.reset();
        state.ResumeTiming();
    }
    f.loadSeconds = total / state.iterations();
    f.restoreSeconds = restore / state.iterations();
    f.loadCpuSeconds = cpu / state.iterations();
    state.counters["organisms"] = f.organisms;
}

void printFigures() {
    std::printf("\n%9s %8s %8s %9s %12s %8s %8s %9s %12s %14s\n", "organisms", "save ms", "cpu ms",
                "snapshot", "save us/org", "load ms", "cpu ms", "rebuild", "load us/org", "bytes/organism");
    for (const auto& entry : figures) {
        const Figures& f = entry.second;
        if (f.organisms <= 0)
            continue;
        std::printf("%9.0f %8.1f %8.1f %9.1f %12.2f %8.1f %8.1f %9.1f %12.2f %14.1f\n", f.organisms,
                    f.saveSeconds * 1e3, f.saveCpuSeconds * 1e3, f.captureSeconds * 1e3,
                    f.saveSeconds * 1e6 / f.organisms, f.loadSeconds * 1e3, f.loadCpuSeconds * 1e3,
                    f.restoreSeconds * 1e3, f.loadSeconds * 1e6 / f.organisms, f.bytes / f.organisms);
        std::remove(fileFor(entry.first).c_str());
    }
}

} // namespace

BENCHMARK(saveWorld)->Arg(6)->Arg(19)->Arg(41)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(loadWorld)->Arg(6)->Arg(19)->Arg(41)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    // No listener: no sound device is opened, and nothing about sound is printed.
    SoundBank::openNoDevice();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printFigures();
    benchmark::Shutdown();
    return 0;
}
