#pragma once

#include <string>
#include <vector>

// One value of a TOML document, by the dotted name of its key: what the readers of Sylvara's own
// TOML files (rules, run records) need, without each of them compiling the TOML library.
struct TomlEntry {
    enum class Kind { String, Integer, Float, Boolean, Strings, Other };
    Kind kind = Kind::Other;
    std::string text;
    long long integer = 0;
    // An integer's value too, so that a number may be written either way.
    double number = 0.0;
    bool flag = false;
    std::vector<std::string> strings;
    long line = 0;
};
