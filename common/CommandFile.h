#pragma once

#include "common/Command.h"

#include <functional>
#include <string>
#include <vector>

// A file of commands, one a line: "@T COMMAND" acts after T ticks, a line without "@T" with the
// one before it (or at the start, for the first lines), "#" starts a comment. Ticks never go back but
// once, right after a "load", whose world has a tick of its own. Every refusal is one
// line naming the file and the line, given before anything runs.
class CommandFile {
public:
    // What the commands must fit: a board of so many tiles of so many world units per side.
    // The world's tile is 150 units a side (the sim checks it is its TileGrid's); the sweep, which
    // never builds a world, checks its files against it.
    static constexpr double TILE_SIZE = 150.0;
    struct Board {
        int tilesPerSide = 1;
        double tileSize = TILE_SIZE;
        // The tiles per side of the saved world a load names, once the refusal has read it; none: the
        // board stays.
        std::function<int(const std::string& file)> sideOf = nullptr;
    };
    // Says why a command cannot be carried out by this tool; empty when it can.
    using Refuse = std::function<std::string(const Command&)>;

    // Reads the file; the "rules FILE" it names are read too, a relative name from the file's own folder.
    static bool read(const std::string& file, std::vector<Command>& commands, std::string& error);
    // The same for text already in memory, named as the file it came from.
    static bool readText(const std::string& text, const std::string& name, std::vector<Command>& commands,
                         std::string& error, const std::string& folder = "");
    // One line: an optional "@T", a command and an optional comment. A blank line or a comment gives
    // no command (returns true with empty true). tick is the tick a line without "@T" takes; a relative
    // rules file is taken from the folder when one is given. A load's comment "# sha256 HEX" is the
    // digest its file must have.
    static bool readLine(const std::string& line, long tick, Command& command, bool& empty,
                         std::string& error, const std::string& folder = "");
    // Refuses the first command off the board or refused by the tool, as "name:line: reason".
    static bool check(const std::vector<Command>& commands, const std::string& name, const Board& board,
                      const Refuse& refuse, std::string& error);
    // The comment a log writes after a load, naming its file's SHA-256: " # sha256 HEX".
    static std::string digestComment(const std::string& digest);
    // "name:line: " for a message.
    static std::string where(const std::string& name, int line);
};
