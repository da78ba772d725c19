#pragma once

#include <cstddef>
#include <string>

// A small text file the user names (rules, a list of machines), read whole. Only a regular file up
// to MAX_BYTES is read: a device, a pipe nobody writes or a huge file would hang the program or fill
// its memory before a single line could be judged.
class TextFile {
public:
    static constexpr std::size_t MAX_BYTES = 1 << 20;

    // The file's text; false with "FILE: cannot read the WHAT: REASON" when it cannot be read or is
    // not a regular file of at most MAX_BYTES.
    static bool read(const std::string& file, const std::string& what, std::string& text, std::string& error);
};
