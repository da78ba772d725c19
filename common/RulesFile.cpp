#include "common/RulesFile.h"

#include "common/RuleTable.h"

#include <toml++/toml.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string typeName(const toml::node& node) {
    if (node.is_string())
        return "a string";
    if (node.is_boolean())
        return "true or false";
    if (node.is_array())
        return "a list";
    return "a date or time";
}

struct Refusal {
    long line = 0;
    std::string text;
};

// The reason a name or value is refused, or empty; value is the number read.
std::string judge(const std::string& name, const toml::node& node, double& value) {
    const RuleTable::Field* field = RuleTable::find(name);
    if (!field)
        return "unknown rule " + name + " (did you mean " + RuleTable::nearest(name) + "?)";
    if (const auto* whole = node.as_integer())
        value = static_cast<double>(whole->get());
    else if (const auto* real = node.as_floating_point())
        value = real->get();
    else
        return "rule " + name + ": " + RuleTable::check(*field, NAN) + ", not " + typeName(node);
    const std::string reason = RuleTable::check(*field, value);
    return reason.empty() ? reason : "rule " + name + ": " + reason;
}

void collect(const toml::table& table, const std::string& prefix, Rules& rules,
             std::vector<Refusal>& refusals) {
    for (const auto& [key, node] : table) {
        const std::string name = prefix + std::string(key.str());
        if (const toml::table* inner = node.as_table()) {
            collect(*inner, name + ".", rules, refusals);
            continue;
        }
        double value = 0.0;
        const std::string reason = judge(name, node, value);
        if (!reason.empty())
            refusals.push_back({static_cast<long>(node.source().begin.line), reason});
        else
            RuleTable::set(rules, *RuleTable::find(name), value);
    }
}

} // namespace

bool RulesFile::readText(const std::string& text, const std::string& name, Rules& rules, std::string& error) {
    toml::table table;
    try {
        table = toml::parse(text, name);
    } catch (const toml::parse_error& e) {
        error = name + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    Rules read = rules;
    std::vector<Refusal> refusals;
    collect(table, "", read, refusals);
    if (!refusals.empty()) {
        const Refusal* first = &refusals.front();
        for (const Refusal& r : refusals)
            if (r.line < first->line)
                first = &r;
        error = name + ":" + std::to_string(first->line) + ": " + first->text;
        return false;
    }
    rules = read;
    return true;
}

bool RulesFile::read(const std::string& file, Rules& rules, std::string& error) {
    std::error_code unused;
    if (std::filesystem::is_directory(file, unused)) {
        error = file + ": cannot read the rules file: it is a folder";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        error = file + ": cannot read the rules file";
        return false;
    }
    return readText(text, file, rules, error);
}

bool RulesFile::set(const std::string& setting, Rules& rules, std::string& error) {
    const size_t equals = setting.find('=');
    const std::string name = setting.substr(0, equals);
    const RuleTable::Field* field = RuleTable::find(name);
    if (equals == std::string::npos) {
        error = "--set " + setting + ": give NAME=VALUE";
        return false;
    }
    if (!field) {
        error = "--set " + setting + ": unknown rule " + name + " (did you mean " + RuleTable::nearest(name) +
                "?)";
        return false;
    }
    double value = 0.0;
    if (!RuleTable::parse(*field, setting.substr(equals + 1), value, error)) {
        error = "--set " + setting + ": rule " + name + ": " + error;
        return false;
    }
    RuleTable::set(rules, *field, value);
    return true;
}

bool RulesFile::apply(const std::string& file, const std::vector<std::string>& settings, Rules& rules,
                      std::string& error) {
    Rules result = rules;
    if (!file.empty() && !read(file, result, error))
        return false;
    for (const std::string& setting : settings)
        if (!set(setting, result, error))
            return false;
    rules = result;
    return true;
}

std::string RulesFile::write(const Rules& rules) {
    std::string text;
    for (const RuleTable::Field* field : RuleTable::differences(rules, Rules::defaults()))
        text += std::string(field->name) + " = " + RuleTable::format(rules, *field) + "\n";
    return text;
}

namespace {

constexpr int DEEPEST_ENTRY = 8;

bool flatten(const toml::table& table, const std::string& prefix, int depth,
             std::map<std::string, TomlEntry>& entries, std::string& error) {
    for (const auto& [key, node] : table) {
        const std::string name = prefix + std::string(key.str());
        if (const toml::table* inner = node.as_table()) {
            if (depth >= DEEPEST_ENTRY) {
                error = std::to_string(node.source().begin.line) + ": " + name.substr(0, 60) +
                        "... nests deeper than " + std::to_string(DEEPEST_ENTRY) + " tables";
                return false;
            }
            if (!flatten(*inner, name + ".", depth + 1, entries, error))
                return false;
            continue;
        }
        TomlEntry entry;
        entry.line = static_cast<long>(node.source().begin.line);
        if (const auto* text = node.as_string()) {
            entry.kind = TomlEntry::Kind::String;
            entry.text = text->get();
        } else if (const auto* whole = node.as_integer()) {
            entry.kind = TomlEntry::Kind::Integer;
            entry.integer = whole->get();
            entry.number = static_cast<double>(entry.integer);
        } else if (const auto* real = node.as_floating_point()) {
            entry.kind = TomlEntry::Kind::Float;
            entry.number = real->get();
        } else if (const auto* flag = node.as_boolean()) {
            entry.kind = TomlEntry::Kind::Boolean;
            entry.flag = flag->get();
        } else if (const toml::array* list = node.as_array()) {
            entry.kind = TomlEntry::Kind::Strings;
            for (const toml::node& item : *list) {
                if (!item.is_string()) {
                    entry.kind = TomlEntry::Kind::Other;
                    break;
                }
                entry.strings.push_back(item.as_string()->get());
            }
        }
        entries[name] = entry;
    }
    return true;
}

} // namespace

bool RulesFile::readEntries(const std::string& text, const std::string& name,
                            std::map<std::string, TomlEntry>& entries, std::string& error) {
    toml::table table;
    try {
        table = toml::parse(text, name);
    } catch (const toml::parse_error& e) {
        error = name + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    entries.clear();
    if (!flatten(table, "", 0, entries, error)) {
        error = name + ":" + error;
        return false;
    }
    return true;
}
