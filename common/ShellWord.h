#pragma once

#include <string>

// Text made into one word for the shell, whatever it holds.
class ShellWord {
public:
    // Always in single quotes.
    static std::string quote(const std::string& text);
    // Bare when it holds only characters the shell takes literally (paths, numbers, options), else quoted.
    static std::string of(const std::string& text);
};
