#include "app/Settings.h"

#include "world/World.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

const char* const Settings::FILE = "../data/settings.ini";

namespace {

// atoi without its overflow: out-of-range numbers saturate.
int toInt(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// A value as it can be shown in one line: control bytes replaced, long text cut.
std::string printable(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 40))
        shown += (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) ? '?' : c;
    return text.size() > 40 ? shown + "..." : shown;
}

} // namespace

std::string Settings::settingValue(const std::string& line, const std::string& separator) {
    const std::string::size_type at = line.find(separator);
    if (at == std::string::npos)
        return "";
    return line.substr(at + 1);
}

bool Settings::readValue(const std::string& file, const std::string& key, std::string& value) {
    // A directory opens as a stream but reads nothing sensible: treat it as missing.
    struct stat info;
    if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream in(file);
    bool found = false;
    std::string line;
    while (std::getline(in, line)) {
        // Files saved with CRLF line ends must read the same as plain ones.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find(key) != std::string::npos) {
            value = settingValue(line, ":");
            found = true;
        }
    }
    return found;
}

int Settings::readSize(const std::string& file) {
    std::string text;
    if (!readValue(file, "size:", text))
        return DEFAULT_SIZE;
    return checkedSize(toInt(text), text);
}

std::string Settings::readAudio(const std::string& file) {
    std::string folder;
    readValue(file, "audio:", folder);
    return folder;
}

int Settings::checkedSize(int size, const std::string& text) {
    if (size < 1) {
        std::printf("Settings: size \"%s\" is not a number of at least 1; using %d.\n",
                    printable(text).c_str(), DEFAULT_SIZE);
        return DEFAULT_SIZE;
    }
    if (size > World::MAX_SIZE) {
        std::printf("Settings: size \"%s\" is above the maximum of %d; using %d.\n", printable(text).c_str(),
                    World::MAX_SIZE, World::MAX_SIZE);
        return World::MAX_SIZE;
    }
    return size;
}
