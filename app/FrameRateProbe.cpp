#include "app/FrameRateProbe.h"

#include "app/Application.h"
#include "app/Viewer.h"
#include "plants/TileGrid.h"
#include "plants/WorldTile.h"
#include "world/World.h"

#include <osg/Timer>

#include <cmath>
#include <fstream>
#include <unistd.h>

long FrameRateProbe::residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool FrameRateProbe::run(int organisms, double seconds, Result& result) {
    // Each genesis brings 30 organisms; the board grows to give every one its own tile.
    const int tiles = (organisms + 29) / 30;
    const int side = std::max(5, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(tiles)))));
    static char name[] = "sylvara-framerate";
    char* argv[] = {name, nullptr};
    int exitCode = 0;
    static Application application;
    if (!application.parseArguments(1, argv, exitCode))
        return false;
    application.createWorld(side);
    if (!application.openWindow(exitCode))
        return false;
    World& world = *application.getWorld();
    const std::vector<WorldTile*>& grid = world.getTiles()->getTiles();
    for (int i = 0; i < tiles; ++i)
        grid[static_cast<size_t>(i)]->populate(10, 10, 10);

    osg::Timer timer;
    const osg::Timer_t start = timer.tick();
    int frames = 0;
    while (timer.delta_s(start, timer.tick()) < seconds && !application.getViewer()->done()) {
        if (!world.isFrameDue())
            continue;
        Application::framePass(world, application.getViewer());
        ++frames;
    }
    result.organisms = static_cast<int>(world.getLives().size());
    result.frames = frames;
    result.seconds = timer.delta_s(start, timer.tick());
    result.framesPerSecond = frames / result.seconds;
    result.residentKb = residentKb();
    return true;
}
