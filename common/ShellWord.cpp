#include "common/ShellWord.h"

std::string ShellWord::quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ShellWord::of(const std::string& text) {
    const char* const literal = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-,+";
    return !text.empty() && text.find_first_not_of(literal) == std::string::npos ? text : quote(text);
}
