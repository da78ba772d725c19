#include "common/OptionReader.h"

#include <cerrno>
#include <cstdlib>

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

OptionReader::OptionReader(Sign sign, Strays strays) : sign(sign), strays(strays) {}

bool OptionReader::readOption(int argc, const char* const* argv, int& i,
                              const std::function<bool(const std::string&)>& isKnown, std::string& option,
                              std::string& value, std::string& error) const {
    option = argv[i];
    // Both "--size 5" and "--size=5".
    bool inlineValue = false;
    const size_t equals = option.find('=');
    if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
        value = option.substr(equals + 1);
        option = option.substr(0, equals);
        inlineValue = true;
    }
    if (!isKnown(option)) {
        const bool stray = strays == Strays::Named && option.rfind("-", 0) != 0;
        error = (stray ? "unexpected argument " : "unknown option ") + quoted(option) + " (try --help)";
        return false;
    }
    if (!inlineValue) {
        // A following option is not taken for the value: "--csv --ticks" lacks its file name.
        if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
            error = option + " needs a value";
            return false;
        }
        value = argv[++i];
    }
    return true;
}

bool OptionReader::readNumber(const std::string& option, const std::string& text, long long low,
                              long long high, long long& value, std::string& error) const {
    const bool signedText = sign == Sign::Allowed && !text.empty() && text[0] == '-';
    const bool digits = text.size() > (signedText ? 1u : 0u) &&
                        text.find_first_not_of("0123456789", signedText ? 1 : 0) == std::string::npos;
    if (!digits) {
        error = option + ": " + quoted(text) + " is not a whole number";
        return false;
    }
    errno = 0;
    value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < low || value > high) {
        error = option + ": " + text + " is out of range (" + std::to_string(low) + ".." +
                std::to_string(high) + ")";
        return false;
    }
    return true;
}

bool OptionReader::readCount(const std::string& option, const std::string& text, int low, int high,
                             int& target, std::string& error) const {
    long long value = 0;
    if (!readNumber(option, text, low, high, value, error))
        return false;
    target = static_cast<int>(value);
    return true;
}
