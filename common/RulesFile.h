#pragma once

#include "common/Rules.h"
#include "common/TomlEntry.h"

#include <map>

#include <string>
#include <vector>

// Rules from a TOML file ("[animal] moveCost = 0.02" or "animal.moveCost = 0.02") and from
// NAME=VALUE settings. Every refusal is one line naming the file, the line and the rule.
class RulesFile {
public:
    // Writes the file's rules over those given; false, with the reason, when the file cannot be read
    // or any rule in it is wrong.
    static bool read(const std::string& file, Rules& rules, std::string& error);
    // The same for TOML text already in memory, named as the file it came from.
    static bool readText(const std::string& text, const std::string& name, Rules& rules, std::string& error);
    // One NAME=VALUE setting, as --set gives it.
    static bool set(const std::string& setting, Rules& rules, std::string& error);
    // The file, if any, then the settings in order, over the rules given.
    static bool apply(const std::string& file, const std::vector<std::string>& settings, Rules& rules,
                      std::string& error);
    // The rules as a TOML file that reads back to them: only those that differ from the defaults.
    static std::string write(const Rules& rules);
    // Every rule, each with its meaning and range above it: the whole rules in force, which read
    // back to the same rules whatever the defaults become.
    static std::string writeAll(const Rules& rules);
    // Any TOML text as its values by dotted name ("run.seed"), lists of strings included. The one
    // reader of TOML, so the slow-to-compile library is built once. False, with a one-line reason
    // naming the file and the line, when the text is no TOML or nests deeper than Sylvara writes.
    static bool readEntries(const std::string& text, const std::string& name,
                            std::map<std::string, TomlEntry>& entries, std::string& error);
};
