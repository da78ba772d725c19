// The sweep's pooling of each run's measures of evolution and selection report.
#include "ScratchFolder.h"

#include "sweep/SweepEvolution.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

const char* const HEADER = "tick,group,genotypes,diversity,change,novelty,cumulative_activity,mean_activity,"
                           "new_activity,adaptive_genotypes,phylogenetic_diversity,mean_pairwise_distance,"
                           "mrca_time,max_depth\n";

// A run whose final `all` row has the given genotypes, and whose herbivore speed has the given z.
void writeRun(const ScratchFolder& scratch, int n, int genotypes, const std::string& z) {
    std::ofstream(scratch.file("e" + std::to_string(n) + ".csv"))
        << HEADER << "0,all,99,1,0,0,1,1,0,,0,0,0,0\n"
        << "100,all," << genotypes << ",1.5,0,0,10,1,0,,5,2.5,0,1\n"
        << "100,plants,4,0.5,0,0,4,1,0,,5,2.5,,\n";
    std::ofstream(scratch.file("s" + std::to_string(n) + ".csv"))
        << "kind,trait,start_mean,end_mean,observed_change,neutral_change,neutral_sd,z\n"
        << "herbivores,speed,30,40,10,0,1," << z << "\n"
        << "carnivores,speed,,,,,,\n";
}

} // namespace

TEST(SweepEvolution, PoolsFinalMeasuresAndCountsTheSeedsBeyondDriftEachWay) {
    ScratchFolder scratch("sylvara-sweep-evolution");
    SweepEvolution pooled;
    std::string error;
    const char* const zs[] = {"3.000", "-4.5", "2.999", "10", ""};
    for (int n = 0; n < 5; ++n) {
        writeRun(scratch, n, 10 * (n + 1), zs[n]);
        ASSERT_TRUE(pooled.addRun(scratch.file("e" + std::to_string(n) + ".csv"),
                                  scratch.file("s" + std::to_string(n) + ".csv"), error))
            << error;
    }
    EXPECT_FALSE(pooled.addRun(scratch.file("missing.csv"), scratch.file("s0.csv"), error));
    EXPECT_EQ(pooled.runs(), 5);

    const std::vector<std::string> measures = pooled.measureRows();
    // The final row of each group, not the first; empty cells are left out of the quartiles.
    EXPECT_EQ(measures.front(), "all,genotypes,5,20,30,40");
    EXPECT_NE(std::find(measures.begin(), measures.end(), "plants,genotypes,5,4,4,4"), measures.end());
    EXPECT_EQ(std::count_if(measures.begin(), measures.end(),
                            [](const std::string& row) { return row.rfind("plants,mrca_time", 0) == 0; }),
              0);
    EXPECT_EQ(pooled.selectionRows(),
              (std::vector<std::string>{"herbivores,speed,4,2,1", "carnivores,speed,0,0,0"}));
}

TEST(SweepEvolution, JobsWriteTheirMeasuresOnlyWhenAsked) {
    SweepOptions options;
    options.sizes = {3};
    options.seeds = {1};
    SweepPlan plain(options, "/tmp/sweep", "/opt/bin");
    EXPECT_EQ(plain.simArguments(plain.getJobs()[0]).find("--evolution"), std::string::npos);
    options.evolution = true;
    SweepPlan measured(options, "/tmp/sweep", "/opt/bin");
    const std::string arguments = measured.simArguments(measured.getJobs()[0]);
    EXPECT_NE(arguments.find(" --evolution " + measured.evolutionFile(measured.getJobs()[0])),
              std::string::npos)
        << arguments;
    EXPECT_NE(arguments.find(" --selection " + measured.selectionFile(measured.getJobs()[0])),
              std::string::npos);
}
