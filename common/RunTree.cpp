#include "common/RunTree.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <unistd.h>

std::string RunTree::binFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    std::error_code failure;
    if (length <= 0)
        return std::filesystem::current_path(failure).string();
    path[length] = '\0';
    return std::filesystem::path(path).parent_path().string();
}

bool RunTree::enter(std::string& startFolder, std::string& error) {
    std::error_code failure;
    startFolder = std::filesystem::current_path(failure).string();
    if (failure) {
        error = "cannot tell the working folder: " + failure.message();
        return false;
    }
    const std::string bin = binFolder();
    if (chdir(bin.c_str()) != 0) {
        error = "cannot enter the run tree's bin folder " + bin + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string RunTree::fromStart(const std::string& startFolder, const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    return startFolder + "/" + path;
}

std::string RunTree::patternFromStart(const std::string& startFolder, const std::string& pattern) {
    if (pattern.empty() || pattern[0] == '/')
        return pattern;
    std::string folder;
    for (char c : startFolder)
        folder += c == '%' ? std::string("%%") : std::string(1, c);
    return folder + "/" + pattern;
}
