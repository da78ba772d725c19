#pragma once

#include <string>

// Where a tool's run tree is: the world reads its art and settings relative to the run tree's bin
// folder, which is the folder of the tool itself. A tool enters that folder, and the paths a user
// gives are taken from the folder the tool was started in.
class RunTree {
public:
    // The folder of the running program, from /proc/self/exe; the working folder if unknown.
    static std::string binFolder();
    // Makes binFolder() the working folder and returns the folder it was started in; false, with
    // the reason, when it cannot.
    static bool enter(std::string& startFolder, std::string& error);
    // A path given by the user, as seen from the start folder: an absolute path or an empty one
    // stays as it is.
    static std::string fromStart(const std::string& startFolder, const std::string& path);
    // The same for a file pattern with one conversion: a percent sign in the folder's name is
    // doubled so it stays literal.
    static std::string patternFromStart(const std::string& startFolder, const std::string& pattern);
};
