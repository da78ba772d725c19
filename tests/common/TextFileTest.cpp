// Files the user names as text are read only when they are small regular files, and a refusal
// says why in one line, never hanging on a pipe or filling memory from a device.
#include "ScratchFolder.h"

#include "common/TextFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

TEST(TextFile, ReadsASmallRegularFileAndRefusesEverythingElseSayingWhy) {
    ScratchFolder scratch{"sylvara-text-file"};
    std::string text;
    std::string error;

    std::ofstream(scratch.file("rules.toml"), std::ios::binary) << "a = 1\n";
    ASSERT_TRUE(TextFile::read(scratch.file("rules.toml"), "rules file", text, error)) << error;
    EXPECT_EQ(text, "a = 1\n");

    const std::string limit(TextFile::MAX_BYTES, '#');
    std::ofstream(scratch.file("limit.toml"), std::ios::binary) << limit;
    ASSERT_TRUE(TextFile::read(scratch.file("limit.toml"), "rules file", text, error)) << error;
    EXPECT_EQ(text.size(), TextFile::MAX_BYTES) << "the limit itself is allowed";
    std::ofstream(scratch.file("limit.toml"), std::ios::binary | std::ios::app) << "#";

    ASSERT_EQ(mkfifo(scratch.file("pipe").c_str(), 0600), 0);
    const struct {
        std::string file;
        std::string says;
    } refused[] = {
        {scratch.file("missing.toml"), ": cannot read the rules file: No such file or directory"},
        {scratch.folder.string(), ": cannot read the rules file: it is a folder"},
        // Nobody writes the pipe: opening it must not wait for a writer.
        {scratch.file("pipe"), ": cannot read the rules file: it is a pipe, not a regular file"},
        {"/dev/zero", ": cannot read the rules file: it is a device, not a regular file"},
        {scratch.file("limit.toml"), ": cannot read the rules file: it is larger than 1024 KiB"},
    };
    for (const auto& each : refused) {
        text = "kept";
        EXPECT_FALSE(TextFile::read(each.file, "rules file", text, error)) << each.file;
        EXPECT_EQ(error, each.file + each.says);
        EXPECT_EQ(text, "kept") << "a refused file gives no text";
    }
}
