// The lab's HUD beside its panels under a real X server: the selected organism's lines show as
// fully with the panels shown as with them hidden, at the default window and a larger one.
#include "ProgramSession.h"
#include "ScratchFolder.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

namespace {

bool titleSays(const ProgramSession& session, const std::string& word, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (session.windowName().find(word) != std::string::npos)
            return true;
        ProgramSession::pause(0.1);
    }
    return false;
}

// Waits until two shots in a row agree in the box: the frame after a change has been drawn.
Screenshot settled(const ProgramSession& session, const std::string& name, const Box& box) {
    Screenshot last(session.screenshot(name));
    for (int i = 0; i < 40; ++i) {
        ProgramSession::pause(0.5);
        Screenshot next(session.screenshot(name));
        if (next.changedShare(last, box, 0.05f) < 0.001)
            return next;
        last = next;
    }
    return last;
}

// The middle of the console's command line, in the strip along the bottom right of the left column.
int consoleX(int width) {
    return 238 + std::max(150, (width - 480) / 2) / 2;
}

struct Layout {
    int width;
    int height;
};

class PanelsHud : public ::testing::TestWithParam<Layout> {};

} // namespace

// The selection's lines are found as what changes when the organism is let go, with the world paused:
// a line under a panel would barely change, so fewer of its pixels would be found with the panels shown.
TEST_P(PanelsHud, TheSelectedOrganismsLinesAreNotUnderAnyPanel) {
    const Layout layout = GetParam();
    ScratchFolder folder("sylvara-panels-hud");
    {
        std::ofstream commands(folder.file("select.cmd"));
        commands << "@2 select 1\n@3 pause\n";
    }
    const std::string window = std::to_string(layout.width) + "x" + std::to_string(layout.height);
    ProgramSession session({"--panels", "--window", window, "--genesis", "all", "--size", "1", "--seed", "7",
                            "--commands", folder.file("select.cmd")});
    session.setShotPrefix("panels-hud-" + window + "-");
    ASSERT_TRUE(session.start(ProgramSession::stageDir() + "/bin/sylvara-lab")) << session.output();
    ASSERT_TRUE(session.waitForWindow(90)) << session.output();
    ASSERT_TRUE(session.waitForOutput("selected animal 1", 90)) << session.output();
    ASSERT_TRUE(titleSays(session, "paused", 60)) << session.windowName();

    // Left of the right column and above the bottom strip: where the selection's lines are, and no
    // panel there changes with the selection. Shots are of the screen, the window 20 pixels in.
    const Box lines{20, 60, 20 + layout.width - 240, 20 + layout.height - 180};
    session.moveTo(layout.width / 2, layout.height / 3);
    const Screenshot shownSelected = settled(session, "shown-selected", lines);
    session.key("F1");
    ASSERT_TRUE(session.waitForOutput("panels: hidden", 30)) << session.output();
    const Screenshot hiddenSelected = settled(session, "hidden-selected", lines);
    session.key("F1");
    ASSERT_TRUE(session.waitForOutput("panels: shown", 30)) << session.output();

    // Let go at the console: the field takes keys from the frame after the click.
    session.moveTo(consoleX(layout.width), layout.height - 20);
    ProgramSession::pause(0.3);
    session.click(1);
    ProgramSession::pause(1.5);
    session.xdotool("type --delay 150 'select none'");
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput(": select none", 30)) << session.output();
    session.moveTo(layout.width / 2, layout.height / 3);
    const Screenshot shownNone = settled(session, "shown-none", lines);
    session.key("F1");
    ASSERT_TRUE(session.waitForOutput("panels: hidden", 30)) << session.output();
    const Screenshot hiddenNone = settled(session, "hidden-none", lines);

    const Spot hidden = hiddenSelected.changedSpot(hiddenNone, lines, 0.25f);
    // Right of the left column, whose panels end 234 pixels in: the Run panel's rates change anyway.
    const Box clear{20 + 234, lines.y0, lines.x1, lines.y1};
    const Spot shown = shownSelected.changedSpot(shownNone, clear, 0.25f);
    // The lines and their backdrop are thousands of pixels at either size.
    ASSERT_GT(hidden.count, 3000) << "no selection lines found with the panels hidden";
    EXPECT_GT(shown.count, hidden.count * 0.85) << "with the panels shown only " << shown.count << " of "
                                                << hidden.count << " pixels of the lines show";
    std::printf("selection's pixels: %ld with the panels hidden, %ld shown\n", hidden.count, shown.count);
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

