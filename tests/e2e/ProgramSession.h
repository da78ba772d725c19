#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The real program on its own Xvfb screen (1024 x 768), driven like a person
// would: keys and mouse through xdotool, its printed lines read back.
class ProgramSession {
public:
    explicit ProgramSession(std::vector<std::string> arguments = {},
                            std::vector<std::string> environment = {"ALSOFT_DRIVERS=null"});
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    // Starts the screen and then the program in stage/bin; false when either failed.
    bool start(const std::string& program = "./sylvara");
    // Runs the program from another folder instead (e.g. the bin of a copied run tree); before start.
    void setWorkingDirectory(const std::string& folder) { workingDirectory = folder; }
    bool waitForOutput(const std::string& text, double seconds);
    // Waits until the program's window is mapped on the screen.
    bool waitForWindow(double seconds);
    std::string output() const;
    // The title of the program's window; empty while it has none.
    std::string windowName() const;

    void xdotool(const std::string& arguments) const;
    // Moves the pointer onto the window's point (x, y) (window coordinates, 800 x 600).
    void moveTo(int x, int y) const;
    void key(const std::string& name) const;
    void click(int button) const;
    // Presses the button at one window point, moves in steps to another and lets go there,
    // after a rest so the camera is not thrown into a spin.
    void drag(int button, int fromX, int fromY, int toX, int toY) const;
    // Put before every screenshot's name, so two programs' runs of one test keep their own shots.
    void setShotPrefix(const std::string& prefix) { shotPrefix = prefix; }
    // A screenshot of the whole screen; the window sits at 20, 20.
    std::string screenshot(const std::string& name) const;

    // Ends the program with Escape and returns its exit code (-1 if it had to be killed).
    int endWithEscape(double seconds = 20);
    // Sends the program a signal, as a user's kill or Ctrl+C would.
    void signal(int number) const;
    // Waits for the program to end by itself; returns its exit code or -1.
    int waitForExit(double seconds);
    bool running();

    static void pause(double seconds);
    // Runs a command without a display and returns what it printed and its exit code.
    static std::string runHeadless(const std::string& command, int& code);
    static std::string stageDir();

private:
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::string display;
    std::string logFile;
    std::string workingDirectory;
    std::string shotPrefix;
    pid_t server = -1;
    pid_t program = -1;
    int exitCode = -1;
};
