// The select tool: a click on an animal shows its traits and puts an arrow over it that
// follows it; 1 and 2 then spawn its predator and its prey under the pointer.
#include "Board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

const int RED = 0;

// The selection panel's text, read where it stands on the white above the board.
const Box PANEL = board::sky(20, 300);

// The arrow is a deep orange no other thing on the board shows.
Spot arrowOn(const Screenshot& shot) {
    Spot best;
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column) {
            const Spot spot = shot.tintSpot(board::tile(column, row, 0.0), RED, 0.25f);
            if (spot.count > best.count)
                best = spot;
        }
    return best;
}

double distance(double x0, double y0, double x1, double y1) {
    return std::hypot(x1 - x0, y1 - y0);
}

} // namespace

class Selection : public testing::TestWithParam<std::string> {};

TEST_P(Selection, PanelShowsTheTraitsTheArrowFollowsAndKeysSpawnPredatorAndPrey) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "select-start", GetParam())) << session.output();
    const Screenshot empty(session.screenshot("select-empty"));
    EXPECT_LT(empty.darkShare(PANEL, 0.4f), 0.001) << "no panel before a selection";

    const board::Point spawnPoint = board::tileMiddle(3, 1);
    session.moveTo(spawnPoint.x, spawnPoint.y);
    ProgramSession::pause(0.4);
    const Screenshot before(session.screenshot("select-before"));
    session.key("w");
    // Paused as soon as the herbivore shows, it is still near the middle of its tile: the
    // select tool only looks for organisms on the tile that was clicked.
    const board::Arrival arrival =
        board::waitForArrival(session, before, board::toScreen(spawnPoint), "select-arrival");
    session.key("p");
    ASSERT_TRUE(arrival.seen) << "no herbivore: ground changed " << arrival.ground << ", beam "
                              << arrival.beam;
    // Near the ground, below where the ping's beam rises.
    const Box ground = board::around(board::toScreen(spawnPoint), 80, 30, 80, 40);
    Spot animal;
    const board::Watched still = board::watch(session, "select-paused", 20, [&](const Screenshot& shot) {
        const Spot now = shot.changedSpot(before, ground, 0.15f);
        const bool same =
            now.count > 0 && std::fabs(now.x - animal.x) < 0.5 && std::fabs(now.y - animal.y) < 0.5;
        animal = now;
        return same;
    });
    ASSERT_TRUE(still.held) << "the herbivore kept moving after p";

    // Selecting works while paused. The ray from the pointer must meet the ground close to
    // where the animal stands; the spawn point and the changed spot's middle are tried.
    session.key("s");
    const board::Point aims[] = {
        spawnPoint,
        {static_cast<int>(animal.x) - 20, static_cast<int>(animal.y) - 20},
        {static_cast<int>(animal.x) - 20, (animal.bounds.y1 + static_cast<int>(animal.y)) / 2 - 20}};
    double text = 0;
    board::Watched panel{false, before, 0};
    for (const board::Point& aim : aims) {
        session.moveTo(aim.x, aim.y);
        ProgramSession::pause(0.5);
        session.click(1);
        panel = board::watch(session, "select-panel", 8, [&](const Screenshot& shot) {
            text = shot.darkShare(PANEL, 0.4f);
            return text > 0.03;
        });
        std::printf("click at %d,%d: panel text share %.3f\n", aim.x, aim.y, text);
        if (panel.held)
            break;
    }
    EXPECT_TRUE(panel.held) << "dark text share in the panel " << text << " after clicks on a herbivore at "
                            << animal.x << "," << animal.y;
    // Several lines of traits, under the title band (three of them fit above the board).
    const Spot lines = panel.shot.darkSpot(PANEL, 0.4f);
    EXPECT_GT(lines.bounds.height(), 40) << "text rows in the panel";
    std::printf("panel: text share %.3f over %d rows after %.2f s\n", text, lines.bounds.height(),
                panel.seconds);

    // Running again, the arrow shows over the herbivore once its life ping, whose pale beam
    // may stand in front of it, has faded; then the herbivore walks off and the arrow goes
    // along: only the selection moves it.
    session.key("p");
    Spot arrow;
    const board::Watched shown = board::watch(session, "select-arrow", 10, [&](const Screenshot& shot) {
        arrow = arrowOn(shot);
        return arrow.count > 8;
    });
    ASSERT_TRUE(shown.held) << "no arrow";
    EXPECT_LT(distance(arrow.x, arrow.y, animal.x, animal.y), 40)
        << "arrow at " << arrow.x << "," << arrow.y << ", herbivore at " << animal.x << "," << animal.y;
    Spot followed;
    const board::Watched moved = board::watch(session, "select-followed", 30, [&](const Screenshot& shot) {
        followed = arrowOn(shot);
        return followed.count > 8 && distance(followed.x, followed.y, arrow.x, arrow.y) > 12;
    });
    EXPECT_TRUE(moved.held) << "arrow stayed at " << followed.x << "," << followed.y;
    // The pale herbivore right under the arrow, unless its drawn size is too small to make out.
    const board::Point tip{static_cast<int>(followed.x), static_cast<int>(followed.y)};
    const Spot walked = moved.shot.paleSpot(board::around(tip, 40, 20, 40, 40), board::PALE);
    if (walked.count >= 3) {
        EXPECT_LT(distance(followed.x, followed.y, walked.x, walked.y), 40)
            << "arrow at " << followed.x << "," << followed.y << ", herbivore at " << walked.x << ","
            << walked.y;
    }
    std::printf("arrow shown at %.0f,%.0f after %.2f s, moved to %.0f,%.0f after %.2f s; %ld pale pixels "
                "under it at %.0f,%.0f\n",
                arrow.x, arrow.y, shown.seconds, followed.x, followed.y, moved.seconds, walked.count,
                walked.x, walked.y);

    // 1 spawns a predator and 2 a prey under the pointer, on tiles the herbivore is not on,
    // in the front row: the pings rise clear of the panel, whose backdrop would dim them.
    const struct {
        const char* key;
        int column;
        int row;
    } kin[] = {{"1", 0, 0}, {"2", 2, 0}};
    for (const auto& each : kin) {
        const board::Point mouse = board::tileMiddle(each.column, each.row);
        session.moveTo(mouse.x, mouse.y);
        ProgramSession::pause(0.5);
        const Screenshot before(session.screenshot(std::string("select-before-") + each.key));
        session.key(each.key);
        const board::Arrival arrival = board::waitForArrival(session, before, board::toScreen(mouse),
                                                             std::string("select-key-") + each.key);
        EXPECT_TRUE(arrival.seen) << "key " << each.key << ": ground changed " << arrival.ground << ", beam "
                                  << arrival.beam;
        std::printf("key %s: ground %.3f, beam %.3f after %.2f s\n", each.key, arrival.ground, arrival.beam,
                    arrival.seconds);
    }

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Selection, testing::ValuesIn(board::SANDBOXES), board::programName);
