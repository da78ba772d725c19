// Every kind of marker in the real window, each where it was put: the marker scene
// holds a red, a green and a blue flash on the near row, a life ping and a death ping
// on the middle row and a yellow beam along the far row.
#include "Board.h"

#include <gtest/gtest.h>

namespace {

const int BLUE = 2;

// Columns of the box in which some pixel is the beam's yellow, which no ground shows.
int yellowColumns(const Screenshot& shot, const Box& b) {
    int columns = 0;
    for (int x = b.x0; x < b.x1; ++x)
        for (int y = b.y0; y < b.y1; ++y) {
            const osg::Vec4 c = shot.pixel(x, y);
            if (c.r() > 0.7f && c.g() > 0.6f && c.b() < 0.45f) {
                ++columns;
                break;
            }
        }
    return columns;
}

// The column of sky and ground a ping standing on the tile's middle fills.
Box pingColumn(int column, int row) {
    return board::around(board::toScreen(board::tileMiddle(column, row)), 12, 130, 12, 8);
}

} // namespace

TEST(Markers, EachKindShowsWhereItWasPut) {
    ProgramSession session;
    ASSERT_TRUE(session.start("./sylvara-markers"));
    ASSERT_TRUE(session.waitForOutput("markers placed", 60)) << session.output();
    ASSERT_TRUE(session.waitForWindow(60)) << session.output();
    session.moveTo(400, 20);
    osg::Vec3 plain;
    const board::Watched drawn = board::watch(session, "markers", 30, [&](const Screenshot& shot) {
        plain = shot.mean(board::tile(1, 0));
        return board::looksLikeGround(plain);
    });
    ASSERT_TRUE(drawn.held) << "the board never showed";
    const Screenshot& shot = drawn.shot;

    const osg::Vec3 red = shot.mean(board::tile(0, 0));
    const osg::Vec3 green = shot.mean(board::tile(2, 0));
    const osg::Vec3 blue = shot.mean(board::tile(4, 0));
    EXPECT_GT(red.x(), red.y() + 0.1f) << "red flash";
    EXPECT_GT(green.y(), plain.y() + 0.15f) << "green flash";
    EXPECT_GT(blue.z(), blue.y() + 0.1f) << "blue flash";
    EXPECT_TRUE(board::looksLikeGround(shot.mean(board::tile(3, 0)))) << "a tile between flashes is bare";

    // The life ping glows white, the death ping is a dark purple; neither stands on the other's tile.
    EXPECT_GT(shot.paleShare(pingColumn(1, 2), board::PALE), 0.05) << "life ping";
    EXPECT_LT(shot.paleShare(pingColumn(3, 2), board::PALE), 0.01);
    EXPECT_GT(shot.tintShare(pingColumn(3, 2), BLUE, 0.05f), 0.02) << "death ping";
    EXPECT_LT(shot.tintShare(pingColumn(1, 2), BLUE, 0.05f), 0.01);
    EXPECT_LT(shot.tintShare(board::tile(2, 2), BLUE, 0.05f), 0.001) << "bare middle tile";

    // The beam runs from the far row's first tile middle to its last one.
    const int from = board::toScreen(board::tileMiddle(0, 4)).x;
    const int to = board::toScreen(board::tileMiddle(4, 4)).x;
    const Box far = board::tile(0, 4, 0.0);
    EXPECT_GT(yellowColumns(shot, Box{from + 5, far.y0 - 10, to - 5, far.y1}), (to - from - 10) * 9 / 10)
        << "beam";
    EXPECT_EQ(yellowColumns(shot, Box{board::window().x0, far.y0 - 10, from - 10, far.y1}), 0) << "beam ends";
    EXPECT_EQ(yellowColumns(shot, board::tile(2, 1, 0.0)), 0) << "beam only on the far row";

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}
