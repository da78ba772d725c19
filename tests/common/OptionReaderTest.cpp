// The command-line reader the tools share, in both of its manners.
#include "common/OptionReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const OptionReader SIGNED(OptionReader::Sign::Allowed, OptionReader::Strays::Named);
const OptionReader DIGITS(OptionReader::Sign::Refused, OptionReader::Strays::AsOptions);

// Reads the option at argv[1] of "tool WORDS..."; "--a" and "--b" are the known ones.
bool read(const OptionReader& reader, std::vector<const char*> words, int& i, std::string& option,
          std::string& value, std::string& error) {
    words.insert(words.begin(), "tool");
    i = 1;
    const auto isKnown = [](const std::string& name) { return name == "--a" || name == "--b"; };
    return reader.readOption(static_cast<int>(words.size()), words.data(), i, isKnown, option, value, error);
}

} // namespace

TEST(OptionReader, TakesAValueAfterTheOptionOrAfterAnEqualsSign) {
    int i = 0;
    std::string option, value, error;
    ASSERT_TRUE(read(SIGNED, {"--a", "7", "--b"}, i, option, value, error)) << error;
    EXPECT_EQ(option, "--a");
    EXPECT_EQ(value, "7");
    EXPECT_EQ(i, 2) << "left on the value";
    ASSERT_TRUE(read(DIGITS, {"--b=x=y", "--a"}, i, option, value, error)) << error;
    EXPECT_EQ(option, "--b");
    EXPECT_EQ(value, "x=y");
    EXPECT_EQ(i, 1);
    ASSERT_TRUE(read(SIGNED, {"--a="}, i, option, value, error));
    EXPECT_EQ(value, "");

    EXPECT_FALSE(read(SIGNED, {"--a", "--b", "1"}, i, option, value, error));
    EXPECT_EQ(error, "--a needs a value");
    EXPECT_FALSE(read(DIGITS, {"--b"}, i, option, value, error));
    EXPECT_EQ(error, "--b needs a value");
    EXPECT_FALSE(read(SIGNED, {"--c=1"}, i, option, value, error));
    EXPECT_EQ(error, "unknown option \"--c\" (try --help)");
}

TEST(OptionReader, NamesAStrayWordOnlyInTheManner) {
    int i = 0;
    std::string option, value, error;
    EXPECT_FALSE(read(SIGNED, {"world.sylvara"}, i, option, value, error));
    EXPECT_EQ(error, "unexpected argument \"world.sylvara\" (try --help)");
    EXPECT_FALSE(read(DIGITS, {"world.sylvara"}, i, option, value, error));
    EXPECT_EQ(error, "unknown option \"world.sylvara\" (try --help)");
    EXPECT_FALSE(read(SIGNED, {"-x"}, i, option, value, error));
    EXPECT_EQ(error, "unknown option \"-x\" (try --help)");
}

TEST(OptionReader, ReadsWholeNumbersWithinTheRange) {
    long long value = 0;
    int count = 0;
    std::string error;
    EXPECT_TRUE(SIGNED.readNumber("--n", "-5", -10, 10, value, error));
    EXPECT_EQ(value, -5);
    EXPECT_TRUE(DIGITS.readNumber("--n", "4294967295", 0, 4294967295LL, value, error));
    EXPECT_EQ(value, 4294967295LL);
    EXPECT_TRUE(DIGITS.readCount("--n", "1000", 1, 1000, count, error));
    EXPECT_EQ(count, 1000);

    const struct {
        const OptionReader& reader;
        const char* text;
        const char* says;
    } bad[] = {
        {SIGNED, "-3", "--n: -3 is out of range (1..100)"},
        {DIGITS, "-3", "--n: \"-3\" is not a whole number"},
        {SIGNED, "-", "--n: \"-\" is not a whole number"},
        {SIGNED, "", "--n: \"\" is not a whole number"},
        {DIGITS, "", "--n: \"\" is not a whole number"},
        {SIGNED, "--3", "--n: \"--3\" is not a whole number"},
        {DIGITS, "5x", "--n: \"5x\" is not a whole number"},
        {DIGITS, "101", "--n: 101 is out of range (1..100)"},
        {DIGITS, "99999999999999999999", "--n: 99999999999999999999 is out of range (1..100)"},
    };
    for (const auto& each : bad) {
        EXPECT_FALSE(each.reader.readCount("--n", each.text, 1, 100, count, error)) << each.text;
        EXPECT_EQ(error, each.says);
    }
    EXPECT_EQ(count, 1000) << "a refused number leaves the target as it was";
}
