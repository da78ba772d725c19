// Shows every kind of marker at once over the start-up board, held still: a life
// ping, a death ping, a beam across the far row and a red, a green and a blue tile
// flash on the near row. Runs from bin/, like the program; Escape ends it.
//
//   sylvara-markers
#include "app/Application.h"
#include "app/Viewer.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// The middle of a tile, a little above the ground.
osg::Vec3d middleOf(int column, int row, double z = 0.0) {
    return osg::Vec3d((column + 0.5) * TileGrid::TILE_SIZE, (row + 0.5) * TileGrid::TILE_SIZE, z);
}

void placeMarkers(World& world) {
    // Long enough never to age out while the world is held.
    const int forever = 1 << 30;
    const osg::Vec3f flashes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        world.setCursorPoint(middleOf(i * 2, 0));
        world.flashTile(flashes[i], 0.5f, forever);
    }
    world.lifePing(middleOf(1, 2), osg::Vec3f(1, 1, 1));
    world.deathPing(middleOf(3, 2));
    world.addTimedBeam(middleOf(0, 4, 10), middleOf(4, 4, 10), 5.0f, osg::Vec3f(1, 0.85f, 0.2f), 0.9f,
                       forever);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Application application;
    int exitCode = 0;
    if (!application.parseArguments(argc, argv, exitCode))
        return exitCode;
    application.createWorld(5);
    if (!application.openWindow(exitCode))
        return exitCode;
    World& world = *application.getWorld();
    // Held still, so the timed markers keep their place and nothing else happens.
    world.pauseRequested = true;
    world.tick();
    placeMarkers(world);
    std::printf("markers placed\n");
    while (!application.getViewer()->done()) {
        Application::framePass(world, application.getViewer());
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 / Application::FRAMES_PER_SECOND));
    }
    return 0;
}
