#include "common/ContentHash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::uint64_t OFFSET = 0xcbf29ce484222325ull;
constexpr std::uint64_t PRIME = 0x100000001b3ull;

std::uint64_t mix(std::uint64_t hash, const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        hash = (hash ^ bytes[i]) * PRIME;
    return hash;
}

} // namespace

std::uint64_t ContentHash::of(const std::string& bytes) {
    return mix(OFFSET, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

bool ContentHash::ofFile(const std::string& path, std::uint64_t& hash, std::string& error) {
    std::uint64_t read = OFFSET;
    if (!eachBlock(
            path, [&](const unsigned char* bytes, std::size_t count) { read = mix(read, bytes, count); },
            error))
        return false;
    hash = read;
    return true;
}

bool ContentHash::eachBlock(const std::string& path, const Add& add, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // A FIFO would block and a device never end: only a regular file has a content to match.
    if (!S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
        add(buffer.data(), got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        error = "a read failed";
    return !failed;
}

std::string ContentHash::hex(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}
