#pragma once

#include <string>
#include <utility>
#include <vector>

// Checks the files a tool is asked to write, before it writes any: an output that exists must be a
// regular file (a symbolic link counts as the file it names, and is written through), and no two of
// them may be one file.
class OutputFiles {
public:
    // An option and the file it names, e.g. {"--csv", "run.csv"}.
    using Named = std::pair<std::string, std::string>;

    // True when nothing is at the path or a regular file is; otherwise the error says what is there.
    static bool regularOrAbsent(const std::string& path, std::string& error);
    // Each non-empty file of the list regular or absent, and no two the same file once ., .. and links
    // are resolved; false with a one-line reason naming the options.
    static bool check(const std::vector<Named>& files, std::string& error);
    // The name with each control character (a line break, say) shown as '?', for a message.
    static std::string printable(const std::string& path);
    // The path with ., .. and the links of its existing part resolved.
    static std::string resolved(const std::string& path);
};
