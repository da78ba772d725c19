// The progress line of long headless runs: when it shows, what it says, and that it stays quiet otherwise.
#include "sim/ProgressLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// A clock the test moves by hand.
struct FakeClock {
    double now = 100.0;
    ProgressLine::Clock function() {
        return [this] { return now; };
    }
};

} // namespace

TEST(ProgressLine, StaysQuietOffTerminalsAndOnShortRuns) {
    FakeClock clock;
    std::ostringstream out;
    {
        ProgressLine pipe(out, 1000, false, clock.function());
        clock.now += 10.0;
        pipe.update(100, 1, 2, 3);
        pipe.finish();
    }
    EXPECT_EQ(out.str(), "") << "a pipe or a log gets nothing extra, however long the run";

    ProgressLine quick(out, 1000, true, clock.function());
    clock.now += 0.3;
    quick.update(100, 1, 2, 3);
    EXPECT_EQ(out.str(), "") << "too early to judge the pace";
    clock.now += 0.3;
    quick.update(500, 1, 2, 3);
    EXPECT_EQ(out.str(), "") << "0.6 s for half the run: it ends in about 1.2 s";
    quick.finish();
    EXPECT_EQ(out.str(), "") << "nothing shown, nothing to clear";
}

TEST(ProgressLine, ShowsTicksRateTimeLeftAndPopulationsThenClearsItself) {
    FakeClock clock;
    std::ostringstream out;
    ProgressLine line(out, 20000, true, clock.function());
    clock.now += 1.0;
    line.update(500, 12, 3, 250);
    ASSERT_TRUE(line.isShown()) << "500 ticks a second over 20,000 ticks is a 40 s run";
    const std::string first = out.str();
    EXPECT_EQ(first.front(), '\r') << "redrawn in place";
    for (const char* part : {"tick 500/20000", "(2%)", "500 ticks/s", "39 s left", "herbivores 12",
                             "carnivores 3", "plants 250"})
        EXPECT_NE(first.find(part), std::string::npos) << part << " in " << first;

    clock.now += 0.05;
    line.update(525, 12, 3, 251);
    EXPECT_EQ(out.str(), first) << "not redrawn more than a few times a second";
    clock.now += 0.5;
    line.update(775, 11, 4, 260);
    EXPECT_NE(out.str().find("tick 775/20000"), std::string::npos);
    clock.now += 0.01;
    line.update(20000, 0, 0, 300);
    EXPECT_NE(out.str().find("tick 20000/20000 (100%)"), std::string::npos)
        << "the last tick is always drawn";

    line.finish();
    const std::string all = out.str();
    EXPECT_EQ(all.substr(all.size() - 4), "\r\033[K") << "the line is wiped so the summary starts clean";
    EXPECT_FALSE(line.isShown());
}

TEST(ProgressLine, ALongSetUpShowsTilesLeftAndOrganismsAndAQuickOneNothing) {
    FakeClock clock;
    std::ostringstream out;
    ProgressLine quick(out, 100, true, clock.function());
    clock.now += 0.6;
    quick.settingUp(50, 1500);
    EXPECT_EQ(out.str(), "") << "half the tiles in 0.6 s: done in about 1.2 s";

    ProgressLine line(out, 10000, true, clock.function());
    clock.now += 0.4;
    line.settingUp(400, 12000);
    EXPECT_EQ(out.str(), "") << "too early to judge the pace";
    clock.now += 0.6;
    line.settingUp(1000, 30000);
    ASSERT_TRUE(line.isShown()) << "a tenth of the tiles in 1 s is a 10 s set-up";
    for (const char* part : {"\rsetting up: tile 1000/10000", "(10%)", "9 s left", "organisms 30000"})
        EXPECT_NE(out.str().find(part), std::string::npos) << part << " in " << out.str();
    clock.now += 0.05;
    line.settingUp(10000, 300000);
    EXPECT_NE(out.str().find("tile 10000/10000 (100%)"), std::string::npos)
        << "the last tile is always drawn";
    line.finish();
    EXPECT_EQ(out.str().substr(out.str().size() - 4), "\r\033[K");
}
