#include "common/Command.h"

#include "common/RuleTable.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

struct Named {
    const char* word;
    Command::Name name;
};
const Named NAMES[] = {{"pause", Command::Name::Pause},       {"resume", Command::Name::Resume},
                       {"step", Command::Name::Step},         {"speed", Command::Name::Speed},
                       {"set", Command::Name::Set},           {"rules", Command::Name::Rules},
                       {"keep", Command::Name::Keep},         {"tool", Command::Name::Tool},
                       {"apply", Command::Name::Apply},       {"spawn", Command::Name::Spawn},
                       {"predator", Command::Name::Predator}, {"prey", Command::Name::Prey},
                       {"select", Command::Name::Select},     {"pin", Command::Name::Pin},
                       {"save", Command::Name::Save},         {"screenshot", Command::Name::Screenshot},
                       {"chart", Command::Name::Chart},       {"sound", Command::Name::Sound},
                       {"quit", Command::Name::Quit},         {"follow", Command::Name::Follow},
                       {"load", Command::Name::Load}};

const char* const TOOLS[] = {"camera", "select", "killer", "genesis", "fertilizer"};
const char* const KINDS[] = {"herbivore", "carnivore", "plant"};
const char* const KEPT[] = {"herbivores", "carnivores", "plants"};
const char* const CHARTS[] = {"populations", "herbivores", "carnivores", "plants", "off", "whole", "recent"};

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> found;
    for (std::string word; in >> word;)
        found.push_back(word);
    return found;
}

// The text after the first word, blanks trimmed at both ends: a file name may hold spaces.
std::string rest(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    size_t from = text.find_first_of(" \t", start);
    from = text.find_first_not_of(" \t", from == std::string::npos ? text.size() : from);
    if (from == std::string::npos)
        return "";
    return text.substr(from, text.find_last_not_of(" \t") + 1 - from);
}

// The index of word in the list, or -1.
template <size_t N> int indexOf(const char* const (&list)[N], const std::string& word) {
    for (size_t i = 0; i < N; ++i)
        if (word == list[i])
            return static_cast<int>(i);
    return -1;
}

template <size_t N> std::string choices(const char* const (&list)[N]) {
    std::string text;
    for (size_t i = 0; i < N; ++i)
        text += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + list[i];
    return text;
}

bool wholeNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-'))
        return false;
    errno = 0;
    char* end = nullptr;
    const long long read = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || read < low || read > high)
        return false;
    value = static_cast<long>(read);
    return true;
}

bool finiteNumber(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

// "A,B": two parts either side of one comma.
bool pair(const std::string& text, std::string& first, std::string& second) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        return false;
    first = text.substr(0, comma);
    second = text.substr(comma + 1);
    return true;
}

// The shortest text that reads back to the same double: a logged position replays exactly.
std::string exact(double value) {
    // The shortest of the texts that read back to it, so 10 is "10" and not "1e+01".
    std::string best;
    for (int digits = 1; digits <= 17; ++digits) {
        char text[40];
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value && (best.empty() || std::strlen(text) < best.size()))
            best = text;
    }
    return best;
}

} // namespace

const char* Command::word(Name name) {
    // Two words, read after "rules": never matched as a first word.
    if (name == Name::RulesSave)
        return "rules save";
    for (const Named& named : NAMES)
        if (named.name == name)
            return named.word;
    return "?";
}

bool Command::windowOnly() const {
    switch (name) {
    case Name::Pause:
    case Name::Resume:
    case Name::Step:
    case Name::Speed:
    case Name::Pin:
    case Name::Screenshot:
    case Name::Chart:
    case Name::Sound:
    case Name::RulesSave:
    case Name::Follow:
        return true;
    default:
        return false;
    }
}

bool Command::request() const {
    return name == Name::Spawn || name == Name::Predator || name == Name::Prey || name == Name::Apply;
}

