// The headless runner: its command line, the census it writes, and whole short runs.
#include "WorldFixture.h"

#include "sim/PopulationCensus.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationPlot.h"
#include "sim/SimulationRunner.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using Outcome = SimulationOptions::Outcome;

Outcome parse(std::vector<std::string> words, SimulationOptions& options, std::string& error) {
    std::vector<const char*> argv{"sylvara-sim"};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return SimulationOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error);
}

std::vector<std::string> lines(const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

size_t fields(const std::string& row) { return std::count(row.begin(), row.end(), ',') + 1; }

// A scratch folder for the outputs, removed afterwards.
struct Scratch {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("sylvara-sim-" + std::to_string(getpid()));
    Scratch() { std::filesystem::create_directories(folder); }
    ~Scratch() { std::filesystem::remove_all(folder); }
    std::string file(const std::string& leaf) const { return (folder / leaf).string(); }
};

} // namespace

TEST(SimulationOptions, ReadsEveryOptionAndRejectsBadOnesInOneLine) {
    SimulationOptions options;
    std::string error;
    ASSERT_EQ(parse({}, options, error), Outcome::Run);
    EXPECT_EQ(options.tilesToPopulate().size(), 25u) << "genesis everywhere on the default board";
    EXPECT_FALSE(options.seeded);

    ASSERT_EQ(parse({"--genesis", "3,0;0,9", "--size=10", "--ticks", "0", "--seed", "4294967295", "--csv", "a b.csv",
                     "--plot", "p.png", "--interval", "7", "--memory-every", "50"},
                    options, error),
              Outcome::Run)
        << error;
    EXPECT_EQ(options.size, 10) << "the genesis tiles are checked against the size given after them";
    EXPECT_EQ(options.ticks, 0);
    EXPECT_EQ(options.tilesToPopulate(), (std::vector<std::pair<int, int>>{{3, 0}, {0, 9}}));
    EXPECT_TRUE(options.seeded);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.csvFile, "a b.csv");
    EXPECT_EQ(options.interval, 7);
    EXPECT_EQ(options.memoryEvery, 50);
    ASSERT_EQ(parse({"--genesis", "none"}, options, error), Outcome::Run);
    EXPECT_TRUE(options.tilesToPopulate().empty());
    EXPECT_EQ(parse({"--ticks", "5", "-h", "--bogus"}, options, error), Outcome::Help);

    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},          {"stray"},           {"--size"},           {"--csv", "--ticks", "5"},
        {"--size", "abc"},    {"--size", "5x"},    {"--size", ""},       {"--size", "-"},
        {"--size", "0"},      {"--size", "101"},   {"--size", "-3"},     {"--ticks", "-1"},
        {"--ticks", "99999999999999999999999"},    {"--seed", "4294967296"}, {"--interval", "0"},
        {"--memory-every", "0"}, {"--genesis", "2"}, {"--genesis", "a,1"}, {"--genesis", "1,1;"},
        {"--genesis", "5,0"}, {"--genesis", "0,-1"}, {"--size", "3", "--genesis", "1,1;2,3"}, {"--csv="},
    };
    for (const auto& words : bad) {
        SimulationOptions fresh;
        error.clear();
        EXPECT_EQ(parse(words, fresh, error), Outcome::Error) << words[0];
        EXPECT_FALSE(error.empty()) << words[0];
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    parse({"--size", "101"}, options, error);
    EXPECT_NE(error.find("1..100"), std::string::npos) << error;
    parse({"--size", "3", "--genesis", "1,1;2,3"}, options, error);
    EXPECT_NE(error.find("2,3"), std::string::npos) << error;
}

class SimulationCensus : public WorldFixture {};

TEST_F(SimulationCensus, CountsTheLivingAndTakesMeanAndSpreadPerKind) {
    spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 10, 5, 20, 40, 1);
    spawnAnimal(KIND_HERBIVORE, {110, 100, 0}, 20, 5, 30, 40, 2);
    spawnAnimal(KIND_HERBIVORE, {120, 100, 0}, 30, 5, 40, 40, 6);
    spawnAnimal(KIND_CARNIVORE, {130, 100, 0}, 25, 35, 45, 55, 65);
    spawnAnimal(KIND_CARNIVORE, {140, 100, 0}, 99, 99, 99, 99, 99)->die();
    spawnPlant({300, 300, 0}, 12, 20, 30, 10);
    spawnPlant({310, 300, 0}, 16, 20, 32, 20);

    const PopulationCensus census = PopulationCensus::of(world->getLives());
    using C = PopulationCensus;
    EXPECT_EQ(census.count(C::HERBIVORES), 3);
    EXPECT_EQ(census.count(C::CARNIVORES), 1) << "an animal playing its death is not counted";
    EXPECT_EQ(census.count(C::PLANTS), 2);
    EXPECT_EQ(census.total(), 6);
    EXPECT_DOUBLE_EQ(census.mean(C::HERBIVORES, C::SPEED), 20.0);
    EXPECT_NEAR(census.spread(C::HERBIVORES, C::SPEED), std::sqrt(200.0 / 3.0), 1e-12) << "population deviation";
    EXPECT_EQ(census.spread(C::HERBIVORES, C::ADRENALINE), 0.0);
    EXPECT_DOUBLE_EQ(census.mean(C::HERBIVORES, C::PREY_SIZE), 3.0);
    EXPECT_NEAR(census.spread(C::HERBIVORES, C::PREY_SIZE), std::sqrt(14.0 / 3.0), 1e-12);
    EXPECT_DOUBLE_EQ(census.mean(C::CARNIVORES, C::ANIMAL_SPAWN_EFFICIENCY), 45.0);
    EXPECT_EQ(census.spread(C::CARNIVORES, C::ANIMAL_SIZE), 0.0);
    EXPECT_DOUBLE_EQ(census.mean(C::PLANTS, C::OFFSPRING), 14.0);
    EXPECT_DOUBLE_EQ(census.spread(C::PLANTS, C::OFFSPRING), 2.0);
    EXPECT_DOUBLE_EQ(census.mean(C::PLANTS, C::PLANT_SIZE), 15.0);
    EXPECT_DOUBLE_EQ(census.spread(C::PLANTS, C::PLANT_SPAWN_EFFICIENCY), 1.0);

    const std::string header = PopulationCensus::csvHeader();
    const std::string row = census.csvRow(40);
    EXPECT_EQ(fields(row), fields(header));
    EXPECT_EQ(fields(header), 4u + 2 * (5 + 5 + 4));
    EXPECT_EQ(row.rfind("40,3,1,2,20.000,8.165,5.000,0.000,", 0), 0u) << row;
    EXPECT_NE(header.find(",carnivore_preySize_mean,carnivore_preySize_sd,plant_offspring_mean,"), std::string::npos);

    const std::string empty = PopulationCensus().csvRow(0);
    EXPECT_EQ(empty, "0,0,0,0" + std::string(2 * 14, ',')) << "no fake zeros for an empty kind";
}

