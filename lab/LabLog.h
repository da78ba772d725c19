#pragma once

#include "common/Command.h"

#include <cstdio>
#include <string>

// The lab's log: every action carried out, one "@T COMMAND" a line, flushed as it is written, so a
// killed lab leaves every line up to its last action. It reads back as a command file; the window's
// own commands (pacing, chart, sound, screenshot, pin) are written as comments, since a world
// replayed headless has no window.
class LabLog {
public:
    LabLog() = default;
    ~LabLog();
    LabLog(const LabLog&) = delete;
    LabLog& operator=(const LabLog&) = delete;

    // Creates (or empties) the file and writes the heading lines, each starting with "#".
    bool open(const std::string& file, const std::string& heading, std::string& error);
    bool isOpen() const { return out != nullptr; }
    // The line for the command carried out after tick T; a load's names its file's SHA-256 in a comment.
    static std::string line(long tick, const Command& command);
    // Writes it; the first write that fails is reported in one line on the error stream, and the log
    // is closed (the lab goes on).
    void write(long tick, const Command& command);
    // Writes a comment line.
    void note(const std::string& text);

private:
    void put(const std::string& text);

    std::FILE* out = nullptr;
    std::string name;
    // Bytes of whole lines written.
    long whole = 0;
};
