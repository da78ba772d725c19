#include "common/OptionHelp.h"

#include "common/BoardSize.h"

OptionHelp::OptionHelp(int column, const std::string& program, const std::string& arguments,
                       const std::string& about)
    : column(column), built("usage: " + program + " " + arguments + "\n" + about + "\n\n") {}

OptionHelp& OptionHelp::text(const std::string& lines) {
    built += lines;
    return *this;
}

OptionHelp& OptionHelp::option(const std::string& names, std::initializer_list<std::string> description) {
    std::string head = "  " + names;
    if (head.size() >= static_cast<size_t>(column)) {
        built += head + "\n";
        return lines(description);
    }
    head.resize(column, ' ');
    auto line = description.begin();
    built += head + (line == description.end() ? "" : *line++) + "\n";
    for (; line != description.end(); ++line)
        built += indent() + *line + "\n";
    return *this;
}

OptionHelp& OptionHelp::lines(std::initializer_list<std::string> more) {
    for (const std::string& line : more)
        built += indent() + line + "\n";
    return *this;
}

OptionHelp& OptionHelp::size(const std::string& byDefault) {
    return option("--size N", {"tiles per side, 1.." + std::to_string(BoardSize::MAX_TILES_PER_SIDE) + " (" +
                               byDefault + ")"});
}

OptionHelp& OptionHelp::genesis(const std::string& byDefault) {
    return option("--genesis WHERE",
                  {"tiles seeded with 10 herbivores, 10 carnivores and 10 plants:",
                   "all, none, or C,R[;C,R...] by column and row from 0 (" + byDefault + ")"});
}

OptionHelp& OptionHelp::seed(std::initializer_list<std::string> more) {
    option("--seed N", {"fix the random seed, 0..4294967295, so a run repeats exactly"});
    return lines(more);
}

OptionHelp& OptionHelp::help() {
    option("-h, --help", {"print this and exit"});
    return option("--version", {"print the version and exit"});
}

std::string OptionHelp::versionLine(const std::string& program) {
    return program + " " + SYLVARA_VERSION + "\n";
}
