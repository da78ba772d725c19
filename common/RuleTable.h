#pragma once

#include "common/Rules.h"

#include <cstddef>
#include <string>
#include <vector>

// The rules by name: where each lives in Rules, its type, the values it allows and what it means.
// Plain data, free of the world, so that every tool can check a rule without building one.
class RuleTable {
public:
    enum class Type { Int, Float, Double };
    struct Field {
        const char* name;
        Type type;
        std::size_t offset;
        double min;
        double max;
        const char* meaning;
    };

    static const std::vector<Field>& fields();
    // Null for a name no rule has.
    static const Field* find(const std::string& name);
    // The known name closest to a mistyped one.
    static std::string nearest(const std::string& name);

    static double get(const Rules& rules, const Field& field);
    // Writes the value in the field's own type; the value must already have passed check().
    static void set(Rules& rules, const Field& field, double value);
    // Empty when the value suits the field, else why not ("must be a whole number in 0..100").
    static std::string check(const Field& field, double value);
    // Reads "1e-3", "20" or "0.5" as the field's value; false with a reason when it is no number or fails
    // check().
    static bool parse(const Field& field, const std::string& text, double& value, std::string& error);
    // The value as the shortest text that reads back to it.
    static std::string format(const Rules& rules, const Field& field);
    // The allowed range as text, such as "0..100".
    static std::string range(const Field& field);

    // The rules whose values differ between the two, in table order.
    static std::vector<const Field*> differences(const Rules& a, const Rules& b);
    // "name=value name=value" for the rules differing from the defaults; empty for the defaults.
    static std::string describeChanges(const Rules& rules);
    // Every rule on a line: name, default, range and meaning.
    static std::string listing();
};