bool Command::parse(const std::string& text, Command& command, std::string& error) {
    const std::vector<std::string> word = words(text);
    if (word.empty()) {
        error = "no command";
        return false;
    }
    Command read;
    read.tick = command.tick;
    bool known = false;
    for (const Named& named : NAMES)
        if (word[0] == named.word) {
            read.name = named.name;
            known = true;
        }
    if (!known) {
        error = "unknown command \"" + word[0] + "\"";
        return false;
    }
    const std::string& name = word[0];
    const size_t given = word.size() - 1;
    // Each command's own words; a reason left here refuses the line.
    const auto most = [&](size_t count, const std::string& form) {
        if (given <= count)
            return true;
        error = name + " takes " + form;
        return false;
    };
    switch (read.name) {
    case Name::Pause:
    case Name::Resume:
    case Name::Pin:
    case Name::Quit:
        if (!most(0, "nothing after it"))
            return false;
        break;
    case Name::Predator:
    case Name::Prey: {
        // The keys put it under the mouse: a logged one carries the point it was made at.
        if (!most(1, "nothing, or the world point X,Y it is made at"))
            return false;
        std::string x, y;
        if (given == 1 && !(pair(word[1], x, y) && finiteNumber(x, read.x) && finiteNumber(y, read.y))) {
            error = name + ": \"" + word[1] + "\" is not a world point X,Y";
            return false;
        }
        read.placed = given == 1;
        break;
    }
    case Name::Step:
        read.number = 1;
        if (!most(1, "at most one number of ticks"))
            return false;
        if (given == 1 && !wholeNumber(word[1], 1, 1000000, read.number)) {
            error = "step: \"" + word[1] + "\" is not a number of ticks from 1 to 1000000";
            return false;
        }
        break;
    case Name::Speed:
        if (given != 1) {
            error = "speed takes one of N (ticks a second), max or normal";
            return false;
        }
        if (word[1] == "max")
            read.number = SPEED_MAX;
        else if (word[1] == "normal")
            read.number = SPEED_NORMAL;
        else if (!wholeNumber(word[1], 1, 100000, read.number)) {
            error = "speed: \"" + word[1] + "\" is not 1 to 100000 ticks a second, max or normal";
            return false;
        }
        break;
    case Name::Set: {
        const size_t equals = given == 1 ? word[1].find('=') : std::string::npos;
        if (equals == std::string::npos) {
            error = "set takes NAME=VALUE, without blanks";
            return false;
        }
        read.rule = word[1].substr(0, equals);
        const RuleTable::Field* field = RuleTable::find(read.rule);
        if (!field) {
            error = "set: no rule is called \"" + read.rule + "\" (did you mean " +
                    RuleTable::nearest(read.rule) + "?)";
            return false;
        }
        std::string reason;
        if (!RuleTable::parse(*field, word[1].substr(equals + 1), read.value, reason)) {
            error = "set " + read.rule + ": " + reason;
            return false;
        }
        break;
    }
    case Name::Rules:
    case Name::RulesSave:
        if (given >= 1 && word[1] == "save") {
            // "rules save" alone names no file to load either: a file called save is "rules ./save".
            read.name = Name::RulesSave;
            read.file = rest(rest(text));
            if (read.file.empty()) {
                error = "rules save takes the file to write the rules in force to";
                return false;
            }
            break;
        }
        read.file = rest(text);
        if (read.file.empty()) {
            error = name + " takes a file name";
            return false;
        }
        break;
    case Name::Follow:
        if (given > 1 || (given == 1 && word[1] != "off")) {
            error = "follow takes nothing (the selected organism) or off";
            return false;
        }
        read.on = given == 0;
        break;
    case Name::Screenshot:
    case Name::Load:
        read.file = rest(text);
        if (read.file.empty()) {
            error = name + " takes a file name";
            return false;
        }
        break;
    case Name::Save:
        read.file = rest(text);
        break;
    case Name::Keep: {
        const size_t equals = given == 1 ? word[1].find('=') : std::string::npos;
        read.choice = equals == std::string::npos ? -1 : indexOf(KEPT, word[1].substr(0, equals));
        if (read.choice < 0) {
            error = "keep takes KIND=N with KIND " + choices(KEPT);
            return false;
        }
        if (!wholeNumber(word[1].substr(equals + 1), 0, 100000, read.number)) {
            error = "keep: \"" + word[1].substr(equals + 1) + "\" is not a number from 0 to 100000";
            return false;
        }
        break;
    }
    case Name::Tool:
        read.choice = given == 1 ? indexOf(TOOLS, word[1]) : -1;
        if (read.choice < 0) {
            error = "tool takes one of " + choices(TOOLS);
            return false;
        }
        break;
    case Name::Apply: {
        std::string column, row;
        long c = 0, r = 0;
        if (given != 1 || !pair(word[1], column, row) || !wholeNumber(column, 0, INT_MAX, c) ||
            !wholeNumber(row, 0, INT_MAX, r)) {
            error = "apply takes a tile as C,R: its column and row from 0";
            return false;
        }
        read.column = static_cast<int>(c);
        read.row = static_cast<int>(r);
        break;
    }
    case Name::Spawn: {
        read.choice = given >= 1 ? indexOf(KINDS, word[1]) : -1;
        if (read.choice < 0 || given > 2) {
            error = "spawn takes one of " + choices(KINDS) + ", then a world point X,Y if placed";
            return false;
        }
        std::string x, y;
        if (given == 2 && !(pair(word[2], x, y) && finiteNumber(x, read.x) && finiteNumber(y, read.y))) {
            error = "spawn: \"" + word[2] + "\" is not a world point X,Y";
            return false;
        }
        read.placed = given == 2;
        break;
    }
    case Name::Select:
        if (given != 1) {
            error = "select takes an organism's id or none";
            return false;
        }
        if (word[1] == "none")
            read.number = -1;
        else if (!wholeNumber(word[1], 0, INT_MAX, read.number)) {
            error = "select: \"" + word[1] + "\" is no organism's id (a whole number from 0) nor none";
            return false;
        }
        break;
    case Name::Chart:
        read.choice = given == 1 ? indexOf(CHARTS, word[1]) : -1;
        if (read.choice < 0) {
            error = "chart takes one of " + choices(CHARTS);
            return false;
        }
        break;
    case Name::Sound:
        if (given != 1 || (word[1] != "on" && word[1] != "off")) {
            error = "sound takes on or off";
            return false;
        }
        read.on = word[1] == "on";
        break;
    }
    command = read;
    return true;
}

