#include "common/RulesDigest.h"

#include "common/ContentHash.h"
#include "common/OutputFiles.h"
#include "common/RuleTable.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// The float whose shortest text reads as the value: a double read from "0.01" rounds to the float
// 0.01f only most of the time, so the neighbours are tried too.
float floatFor(double value) {
    const float nearest = static_cast<float>(value);
    for (float candidate : {nearest, std::nextafter(nearest, -INFINITY), std::nextafter(nearest, INFINITY)}) {
        char text[64];
        const auto written = std::to_chars(text, text + sizeof text - 1, candidate);
        *written.ptr = '\0';
        if (std::strtod(text, nullptr) == value)
            return candidate;
    }
    return nearest;
}

} // namespace

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
    const double kept = field->type == RuleTable::Type::Float ? floatFor(value) : value;
    // The range is judged on the text's value: the float kept for 0.01 lies a hair below it.
    const std::string reason = RuleTable::check(*field, value);
    if (!reason.empty()) {
        error = "rule " + name + ": " + reason;
        return false;
    }
    RuleTable::set(rules, *field, kept);
    return true;
}
