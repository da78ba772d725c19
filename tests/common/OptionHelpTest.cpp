// The help text every tool builds: one column for the descriptions, whatever the options' lengths.
#include "common/OptionHelp.h"

#include <gtest/gtest.h>

TEST(OptionHelp, DescriptionsShareOneColumnAndLongNamesStandAlone) {
    const std::string text = OptionHelp(12, "tool", "[options]", "Does things.")
                                 .option("--a N", {"first line", "second line"})
                                 .option("--very-long NAME", {"below its names"})
                                 .help()
                                 .text("\nBye.\n")
                                 .str();
    EXPECT_EQ(text, "usage: tool [options]\n"
                    "Does things.\n"
                    "\n"
                    "  --a N     first line\n"
                    "            second line\n"
                    "  --very-long NAME\n"
                    "            below its names\n"
                    "  -h, --help\n"
                    "            print this and exit\n"
                    "  --version print the version and exit\n"
                    "\n"
                    "Bye.\n");
}

TEST(OptionHelp, SharedOptionsNameTheBoardLimitAndTheirDefault) {
    const std::string text = OptionHelp(21, "t", "", "x").size("default 5").genesis("default none").str();
    EXPECT_NE(text.find("  --size N           tiles per side, 1..100 (default 5)\n"), std::string::npos);
    EXPECT_NE(
        text.find(
            "                     all, none, or C,R[;C,R...] by column and row from 0 (default none)\n"),
        std::string::npos);
}
