// The animal pass alone (every animal's update, tile by tile) on a headless World with
// about 100, 1,000 and 10,000 animals: half herbivores, half carnivores, ten per tile,
// no plants. Each timed tick runs the whole tick untimed first, so hunts, deaths and
// births go on as in the program; only the animal updates are timed.
#include "presentation/SoundBank.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

int animalsIn(World& world) {
    int count = 0;
    for (WorldTile* tile : world.getTiles()->getTiles())
        count += tile->getAnimalCount();
    return count;
}

void animalUpdate(benchmark::State& state) {
    const int animals = static_cast<int>(state.range(0));
    const int tiles = animals / 10;
    int side = 1;
    while (side * side < tiles)
        ++side;
    osg::ref_ptr<osg::Group> root = new osg::Group;
    RandomSeed::fix(5);
    World world(side);
    world.setTickRate(16);
    const std::vector<WorldTile*>& grid = world.getTiles()->getTiles();
    for (int i = 0; i < tiles; ++i)
        grid[static_cast<size_t>(i)]->populate(5, 5, 0);

    double updated = 0;
    for (auto _ : state) {
        world.tick();
        const int count = animalsIn(world);
        const auto start = std::chrono::steady_clock::now();
        for (WorldTile* tile : grid)
            tile->updateAnimals();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        updated += count;
    }
    state.counters["animals"] = updated / state.iterations();
    state.counters["ns_per_animal"] =
        benchmark::Counter(updated, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(animalUpdate)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(50);

int main(int argc, char** argv) {
    // No listener: no sound device is opened, and nothing about sound is printed.
    SoundBank::openNoDevice();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
