// The sweep's plots, drawn from a curves CSV in a folder whose name would be gnuplot commands.
#include "ScratchFolder.h"

#include "common/Gnuplot.h"
#include "sweep/SweepPlot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

bool isPng(const std::string& file) {
    std::ifstream png(file, std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    return std::string(magic + 1, 3) == "PNG";
}

} // namespace

TEST(SweepPlot, TakesItsFolderAsDataNeverAsCommands) {
    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    ScratchFolder scratch{"sylvara-sweep-names"};
    const fs::path folder = scratch.folder / "sweep\n!touch ran\n";
    fs::create_directories(folder);
    const std::string curves = (folder / "curves.csv").string();
    std::ofstream(curves) << "configuration,tick,h_s,h_q1,h_m,h_q3,c_s,c_q1,c_m,c_q3,p_s,p_q1,p_m,p_q3\n"
                          << "a,0,1,10,12,14,1,10,11,12,1,10,10,10\na,100,1,8,9,10,0.5,3,4,5,1,12,13,14\n";
    const std::vector<SweepPlot::Panel> panels{{"a", "size 5, genesis all", 100}};
    const fs::path before = fs::current_path();
    fs::current_path(scratch.folder);
    const std::string survival = (folder / "survival.png").string();
    const std::string populations = (folder / "populations.png").string();
    EXPECT_EQ(Gnuplot::run(SweepPlot::survivalScript(panels), curves, survival, ""), Gnuplot::Result::Drawn);
    EXPECT_EQ(Gnuplot::run(SweepPlot::populationsScript(panels), curves, populations, ""),
              Gnuplot::Result::Drawn);
    fs::current_path(before);
    EXPECT_TRUE(isPng(survival));
    EXPECT_TRUE(isPng(populations));
    EXPECT_FALSE(fs::exists(scratch.folder / "ran"));
}
