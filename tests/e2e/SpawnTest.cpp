// The spawn keys put a new organism, with its life ping, where the pointer meets the board.
#include "Board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

class Spawn : public testing::TestWithParam<std::string> {};

TEST_P(Spawn, HerbivoreCarnivoreAndPlantAppearUnderThePointerWithTheirPings) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "spawn-start", GetParam())) << session.output();
    const Screenshot empty(session.screenshot("spawn-empty"));
    EXPECT_EQ(board::paleOnBoard(empty).count, 0) << "bare ground is never pale";

    const struct {
        const char* key;
        int column;
        int row;
    } spawns[] = {{"w", 1, 2}, {"e", 3, 2}, {"r", 2, 0}};
    for (const auto& spawn : spawns) {
        const board::Point mouse = board::tileMiddle(spawn.column, spawn.row);
        session.moveTo(mouse.x, mouse.y);
        ProgramSession::pause(0.4);
        const Screenshot before(session.screenshot(std::string("spawn-before-") + spawn.key));
        session.key(spawn.key);
        const board::Arrival arrival =
            board::waitForArrival(session, before, board::toScreen(mouse), std::string("spawn-") + spawn.key);
        EXPECT_TRUE(arrival.seen) << "key " << spawn.key << " on tile " << spawn.column << "," << spawn.row
                                  << ": ground changed " << arrival.ground << ", beam " << arrival.beam;
        std::printf("key %s: ground %.3f, beam %.3f after %.2f s\n", spawn.key, arrival.ground, arrival.beam,
                    arrival.seconds);
    }

    // The pings fade and the three organisms stay: the plant where it was put, the animals
    // somewhere on the board.
    double beamsLeft = 1;
    double plantChange = 0;
    long organisms = 0;
    const board::Watched settled = board::watch(session, "spawn-settled", 40, [&](const Screenshot& shot) {
        beamsLeft = 0;
        for (const auto& spawn : spawns) {
            const board::Point at = board::toScreen(board::tileMiddle(spawn.column, spawn.row));
            beamsLeft =
                std::max(beamsLeft, shot.changedShare(empty, board::around(at, 30, 130, 30, -35), 0.15f));
        }
        const board::Point plant = board::toScreen(board::tileMiddle(2, 0));
        plantChange = shot.changedShare(empty, board::around(plant, 30, 30, 30, 15), 0.15f);
        organisms = board::paleOnBoard(shot).count;
        return beamsLeft < 0.01 && plantChange > 0.005 && organisms >= 60;
    });
    EXPECT_TRUE(settled.held) << "beam columns still changed " << beamsLeft << ", plant spot changed "
                              << plantChange << ", pale organism pixels " << organisms;
    std::printf("settled after %.2f s: beams %.3f, plant spot %.3f, organism pixels %ld\n", settled.seconds,
                beamsLeft, plantChange, organisms);

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Spawn, testing::ValuesIn(board::SANDBOXES), board::programName);
