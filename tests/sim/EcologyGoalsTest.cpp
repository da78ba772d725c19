// scripts/ecology-goals.py, which reads the ecology's runs for the docs, on runs made by hand whose
// answers are known: the lag's sign, the switched births and the seeds that keep every kind.
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

const std::string SCRIPT = std::string(SYLVARA_TEST_DATA) + "/../../scripts/ecology-goals.py";

// Herbivores on a cycle of 40 rows, carnivores on the same cycle `lag` rows later.
void writeRun(const ScratchFolder& scratch, int seed, int lag, int leastCarnivores) {
    std::ofstream census(scratch.file("run-" + std::to_string(seed) + ".csv"));
    std::ofstream tiles(scratch.file("tiles-" + std::to_string(seed) + ".csv"));
    census << "tick,herbivores,carnivores,plants\n";
    tiles << "tick,column,row,herbivores,carnivores,plants\n";
    for (int row = 0; row <= 300; ++row) {
        const double phase = 2.0 * M_PI * row / 40.0;
        const int h = static_cast<int>(std::lround(200 + 100 * std::sin(phase)));
        const int c = static_cast<int>(
            std::lround(leastCarnivores + 40 + 40 * std::sin(phase - 2.0 * M_PI * lag / 40.0)));
        census << row * 100 << "," << h << "," << c << ",1000\n";
        // One tile follows the board, the other runs its carnivores ahead.
        tiles << row * 100 << ",0,0," << h << "," << c << ",500\n";
        const int ahead = static_cast<int>(std::lround(40 + 40 * std::sin(phase + 2.0 * M_PI * 5 / 40.0)));
        tiles << row * 100 << ",1,0," << h << "," << ahead << ",500\n";
    }
    std::ofstream phylogeny(scratch.file("phylogeny-" + std::to_string(seed) + ".csv"));
    phylogeny << "id,ancestor_list,origin_time,destruction_time,kind,total_organisms\n"
              << "0,[none],0,,herbivore,500\n"
              << "1,[none],0,,carnivore,300\n"
              // A carnivore born of a herbivore before the tick, and one after it.
              << "2,[0],9000,,carnivore,50\n"
              << "3,[0],12000,,carnivore,10\n"
              // Carnivores born of carnivores after it.
              << "4,[1],15000,,carnivore,30\n"
              << "5,[4],16000,,carnivore,60\n";
    std::ofstream selection(scratch.file("selection-" + std::to_string(seed) + ".csv"));
    selection << "kind,trait,start_mean,end_mean,observed_change,neutral_change,neutral_sd,z\n"
              << "herbivores,speed,1,2,1,0,1,4.5\n"
              << "plants,size,1,2,1,0,1," << (seed == 1 ? "-3.5" : "-1.0") << "\n";
}

} // namespace

TEST(EcologyGoals, ReadsTheLagSwitchedBirthsAndSurvivalOfKnownRuns) {
    ScratchFolder scratch("sylvara-ecology-goals");
    writeRun(scratch, 1, 3, 30);
    // The second seed's carnivores fall to 15 at their trough.
    writeRun(scratch, 2, 3, 15);
    std::string said;
    ASSERT_EQ(shellOutput("/usr/bin/python3 " + SCRIPT + " " + scratch.folder.string() + " 2>&1", said), 0)
        << said;
    EXPECT_NE(said.find("survival: 1 of 2 seeds keep every kind at 20 or more"), std::string::npos) << said;
    EXPECT_NE(said.find("carnivores breed true: 2 carnivore births after tick 10000 had a herbivore parent, "
                        "at most 1.00 % of them (200 births"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("herbivores speed"), std::string::npos) << said;
    EXPECT_NE(said.find("traits with |z| >= 3 in one direction in 15 or more seeds: 0"), std::string::npos)
        << said;
    // Carnivores three rows behind on the board; on the tiles, one behind and one five rows ahead.
    EXPECT_NE(
        said.find("lag board-wide: 2 series; carnivores peak after herbivores in 2, at the same row in 0, "
                  "before in 0; median lag +3.0 rows"),
        std::string::npos)
        << said;
    EXPECT_NE(
        said.find("lag per tile: 4 series; carnivores peak after herbivores in 2, at the same row in 0, "
                  "before in 2"),
        std::string::npos)
        << said;
}
