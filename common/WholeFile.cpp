#include "common/WholeFile.h"

#include "common/OutputFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string failure(const std::string& path, int number) {
    return "cannot write " + OutputFiles::printable(path) + ": " + std::strerror(number);
}

// The mode a new file gets (0666 less the umask): mkstemp's 0600 would hide the output from others.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int descriptor, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(descriptor, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            if (wrote == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

} // namespace

WholeFile::WholeFile(const std::string& path) : path(path) {}

WholeFile::~WholeFile() {
    if (!temporary.empty())
        ::unlink(temporary.c_str());
}

bool WholeFile::open(std::string& error) {
    namespace fs = std::filesystem;
    // Through a link to the file it names, so that the rename keeps the link.
    target = fs::is_symlink(path) ? OutputFiles::resolved(path) : path;
    const fs::path final(target);
    const std::string folder = final.has_parent_path() ? final.parent_path().string() + "/" : "";
    // Hidden, and named after the file while the name leaves room for the six random letters.
    std::string leaf = final.filename().string();
    if (leaf.size() > 200)
        leaf = "sylvara";
    std::string name = folder + "." + leaf + ".part-XXXXXX";
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        error = failure(path, errno);
        return false;
    }
    temporary = name;
    struct stat info;
    fchmod(descriptor, stat(target.c_str(), &info) == 0 ? info.st_mode & 07777 : newFileMode());
    ::close(descriptor);
    return true;
}

bool WholeFile::commit(std::string& error) {
    const int descriptor = ::open(temporary.c_str(), O_RDONLY);
    // Blocks the disk could not take are only known once flushed.
    if (descriptor < 0 || fsync(descriptor) != 0) {
        error = failure(path, errno);
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    ::close(descriptor);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = failure(path, errno);
        return false;
    }
    temporary.clear();
    return true;
}

bool WholeFile::write(const std::string& path, const std::string& text, std::string& error) {
    WholeFile file(path);
    if (!file.open(error))
        return false;
    const int descriptor = ::open(file.temporary.c_str(), O_WRONLY | O_TRUNC);
    if (descriptor < 0 || !writeAll(descriptor, text)) {
        error = failure(path, errno);
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    if (::close(descriptor) != 0) {
        error = failure(path, errno);
        return false;
    }
    return file.commit(error);
}

bool WholeFile::isWholePng(const std::string& path) {
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    // The IEND chunk: no data, then its fixed CRC.
    static const unsigned char END[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    unsigned char head[8] = {};
    unsigned char tail[12] = {};
    const bool whole = std::fread(head, 1, 8, file) == 8 && std::memcmp(head, SIGNATURE, 8) == 0 &&
                       std::fseek(file, -12, SEEK_END) == 0 && std::fread(tail, 1, 12, file) == 12 &&
                       std::memcmp(tail, END, 12) == 0;
    std::fclose(file);
    return whole;
}
