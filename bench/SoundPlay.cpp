// What a birth sound costs the simulation tick: one playLife, and a tick in
// which 500 organisms are born at once. Runs on OpenAL's silent driver.
#include "presentation/SoundBank.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

std::unique_ptr<SoundBank> bank;

void BM_PlayLifeOnce(benchmark::State& state) {
    int size = 0;
    for (auto _ : state) {
        bank->playLife(size, 100);
        size = (size + 7) % 101;
    }
}
BENCHMARK(BM_PlayLifeOnce);

void BM_PlayLifeTickOf500(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < 500; ++i)
            bank->playLife(i % 101, 100);
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_PlayLifeTickOf500)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // The driver is chosen when the first device opens; the sounds are found
    // relative to the run tree's bin folder.
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (chdir(SYLVARA_STAGE_DIR "/bin") != 0)
        return 1;
    bank = std::make_unique<SoundBank>("");
    if (!bank->hasEngine() || bank->getLifeCount() == 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bank.reset();
    return 0;
}
