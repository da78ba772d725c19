// Tick cost per organism on a headless World, for about 1,000, 10,000 and
// 50,000 organisms (genesis on every tile of ever larger boards), and the
// ratios of the larger boards' cost per organism to the smallest's.
//
// The smallest board fits in the cache, so its ratio mixes two things: how the
// tick scales and how far away memory is. A last case ticks 47 of the smallest
// boards in turn, about 50,000 organisms in memory again, each asking ahead as
// a crowded board does; the largest board's cost against it is the scaling of
// the tick alone.
#include "presentation/SoundBank.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

namespace {

struct Populated {
    osg::ref_ptr<osg::Group> root = new osg::Group;
    std::unique_ptr<World> world;
};

Populated populate(int side, unsigned seed = 11) {
    Populated p;
    RandomSeed::fix(seed);
    p.world = std::make_unique<World>(side);
    p.world->setTickRate(16);
    for (WorldTile* tile : p.world->getTiles()->getTiles())
        tile->populate(10, 10, 10);
    // Let the forced growth, its pings and the first births settle before timing.
    for (int i = 0; i < 60; ++i)
        p.world->tick();
    return p;
}

// Nanoseconds per organism, by tiles per side.
std::map<int, double> nsPerOrganism;
// Nanoseconds per organism with small boards ticked in turn.
struct {
    int side = 0;
    int boards = 0;
    double ns = 0.0;
} inTurn;

void countOrganisms(benchmark::State& state, double organisms) {
    organisms /= state.iterations();
    state.counters["organisms"] = organisms;
    state.counters["ns_per_organism"] = benchmark::Counter(
        organisms * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(organisms * state.iterations()));
}

void tickCost(benchmark::State& state) {
    Populated p = populate(static_cast<int>(state.range(0)));
    double organisms = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        organisms += p.world->getLives().size();
        p.world->tick();
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    nsPerOrganism[static_cast<int>(state.range(0))] = spent.count() / organisms;
    countOrganisms(state, organisms);
}

void tickCostInTurn(benchmark::State& state) {
    std::vector<Populated> boards;
    for (int k = 0; k < state.range(1); ++k) {
        boards.push_back(populate(static_cast<int>(state.range(0)), 11 + k));
        boards.back().world->setLookAheadFrom(0);
    }
    double organisms = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (Populated& p : boards) {
            organisms += p.world->getLives().size();
            p.world->tick();
        }
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    inTurn = {static_cast<int>(state.range(0)), static_cast<int>(boards.size()), spent.count() / organisms};
    countOrganisms(state, organisms);
}

void printRatios() {
    if (nsPerOrganism.empty())
        return;
    const auto smallest = nsPerOrganism.begin();
    for (auto it = std::next(smallest); it != nsPerOrganism.end(); ++it)
        std::printf("cost per organism, %dx%d board against %dx%d: %.2f\n", it->first, it->first,
                    smallest->first, smallest->first, it->second / smallest->second);
    const auto largest = std::prev(nsPerOrganism.end());
    if (inTurn.ns > 0.0)
        std::printf("cost per organism, %dx%d board against %d boards of %dx%d ticked in turn: %.2f\n",
                    largest->first, largest->first, inTurn.boards, inTurn.side, inTurn.side,
                    largest->second / inTurn.ns);
}

} // namespace

BENCHMARK(tickCost)->Arg(6)->Arg(19)->Arg(41)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(tickCostInTurn)->Args({6, 47})->Unit(benchmark::kMillisecond)->Iterations(100);

int main(int argc, char** argv) {
    // No listener: no sound device is opened, and nothing about sound is printed.
    SoundBank::openNoDevice();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printRatios();
    benchmark::Shutdown();
    return 0;
}
