#pragma once

#include "ProgramSession.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

// The 5 x 5 board as the start-up camera shows it, in screen pixels (the window sits at
// 20, 20). Row 0 is the row nearest the camera, at the bottom of the window.
namespace board {

struct Point {
    int x = 0;
    int y = 0;
};

// The part of a tile inside its four grid lines, shrunk by the share on every side.
Box tile(int column, int row, double inset = 0.15);
// The middle of a tile in window coordinates, for ProgramSession::moveTo.
Point tileMiddle(int column, int row);
Point toScreen(const Point& window);
// A box around a screen point.
Box around(const Point& screen, int left, int up, int right, int down);
// The window's part of the screen.
Box window();
// The white band above the board where HUD text is read against the white clear colour.
Box sky(int x0, int x1);

// The mean colour of bare grass: green above red and blue (a window not drawn yet is black).
bool looksLikeGround(const osg::Vec3& mean);

// Glowing organisms, pings and markers are paler than any bare ground.
const float PALE = 0.45f;
// The translucent white backdrop of the selection panel, where it lies over the board.
Box panelBackdrop();
// The pale pixels on the board itself, the white clear colour around it and the box
// left out (by default the panel backdrop, pale itself over the grass).
Spot paleOnBoard(const Screenshot& shot, float level = PALE, const Box& leftOut = panelBackdrop());

// Starts the program and waits until it draws the whole board; false (with the log in
// the session) when it does not.
bool open(ProgramSession& session, const std::string& shotName, const std::string& program = "./sylvara");

// The sandbox and the lab: the sandbox's tests run against both.
const std::vector<std::string> SANDBOXES = {"./sylvara", "./sylvara-lab"};
// "sylvara" or "lab", to name a test's run.
std::string programName(const testing::TestParamInfo<std::string>& info);

struct Watched {
    bool held;
    Screenshot shot;
    double seconds;
};

// Takes screenshots until the test holds or the time is up; the last shot is kept,
// on disk too, as <stage>/e2e-<name>.png.
template <typename Test>
Watched watch(const ProgramSession& session, const std::string& name, double seconds, Test test) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        Screenshot shot(session.screenshot(name));
        const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (shot.valid() && test(shot))
            return Watched{true, shot, waited};
        if (waited > seconds)
            return Watched{false, shot, waited};
        ProgramSession::pause(0.1);
    }
}

struct Arrival {
    bool seen;
    double ground;
    double beam;
    double seconds;
};

// Waits until, compared with the shot before, something new stands on the ground at the
// screen point and a tall beam (a life ping) rises above it.
Arrival waitForArrival(const ProgramSession& session, const Screenshot& before, const Point& screen,
                       const std::string& name, double seconds = 30);

} // namespace board
