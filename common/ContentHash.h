#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// FNV-1a, 64 bits: a short, well-known fingerprint of a file's or a text's bytes, enough to tell
// that a saved world or a rule set is not the one a run was made with (not a guard against forgery).
class ContentHash {
public:
    static std::uint64_t of(const std::string& bytes);
    // False, with the reason, when the file cannot be read whole (a folder, a FIFO, a special file).
    static bool ofFile(const std::string& path, std::uint64_t& hash, std::string& error);
    // A regular file's bytes handed to add a block at a time, for any digest of its content; false, with
    // the reason, as ofFile.
    using Add = std::function<void(const unsigned char* bytes, std::size_t count)>;
    static bool eachBlock(const std::string& path, const Add& add, std::string& error);
    // Sixteen lowercase hex digits.
    static std::string hex(std::uint64_t hash);
};
