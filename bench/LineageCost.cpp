// What recording parents and genotypes costs the tick: two worlds from one seed, one recording and
// one not, ticked in alternate blocks so that both see the same load on the machine; and the memory
// one genotype takes in the table.
#include "life/GenotypeTable.h"
#include "presentation/SoundBank.h"
#include "presentation/WorldScene.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace {

std::unique_ptr<World> board(osg::Group* root, int size, bool recorded) {
    RandomSeed::fix(7);
    auto world = WorldScene::build(size, nullptr, root, nullptr);
    world->setTickRate(16);
    world->setLineageRecorded(recorded);
    for (WorldTile* tile : world->getTiles()->getTiles())
        tile->populate(10, 10, 10);
    world->reseed();
    return world;
}

double blockSeconds(World& world, int ticks) {
    world.reseed();
    const auto begun = std::chrono::steady_clock::now();
    for (int i = 0; i < ticks; ++i)
        world.tick();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
}

void weigh(int size, int warmUp, int blocks, int blockTicks) {
    osg::ref_ptr<osg::Group> rootA = new osg::Group;
    osg::ref_ptr<osg::Group> rootB = new osg::Group;
    std::unique_ptr<World> recording = board(rootA.get(), size, true);
    std::unique_ptr<World> plain = board(rootB.get(), size, false);
    blockSeconds(*recording, warmUp);
    blockSeconds(*plain, warmUp);
    double with = 0.0;
    double without = 0.0;
    for (int b = 0; b < blocks; ++b) {
        // Which goes first alternates, so neither always meets a warmer cache.
        if (b % 2 == 0) {
            with += blockSeconds(*recording, blockTicks);
            without += blockSeconds(*plain, blockTicks);
        } else {
            without += blockSeconds(*plain, blockTicks);
            with += blockSeconds(*recording, blockTicks);
        }
    }
    const double ticks = static_cast<double>(blocks) * blockTicks;
    std::printf("%d x %d board, %zu organisms, %zu genotypes kept: %.1f us a tick recording, %.1f us not, "
                "ratio %.3f\n",
                size, size, recording->getLives().size(), recording->getGenotypes().size(),
                1e6 * with / ticks, 1e6 * without / ticks, with / without);
}

void weighGenotypes() {
    constexpr int COUNT = 200000;
    const size_t before = mallinfo2().uordblks;
    {
        GenotypeTable table;
        table.setPruned(false);
        int parent = Genotype::NONE;
        for (int i = 0; i < COUNT; ++i)
            parent = table.birth(parent, Genome::animal(1, i % 100 + 1, 20, 20, 50, 50), i);
        const size_t after = mallinfo2().uordblks;
        std::printf("%d genotypes: %.1f bytes each\n", COUNT, static_cast<double>(after - before) / COUNT);
    }
}

} // namespace

int main() {
    SoundBank::openNoDevice();
    if (chdir(SYLVARA_STAGE_DIR "/bin") != 0)
        return 1;
    weighGenotypes();
    weigh(5, 1000, 200, 100);
    weigh(20, 100, 10, 10);
    return 0;
}
