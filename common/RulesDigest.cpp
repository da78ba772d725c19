#include "common/RulesDigest.h"

#include "common/ContentHash.h"
#include "common/OutputFiles.h"
#include "common/RuleTable.h"

std::string RulesDigest::toml(const Rules& rules) {
    std::string text;
    for (const RuleTable::Field& field : RuleTable::fields())
        text += std::string(field.name) + " = " + RuleTable::format(rules, field) + "\n";
    return text;
}

std::string RulesDigest::fingerprint(const Rules& rules) {
    return ContentHash::hex(ContentHash::of(toml(rules)));
}

std::string RulesDigest::title(const std::string& file, const std::vector<std::string>& settings) {
    std::string text = file.empty() ? "default rules" : "rules " + OutputFiles::printable(file);
    for (const std::string& setting : settings)
        text += ", set " + OutputFiles::printable(setting);
    return text;
}

std::string RulesDigest::brief(const std::string& file, const std::vector<std::string>& settings) {
    std::string text = file.empty() ? "default" : OutputFiles::printable(file);
    if (!settings.empty())
        text += " (+" + std::to_string(settings.size()) + " set)";
    return text;
}

bool RulesDigest::restore(Rules& rules, const std::string& name, double value, std::string& error) {
    const RuleTable::Field* field = RuleTable::find(name);
    if (!field) {
        error = "unknown rule " + name;
        return false;
    }
    // The range is judged on the text's value: the float kept for 0.01 lies a hair below it. The
    // shortest text of a float, read as a double, rounds back to that very float.
    const std::string reason = RuleTable::check(*field, value);
    if (!reason.empty()) {
        error = "rule " + name + ": " + reason;
        return false;
    }
    RuleTable::set(rules, *field, value);
    return true;
}
