// The lineage outputs: the phylogeny table, the Newick tree as a phylogenetics library reads it,
// the Muller plot's bands, and a resumed run writing the same phylogeny as a straight one.
#include "ScratchFolder.h"
#include "sim/WholeRun.h"

#include "sim/MullerPlot.h"
#include "sim/PhylogenyFiles.h"
#include "sim/SimulationRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Genome animal(int speed) {
    return Genome::animal(1, speed, 20, 20, 50, 50);
}

SimulationOptions lineageRun(const ScratchFolder& scratch, int ticks) {
    SimulationOptions options;
    options.size = 3;
    options.ticks = ticks;
    options.seeded = true;
    options.seed = 7;
    options.csvFile = scratch.file("run.csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    return options;
}

} // namespace

TEST(PhylogenyFiles, TheTableFollowsTheDataStandardWithTheGenomeAfterIt) {
    GenotypeTable table;
    table.setPruned(false);
    const int root = table.birth(Genotype::NONE, animal(10), 0);
    const int child = table.birth(root, animal(12), 40);
    table.birth(Genotype::NONE, Genome::plant(30, 31, 32, 33), 0);
    table.death(root, 50);
    std::istringstream text(PhylogenyFiles::table(table, false));
    std::vector<std::string> rows;
    for (std::string line; std::getline(text, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
              "id,ancestor_list,origin_time,destruction_time,kind,speed,adrenaline,spawn_efficiency,"
              "size,prey_size,offspring,spawn_radius,depth,total_organisms,peak_organisms,living_organisms");
    EXPECT_EQ(rows[1], "0,[none],0,50,herbivore,10,20,20,50,50,,,0,1,1,0");
    EXPECT_EQ(rows[2], "1,[0],40,,herbivore,12,20,20,50,50,,,1,1,1,1");
    EXPECT_EQ(rows[3], "2,[none],0,,plant,,,32,33,,30,31,0,1,1,1");
    table.death(child, 60);
    const std::string extant = PhylogenyFiles::table(table, true);
    EXPECT_EQ(extant.substr(extant.find('\n') + 1), rows[3] + "\n")
        << "only the plant has living descendants";
}

TEST(PhylogenyFiles, APhylogeneticsLibraryReadsTheTreeWithTheLivingGenotypesAsLeaves) {
    if (std::system("/usr/bin/python3 -c 'import Bio.Phylo' 2>/dev/null") != 0)
        GTEST_SKIP() << "Biopython is not installed for /usr/bin/python3";
    ScratchFolder scratch("sylvara-newick");
    SimulationOptions options = lineageRun(scratch, 3000);
    options.size = 5;
    options.newickFile = scratch.file("tree.nwk");
    options.phylogenyFile = scratch.file("phylogeny.csv");
    options.phylogenyExtant = true;
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    // Each leaf with its distance from the root, which must be its genotype's origin tick.
    const std::string script = "import sys\n"
                               "from Bio import Phylo\n"
                               "tree = Phylo.read(sys.argv[1], 'newick')\n"
                               "for leaf in tree.get_terminals():\n"
                               "    print(leaf.name, round(tree.distance(leaf)))\n";
    std::ofstream(scratch.file("read.py")) << script;
    FILE* pipe =
        popen(("/usr/bin/python3 " + scratch.file("read.py") + " " + options.newickFile).c_str(), "r");
    std::map<std::string, long> leaves;
    char name[64];
    long distance = 0;
    while (std::fscanf(pipe, "%63s %ld", name, &distance) == 2)
        EXPECT_TRUE(leaves.emplace(name, distance).second) << "a leaf named twice: " << name;
    EXPECT_EQ(pclose(pipe), 0);
    std::map<std::string, long> living;
    std::istringstream table(contents(options.phylogenyFile));
    std::string row;
    std::getline(table, row);
    int deep = 0;
    while (std::getline(table, row)) {
        std::vector<std::string> cells;
        std::stringstream cellText(row);
        for (std::string cell; std::getline(cellText, cell, ',');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 16u) << row;
        if (std::stoi(cells[15]) > 0)
            living.emplace("g" + cells[0], std::stol(cells[2]));
        deep = std::max(deep, std::stoi(cells[12]));
    }
    EXPECT_GT(deep, 2) << "a run long enough for lineages several mutations deep";
    EXPECT_EQ(leaves, living);
}

TEST(MullerPlot, BandsNestInTheirParentsAndSmallGenotypesCountWithTheirDrawnAncestor) {
    GenotypeTable table;
    const int root = table.birth(Genotype::NONE, animal(10), 0);
    for (int i = 0; i < 9; ++i)
        table.birth(root, animal(10), 0);
    MullerPlot muller;
    muller.sample(table, 0);
    const int child = table.birth(root, animal(11), 1);
    for (int i = 0; i < 9; ++i)
        table.birth(child, animal(11), 1);
    const int tiny = table.birth(child, animal(12), 1);
    const int plant = table.birth(Genotype::NONE, Genome::plant(30, 31, 32, 33), 1);
    // Born a carnivore: the first of its panel, under no drawn ancestor of its own kind.
    const int turned = table.birth(child, Genome::animal(2, 11, 20, 20, 50, 50), 1);
    muller.sample(table, 100);
    const auto panels = muller.layout(0.05);
    const auto& herbivores = panels[0];
    ASSERT_EQ(herbivores.size(), 3u) << "the pool, the root and its child; " << tiny << " is under 5 %";
    EXPECT_EQ(herbivores[1].id, root);
    EXPECT_EQ(herbivores[2].id, child);
    EXPECT_EQ(herbivores[2].parent, root);
    EXPECT_EQ(herbivores[2].members[1], 11) << "the tiny genotype counts with its drawn parent";
    EXPECT_DOUBLE_EQ(herbivores[0].high[1] - herbivores[0].low[1], 1.0);
    EXPECT_DOUBLE_EQ(herbivores[1].high[0] - herbivores[1].low[0], 1.0) << "alone at first";
    EXPECT_NEAR(herbivores[2].high[1] - herbivores[2].low[1], 11.0 / 21.0, 1e-12);
    EXPECT_NEAR(herbivores[1].high[1] - herbivores[1].low[1], 1.0, 1e-12) << "a band holds its descendants";
    // The child sits in the middle of its parent, half the parent's own members below it.
    EXPECT_NEAR(herbivores[2].low[1], 5.0 / 21.0, 1e-12);
    ASSERT_EQ(panels[1].size(), 2u);
    EXPECT_EQ(panels[1][1].id, turned);
    EXPECT_EQ(panels[1][1].parent, Genotype::NONE);
    EXPECT_EQ(panels[2].back().id, plant);
    EXPECT_EQ(panels[2].back().colour, MullerPlot::colourOf(Genome::plant(30, 31, 32, 33)));
    EXPECT_EQ(MullerPlot::colourOf(Genome::animal(1, 0, 50, 0, 1, 1)), "#ff8080")
        << "capped, then speed green";
    EXPECT_EQ(muller.layout(0.6)[0].size(), 2u) << "the child never held 60 %";
    const std::string edges = MullerPlot::edgesTable(panels);
    EXPECT_EQ(edges, "Parent,Identity\nherbivores,g0\ng0,g1\ncarnivores,g" + std::to_string(turned) +
                         "\nplants,g" + std::to_string(plant) + "\n");
    EXPECT_NE(muller.populationsTable(panels).find("g1,11,100\n"), std::string::npos);
}

TEST(MullerPlot, TheRunDrawsItAndWritesTheTablesOrRefusesAnUnwritablePathFirst) {
    ScratchFolder scratch("sylvara-muller");
    SimulationOptions options = lineageRun(scratch, 300);
    options.mullerFile = scratch.file("missing/muller.png");
    std::string said;
    EXPECT_FALSE(runWhole(options, said));
    EXPECT_NE(said.find("cannot write " + options.mullerFile), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(options.csvFile)) << "refused before the run";
    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    // A name gnuplot would read as script text if it were pasted into the script.
    options.mullerFile = scratch.file("it's \" \\ muller.png");
    ASSERT_TRUE(runWhole(options, said)) << said;
    EXPECT_EQ(contents(options.mullerFile).substr(1, 3), "PNG");
    EXPECT_EQ(contents(MullerPlot::tablePath(options.mullerFile, "edges")).rfind("Parent,Identity\n", 0), 0u);
    EXPECT_NE(contents(MullerPlot::tablePath(options.mullerFile, "populations")).find("\nplants,"),
              std::string::npos);
    EXPECT_EQ(MullerPlot::tablePath("a.b/c", "edges"), "a.b/c-edges.csv");
}

TEST(MullerPlot, AtEveryCensusRowEachKindsPopulationsSumToItsCensusCount) {
    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    ScratchFolder scratch("sylvara-muller-census");
    SimulationOptions options = lineageRun(scratch, 3000);
    options.size = 2;
    options.interval = 50;
    options.mullerFile = scratch.file("muller.png");
    options.phylogenyFile = scratch.file("phylogeny.csv");
    options.phylogenyExtant = true;
    std::string said;
    ASSERT_TRUE(runWhole(options, said)) << said;
    const std::vector<std::string> kinds = {"herbivores", "carnivores", "plants"};
    // Each band's kind, up its edges to the kind's own pool.
    std::map<std::string, std::string> parentOf;
    for (const std::string& edge : lines(MullerPlot::tablePath(options.mullerFile, "edges")))
        parentOf[edge.substr(edge.find(',') + 1)] = edge.substr(0, edge.find(','));
    const auto kindOf = [&](std::string band) {
        while (parentOf.count(band) != 0 && band[0] == 'g')
            band = parentOf.at(band);
        return band;
    };
    std::map<std::pair<long, std::string>, int> muller;
    const std::vector<std::string> populations =
        lines(MullerPlot::tablePath(options.mullerFile, "populations"));
    for (size_t i = 1; i < populations.size(); ++i) {
        std::stringstream cells(populations[i]);
        std::string band, members, tick;
        std::getline(cells, band, ',');
        std::getline(cells, members, ',');
        std::getline(cells, tick, ',');
        muller[std::make_pair(std::stol(tick), kindOf(band))] += std::stoi(members);
    }
    const std::vector<std::string> census = lines(options.csvFile);
    ASSERT_EQ(census.size(), 62u);
    std::map<std::string, int> last;
    bool fell = false;
    for (size_t i = 1; i < census.size(); ++i) {
        std::stringstream cells(census[i]);
        std::string cell;
        std::getline(cells, cell, ',');
        const long tick = std::stol(cell);
        for (const std::string& kind : kinds) {
            std::getline(cells, cell, ',');
            EXPECT_EQ(muller[std::make_pair(tick, kind)], std::stoi(cell)) << kind << " at tick " << tick;
            fell = fell || (last.count(kind) != 0 && std::stoi(cell) < last[kind]);
            last[kind] = std::stoi(cell);
        }
    }
    EXPECT_TRUE(fell) << "a run with deaths";
    // The phylogeny's living organisms of each kind are the last row's census.
    std::map<std::string, int> living;
    const std::vector<std::string> phylogeny = lines(options.phylogenyFile);
    for (size_t i = 1; i < phylogeny.size(); ++i) {
        std::vector<std::string> cells;
        std::stringstream cellText(phylogeny[i]);
        for (std::string cell; std::getline(cellText, cell, ',');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 16u) << phylogeny[i];
        living[cells[4] == "plant" ? "plants" : cells[4] + "s"] += std::stoi(cells[15]);
    }
    for (const std::string& kind : kinds)
        EXPECT_EQ(living[kind], last[kind]) << kind;
}

TEST(PhylogenyFiles, AResumedRunWritesTheSamePhylogenyAsAStraightRun) {
    ScratchFolder scratch("sylvara-resume");
    SimulationOptions straight = lineageRun(scratch, 1200);
    straight.phylogenyFile = scratch.file("straight.csv");
    straight.newickFile = scratch.file("straight.nwk");
    std::string said;
    ASSERT_TRUE(runWhole(straight, said)) << said;
    SimulationOptions first = lineageRun(scratch, 500);
    first.phylogenyFile = scratch.file("first.csv");
    first.saveFile = scratch.file("at-500.sylvara");
    ASSERT_TRUE(runWhole(first, said)) << said;
    SimulationOptions second = lineageRun(scratch, 700);
    second.seeded = false;
    second.loadFile = first.saveFile;
    second.phylogenyFile = scratch.file("second.csv");
    second.newickFile = scratch.file("second.nwk");
    ASSERT_TRUE(runWhole(second, said)) << said;
    const std::string atSave = contents(first.phylogenyFile);
    EXPECT_GT(std::count(atSave.begin(), atSave.end(), '\n'), 100) << "saved among many genotypes";
    EXPECT_EQ(contents(second.phylogenyFile), contents(straight.phylogenyFile));
    EXPECT_EQ(contents(second.newickFile), contents(straight.newickFile));
}
