// The overlay at start-up and as the keys change it: the title names the tool in use, h
// shows and hides the controls panel.
#include "Board.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const Box TITLE{20, 20, 620, 42};
const Box HINT{630, 20, 820, 42};
// Where the controls panel's first lines stand on the white above the board.
const Box CONTROLS = board::sky(645, 820);

// How far the title's text reaches to the right.
int titleEnd(const Screenshot& shot) {
    return shot.darkSpot(TITLE, 0.4f).bounds.x1;
}

} // namespace

class Hud : public testing::TestWithParam<std::string> {};

TEST_P(Hud, StartShowsTitleAndBoardTitleNamesEachToolAndHTogglesTheControls) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "hud-start", GetParam())) << session.output();
    const Screenshot start(session.screenshot("hud-first"));

    // Dark title text on the white band; the whole board drawn as ground; white around it.
    EXPECT_GT(start.darkShare(TITLE, 0.4f), 0.03);
    EXPECT_GT(start.darkShare(HINT, 0.4f), 0.03) << "the hint for h";
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column)
            EXPECT_TRUE(board::looksLikeGround(start.mean(board::tile(column, row)))) << column << "," << row;
    EXPECT_LT(start.nonWhiteShare(board::sky(20, 820)), 0.001) << "no panel at start";
    EXPECT_LT(start.nonWhiteShare(Box{22, 150, 70, 300}), 0.001) << "left of the board";
    EXPECT_LT(start.nonWhiteShare(Box{770, 150, 818, 300}), 0.001) << "right of the board";

    // Each tool has its own title; c brings the first one back.
    const int cameraEnd = titleEnd(start);
    const struct {
        const char* key;
        const char* tool;
    } tools[] = {{"s", "select"},
                 {"k", "tile killer"},
                 {"g", "tile genesis"},
                 {"f", "tile fertilizer"},
                 {"c", "camera only"}};
    int previous = cameraEnd;
    int selectEnd = 0;
    for (const auto& each : tools) {
        session.key(each.key);
        int end = 0;
        const board::Watched retitled =
            board::watch(session, std::string("hud-title-") + each.key, 20, [&](const Screenshot& shot) {
                end = titleEnd(shot);
                return end != previous;
            });
        EXPECT_TRUE(retitled.held) << "title unchanged by " << each.key << " (" << each.tool << ")";
        std::printf("%s tool: title ends at %d\n", each.tool, end);
        if (each.key[0] == 's')
            selectEnd = end;
        previous = end;
    }
    EXPECT_NEAR(previous, cameraEnd, 2) << "c gives the camera title back";
    EXPECT_LT(selectEnd, cameraEnd - 30) << "'select tool.' is the shortest";

    const Screenshot before(session.screenshot("hud-before-help"));
    session.key("h");
    double controls = 0;
    const board::Watched shown = board::watch(session, "hud-help", 20, [&](const Screenshot& shot) {
        controls = shot.darkShare(CONTROLS, 0.4f);
        return controls > 0.03;
    });
    EXPECT_TRUE(shown.held) << "controls text share " << controls;
    EXPECT_GT(shown.shot.difference(before, HINT), 0.005) << "the hint says hide now";
    EXPECT_LT(shown.shot.difference(before, TITLE), 0.001) << "the title stays";
    // The panel lies over the board's right side: its backdrop lightens the ground there.
    const Box underPanel{655, 165, 690, 300};
    EXPECT_GT(shown.shot.mean(underPanel).y(), before.mean(underPanel).y() + 0.05);

    session.key("h");
    const board::Watched hidden = board::watch(session, "hud-help-hidden", 20, [&](const Screenshot& shot) {
        return shot.difference(before, board::window()) < 0.001;
    });
    EXPECT_TRUE(hidden.held) << "after h again the window differs from before by "
                             << hidden.shot.difference(before, board::window());

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Hud, testing::ValuesIn(board::SANDBOXES), board::programName);
