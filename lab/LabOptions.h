#pragma once

#include "sim/SimulationOptions.h"

#include <string>
#include <vector>

// The command line of sylvara-lab: which world the window opens on (a new one, as sylvara-sim
// makes it, or a saved one) and how far it runs ahead before the window opens.
class LabOptions {
public:
    // Board size, genesis, seed and the saved world to load, read as sylvara-sim reads them;
    // the default is the sandbox's world: the settings file's size and an empty board.
    SimulationOptions world;
    int ahead = 0;
    // The window's size; the sandbox's by default.
    int width = 800;
    int height = 600;
    // The panels shown when the window opens.
    bool panels = false;
    // A video of the window from the first frame to the end, when a file is given.
    std::string recordFile;
    int recordFps = 30;
    // The video without the panels.
    bool recordClean = false;
    // A command file to carry out on the window ("-": standard input, read as it comes).
    std::string commandsFile;
    // Where every action carried out is written, as a command file that replays the session.
    std::string logFile;
    // The words of the command line after the program's name, as given: the log's heading names them.
    std::vector<std::string> arguments;

    // Reads argv[1..argc-1]; size is the board size when --size is not given. On Error, error
    // holds a one-line reason.
    static SimulationOptions::Outcome parse(int argc, const char* const* argv, int size, LabOptions& options,
                                            std::string& error);
    static std::string usage(const std::string& program);
};
