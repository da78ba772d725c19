// p stops the world (motion, animations, markers and spawns) and p again lets it go on.
#include "Board.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const Box BOARD{20, 137, 820, 600};

struct Pair {
    bool held;
    double changed;
};

// Two shots at least a second apart, compared on the board, until the test holds.
template <typename Test>
Pair watchPairs(const ProgramSession& session, const std::string& name, double seconds, Test test) {
    Screenshot earlier(session.screenshot(name + "-a"));
    ProgramSession::pause(1.0);
    double changed = 0;
    const board::Watched pair = board::watch(session, name + "-b", seconds, [&](const Screenshot& later) {
        changed = later.changedShare(earlier, BOARD, 0.1f);
        if (test(changed))
            return true;
        earlier = later;
        ProgramSession::pause(1.0);
        return false;
    });
    return Pair{pair.held, changed};
}

} // namespace

class Pause : public testing::TestWithParam<std::string> {};

TEST_P(Pause, StopsMotionAndSpawnsUntilResumed) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "pause-start", GetParam())) << session.output();
    session.key("g");
    const board::Point middle = board::tileMiddle(2, 2);
    session.moveTo(middle.x, middle.y);
    ProgramSession::pause(0.5);
    session.click(1);
    const board::Watched seeded = board::watch(session, "pause-seeded", 30, [](const Screenshot& shot) {
        return board::paleOnBoard(shot).count > 1000;
    });
    ASSERT_TRUE(seeded.held) << "genesis brought no life";
    // The camera tool draws no marker under the pointer; the move clears the genesis one.
    session.key("c");
    const board::Point corner = board::tileMiddle(4, 0);
    session.moveTo(corner.x, corner.y);

    const Pair moving =
        watchPairs(session, "pause-moving", 20, [](double changed) { return changed > 0.003; });
    EXPECT_TRUE(moving.held) << "the world did not move before the pause: changed share " << moving.changed;

    session.key("p");
    const Pair frozen =
        watchPairs(session, "pause-frozen", 20, [](double changed) { return changed < 0.0005; });
    EXPECT_TRUE(frozen.held) << "shots a second apart still differ in the pause: changed share "
                             << frozen.changed;
    std::printf("moving %.4f, frozen %.5f\n", moving.changed, frozen.changed);

    // A spawn asked for in the pause waits for the world to run again.
    const Screenshot paused(session.screenshot("pause-before-spawn"));
    session.key("w");
    ProgramSession::pause(2.0);
    const Screenshot waiting(session.screenshot("pause-spawn-waits"));
    EXPECT_LT(waiting.changedShare(paused, BOARD, 0.1f), 0.0005) << "something moved in the pause";

    session.key("p");
    const board::Arrival arrival =
        board::waitForArrival(session, paused, board::toScreen(corner), "pause-spawned");
    EXPECT_TRUE(arrival.seen) << "the waiting herbivore did not come: ground changed " << arrival.ground
                              << ", beam " << arrival.beam;
    const Pair resumed =
        watchPairs(session, "pause-resumed", 20, [](double changed) { return changed > 0.003; });
    EXPECT_TRUE(resumed.held) << "the world stayed still after p again: changed share " << resumed.changed;

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Pause, testing::ValuesIn(board::SANDBOXES), board::programName);
