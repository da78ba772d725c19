// The tile tools: genesis seeds a tile, the killer empties it, the fertilizer tints it.
#include "Board.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const int RED = 0;
const int GREEN = 1;
const int BLUE = 2;

// Blue against green: the ground texture is green, so a bluer light shows as this ratio.
double blueness(const Screenshot& shot, const Box& box) {
    const osg::Vec3 c = shot.mean(box);
    return c.y() > 0 ? c.z() / c.y() : 0;
}

// Moves the pointer off the board (but not off the window, which would take the keys
// along) so no cursor marker covers the tiles.
void pointAtSky(ProgramSession& session) {
    session.moveTo(400, 60);
}

// Clicks and waits until enough of the tile leans towards the marker's colour; says how far it got.
bool clickAndWaitForTint(ProgramSession& session, const std::string& name, const Box& tile, int channel,
                         float margin, double share) {
    session.click(1);
    double seen = 0;
    const board::Watched tinted = board::watch(session, name, 20, [&](const Screenshot& shot) {
        seen = shot.tintShare(tile, channel, margin);
        return seen > share;
    });
    std::printf("%s: share %.3f after %.2f s\n", name.c_str(), seen, tinted.seconds);
    return tinted.held;
}

} // namespace

class Tools : public testing::TestWithParam<std::string> {};

TEST_P(Tools, GenesisSeedsATileAndTheKillerEmptiesIt) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "genesis-start", GetParam())) << session.output();
    const Box tile = board::tile(2, 1);
    const Screenshot empty(session.screenshot("genesis-empty"));

    session.key("g");
    const board::Point middle = board::tileMiddle(2, 1);
    session.moveTo(middle.x, middle.y);
    // The tool marks the tile under the pointer in its colour.
    double marked = 0;
    const board::Watched hover = board::watch(session, "genesis-hover", 20, [&](const Screenshot& shot) {
        marked = shot.difference(empty, tile);
        return marked > 0.03;
    });
    EXPECT_TRUE(hover.held) << "tile under the genesis pointer changed by " << marked;
    const Screenshot before = hover.shot;

    // Paused, the flash stays and the seeding waits: nothing hides the flash, however slowly the
    // frames come. Resumed, the seeding comes at the next tick.
    session.key("p");
    ProgramSession::pause(0.3);
    EXPECT_TRUE(clickAndWaitForTint(session, "genesis-flash", tile, GREEN, 0.45f, 0.5)) << "green flash";
    session.key("p");

    // Once the flash is over the tile keeps its thirty newcomers (some wander off at once).
    // Markers count ticks, and a slow software-rendered frame holds the next tick back, so
    // the flash may last far longer than its second.
    double green = 0;
    long pale = 0;
    double changed = 0;
    const board::Watched seeded = board::watch(session, "genesis-seeded", 40, [&](const Screenshot& shot) {
        green = shot.tintShare(tile, GREEN, 0.45f);
        pale = shot.paleSpot(board::tile(2, 1, 0.0), 0.45f).count;
        changed = shot.changedShare(before, tile, 0.15f);
        return green < 0.05 && pale > 400 && changed > 0.1;
    });
    EXPECT_TRUE(seeded.held) << "after the flash: green share " << green << ", pale pixels " << pale
                             << ", changed share " << changed;
    std::printf("genesis seeded: pale pixels %ld, changed share %.3f after %.2f s\n", pale, changed,
                seeded.seconds);

    session.key("k");
    // Any move makes the marker take the killer's colour.
    session.moveTo(middle.x + 4, middle.y);
    ProgramSession::pause(0.3);
    EXPECT_TRUE(clickAndWaitForTint(session, "kill-rectangle", tile, RED, 0.3f, 0.3)) << "red flash";

    // The dead fall, their pings rise, and then the tile is bare ground again. Animals that
    // left before the kill may stroll back across it, so a little life is allowed.
    pointAtSky(session);
    double left = 1;
    const board::Watched emptied = board::watch(session, "kill-emptied", 40, [&](const Screenshot& shot) {
        pale = shot.paleSpot(board::tile(2, 1, 0.0), 0.45f).count;
        left = shot.changedShare(empty, tile, 0.15f);
        return shot.tintShare(tile, RED, 0.3f) < 0.01 && left < 0.03 &&
               board::looksLikeGround(shot.mean(tile));
    });
    EXPECT_TRUE(emptied.held) << "after the kill: changed share to the empty tile " << left
                              << ", pale pixels " << pale;
    std::printf("kill emptied: changed share %.3f, pale pixels %ld after %.2f s\n", left, pale,
                emptied.seconds);

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST_P(Tools, FertilizerFlashesBlueTintsTheTileAndASecondClickUndoesIt) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "fertilize-start", GetParam())) << session.output();
    const Box tile = board::tile(3, 1);
    const Box neighbour = board::tile(2, 1);
    const Screenshot plain(session.screenshot("fertilize-plain"));
    const double plainBlue = blueness(plain, tile);
    const double neighbourBlue = blueness(plain, neighbour);

    session.key("f");
    const board::Point middle = board::tileMiddle(3, 1);
    for (int round = 0; round < 2; ++round) {
        const std::string name = round == 0 ? "fertilize" : "unfertilize";
        session.moveTo(middle.x, middle.y);
        ProgramSession::pause(0.5);
        EXPECT_TRUE(clickAndWaitForTint(session, name + "-flash", tile, BLUE, 0.3f, 0.5))
            << name << ": blue flash";

        pointAtSky(session);
        double ratio = 0;
        const board::Watched after = board::watch(session, name + "-after", 20, [&](const Screenshot& shot) {
            ratio = blueness(shot, tile) / plainBlue;
            return shot.tintShare(tile, BLUE, 0.3f) < 0.01 &&
                   (round == 0 ? ratio > 1.12 : ratio > 0.96 && ratio < 1.04);
        });
        EXPECT_TRUE(after.held) << name << ": blue to green on the tile is " << ratio
                                << " times the plain one";
        std::printf("%s: blue to green %.3f times the plain tile after %.2f s\n", name.c_str(), ratio,
                    after.seconds);
        // Only the clicked tile changes.
        EXPECT_NEAR(blueness(after.shot, neighbour) / neighbourBlue, 1.0, 0.04) << name;
    }

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Tools, testing::ValuesIn(board::SANDBOXES), board::programName);
