#include "Board.h"

#include <algorithm>
#include <cmath>

namespace board {

namespace {

// Measured on the start-up view: the screen rows of the six lines across the board,
// far edge first, and the grid lines up the board, which perspective keeps straight:
// at screen row 140 the left edge is at x 148 with tiles 108.7 wide, at row 590 at
// x 11 with tiles 163.5 wide.
const double ROWS[6] = {137, 201.5, 277, 366, 471.5, 598};

double lineX(int line, double y) {
    const double t = (y - 140.0) / 450.0;
    const double left = 148.0 + (11.0 - 148.0) * t;
    const double width = 108.7 + (163.5 - 108.7) * t;
    return left + line * width;
}

const int WINDOW_X = 20;
const int WINDOW_Y = 20;
const int WINDOW_WIDTH = 800;
const int WINDOW_HEIGHT = 600;

} // namespace

Box tile(int column, int row, double inset) {
    const double top = ROWS[4 - row];
    const double bottom = ROWS[5 - row];
    const double y0 = top + inset * (bottom - top);
    const double y1 = bottom - inset * (bottom - top);
    const double width = lineX(column + 1, (y0 + y1) * 0.5) - lineX(column, (y0 + y1) * 0.5);
    const double x0 = std::max(lineX(column, y0), lineX(column, y1)) + inset * width;
    const double x1 = std::min(lineX(column + 1, y0), lineX(column + 1, y1)) - inset * width;
    const Box inside = window();
    return Box{std::max(inside.x0, static_cast<int>(std::ceil(x0))), static_cast<int>(std::ceil(y0)),
               std::min(inside.x1, static_cast<int>(x1)), std::min(inside.y1, static_cast<int>(y1))};
}

Point tileMiddle(int column, int row) {
    const double y = (ROWS[4 - row] + ROWS[5 - row]) * 0.5;
    const double x = (lineX(column, y) + lineX(column + 1, y)) * 0.5;
    return Point{static_cast<int>(x) - WINDOW_X, static_cast<int>(y) - WINDOW_Y};
}

Point toScreen(const Point& p) {
    return Point{p.x + WINDOW_X, p.y + WINDOW_Y};
}

Box around(const Point& p, int left, int up, int right, int down) {
    return Box{p.x - left, p.y - up, p.x + right, p.y + down};
}

Box window() {
    return Box{WINDOW_X, WINDOW_Y, WINDOW_X + WINDOW_WIDTH, WINDOW_Y + WINDOW_HEIGHT};
}

bool looksLikeGround(const osg::Vec3& c) {
    return c.y() > 0.2f && c.y() > c.x() + 0.04f && c.y() > c.z() + 0.1f;
}

// The HUD's 1280 x 1024 overlay quad from (0, 660) to (450, 962), in screen pixels.
Box panelBackdrop() {
    return Box{WINDOW_X, WINDOW_Y + WINDOW_HEIGHT * 62 / 1024, WINDOW_X + WINDOW_WIDTH * 450 / 1280 + 2,
               WINDOW_Y + WINDOW_HEIGHT * 364 / 1024 + 2};
}

Spot paleOnBoard(const Screenshot& shot, float level, const Box& leftOut) {
    const Box inside = window();
    const Box rows{inside.x0, static_cast<int>(ROWS[0]) + 2, inside.x1, static_cast<int>(ROWS[5]) - 1};
    return shot.spotWhere(rows, [&](int x, int y) {
        if (x < static_cast<int>(lineX(0, y)) + 3 || x >= static_cast<int>(lineX(5, y)) - 2)
            return false;
        if (x >= leftOut.x0 && x < leftOut.x1 && y >= leftOut.y0 && y < leftOut.y1)
            return false;
        const osg::Vec4 c = shot.pixel(x, y);
        return c.r() > level && c.g() > level && c.b() > level;
    });
}

Box sky(int x0, int x1) {
    return Box{x0, 50, x1, 132};
}

bool open(ProgramSession& session, const std::string& shotName, const std::string& program) {
    session.setShotPrefix(program == "./sylvara" ? "" : program.substr(program.rfind('/') + 1) + "-");
    if (!session.start(program) || !session.waitForOutput("setting scene data...", 60) ||
        !session.waitForWindow(60))
        return false;
    // Keys only reach the window under the pointer.
    session.moveTo(400, 20);
    const Watched drawn = watch(session, shotName, 60, [](const Screenshot& shot) {
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 5; ++column)
                if (!looksLikeGround(shot.mean(tile(column, row, 0.3))))
                    return false;
        return true;
    });
    // The 800 x 600 window at 20, 20, not a full-screen one: the rest of the screen stays black.
    return drawn.held &&
           drawn.shot.darkShare(Box{WINDOW_X + WINDOW_WIDTH + 2, 0, 1024, 768}, 0.02f) > 0.999 &&
           drawn.shot.darkShare(Box{0, WINDOW_Y + WINDOW_HEIGHT + 2, 1024, 768}, 0.02f) > 0.999;
}

std::string programName(const testing::TestParamInfo<std::string>& info) {
    const size_t dash = info.param.rfind('-');
    return dash == std::string::npos ? "sylvara" : info.param.substr(dash + 1);
}

namespace {

// The share of a life ping's beam, from 35 to 130 pixels above its foot, that changed. The
// beam is a slim column, and a box much wider than it lets its share fall under the mark for
// the paler colours an organism may take; so the column follows the beam, which leans away
// from the middle as it rises: on the start-up view upright lines meet far below the window,
// near screen point 420, 1845.
double beamShare(const Screenshot& shot, const Screenshot& before, const Point& foot) {
    const double lean = (foot.x - 420.0) / (1845.0 - foot.y);
    const int band = 19;
    double sum = 0;
    int bands = 0;
    for (int rise = 35; rise < 130; rise += band, ++bands) {
        const Point middle{foot.x + static_cast<int>(std::lround(lean * (rise + band * 0.5))), foot.y - rise};
        sum += shot.changedShare(before, around(middle, 12, band, 12, 0), 0.15f);
    }
    return sum / bands;
}

} // namespace

Arrival waitForArrival(const ProgramSession& session, const Screenshot& before, const Point& at,
                       const std::string& name, double seconds) {
    const Box ground = around(at, 40, 25, 40, 20);
    // What a failure reports is the shot that came closest, not the last one: by then a fast
    // newcomer has long walked off and its ping has faded.
    double groundChange = 0;
    double beamChange = 0;
    const Watched seen = watch(session, name, seconds, [&](const Screenshot& shot) {
        const double groundNow = shot.changedShare(before, ground, 0.15f);
        const double beamNow = beamShare(shot, before, at);
        if (std::min(groundNow, beamNow) >= std::min(groundChange, beamChange)) {
            groundChange = groundNow;
            beamChange = beamNow;
        }
        return groundNow > 0.02 && beamNow > 0.02;
    });
    return Arrival{seen.held, groundChange, beamChange, seen.seconds};
}

} // namespace board
