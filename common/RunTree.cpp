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

// Where the install puts the tree, from CMakeLists.txt: relative to the programs' folder, so an install
// moved to another prefix still finds it, and as the configured prefix's full path.
#ifndef SYLVARA_TREE_FROM_BIN
#define SYLVARA_TREE_FROM_BIN "../share/sylvara"
#endif
#ifndef SYLVARA_INSTALLED_TREE
#define SYLVARA_INSTALLED_TREE "/usr/local/share/sylvara"
#endif

namespace {

// The one file every run needs: the headless runner refuses to start without it.
bool holdsArt(const std::string& tree) {
    return access((tree + "/models/bloom.xsf").c_str(), R_OK) == 0;
}

} // namespace

std::vector<std::string> RunTree::installedTrees(const std::string& programFolder) {
    return {programFolder + "/" SYLVARA_TREE_FROM_BIN, SYLVARA_INSTALLED_TREE};
}

std::string RunTree::workFolder(const std::string& programFolder, const std::vector<std::string>& installed) {
    if (holdsArt(programFolder + "/.."))
        return programFolder;
    for (const std::string& tree : installed)
        if (holdsArt(tree))
            return tree + "/data";
    return programFolder;
}

std::string RunTree::workFolder() {
    const std::string program = binFolder();
    return workFolder(program, installedTrees(program));
}

bool RunTree::enter(std::string& startFolder, std::string& error) {
    std::error_code failure;
    startFolder = std::filesystem::current_path(failure).string();
    if (failure) {
        error = "cannot tell the working folder: " + failure.message();
        return false;
    }
    const std::string work = workFolder();
    if (chdir(work.c_str()) != 0) {
        error = "cannot enter the run tree's folder " + work + ": " + std::strerror(errno);
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
