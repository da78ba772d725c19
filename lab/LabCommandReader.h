#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads lines from standard input on a thread of its own, so a program can drive the lab without
// the window ever waiting on it; the lab takes the lines that came between two frames.
class LabCommandReader {
public:
    LabCommandReader() = default;
    // The thread is left to end with the process: a read from a terminal cannot be broken off.
    ~LabCommandReader();
    LabCommandReader(const LabCommandReader&) = delete;
    LabCommandReader& operator=(const LabCommandReader&) = delete;

    void start();
    // The lines read since the last call, in their order, with their line numbers from 1.
    struct Line {
        int number;
        std::string text;
    };
    std::vector<Line> take();
    // True once standard input has ended and every line read was taken.
    bool ended();

private:
    std::mutex guard;
    std::vector<Line> lines;
    bool finished = false;
    std::thread reader;
};
