// How fast the headless runner ticks: boards of 1, 5 and 20 tiles per side,
// genesis on every tile, a fixed seed and 500 ticks per run. Building and
// tearing down the world are not timed. Reports ticks per second of wall time
// and the peak number of living organisms.
#include "presentation/SoundBank.h"
#include "sim/SimulationRunner.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr int TICKS = 500;

void BM_SimTicks(benchmark::State& state) {
    SimulationOptions options;
    options.size = static_cast<int>(state.range(0));
    options.ticks = TICKS;
    options.seeded = true;
    options.seed = 7;
    options.csvFile.clear();
    options.plotFile.clear();
    options.traitsFile.clear();
    int peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::ostringstream out;
        auto runner = std::make_unique<SimulationRunner>(options, out);
        std::string error;
        if (!runner->start(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.ResumeTiming();
        runner->runAll();
        state.PauseTiming();
        peak = runner->getPeakOrganisms();
        runner.reset();
        state.ResumeTiming();
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(TICKS) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak organisms"] = peak;
}
BENCHMARK(BM_SimTicks)->Arg(1)->Arg(5)->Arg(20)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // No sound device: the runner is silent, as sylvara-sim is. The art is read from the run tree.
    SoundBank::openNoDevice();
    if (chdir(SYLVARA_STAGE_DIR "/bin") != 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
