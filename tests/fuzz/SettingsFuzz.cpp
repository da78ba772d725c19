// Feeds arbitrary bytes to the settings reader as a settings file. Whatever the
// file holds, the size must be usable for a board and anything printed must be
// at most one short, printable line.
#include "app/Settings.h"
#include "world/World.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string settingsFile;
std::FILE* printed = nullptr;

void setUp() {
    const std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    const std::string stem = folder + "/sylvara-fuzz-settings-" + std::to_string(getpid());
    settingsFile = stem + ".ini";
    // Catch what the reader prints in a file of our own.
    printed = std::freopen((stem + ".out").c_str(), "w+", stdout);
    if (!printed)
        std::abort();
}

std::string takePrinted() {
    std::fflush(stdout);
    std::string text;
    std::rewind(printed);
    for (int c; (c = std::fgetc(printed)) != EOF;)
        text += char(c);
    std::rewind(printed);
    if (ftruncate(fileno(printed), 0) != 0)
        std::abort();
    return text;
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (settingsFile.empty())
        setUp();
    std::FILE* file = std::fopen(settingsFile.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const int tiles = Settings::readSize(settingsFile);
    check(tiles >= 1 && tiles <= World::MAX_SIZE, "size outside 1..MAX_SIZE");
    const std::string said = takePrinted();
    if (!said.empty()) {
        check(said.back() == '\n' && said.find('\n') == said.size() - 1, "more than one line for one value");
        check(said.size() < 200, "the line is too long to read");
        for (char c : said.substr(0, said.size() - 1))
            check(c >= 32 && c <= 126, "the line holds unprintable bytes");
    }
    // The audio folder is taken raw; it only has to come back without a fault.
    const std::string audio = Settings::readAudio(settingsFile);
    check(audio.size() <= size, "audio value longer than the file");
    check(takePrinted().empty(), "reading the audio folder printed something");
    return 0;
}
