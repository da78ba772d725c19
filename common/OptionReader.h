#pragma once

#include <functional>
#include <string>

// Reads a tool's command line: an option with its value, and whole numbers within a range. The
// tools differ in two ways, kept so each says what it always said: whether a number may carry a
// leading '-' (so "-1" is out of range rather than no number), and whether a word that is no option
// is called a stray argument or an unknown option.
class OptionReader {
public:
    enum class Sign { Allowed, Refused };
    enum class Strays { Named, AsOptions };

    OptionReader(Sign sign, Strays strays);

    // The option at argv[i] and its value, as "--name value" or "--name=value"; i is left on the last
    // word read. False, with a one-line reason, for an option isKnown refuses or one without its value.
    bool readOption(int argc, const char* const* argv, int& i,
                    const std::function<bool(const std::string&)>& isKnown, std::string& option,
                    std::string& value, std::string& error) const;
    // A whole decimal number within [low, high] for the option; false with a one-line reason.
    bool readNumber(const std::string& option, const std::string& text, long long low, long long high,
                    long long& value, std::string& error) const;
    bool readCount(const std::string& option, const std::string& text, int low, int high, int& target,
                   std::string& error) const;

private:
    Sign sign;
    Strays strays;
};
