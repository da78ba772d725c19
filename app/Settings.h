#pragma once

#include <string>

// The settings file: "size:" (tiles per side) and "audio:" (sound folder).
class Settings {
public:
    static const char* const FILE;
    static constexpr int DEFAULT_SIZE = 5;

    // The rest of the line one character after the first separator; "" without one.
    static std::string settingValue(const std::string& line, const std::string& separator);
    // The value of the last line holding the key; false when the file or key is missing.
    static bool readValue(const std::string& file, const std::string& key, std::string& value);
    // Tiles per side, ready to build a board with (see checkedSize).
    static int readSize(const std::string& file);
    static std::string readAudio(const std::string& file);
    // Below 1 the default, above the maximum the maximum, each said in one line naming the value.
    static int checkedSize(int size, const std::string& text);
    static int checkedSize(int size) { return checkedSize(size, std::to_string(size)); }
};
