#include "common/OutputFiles.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

} // namespace

std::string OutputFiles::printable(const std::string& path) {
    std::string shown = path;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ' || c == 127)
            c = '?';
    return shown;
}

bool OutputFiles::regularOrAbsent(const std::string& path, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode))
        return true;
    error = printable(path) + " is " + kindOf(info.st_mode) + ", not a regular file";
    return false;
}

std::string OutputFiles::resolved(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::path file = fs::absolute(path, failure);
    // A link to a file not made yet still names that file; the folders above are resolved below.
    for (int hop = 0; hop < 40 && fs::is_symlink(file, failure); ++hop) {
        const fs::path to = fs::read_symlink(file, failure);
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    const fs::path canonical = fs::weakly_canonical(file, failure);
    return (failure ? file.lexically_normal() : canonical).string();
}

bool OutputFiles::check(const std::vector<Named>& files, std::string& error) {
    std::vector<std::pair<std::string, std::string>> seen;
    for (const Named& file : files) {
        if (file.second.empty())
            continue;
        if (!regularOrAbsent(file.second, error)) {
            error = file.first + ": " + error;
            return false;
        }
        const std::string real = resolved(file.second);
        for (const auto& earlier : seen) {
            if (earlier.second == real) {
                error = earlier.first + " and " + file.first + " name the same file, " + printable(real) +
                        ": give each its own";
                return false;
            }
        }
        seen.emplace_back(file.first, real);
    }
    return true;
}
