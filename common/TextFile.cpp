#include "common/TextFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "it is a folder";
    if (S_ISFIFO(mode))
        return "it is a pipe, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    return "it is not a regular file";
}

} // namespace

bool TextFile::read(const std::string& file, const std::string& what, std::string& text, std::string& error) {
    const std::string refusal = file + ": cannot read the " + what + ": ";
    // Without O_NONBLOCK, opening a pipe nobody writes would wait for ever before fstat could tell.
    const int descriptor = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        error = refusal + std::strerror(errno);
        return false;
    }
    struct stat status {};
    std::string reason;
    if (fstat(descriptor, &status) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        reason = kindOf(status.st_mode);
    else if (static_cast<unsigned long long>(status.st_size) > MAX_BYTES)
        reason = "it is larger than " + std::to_string(MAX_BYTES / 1024) + " KiB";
    std::string read;
    // A file still growing is read no further than the limit, and refused if it passed it.
    while (reason.empty()) {
        char block[65536];
        const ssize_t got = ::read(descriptor, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            reason = std::strerror(errno);
        else if (got == 0)
            break;
        else if (read.size() + static_cast<std::size_t>(got) > MAX_BYTES)
            reason = "it is larger than " + std::to_string(MAX_BYTES / 1024) + " KiB";
        else
            read.append(block, static_cast<std::size_t>(got));
    }
    close(descriptor);
    if (!reason.empty()) {
        error = refusal + reason;
        return false;
    }
    text = std::move(read);
    return true;
}
