// The sweep's plots, drawn from a curves CSV in a folder whose name would be gnuplot commands.
#include "ScratchFolder.h"

#include "common/Gnuplot.h"
#include "sweep/SweepPlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

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

namespace {

// The text of each panel title in a script, one entry per line of the title.
std::vector<std::vector<std::string>> scriptTitles(const std::string& script) {
    std::vector<std::vector<std::string>> titles;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("set title ", 0) != 0)
            continue;
        titles.emplace_back();
        // Each line is one single-quoted string, the strings joined by line breaks.
        for (size_t open = line.find('\''); open != std::string::npos; open = line.find('\'', open + 1)) {
            std::string text;
            size_t at = open + 1;
            for (; at < line.size(); ++at) {
                if (line[at] == '\'' && at + 1 < line.size() && line[at + 1] == '\'')
                    text += line[at++];
                else if (line[at] == '\'')
                    break;
                else
                    text += line[at];
            }
            titles.back().push_back(text);
            open = at;
        }
    }
    return titles;
}

} // namespace

TEST(SweepPlot, PanelTitlesBreakIntoLinesTheirPanelHolds) {
    const std::string twoRules =
        "size 10, genesis 0,0;1,1;2,2, 20000 ticks, mutation.chance 20, animal.moveCost 0.5 (12 runs)";
    const std::string longName = "size 5, genesis all, 100 ticks, animal.birthEnergy " + std::string(70, '9');
    const std::vector<SweepPlot::Panel> panels{
        {"a", twoRules, 100}, {"b", longName, 100}, {"c", "size 5, genesis all, 100 ticks (4 runs)", 100}};
    for (const std::string& script :
         {SweepPlot::survivalScript(panels), SweepPlot::populationsScript(panels)}) {
        const auto titles = scriptTitles(script);
        ASSERT_EQ(titles.size(), panels.size()) << script;
        for (size_t p = 0; p < panels.size(); ++p) {
            std::string joined;
            for (const std::string& line : titles[p]) {
                EXPECT_LE(line.size(), SweepPlot::TITLE_LINE) << line;
                joined += line;
            }
            std::string whole = panels[p].title;
            whole.erase(std::remove(whole.begin(), whole.end(), ' '), whole.end());
            joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
            EXPECT_EQ(joined, whole) << "nothing of the title is lost";
        }
        EXPECT_EQ(titles[2].size(), 1u) << "a short title stays one line";
    }
    EXPECT_EQ(SweepPlot::titleLines(twoRules),
              (std::vector<std::string>{"size 10, genesis 0,0;1,1;2,2, 20000 ticks,", "mutation.chance 20,",
                                        "animal.moveCost 0.5 (12 runs)"}))
        << "broken after a comma and a space only: the tiles keep theirs";

    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    ScratchFolder scratch{"sylvara-sweep-titles"};
    const std::string curves = scratch.file("curves.csv");
    std::ofstream(curves) << "configuration,tick,h_s,h_q1,h_m,h_q3,c_s,c_q1,c_m,c_q3,p_s,p_q1,p_m,p_q3\n"
                          << "a,0,1,10,12,14,1,10,11,12,1,10,10,10\na,100,1,8,9,10,0.5,3,4,5,1,12,13,14\n"
                          << "b,0,1,10,12,14,1,10,11,12,1,10,10,10\nb,100,1,8,9,10,0.5,3,4,5,1,12,13,14\n"
                          << "c,0,1,10,12,14,1,10,11,12,1,10,10,10\nc,100,1,8,9,10,0.5,3,4,5,1,12,13,14\n";
    EXPECT_EQ(Gnuplot::run(SweepPlot::populationsScript(panels), curves, scratch.file("p.png"), ""),
              Gnuplot::Result::Drawn);
}