std::string Command::action() const {
    std::string text = word(name);
    switch (name) {
    case Name::Step:
        return text + " " + std::to_string(number);
    case Name::Speed:
        return text + " " +
               (number == SPEED_MAX      ? "max"
                : number == SPEED_NORMAL ? "normal"
                                         : std::to_string(number));
    case Name::Set:
        return text + " " + rule + "=" + exact(value);
    case Name::Rules:
    case Name::RulesSave:
    case Name::Screenshot:
    case Name::Load:
        return text + " " + file;
    case Name::Follow:
        return on ? text : text + " off";
    case Name::Save:
        return file.empty() ? text : text + " " + file;
    case Name::Keep:
        return text + " " + KEPT[choice] + "=" + std::to_string(number);
    case Name::Tool:
        return text + " " + TOOLS[choice];
    case Name::Apply:
        return text + " " + std::to_string(column) + "," + std::to_string(row);
    case Name::Spawn:
        return text + " " + KINDS[choice] + (placed ? " " + exact(x) + "," + exact(y) : "");
    case Name::Predator:
    case Name::Prey:
        return placed ? text + " " + exact(x) + "," + exact(y) : text;
    case Name::Select:
        return text + " " + (number < 0 ? std::string("none") : std::to_string(number));
    case Name::Chart:
        return text + " " + CHARTS[choice];
    case Name::Sound:
        return text + (on ? " on" : " off");
    default:
        return text;
    }
}

std::string Command::text() const {
    return tick == NO_TICK ? action() : "@" + std::to_string(tick) + " " + action();
}
