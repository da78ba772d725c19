#include "ProgramSession.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>

namespace {

// Runs a command without a display and returns what it printed and its exit code.
std::string runHeadless(const std::string& command, int& code) {
    std::array<char, 512> buffer;
    std::string out;
    FILE* pipe = popen(("env -u DISPLAY " + command + " 2>&1").c_str(), "r");
    while (pipe && fgets(buffer.data(), buffer.size(), pipe))
        out += buffer.data();
    const int status = pclose(pipe);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

} // namespace

TEST(Startup, HelpAndUnknownOptionsEndBeforeAnyWindow) {
    int code = 0;
    std::string out = runHeadless("./sylvara -h", code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("-h or --help"), std::string::npos) << out;
    EXPECT_NE(out.find("Display this information"), std::string::npos) << out;
    EXPECT_EQ(out.find("loading world..."), std::string::npos);
    out = runHeadless("./sylvara --help", code);
    EXPECT_EQ(code, 1);
    out = runHeadless("./sylvara -x", code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("unrecognized option -x"), std::string::npos) << out;
    EXPECT_EQ(out.find("loading world..."), std::string::npos);
}

TEST(Startup, WithoutADisplayItSaysSoAndEnds) {
    int code = 0;
    const std::string out = runHeadless("./sylvara", code);
    EXPECT_NE(code, 0);
    EXPECT_LT(code, 128) << "no crash";
    EXPECT_NE(out.find("cannot open a window"), std::string::npos) << out;
}

// Whatever the machine's sound, every line on the console is one of Sylvara's own: a missing
// sound card leaves the one line about the sound engine, not the sound libraries' own complaints.
TEST(Startup, TheConsoleHoldsOnlySylvarasOwnLines) {
    int code = 0;
    const std::string out = runHeadless("env -u ALSOFT_DRIVERS -u ALSOFT_LOGLEVEL ./sylvara", code);
    std::istringstream lines(out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        const bool own = line.empty() || line == "loading world..." || line == "setting scene data..." ||
                         line == "Error starting up sound engine." ||
                         line.rfind("Loading ../sounds/", 0) == 0 ||
                         line.rfind("Sylvara cannot open a window", 0) == 0;
        EXPECT_TRUE(own) << "not Sylvara's: " << line;
    }
    EXPECT_GE(count, 3) << out;
}

TEST(Startup, TheBoardShowsAndEscapeEndsTheProgram) {
    ProgramSession session;
    ASSERT_TRUE(session.start());
    ASSERT_TRUE(session.waitForOutput("loading world...", 30)) << session.output();
    ASSERT_TRUE(session.waitForOutput("setting scene data...", 30)) << session.output();
    ASSERT_TRUE(session.waitForWindow(30)) << session.output();
    session.moveTo(400, 300);
    ProgramSession::pause(2.0);
    const Screenshot shot(session.screenshot("startup"));
    ASSERT_TRUE(shot.valid());
    // The middle of the window shows the board, not the white clear colour.
    EXPECT_GT(shot.nonWhiteShare(320, 270, 520, 370), 0.9);
    // The title band at the top of the window carries dark text.
    EXPECT_GT(shot.darkShare(20, 20, 500, 45, 0.4f), 0.01);
    // Around the board there is still the white background.
    EXPECT_LT(shot.nonWhiteShare(20, 50, 820, 620), 0.95);
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

// xvfb-run's server starts over when its last client leaves; the program's own look for a
// display must not be that client, or its window would find no screen (or a full-screen
// one). The race is narrow, so a few fresh screens are tried.
TEST(Startup, UnderAScreenThatStartsOverTheWindowStillOpens) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int code = 0;
        // No other client may be connected while it starts: wait, then look.
        const std::string out = runHeadless(
            "xvfb-run -a -s '-screen 0 1024x768x24' bash -c './sylvara >/dev/null 2>&1 & sleep 2.5; "
            "w=$(xdotool search --onlyvisible --class osgViewer | head -1); xdotool getwindowgeometry $w; "
            "xdotool key --window $w Escape; wait $!; echo exit $?'",
            code);
        EXPECT_NE(out.find("Position: 20,20"), std::string::npos) << "attempt " << attempt << ": " << out;
        EXPECT_NE(out.find("Geometry: 800x600"), std::string::npos) << out;
        EXPECT_NE(out.find("exit 0"), std::string::npos) << out;
    }
}
