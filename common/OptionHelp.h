#pragma once

#include <initializer_list>
#include <string>

// Builds a tool's --help text: each option with its description in one column. The options that
// sylvara-sim, sylvara-lab and sylvara-sweep share are described here once.
class OptionHelp {
public:
    // "usage: PROGRAM ARGUMENTS", what the tool does, and a blank line. Descriptions start at this
    // column; an option's names too long for it stand on a line of their own.
    OptionHelp(int column, const std::string& program, const std::string& arguments,
               const std::string& about);

    OptionHelp& text(const std::string& lines);
    OptionHelp& option(const std::string& names, std::initializer_list<std::string> lines);

    // --size, with where its default comes from.
    OptionHelp& size(const std::string& byDefault);
    // --genesis as a new world's tiles, with its default.
    OptionHelp& genesis(const std::string& byDefault);
    // --seed, with any lines the tool adds.
    OptionHelp& seed(std::initializer_list<std::string> more = {});
    // -h, --help and --version.
    OptionHelp& help();

    // What --version prints: "PROGRAM VERSION", the one version the build defines.
    static std::string versionLine(const std::string& program);

    const std::string& str() const { return built; }

private:
    OptionHelp& lines(std::initializer_list<std::string> more);
    std::string indent() const { return std::string(column, ' '); }

    int column;
    std::string built;
};
