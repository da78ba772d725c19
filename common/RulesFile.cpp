#include "common/RulesFile.h"

#include "common/RuleTable.h"
#include "common/TextFile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <map>

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

// A rule's name has two parts and its value is a number, so a rules file never needs deep tables.
// The TOML reader nests one level per part of a dotted key and per table or list, by recursion: a
// key of thousands of parts would overflow the stack before any rule could be judged.
constexpr int MOST_KEY_PARTS = 8;
constexpr int MOST_NESTING = 8;

// Looks at the text as TOML's lexer would, strings and comments aside, for a key of too many parts
// or tables and lists nested too deep. Empty when the shape is fine, else the line and the reason.
Refusal judgeShape(const std::string& text) {
    enum class In { Code, Comment, Basic, Literal, LongBasic, LongLiteral };
    In in = In::Code;
    long line = 1;
    int dots = 0;
    int nesting = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool tripled = text.compare(i, 3, std::string(3, c)) == 0;
        if (c == '\n')
            ++line;
        switch (in) {
        case In::Comment:
            if (c == '\n')
                in = In::Code;
            continue;
        case In::Basic:
            if (c == '\\')
                ++i;
            else if (c == '"' || c == '\n')
                in = In::Code;
            continue;
        case In::Literal:
            if (c == '\'' || c == '\n')
                in = In::Code;
            continue;
        case In::LongBasic:
            if (c == '\\' && i + 1 < text.size() && text[i + 1] != '\n')
                ++i;
            else if (c == '"' && tripled) {
                in = In::Code;
                i += 2;
            }
            continue;
        case In::LongLiteral:
            if (c == '\'' && tripled) {
                in = In::Code;
                i += 2;
            }
            continue;
        case In::Code:
            break;
        }
        // A quoted part of a key leaves the count of its dots going: "a"."b" is two parts.
        if (c == '"' || c == '\'') {
            in =
                tripled ? (c == '"' ? In::LongBasic : In::LongLiteral) : (c == '"' ? In::Basic : In::Literal);
            i += tripled ? 2 : 0;
        } else if (c == '#') {
            in = In::Comment;
        } else if (c == '.') {
            if (++dots >= MOST_KEY_PARTS)
                return {line, "a key of more than " + std::to_string(MOST_KEY_PARTS) +
                                  " parts: a rule's name has two, such as animal.moveCost"};
        } else if (c == '{' || c == '[') {
            dots = 0;
            if (++nesting > MOST_NESTING)
                return {line, "tables or lists nested more than " + std::to_string(MOST_NESTING) +
                                  " deep: a rule's value is a number"};
        } else if (c == '}' || c == ']') {
            dots = 0;
            nesting = std::max(nesting - 1, 0);
        } else if (c == '=' || c == ',' || c == '\n') {
            dots = 0;
        }
    }
    return {};
}

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

// The line each rule was first given on, by name: "animal.moveCost" and animal.moveCost are one rule.
using Given = std::map<std::string, long>;

void collect(const toml::table& table, const std::string& prefix, Rules& rules, Given& given,
             std::vector<Refusal>& refusals) {
    for (const auto& [key, node] : table) {
        const std::string name = prefix + std::string(key.str());
        if (const toml::table* inner = node.as_table()) {
            collect(*inner, name + ".", rules, given, refusals);
            continue;
        }
        const long line = static_cast<long>(node.source().begin.line);
        double value = 0.0;
        const std::string reason = judge(name, node, value);
        if (!reason.empty()) {
            refusals.push_back({line, reason});
            continue;
        }
        RuleTable::set(rules, *RuleTable::find(name), value);
        // The table walk goes by name, not by line: the later line is the one given twice.
        const auto [earlier, fresh] = given.emplace(name, line);
        if (!fresh) {
            const long first = std::min(earlier->second, line);
            refusals.push_back(
                {std::max(earlier->second, line),
                 "rule " + name + " is given twice (also on line " + std::to_string(first) + ")"});
        }
    }
}

// The text as TOML, once its shape is known to be safe: the reader recurses once per part of a key
// and per level of nesting, so a key of thousands of parts would overflow the stack.
bool parseToml(const std::string& text, const std::string& name, toml::table& table, std::string& error) {
    const Refusal shape = judgeShape(text);
    if (!shape.text.empty()) {
        error = name + ":" + std::to_string(shape.line) + ": " + shape.text;
        return false;
    }
    try {
        table = toml::parse(text, name);
    } catch (const toml::parse_error& e) {
        error = name + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    return true;
}

} // namespace

bool RulesFile::readText(const std::string& text, const std::string& name, Rules& rules, std::string& error) {
    toml::table table;
    if (!parseToml(text, name, table, error))
        return false;
    Rules read = rules;
    std::vector<Refusal> refusals;
    Given given;
    collect(table, "", read, given, refusals);
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
    std::string text;
    return TextFile::read(file, "rules file", text, error) && readText(text, file, rules, error);
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

std::string RulesFile::writeAll(const Rules& rules) {
    std::string text = "# Sylvara rules: sylvara-sim --rules THIS_FILE runs under them\n";
    for (const RuleTable::Field& field : RuleTable::fields()) {
        // A meaning is one line, but a comment must never end early and leave words as TOML.
        std::string meaning = field.meaning;
        std::replace(meaning.begin(), meaning.end(), '\n', ' ');
        text += "\n# " + meaning + " (" + RuleTable::range(field) + ")\n";
        text += std::string(field.name) + " = " + RuleTable::format(rules, field) + "\n";
    }
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
    if (!parseToml(text, name, table, error))
        return false;
    entries.clear();
    if (!flatten(table, "", 0, entries, error)) {
        error = name + ":" + error;
        return false;
    }
    return true;
}
