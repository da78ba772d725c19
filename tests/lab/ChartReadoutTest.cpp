// The charts' points over the last ticks or the whole run, and what the Charts panel reads out under the
// pointer.
#include "lab/ChartReadout.h"
#include "common/CensusColumns.h"
#include "lab/PopulationHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Counts that tell the tick and the kind apart: tick, twice and three times it.
PopulationHistory::Counts countsOf(long tick) {
    return {static_cast<int>(tick), static_cast<int>(2 * tick), static_cast<int>(3 * tick)};
}

} // namespace

TEST(PopulationHistory, TheWholeRunStaysWithinItsPointsAndKeepsTheStartEvenlyThinned) {
    PopulationHistory whole(100, PopulationHistory::Span::Whole);
    PopulationHistory recent(100);
    for (long tick = 0; tick <= 100000; ++tick) {
        if (whole.wants(tick))
            whole.record(tick, countsOf(tick));
        recent.record(tick, countsOf(tick));
        ASSERT_LE(whole.size(), 100u) << "at tick " << tick;
    }
    EXPECT_EQ(whole.firstTick(), 0) << "the start of the run stays";
    EXPECT_GE(whole.lastTick(), 100000 - whole.getStride());
    EXPECT_GE(whole.size(), 50u) << "thinned by halves, never to less than half";
    EXPECT_EQ(whole.getStride(), 1024);
    for (size_t i = 1; i < whole.size(); ++i)
        ASSERT_EQ(whole.tickAt(i) - whole.tickAt(i - 1), whole.getStride()) << "point " << i;
    EXPECT_EQ(whole.countAt(3, OrganismKind::CARNIVORES), 2 * whole.tickAt(3));
    // The recent history is as it was: the last ticks, one a tick.
    EXPECT_EQ(recent.firstTick(), 100000 - 99);
    EXPECT_EQ(recent.size(), 100u);

    whole.clear();
    EXPECT_TRUE(whole.empty());
    EXPECT_EQ(whole.getStride(), 1);
    // Told how many ticks are coming, it starts spaced so that they take half its room.
    whole.expect(20000);
    EXPECT_EQ(whole.getStride(), 512);
    for (long tick = 0; tick < 20000; ++tick)
        whole.record(tick, countsOf(tick));
    EXPECT_EQ(whole.size(), 40u);
    EXPECT_EQ(whole.getStride(), 512);
}

TEST(ChartReadout, ReadsTheNearestPointsTickAndEachSeriesOwnValue) {
    PopulationHistory history(100);
    for (long tick = 1000; tick <= 1900; tick += 10)
        history.record(tick, countsOf(tick));
    EXPECT_EQ(history.tickAt(ChartReadout::nearest(history, 1034)), 1030);
    EXPECT_EQ(history.tickAt(ChartReadout::nearest(history, 1036)), 1040);
    EXPECT_EQ(history.tickAt(ChartReadout::nearest(history, 1035)), 1030) << "the earlier of two as near";
    EXPECT_EQ(history.tickAt(ChartReadout::nearest(history, 5)), 1000);
    EXPECT_EQ(history.tickAt(ChartReadout::nearest(history, 99999)), 1900);

    // A third of the way across 1000..1900 is tick 1300.
    EXPECT_EQ(ChartReadout::tickAcross(history, 1.0 / 3.0), 1300);
    EXPECT_EQ(ChartReadout::text(history, 0, 1.0 / 3.0, {}),
              "tick 1300\nherbivores: 1300\ncarnivores: 2600\nplants: 3900");
    EXPECT_EQ(ChartReadout::text(history, 0, 0.0, {}),
              "tick 1000\nherbivores: 1000\ncarnivores: 2000\nplants: 3000");
    EXPECT_EQ(ChartReadout::text(history, 0, 1.5, {}).substr(0, 9), "tick 1900") << "kept to the plot";
    // A rule change is named within a hundredth of the span (9 ticks here), and only then.
    const ChartReadout::Changes changes{{1305, "set animal.moveCost=0.02"}, {1320, "rules far.toml"}};
    EXPECT_EQ(
        ChartReadout::text(history, 0, 1.0 / 3.0, changes),
        "tick 1300\nherbivores: 1300\ncarnivores: 2600\nplants: 3900\nset animal.moveCost=0.02 at tick 1305");
}

TEST(ChartReadout, ATraitViewReadsTheKindsOwnMeans) {
    PopulationHistory history(10);
    for (long tick = 0; tick < 4; ++tick) {
        PopulationHistory::Means means{};
        for (int kind = 0; kind < OrganismKind::COUNT; ++kind)
            for (int trait = 0; trait < CensusColumns::MAX_TRAITS; ++trait)
                means[kind][trait] = static_cast<float>(100 * kind + 10 * trait + tick);
        history.record(tick, countsOf(tick), means);
    }
    // Tick 2 of 0..3 lies two thirds across; the carnivores are the second view of traits.
    const std::string text = ChartReadout::text(history, 2, 2.0 / 3.0, {});
    EXPECT_EQ(text.substr(0, text.find('\n')), "tick 2");
    EXPECT_NE(text.find(": 102.0\n"), std::string::npos) << text;
    EXPECT_NE(text.find(": 112.0\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(": 2.0\n"), std::string::npos) << "a herbivore mean: " << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              CensusColumns::traitCount(OrganismKind::CARNIVORES));
    const std::string plants = ChartReadout::text(history, 3, 2.0 / 3.0, {});
    EXPECT_EQ(std::count(plants.begin(), plants.end(), '\n'),
              CensusColumns::traitCount(OrganismKind::PLANTS));
    EXPECT_NE(plants.find(": 202.0"), std::string::npos) << plants;
}
