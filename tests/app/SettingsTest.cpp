#include "app/Settings.h"
#include "app/Application.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace {

// One file per test: the tests run side by side in separate processes.
std::string writeFile(const std::string& text) {
    const std::string name = testing::TempDir() + "/settings-" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::ofstream(name, std::ios::binary) << text;
    return name;
}

int sizeOf(const std::string& text, std::string* message = nullptr) {
    const std::string file = writeFile(text);
    testing::internal::CaptureStdout();
    const int size = Settings::readSize(file);
    const std::string out = testing::internal::GetCapturedStdout();
    if (message)
        *message = out;
    return size;
}

} // namespace

TEST(Settings, ValueIsTheRestAfterTheFirstSeparator) {
    EXPECT_EQ(Settings::settingValue("size: 12", ":"), " 12");
    EXPECT_EQ(Settings::settingValue("a:b:c", ":"), "b:c");
    EXPECT_EQ(Settings::settingValue("no separator", ":"), "");
}

TEST(Settings, LastSizeLineWinsAndTheKeyMayStandAnywhere) {
    EXPECT_EQ(sizeOf("size: 8\nother\nsize:12\n"), 12);
    EXPECT_EQ(sizeOf("fontsize: 3\n"), 3);
    EXPECT_EQ(sizeOf("audio: x\n"), Settings::DEFAULT_SIZE);
    EXPECT_EQ(sizeOf("size: 7"), 7) << "no newline at the end";
    EXPECT_EQ(sizeOf("size: 9\r\naudio: a\r\n"), 9);
    EXPECT_EQ(Settings::readSize("/no/such/settings.ini"), Settings::DEFAULT_SIZE);
}

TEST(Settings, UnusableSizesAreReplacedWithOneClearLine) {
    std::string message;
    for (const char* text : {"size: 0\n", "size: -3\n", "size: abc\n"}) {
        EXPECT_EQ(sizeOf(text, &message), Settings::DEFAULT_SIZE) << text;
        EXPECT_NE(message.find("using 5"), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    EXPECT_EQ(sizeOf("size: 100000\n", &message), 100);
    EXPECT_NE(message.find("\" 100000\""), std::string::npos) << message;
    EXPECT_EQ(sizeOf("size: 99999999999999999999\n", &message), 100) << "no overflow";
    EXPECT_EQ(sizeOf("size: 12\n", &message), 12);
    EXPECT_EQ(message, "");
}

TEST(Settings, AudioIsTakenRawAndGarbageDoesNotHurt) {
    EXPECT_EQ(Settings::readAudio(writeFile("audio: deep\n")), " deep");
    EXPECT_EQ(Settings::readAudio(writeFile("audio:x\r\n")), "x");
    EXPECT_EQ(Settings::readAudio("/no/such/file"), "");
    const std::string folder = testing::TempDir() + "/settings-dir.ini";
    mkdir(folder.c_str(), 0700);
    EXPECT_EQ(Settings::readSize(folder), Settings::DEFAULT_SIZE);
    std::string garbage(1 << 20, '\x01');
    garbage += "size:\x02\xff\n";
    std::string message;
    EXPECT_EQ(sizeOf(garbage, &message), Settings::DEFAULT_SIZE);
    EXPECT_LT(message.size(), 200u) << "the line stays short and printable";
}

// Start-up announces the loading first and reads the settings after it, so the line about a rejected
// size follows "loading world...".
TEST(Settings, ARejectedSizeIsSaidAfterTheLoadingLine) {
    const std::string file = writeFile("size: 0\n");
    static char name[] = "sylvara";
    char* argv[] = {name, nullptr};
    int exitCode = 0;
    // The World lives until the process ends, as in the program.
    static Application application;
    ASSERT_TRUE(application.parseArguments(1, argv, exitCode));
    testing::internal::CaptureStdout();
    application.createWorldFromSettings(file);
    const std::string out = testing::internal::GetCapturedStdout();
    const size_t loading = out.find("loading world...\n");
    const size_t rejected = out.find("Settings: size \" 0\"");
    ASSERT_NE(loading, std::string::npos) << out;
    ASSERT_NE(rejected, std::string::npos) << out;
    EXPECT_LT(loading, rejected) << out;
    EXPECT_LT(rejected, out.find("setting scene data...")) << out;
    EXPECT_EQ(application.getWorld()->getTiles()->getTilesPerSide(), Settings::DEFAULT_SIZE);
}
