#pragma once

#include "common/Rules.h"

#include <string>
#include <vector>

// A whole rule set as text and as a short fingerprint, so that runs can say which rules made them and
// two sweeps or two runs can be compared by their rules rather than by the name of a file that may
// have been edited since.
class RulesDigest {
public:
    // Every rule, "name = value" a line in table order: TOML that reads back to exactly these rules.
    static std::string toml(const Rules& rules);
    // Sixteen hex digits of the FNV-1a hash of toml(rules): equal for equal rule sets, whatever file
    // or settings gave them.
    static std::string fingerprint(const Rules& rules);
    // For titles: "default rules" or "rules FILE", then ", set NAME=VALUE" for each setting.
    static std::string title(const std::string& file, const std::vector<std::string>& settings);
    // For summaries: "default" or "FILE", then " (+N set)" when settings were given.
    static std::string brief(const std::string& file, const std::vector<std::string>& settings);
    // Sets one rule to a value read back from toml(), exactly the value written. False, with the reason,
    // for an unknown rule or a value out of its range.
    static bool restore(Rules& rules, const std::string& name, double value, std::string& error);
};
