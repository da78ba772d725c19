#include "app/FrameRateProbe.h"

#include "app/Application.h"
#include "app/Viewer.h"
#include "character/FarCrowd.h"
#include "life/Life.h"
#include "presentation/ModelCatalogue.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <osg/Timer>

#include <cmath>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

long FrameRateProbe::residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double FrameRateProbe::cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool FrameRateProbe::parseView(const char* name, View& view) {
    const std::string text = name;
    view = text == "tile" ? View::tile : text == "animal" ? View::animal : View::board;
    return text == "board" || text == "tile" || text == "animal";
}

void FrameRateProbe::lookAt(Application& application, View view) {
    // The tile view looks at the first tile a genesis filled, the close one at its first animal.
    World& world = *application.getWorld();
    osg::Vec3d centre(TileGrid::TILE_SIZE / 2, TileGrid::TILE_SIZE / 2, 0);
    double distance = TileGrid::TILE_SIZE * 1.2;
    if (view == View::animal) {
        for (const auto& entry : world.getLives())
            if (entry.second->getCategory() == CATEGORY_ANIMAL) {
                centre = entry.second->getPosition();
                break;
            }
        distance = 70;
    }
    if (view != View::board)
        application.getViewer()->setHome(centre + osg::Vec3d(0, -distance, distance * 0.8), centre);
}

bool FrameRateProbe::run(int organisms, double seconds, Result& result, View view) {
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

    // The genesis raised a life ping over every organism: let them fade before measuring.
    while (world.getTickNumber() < warmUpTicks && !application.getViewer()->done())
        if (world.isFrameDue())
            Application::framePass(world, application.getViewer());
    lookAt(application, view);

    osg::Timer timer;
    const osg::Timer_t start = timer.tick();
    const double cpuStart = cpuSeconds();
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
    const osg::ref_ptr<osg::Group> crowds = world.getModels()->getCrowds();
    for (unsigned i = 0; i < crowds->getNumChildren(); ++i)
        if (const auto* crowd = dynamic_cast<const character::FarCrowd*>(crowds->getChild(i)))
            result.cards += int(crowd->getCount());
    result.cpuMsPerFrame = frames > 0 ? (cpuSeconds() - cpuStart) * 1000.0 / frames : 0.0;
    return true;
}
