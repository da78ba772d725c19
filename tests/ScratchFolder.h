#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

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
