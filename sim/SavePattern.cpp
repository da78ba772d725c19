#include "sim/SavePattern.h"

#include <cstdio>
#include <cstring>

namespace {

// The literal text of a stretch without conversions, "%%" read as "%".
std::string literal(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%')
            ++i;
    }
    return out;
}

} // namespace

bool SavePattern::parse(const std::string& text, SavePattern& out, std::string& error) {
    size_t start = std::string::npos;
    size_t end = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        if (start != std::string::npos) {
            error = "\"" + text + "\" holds more than one conversion: give exactly one, such as %06d";
            return false;
        }
        size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ 0#", text[j]))
            ++j;
        const auto digitsAt = [&text](size_t from) {
            size_t to = from;
            while (to < text.size() && text[to] >= '0' && text[to] <= '9')
                ++to;
            return to - from;
        };
        size_t digits = digitsAt(j);
        bool tooWide = digits > 2;
        j += digits;
        if (j < text.size() && text[j] == '.') {
            digits = digitsAt(++j);
            tooWide = tooWide || digits > 2;
            j += digits;
        }
        if (tooWide) {
            error = "\"" + text + "\" has a conversion wider than two digits: give one such as %06d";
            return false;
        }
        if (j >= text.size() || !std::strchr("diu", text[j])) {
            error = "\"" + text + "\" has a conversion that is not a whole number: give one such as %06d";
            return false;
        }
        start = i;
        end = j;
        i = j;
    }
    if (start == std::string::npos) {
        error = "\"" + text + "\" has no place for the tick: give one conversion, such as %06d";
        return false;
    }
    out.before = literal(text.substr(0, start));
    out.conversion = text.substr(start, end - start) + "l" + text[end];
    out.after = literal(text.substr(end + 1));
    return true;
}

std::string SavePattern::fileFor(long tick) const {
    char number[128];
    std::snprintf(number, sizeof number, conversion.c_str(), tick);
    return before + number + after;
}
