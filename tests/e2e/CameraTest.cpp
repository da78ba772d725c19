// The trackball camera: a left drag turns the view, a right drag zooms it, space brings the
// start-up view back, and Escape ends the program cleanly.
#include "Board.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const Box VIEW{20, 45, 820, 620};

// Waits until two shots in a row agree, so a view still easing in is not judged.
board::Watched settle(const ProgramSession& session, const std::string& name) {
    Screenshot previous(session.screenshot(name));
    return board::watch(session, name, 20, [&](const Screenshot& shot) {
        const bool same = shot.difference(previous, VIEW) < 0.002;
        previous = shot;
        return same;
    });
}

} // namespace

class Camera : public testing::TestWithParam<std::string> {};

TEST_P(Camera, DragsTurnAndZoomSpaceGoesHomeEscapeEnds) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "camera-start", GetParam())) << session.output();
    const board::Watched home = settle(session, "camera-home");
    ASSERT_TRUE(home.held);

    session.drag(1, 250, 420, 600, 380);
    const board::Watched turned = settle(session, "camera-turned");
    EXPECT_TRUE(turned.held) << "the view kept moving after the left drag";
    // The ground's texture is soft, so small colour steps count.
    const double turnChange = turned.shot.changedShare(home.shot, VIEW, 0.05f);
    EXPECT_GT(turnChange, 0.3) << "left drag";
    EXPECT_GT(turned.shot.difference(home.shot, VIEW), 0.05) << "left drag";
    // Turned, not wiped: ground still fills much of the view.
    EXPECT_GT(turned.shot.nonWhiteShare(VIEW), 0.3);

    session.drag(3, 400, 250, 400, 400);
    const board::Watched zoomed = settle(session, "camera-zoomed");
    EXPECT_TRUE(zoomed.held) << "the view kept moving after the right drag";
    const double zoomChange = zoomed.shot.changedShare(turned.shot, VIEW, 0.05f);
    EXPECT_GT(zoomChange, 0.3) << "right drag";
    std::printf("changed share: turn %.3f, zoom %.3f\n", turnChange, zoomChange);

    session.moveTo(400, 300);
    session.key("space");
    double fromHome = 1;
    const board::Watched back = board::watch(session, "camera-back", 20, [&](const Screenshot& shot) {
        fromHome = shot.difference(home.shot, VIEW);
        return fromHome < 0.002;
    });
    EXPECT_TRUE(back.held) << "after space the view differs from the start-up one by " << fromHome;

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
    EXPECT_FALSE(session.running());
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Camera, testing::ValuesIn(board::SANDBOXES), board::programName);