// A command file's rule change is marked on the Charts panel as a yellow line, as a typed one is.
TEST(PanelsHud, AScheduledRuleChangeIsMarkedOnTheChart) {
    ScratchFolder folder("sylvara-panels-marks");
    {
        std::ofstream commands(folder.file("set.cmd"));
        commands << "@20 set animal.moveCost=0.02\n@60 pause\n";
    }
    ProgramSession session({"--panels", "--window", "1000x740", "--genesis", "all", "--size", "1", "--seed",
                            "7", "--commands", folder.file("set.cmd")});
    session.setShotPrefix("panels-marks-");
    ASSERT_TRUE(session.start(ProgramSession::stageDir() + "/bin/sylvara-lab")) << session.output();
    ASSERT_TRUE(session.waitForWindow(90)) << session.output();
    ASSERT_TRUE(session.waitForOutput("tick 20: set animal.moveCost=0.02", 90)) << session.output();
    ASSERT_TRUE(titleSays(session, "paused", 60)) << session.windowName();
    session.moveTo(500, 300);
    // The Charts panel's plot, in the strip along the bottom right of the console.
    const Box plot{20 + 504, 20 + 600, 20 + 760, 20 + 734};
    const Screenshot shot = settled(session, "paused", plot);
    const Spot yellow = shot.spotWhere(plot, [&shot](int x, int y) {
        const osg::Vec4 p = shot.pixel(x, y);
        return p.r() > 0.55f && p.g() > 0.45f && p.b() < 0.35f;
    });
    EXPECT_GT(yellow.count, 40) << "no mark on the chart";
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

// The rules given on the command line are marked at the first tick, the left edge of the chart, and named
// in the log's heading; a run without them has no mark there.
TEST(PanelsHud, TheRulesGivenAtTheStartAreMarkedAtTheFirstTickAndInTheLog) {
    ScratchFolder folder("sylvara-panels-start-marks");
    { std::ofstream(folder.file("pause.cmd")) << "@60 pause\n"; }
    const auto yellowIn = [&](const std::vector<std::string>& rules, const std::string& name) {
        std::vector<std::string> arguments{"--panels",
                                           "--window",
                                           "1000x740",
                                           "--genesis",
                                           "all",
                                           "--size",
                                           "1",
                                           "--seed",
                                           "7",
                                           "--commands",
                                           folder.file("pause.cmd"),
                                           "--log",
                                           folder.file(name + ".log")};
        arguments.insert(arguments.end(), rules.begin(), rules.end());
        ProgramSession session(arguments);
        session.setShotPrefix("panels-start-marks-" + name + "-");
        EXPECT_TRUE(session.start(ProgramSession::stageDir() + "/bin/sylvara-lab")) << session.output();
        EXPECT_TRUE(session.waitForWindow(90)) << session.output();
        EXPECT_TRUE(titleSays(session, "paused", 90)) << session.windowName();
        session.moveTo(500, 300);
        const Box plot{20 + 504, 20 + 600, 20 + 760, 20 + 734};
        const Screenshot shot = settled(session, "paused", plot);
        const Spot yellow = shot.spotWhere(plot, [&shot](int x, int y) {
            const osg::Vec4 p = shot.pixel(x, y);
            return p.r() > 0.55f && p.g() > 0.45f && p.b() < 0.35f;
        });
        EXPECT_EQ(session.endWithEscape(), 0) << session.output();
        return yellow;
    };
    const Spot marked = yellowIn({"--set", "animal.moveCost=0.02"}, "set");
    EXPECT_GT(marked.count, 40) << "no mark on the chart";
    EXPECT_LT(marked.bounds.x1, 20 + 504 + 20) << "the mark stands at the first tick, the plot's left edge";
    EXPECT_EQ(yellowIn({}, "plain").count, 0) << "a mark without rules given";
    std::string log;
    for (const std::string& line : lines(folder.file("set.log")))
        log += line + "\n";
    EXPECT_NE(log.find("\n# @0 rules given at the start: --set animal.moveCost=0.02\n"), std::string::npos)
        << log;
}

INSTANTIATE_TEST_SUITE_P(Windows, PanelsHud, ::testing::Values(Layout{800, 600}, Layout{1000, 740}),
                         [](const ::testing::TestParamInfo<Layout>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });
