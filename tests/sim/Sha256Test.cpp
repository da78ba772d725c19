// The digest a log keeps of a loaded world: SHA-256 itself, of a text or a file read in blocks, and the
// one line that says a file is no longer the one it was.
#include "ScratchFolder.h"

#include "sim/Sha256.h"

#include <gtest/gtest.h>

TEST(Sha256, GivesThePublishedDigestsOfTextsAndCoreutilsOfAFileReadInBlocks) {
    // FIPS 180-2's examples: SHA-1, SHA-224 or a wrong padding of the second block all differ.
    EXPECT_EQ(Sha256::of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

    ScratchFolder scratch{"sylvara-sha256"};
    // Larger than one read, with a zero byte, so that every block and every byte counts.
    std::string bytes(200000, 'x');
    bytes[100] = '\0';
    bytes.back() = 'y';
    std::ofstream(scratch.file("world"), std::ios::binary) << bytes;
    std::string digest;
    std::string error;
    ASSERT_TRUE(Sha256::ofFile(scratch.file("world"), digest, error)) << error;
    EXPECT_EQ(digest, Sha256::of(bytes));
    std::string sum;
    ASSERT_EQ(shellOutput("sha256sum '" + scratch.file("world") + "'", sum), 0);
    EXPECT_EQ(sum.substr(0, 64), digest) << "the digest the system's own tool gives";
    // The lengths around a block's end, where the padding spills into a block of its own.
    for (const std::size_t length : {55, 56, 57, 63, 64, 65, 119, 120}) {
        std::ofstream(scratch.file("edge"), std::ios::binary) << std::string(length, 'a');
        ASSERT_EQ(shellOutput("sha256sum '" + scratch.file("edge") + "'", sum), 0);
        EXPECT_EQ(Sha256::of(std::string(length, 'a')), sum.substr(0, 64)) << length << " bytes";
    }

    // Only a regular file has a content: a folder or a missing file is refused with the reason.
    EXPECT_FALSE(Sha256::ofFile(scratch.file(""), digest, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(Sha256::ofFile(scratch.file("missing"), digest, error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST(Sha256, SaysInOneLineNamingTheFileThatItIsNoLongerTheOneItWas) {
    ScratchFolder scratch{"sylvara-sha256-changed"};
    const std::string file = scratch.file("w.sylvara");
    std::ofstream(file) << "first";
    const std::string first = Sha256::of("first");
    EXPECT_EQ(Sha256::changed(file, first), "");
    EXPECT_EQ(Sha256::changed(file, ""), "") << "no digest given: the file is taken as it is";

    std::ofstream(file) << "second";
    EXPECT_EQ(Sha256::changed(file, first),
              file + " has changed since the line was written: its SHA-256 is " +
                  Sha256::of("second").substr(0, 12) + "..., not " + first.substr(0, 12) + "...");
    EXPECT_EQ(Sha256::mismatch(file, Sha256::of("second"), first), Sha256::changed(file, first));
    // Unreadable, it is the world's reader that says why.
    EXPECT_EQ(Sha256::changed(scratch.file("gone.sylvara"), first), "");
}
