#include "common/CommandFile.h"

#include "common/OutputFiles.h"
#include "common/RulesFile.h"
#include "common/TextFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

// A whole tick from 0, as "@T" gives it.
bool readTick(const std::string& text, long& tick) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long long read = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || read > LONG_MAX / 2)
        return false;
    tick = static_cast<long>(read);
    return true;
}

// The digest a load's comment names, lowercased: "" when the comment names none (any other comment),
// false when it names one that is no SHA-256.
bool readDigest(const std::string& comment, std::string& digest, std::string& error) {
    std::istringstream words(comment);
    std::string word;
    std::string given;
    std::string more;
    digest.clear();
    if (!(words >> word) || word != "sha256")
        return true;
    words >> given;
    if (given.size() != 64 || given.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
        words >> more) {
        error = "load: the comment's sha256 is not 64 hex digits";
        return false;
    }
    for (char& c : given)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    digest = given;
    return true;
}

} // namespace

std::string CommandFile::digestComment(const std::string& digest) {
    return "  # sha256 " + digest;
}

std::string CommandFile::where(const std::string& name, int line) {
    return OutputFiles::printable(name) + ":" + std::to_string(line) + ": ";
}

bool CommandFile::readLine(const std::string& line, long tick, Command& command, bool& empty,
                           std::string& error, const std::string& folder) {
    const size_t hash = line.find('#');
    std::string text = line.substr(0, hash);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    // A byte such as NUL would end a number or a name where the eye does not see it end.
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            error = "the line holds a control character";
            return false;
        }
    const size_t start = text.find_first_not_of(" \t");
    empty = start == std::string::npos;
    if (empty)
        return true;
    text = text.substr(start);
    if (text[0] == '@') {
        const size_t end = text.find_first_of(" \t");
        const std::string given = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        if (!readTick(given, tick)) {
            error = "\"@" + given + "\" is not a tick (a whole number from 0)";
            return false;
        }
        text = end == std::string::npos ? "" : text.substr(end);
        if (text.find_first_not_of(" \t") == std::string::npos) {
            error = "@" + given + " has no command after it";
            return false;
        }
    }
    Command read;
    read.tick = tick;
    if (!Command::parse(text, read, error))
        return false;
    // Named whole, so a log replays from any folder.
    if (read.name == Command::Name::Load && !folder.empty() && read.file[0] != '/')
        read.file = folder + "/" + read.file;
    if (read.name == Command::Name::Load && hash != std::string::npos &&
        !readDigest(line.substr(hash + 1), read.digest, error))
        return false;
    if (read.name == Command::Name::Rules) {
        if (!folder.empty() && read.file[0] != '/')
            read.file = folder + "/" + read.file;
        // Read now, so a bad rules file is refused with the rest, before anything runs.
        if (!TextFile::read(read.file, "rules file", read.contents, error)) {
            error = "rules: " + OutputFiles::printable(error);
            return false;
        }
        Rules checked;
        if (!RulesFile::readText(read.contents, read.file, checked, error))
            return false;
    }
    command = read;
    return true;
}

bool CommandFile::readText(const std::string& text, const std::string& name, std::vector<Command>& commands,
                           std::string& error, const std::string& folder) {
    std::istringstream in(text);
    std::vector<Command> read;
    long tick = Command::NO_TICK;
    int number = 0;
    // A loaded world has its own tick: the first "@T" after a load may go back to it.
    bool afterLoad = false;
    for (std::string line; std::getline(in, line);) {
        number += 1;
        Command command;
        bool empty = false;
        if (!readLine(line, tick, command, empty, error, folder)) {
            error = where(name, number) + error;
            return false;
        }
        if (empty)
            continue;
        // Ticks only go forward: a file that went back would need a world that went back.
        if (command.tick < tick && !afterLoad) {
            error = where(name, number) + "tick " + std::to_string(command.tick) + " comes after tick " +
                    std::to_string(tick) + ": the ticks of a file must not go back";
            return false;
        }
        afterLoad = command.name == Command::Name::Load;
        tick = command.tick;
        command.line = number;
        read.push_back(command);
    }
    commands = read;
    return true;
}

bool CommandFile::read(const std::string& file, std::vector<Command>& commands, std::string& error) {
    std::string text;
    if (!TextFile::read(file, "command file", text, error)) {
        error = OutputFiles::printable(error);
        return false;
    }
    // A rules file it names goes with it: read from its folder, whichever folder the tool started in.
    return readText(text, file, commands, error, std::filesystem::path(file).parent_path().string());
}

bool CommandFile::check(const std::vector<Command>& commands, const std::string& name, const Board& board,
                        const Refuse& refuse, std::string& error) {
    double extent = board.tilesPerSide * board.tileSize;
    int tiles = board.tilesPerSide;
    for (const Command& command : commands) {
        std::string reason = refuse ? refuse(command) : std::string();
        const std::string side = std::to_string(tiles);
        if (reason.empty() && command.name == Command::Name::Apply &&
            (command.column >= tiles || command.row >= tiles))
            reason = "tile " + std::to_string(command.column) + "," + std::to_string(command.row) +
                     " is off the board of " + side + " x " + side + " tiles (columns and rows from 0)";
        if (reason.empty() && command.placed &&
            !(command.x >= 0.0 && command.x < extent && command.y >= 0.0 && command.y < extent)) {
            std::ostringstream text;
            text << "the point " << command.x << "," << command.y << " is off the board (0 to " << extent
                 << " on each side)";
            reason = text.str();
        }
        if (!reason.empty()) {
            error = where(name, command.line) + reason;
            return false;
        }
        // The commands after a load act on the loaded world's board.
        if (command.name == Command::Name::Load && board.sideOf) {
            tiles = board.sideOf(command.file);
            extent = tiles * board.tileSize;
        }
    }
    return true;
}
