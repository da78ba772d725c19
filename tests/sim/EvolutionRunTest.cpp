// sylvara-sim's measures of evolution on real runs: the census they leave alone, the tree statistics
// a phylogenetics library finds in the same run's Newick, and the selection report's arithmetic.
#include "ScratchFolder.h"
#include "sim/WholeRun.h"

#include "sim/SimulationRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream text(line);
    for (std::string cell; std::getline(text, cell, ',');)
        out.push_back(cell);
    if (!line.empty() && line.back() == ',')
        out.push_back("");
    return out;
}

SimulationOptions measuredRun(const ScratchFolder& scratch, int size, int ticks) {
    SimulationOptions options;
    options.size = size;
    options.ticks = ticks;
    options.seeded = true;
    options.seed = 7;
    options.csvFile = scratch.file("run.csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    options.evolutionFile = scratch.file("evolution.csv");
    options.selectionFile = scratch.file("selection.csv");
    return options;
}

} // namespace

TEST(EvolutionRun, MeasuresLeaveTheCensusAsItWasAndFollowItsRows) {
    ScratchFolder scratch("sylvara-evolution-census");
    SimulationOptions plain = measuredRun(scratch, 3, 1200);
    plain.evolutionFile.clear();
    plain.selectionFile.clear();
    plain.csvFile = scratch.file("plain.csv");
    std::string said;
    ASSERT_TRUE(runWhole(plain, said)) << said;
    const SimulationOptions measured = measuredRun(scratch, 3, 1200);
    ASSERT_TRUE(runWhole(measured, said)) << said;
    EXPECT_EQ(contents(measured.csvFile), contents(plain.csvFile))
        << "the shadows must never draw from rand()";
    EXPECT_NE(
        said.find("selection " + measured.selectionFile + " (20 neutral shadows); beyond drift, |z| >= 3: "),
        std::string::npos)
        << said;

    const std::vector<std::string> census = lines(measured.csvFile);
    const std::vector<std::string> rows = lines(measured.evolutionFile);
    ASSERT_EQ(rows.size(), 1 + 4 * (census.size() - 1));
    const char* const groups[] = {"all", "herbivores", "carnivores", "plants"};
    for (size_t r = 1; r < census.size(); ++r) {
        const std::vector<std::string> counts = cells(census[r]);
        for (int g = 0; g < 4; ++g) {
            const std::vector<std::string> row = cells(rows[1 + 4 * (r - 1) + static_cast<size_t>(g)]);
            ASSERT_EQ(row.size(), 14u) << rows[1 + 4 * (r - 1) + static_cast<size_t>(g)];
            EXPECT_EQ(row[0], counts[0]);
            EXPECT_EQ(row[1], groups[g]);
            // A living kind has at least one genotype, and no more genotypes than members.
            const int members = g == 0 ? std::stoi(counts[1]) + std::stoi(counts[2]) + std::stoi(counts[3])
                                       : std::stoi(counts[static_cast<size_t>(g)]);
            const int genotypes = std::stoi(row[2]);
            EXPECT_EQ(genotypes > 0, members > 0) << rows[1 + 4 * (r - 1) + static_cast<size_t>(g)];
            EXPECT_LE(genotypes, members);
            EXPECT_NE(row[9], "") << "20 shadows give adaptive_genotypes";
        }
    }
}

TEST(EvolutionRun, SelectionReportComparesTheCensusWithTheShadows) {
    ScratchFolder scratch("sylvara-evolution-selection");
    SimulationOptions options = measuredRun(scratch, 3, 1500);
    options.evolutionFile.clear();
    options.shadows = 5;
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    const std::vector<std::string> report = lines(options.selectionFile);
    ASSERT_EQ(report.size(), 15u);
    EXPECT_EQ(report[0], "kind,trait,start_mean,end_mean,observed_change,neutral_change,neutral_sd,z");
    const std::vector<std::string> census = lines(options.csvFile);
    const std::vector<std::string> first = cells(census[1]);
    const std::vector<std::string> last = cells(census.back());
    int measured = 0;
    for (size_t r = 1; r < report.size(); ++r) {
        const std::vector<std::string> row = cells(report[r]);
        ASSERT_EQ(row.size(), 8u) << report[r];
        // Rows run herbivores, carnivores, plants, each trait in census order: the census columns of means.
        const size_t column = 4 + 2 * (r - 1);
        if (row[2].empty())
            continue;
        measured += 1;
        EXPECT_NEAR(std::stod(row[2]), std::stod(first[column]), 1e-3) << report[r];
        EXPECT_NEAR(std::stod(row[3]), std::stod(last[column]), 1e-3) << report[r];
        EXPECT_NEAR(std::stod(row[4]), std::stod(row[3]) - std::stod(row[2]), 2e-4);
        if (!row[7].empty()) {
            EXPECT_NEAR(std::stod(row[7]), (std::stod(row[4]) - std::stod(row[5])) / std::stod(row[6]), 2e-3);
        }
    }
    EXPECT_GE(measured, 4) << "a run that keeps at least one kind";
}

TEST(EvolutionRun, TreeStatisticsAreThoseOfTheNewickAsDendropyReadsIt) {
    if (std::system("/usr/bin/python3 -c 'import dendropy' 2>/dev/null") != 0)
        GTEST_SKIP() << "dendropy is not installed for /usr/bin/python3 (python3-dendropy)";
    ScratchFolder scratch("sylvara-evolution-newick");
    SimulationOptions options = measuredRun(scratch, 5, 3000);
    options.selectionFile.clear();
    options.shadows = 0;
    options.newickFile = scratch.file("tree.nwk");
    // The measures count the living as the census does. Seed 5 ends with no genotype whose members are
    // all playing their death: such a genotype is still a tip of the Newick while the census no longer
    // counts it.
    options.seed = 5;
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    const std::string script =
        "import sys, itertools, dendropy\n"
        "tree = dendropy.Tree.get(path=sys.argv[1], schema='newick')\n"
        "pdm = tree.phylogenetic_distance_matrix()\n"
        "taxa = [leaf.taxon for leaf in tree.leaf_node_iter()]\n"
        "pairs = [pdm.patristic_distance(a, b) for a, b in itertools.combinations(taxa, 2)]\n"
        "print(len(taxa), tree.length(), sum(pairs) / len(pairs) if pairs else 0.0)\n";
    std::ofstream(scratch.file("read.py")) << script;
    FILE* pipe =
        popen(("/usr/bin/python3 " + scratch.file("read.py") + " " + options.newickFile).c_str(), "r");
    int leaves = 0;
    double length = 0.0, meanDistance = 0.0;
    ASSERT_EQ(std::fscanf(pipe, "%d %lf %lf", &leaves, &length, &meanDistance), 3);
    EXPECT_EQ(pclose(pipe), 0);

    const std::vector<std::string> rows = lines(options.evolutionFile);
    const std::vector<std::string> all = cells(rows[rows.size() - 4]);
    ASSERT_EQ(all[1], "all");
    ASSERT_EQ(all[0], "3000");
    EXPECT_EQ(leaves, std::stoi(all[2]));
    EXPECT_GT(std::stoi(all[13]), 2) << "lineages several mutations deep";
    EXPECT_DOUBLE_EQ(length, std::stod(all[10]));
    EXPECT_NEAR(meanDistance, std::stod(all[11]), 1e-5 * meanDistance);
}
