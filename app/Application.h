#pragma once

#include <osg/Group>
#include <osg/ref_ptr>
#include <osgGA/GUIEventHandler>

#include <functional>
#include <memory>
#include <string>

class Hud;
class Viewer;
class World;

// Start-up, the paced frame loop and the end of the program.
class Application {
public:
    static constexpr int TICKS_PER_SECOND = 16;
    static constexpr int FRAMES_PER_SECOND = 72;
    static constexpr int MAX_TICKS_PER_PASS = 30;

    Application();
    ~Application();

    // Returns the exit code: 0 after a normal end, 1 after help or a command-line error.
    int run(int argc, char** argv);

    // One pass of the frame loop; exceptions are the caller's. Returns the ticks run.
    static int framePass(World& world, Viewer* viewer);
    // Runs one pass of the loop; an exception from it prints "EXCEPTION!" and is dropped, so the
    // loop goes on. False when one was caught.
    static bool guarded(const std::function<void()>& pass);

    // The start-up in its three steps, for tools that build the same scene.
    bool parseArguments(int argc, char** argv, int& exitCode);
    // The viewer alone, for tools that read their own command line.
    void createViewer();
    void createWorld(int size);
    // The same with the board size read from the settings file, as the program does.
    void createWorldFromSettings(const std::string& settingsFile);
    // A new world of the size in the old one's place, drawn under the same root with the same HUD and
    // pacing; the old one is gone, and with it what it drew. The caller hands the new one to whatever
    // held the old one, the input handlers included.
    World* replaceWorld(int size);
    // The window is the sandbox's 800 x 600 unless a tool asks for another size.
    bool openWindow(int& exitCode, int width = 800, int height = 600);
    // Whether a window could be opened on DISPLAY now.
    static bool displayReachable();
    // Runs the pass whenever a frame is due until the viewer is done; an exception in a pass is
    // reported and the loop goes on.
    void loop(const std::function<void()>& pass);
    World* getWorld() const { return world; }
    // The sandbox's input handler on the world, wherever it stands among the viewer's handlers.
    osgGA::GUIEventHandler* getKeyboard() const { return keyboard.get(); }
    Viewer* getViewer() const { return viewer.get(); }
    osg::Group* getRoot() const { return root.get(); }

private:
    void beginScene();
    void buildWorld(int size);
    void loop();

    osg::ref_ptr<Viewer> viewer;
    osg::ref_ptr<osg::Group> root;
    // Live until the process ends, like the scene they feed.
    Hud* hud = nullptr;
    World* world = nullptr;
    osg::ref_ptr<osgGA::GUIEventHandler> keyboard;
};
