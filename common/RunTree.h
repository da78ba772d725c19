#pragma once

#include <string>
#include <vector>

// Where a tool's run tree is. The world reads its art and settings as ../models, ../data and
// ../sounds from the folder it runs in: a build's stage/bin, or the data folder of the installed
// tree (PREFIX/share/sylvara). A tool enters that folder, and the paths a user gives are taken
// from the folder the tool was started in.
class RunTree {
public:
    // The folder of the running program, from /proc/self/exe; the working folder if unknown.
    static std::string binFolder();
    // The installed tree: beside the program's folder as the install laid them out, else the tree
    // of the prefix the build was configured for.
    static std::vector<std::string> installedTrees(const std::string& programFolder);
    // The folder the world runs in: programFolder itself when its parent is a run tree (the
    // stage), else the data folder of the first installed tree that holds the art; programFolder
    // when none does, so the art's absence is said by whoever reads it.
    static std::string workFolder(const std::string& programFolder,
                                  const std::vector<std::string>& installed);
    static std::string workFolder();
    // Makes workFolder() the working folder and returns the folder it was started in; false, with
    // the reason, when it cannot.
    static bool enter(std::string& startFolder, std::string& error);
    // A path given by the user, as seen from the start folder: an absolute path or an empty one
    // stays as it is.
    static std::string fromStart(const std::string& startFolder, const std::string& path);
    // The same for a file pattern with one conversion: a percent sign in the folder's name is
    // doubled so it stays literal.
    static std::string patternFromStart(const std::string& startFolder, const std::string& pattern);
};