TEST(SimulationRunner, WritesOneRowPerIntervalTheMemoryAndRepeatsWithTheSeed) {
    Scratch scratch;
    const auto run = [&](const std::string& csv, unsigned seed, std::string& printed) {
        SimulationOptions options;
        options.size = 2;
        options.ticks = 250;
        options.genesis = SimulationOptions::Genesis::Tiles;
        options.genesisTiles = {{0, 0}, {1, 1}};
        options.seeded = true;
        options.seed = seed;
        options.csvFile = scratch.file(csv);
        options.plotFile.clear();
        options.memoryEvery = 100;
        std::ostringstream out;
        SimulationRunner runner(options, out);
        std::string error;
        EXPECT_TRUE(runner.start(error)) << error;
        EXPECT_EQ(runner.getCensus().total(), 60) << "two genesis tiles of 30";
        runner.runAll();
        EXPECT_TRUE(runner.finish());
        EXPECT_GE(runner.getPeakOrganisms(), 60);
        printed = out.str();
        return lines(scratch.file(csv));
    };
    std::string printed;
    const std::vector<std::string> first = run("first.csv", 7, printed);
    ASSERT_EQ(first.size(), 5u) << "header, then ticks 0, 100, 200 and the last, 250";
    EXPECT_EQ(first[0], PopulationCensus::csvHeader());
    int tick = -1, herbivores = 0, carnivores = 0, plants = 0;
    ASSERT_EQ(std::sscanf(first[1].c_str(), "%d,%d,%d,%d", &tick, &herbivores, &carnivores, &plants), 4);
    EXPECT_EQ(tick, 0);
    EXPECT_EQ(plants, 20);
    EXPECT_EQ(herbivores + carnivores, 40) << "a genesis birth may mutate the kind, never the count";
    EXPECT_EQ(first[2].rfind("100,", 0), 0u);
    EXPECT_EQ(first[4].rfind("250,", 0), 0u);
    for (const std::string& row : first)
        EXPECT_EQ(fields(row), fields(first[0]));
    std::istringstream memory(printed);
    std::string word;
    long ticks[2] = {0, 0}, kb[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        memory >> word >> ticks[i];
        EXPECT_EQ(word, "tick");
        memory >> word >> kb[i];
        EXPECT_EQ(word, "rss");
    }
    EXPECT_EQ(ticks[0], 100);
    EXPECT_EQ(ticks[1], 200);
    EXPECT_GT(kb[1], 1000) << printed;

    EXPECT_EQ(run("again.csv", 7, printed), first) << "the same seed gives the same run";
    EXPECT_NE(run("other.csv", 8, printed), first) << "another seed gives another run";
}

TEST(SimulationRunner, RefusesUnwritableOutputsAndPlotsOrSaysWhyNot) {
    Scratch scratch;
    SimulationOptions options;
    options.size = 1;
    options.ticks = 30;
    options.interval = 10;
    options.seeded = true;
    options.csvFile = scratch.file("missing/run.csv");
    options.plotFile = scratch.file("run.png");
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_NE(error.find("missing/run.csv"), std::string::npos) << error;
    options.csvFile = scratch.file("run.csv");
    options.plotFile = scratch.file("missing/run.png");
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_FALSE(std::filesystem::exists(options.csvFile)) << "nothing is started before every output is known good";

    options.plotFile = scratch.file("run.png");
    {
        const std::string path = std::getenv("PATH");
        setenv("PATH", scratch.folder.c_str(), 1);
        SimulationRunner runner(options, out);
        ASSERT_TRUE(runner.start(error)) << error;
        EXPECT_FALSE(std::filesystem::exists(options.plotFile)) << "the write probe leaves no empty plot behind";
        runner.runAll();
        EXPECT_TRUE(runner.finish()) << "a missing gnuplot still leaves a good CSV";
        setenv("PATH", path.c_str(), 1);
    }
    EXPECT_NE(out.str().find("gnuplot was not found"), std::string::npos) << out.str();
    EXPECT_EQ(lines(options.csvFile).size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(options.plotFile));

    if (SimulationPlot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    SimulationRunner runner(options, out);
    ASSERT_TRUE(runner.start(error)) << error;
    runner.runAll();
    EXPECT_TRUE(runner.finish());
    std::ifstream png(options.plotFile, std::ios::binary);
    char magic[8] = {};
    png.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}
