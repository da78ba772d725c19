#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A folder of its own for a test's files, removed with everything in it afterwards.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& name)
        : folder(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
    }
    ~ScratchFolder() { std::filesystem::remove_all(folder); }
    std::string file(const std::string& leaf) const { return (folder / leaf).string(); }

    std::filesystem::path folder;
};

// A file's whole content; empty when it cannot be read.
inline std::string wholeFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A text file's lines, without their line ends: the CSVs and tables the tests read back.
inline std::vector<std::string> lines(const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> read;
    for (std::string line; std::getline(in, line);)
        read.push_back(line);
    return read;
}

// Runs a shell command: all it printed on the pipe in said, and its exit code; -1 when a signal ended it.
inline int shellOutput(const std::string& command, std::string& said) {
    FILE* pipe = popen(command.c_str(), "r");
    said.clear();
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        said += static_cast<char>(c);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
