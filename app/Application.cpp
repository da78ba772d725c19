#include "app/Application.h"

#include "app/Settings.h"
#include "app/Viewer.h"
#include "interaction/KeyboardEventHandler.h"
#include "presentation/Hud.h"
#include "presentation/WorldScene.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <osg/ArgumentParser>
#include <osg/Light>
#include <osg/LightSource>

#include <X11/Xlib.h>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <thread>

namespace {

const char* const TITLE = "Sylvara 0.6.4 Beta";

// A dim head light: the ground's 0.7 emission and its shades stay readable
// instead of washing out to white.
void dimHeadLight(Viewer& viewer) {
    osg::Light* light = viewer.getLight();
    if (!light)
        return;
    light->setAmbient(osg::Vec4(0.05f, 0.05f, 0.05f, 1.0f));
    light->setDiffuse(osg::Vec4(0.3f, 0.3f, 0.3f, 1.0f));
    light->setSpecular(osg::Vec4(0.1f, 0.1f, 0.1f, 1.0f));
}

// A connection to the display, held open until the window stands: on a server that
// starts over when its last client leaves (Xvfb does), closing it first would take the
// screen away before the window opens.
using DisplayHold = std::unique_ptr<Display, int (*)(Display*)>;

DisplayHold reachDisplay() {
    // Without DISPLAY the windowing layer would quietly try ":0", which may be someone else's screen.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return DisplayHold(nullptr, XCloseDisplay);
    return DisplayHold(XOpenDisplay(display), XCloseDisplay);
}

} // namespace

Application::Application() = default;
Application::~Application() = default;

int Application::run(int argc, char** argv) {
    int exitCode = 0;
    if (!parseArguments(argc, argv, exitCode))
        return exitCode;
    createWorldFromSettings(Settings::FILE);
    if (!openWindow(exitCode))
        return exitCode;
    loop();
    viewer->sync();
    root = nullptr;
    viewer = nullptr;
    return 0;
}

bool Application::parseArguments(int argc, char** argv, int& exitCode) {
    osg::ArgumentParser arguments(&argc, argv);
    osg::ApplicationUsage* usage = arguments.getApplicationUsage();
    usage->setDescription(arguments.getApplicationName() + " Sylvara");
    usage->setCommandLineUsage(arguments.getApplicationName() + " [options] [filename] ...");
    usage->addCommandLineOption("-h or --help", "Display this information", "");

    createViewer();
    viewer->getUsage(*usage);

    if (arguments.read("-h") || arguments.read("--help")) {
        usage->write(std::cout, osg::ApplicationUsage::COMMAND_LINE_OPTION, 80, false);
        exitCode = 1;
        return false;
    }
    arguments.reportRemainingOptionsAsUnrecognized(osg::ArgumentParser::BENIGN);
    if (arguments.errors(osg::ArgumentParser::BENIGN)) {
        arguments.writeErrorMessages(std::cout, osg::ArgumentParser::BENIGN);
        exitCode = 1;
        return false;
    }
    return true;
}

void Application::createViewer() {
    viewer = new Viewer;
    viewer->setUpViewer(Viewer::TRACKBALL_MANIPULATOR | Viewer::ESCAPE_SETS_DONE);
}

void Application::createWorld(int size) {
    beginScene();
    buildWorld(size);
}

void Application::createWorldFromSettings(const std::string& settingsFile) {
    // The settings are read once the loading has been announced: a rejected size is said after it.
    beginScene();
    buildWorld(Settings::readSize(settingsFile));
}

void Application::beginScene() {
    std::printf("loading world...\n");
    std::fflush(stdout);
    root = new osg::Group;
    hud = new Hud(TITLE);
    root->addChild(hud->getCamera());
}

void Application::buildWorld(int size) {
    world = WorldScene::build(size, hud, root.get(), viewer.get()).release();
    world->setTickRate(TICKS_PER_SECOND);
    world->setFrameRate(FRAMES_PER_SECOND);
    root->getOrCreateStateSet()->setMode(GL_LIGHTING,
                                         osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    keyboard = new KeyboardEventHandler(world);
    viewer->getEventHandlers().push_front(keyboard);
    viewer->getCamera()->setClearColor(osg::Vec4(1, 1, 1, 1));

    std::printf("setting scene data...\n");
    std::fflush(stdout);
    viewer->setSceneData(root.get());
}

World* Application::replaceWorld(int size) {
    const int tickRate = world->getTickRate();
    const int frameRate = 1000 / std::max(1, world->getFrameIntervalMs());
    // The HUD holds the selected organism; it goes with its world.
    hud->clearSelection();
    delete world;
    world = WorldScene::build(size, hud, root.get(), viewer.get()).release();
    world->setTickRate(tickRate);
    world->setFrameRate(frameRate);
    // The keys act on the new world, from where the old world's handler stood.
    osg::ref_ptr<osgGA::GUIEventHandler> next = new KeyboardEventHandler(world);
    for (auto& handler : viewer->getEventHandlers())
        if (handler == keyboard)
            handler = next;
    keyboard = next;
    viewer->setHomeOverBoard(size * TileGrid::TILE_SIZE);
    return world;
}

bool Application::displayReachable() {
    return reachDisplay() != nullptr;
}

bool Application::openWindow(int& exitCode, int width, int height) {
    const DisplayHold hold = reachDisplay();
    if (!hold) {
        std::printf("Sylvara cannot open a window: no display could be reached (is DISPLAY set?).\n");
        exitCode = 2;
        return false;
    }
    viewer->setWindowRectangle(20, 20, width, height);
    viewer->realize();
    if (!viewer->isRealized()) {
        std::printf("Sylvara cannot open a window on this display.\n");
        exitCode = 2;
        return false;
    }
    viewer->setWindowTitle(TITLE);
    dimHeadLight(*viewer);
    viewer->setHomeOverBoard(world->getTiles()->getTilesPerSide() * TileGrid::TILE_SIZE);
    return true;
}

int Application::framePass(World& world, Viewer* viewer) {
    world.markFrame();
    if (viewer)
        viewer->sync();
    int ticks = 0;
    while (world.isTickDue() && ticks < MAX_TICKS_PER_PASS) {
        world.tick();
        ++ticks;
    }
    world.pickIfRequested();
    if (viewer) {
        viewer->update();
        viewer->frame();
    }
    return ticks;
}

bool Application::guarded(const std::function<void()>& pass) {
    try {
        pass();
        return true;
    } catch (...) {
        std::printf("EXCEPTION!\n");
        std::fflush(stdout);
        return false;
    }
}

void Application::loop() {
    loop([this] { framePass(*world, viewer.get()); });
}

void Application::loop(const std::function<void()>& pass) {
    while (!viewer->done()) {
        guarded([this, &pass] {
            if (!world->isFrameDue()) {
                // Sleep to just before the frame is due instead of spinning a core; the pacing stays the
                // same.
                const double wait = world->msUntilFrame();
                if (wait > 1.0)
                    std::this_thread::sleep_for(
                        std::chrono::microseconds(static_cast<long>((wait - 0.5) * 1000)));
                return;
            }
            pass();
        });
    }
}
