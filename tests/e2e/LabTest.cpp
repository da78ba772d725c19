// sylvara-lab's own bench: its speed keys and single step, the live chart, a world run ahead
// before the window opens, and the one line each bad start gets.
#include "Board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <unistd.h>
#include <vector>

namespace {

const std::string LAB = "./sylvara-lab";

// The plot's lines, in screen pixels: the overlay's 1280 x 1024 units drawn into the 800 x 600
// window at 20, 20.
int screenX(float x) {
    return 20 + static_cast<int>(x * 800 / 1280);
}
int screenY(float y) {
    return 20 + static_cast<int>((1024 - y) * 600 / 1024);
}
const int PLOT_LEFT = screenX(75);
const int PLOT_RIGHT = screenX(600);
const int PLOT_TOP = screenY(280);
const int PLOT_BOTTOM = screenY(60);
const Box PLOT{PLOT_LEFT + 3, PLOT_TOP - 4, PLOT_RIGHT, PLOT_BOTTOM + 4};

enum Kind { HERBIVORES, CARNIVORES, PLANTS };

// The population plot's colours: blue, red and green, each well clear of the other channels.
bool ofKind(const osg::Vec4& c, Kind kind) {
    switch (kind) {
    case HERBIVORES:
        return c.b() > c.r() + 0.25f && c.b() > c.g() + 0.15f;
    case CARNIVORES:
        return c.r() > c.g() + 0.3f && c.r() > c.b() + 0.3f;
    case PLANTS:
        return c.g() > c.r() + 0.2f && c.g() > c.b() + 0.2f;
    }
    return false;
}

Spot lineOf(const Screenshot& shot, Kind kind, const Box& box = PLOT) {
    return shot.spotWhere(box, [&](int x, int y) { return ofKind(shot.pixel(x, y), kind); });
}

// The newest stretch of the lines, at the plot's right end.
Box newest() {
    return Box{PLOT_RIGHT - 12, PLOT.y0, PLOT_RIGHT, PLOT.y1};
}

long tickIn(const std::string& title) {
    std::smatch found;
    return std::regex_search(title, found, std::regex("tick ([0-9]+)")) ? std::stol(found[1]) : -1;
}

// Ticks run a second, read from the window's title over the given time.
double tickRate(const ProgramSession& session, double seconds) {
    const long first = tickIn(session.windowName());
    const auto start = std::chrono::steady_clock::now();
    ProgramSession::pause(seconds);
    const long last = tickIn(session.windowName());
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return first < 0 || last < 0 ? -1 : (last - first) / took;
}

} // namespace

TEST(Lab, SpeedKeysSetTheTicksRunASecondAndTStepsThePausedWorld) {
    ProgramSession session({"--genesis", "2,2"});
    ASSERT_TRUE(board::open(session, "speed", LAB)) << session.output();
    EXPECT_NE(session.windowName().find("16 ticks/s"), std::string::npos) << session.windowName();
    const double normal = tickRate(session, 4);
    EXPECT_GT(normal, 11);
    EXPECT_LT(normal, 18);

    session.key("minus");
    ProgramSession::pause(0.2);
    session.key("minus");
    ASSERT_TRUE(session.waitForOutput("speed: 4 ticks/s", 5)) << session.output();
    const double slow = tickRate(session, 4);
    EXPECT_GT(slow, 2.5);
    EXPECT_LT(slow, 5.5);

    session.key("n");
    ASSERT_TRUE(session.waitForOutput("speed: 16 ticks/s", 5)) << session.output();
    const double back = tickRate(session, 4);
    EXPECT_GT(back, 11);
    EXPECT_LT(back, 18);

    for (int step = 0; step < 9; ++step) {
        session.key("plus");
        ProgramSession::pause(0.2);
    }
    ASSERT_TRUE(session.waitForOutput("speed: flat out", 5)) << session.output();
    const double flatOut = tickRate(session, 4);
    EXPECT_GT(flatOut, 4 * 16) << "flat out runs many times the sandbox's rate";
    std::printf("ticks a second: normal %.1f, slow %.1f, back %.1f, flat out %.0f\n", normal, slow, back,
                flatOut);

    // Paused, the tick number stands still, and t runs exactly one tick at a time.
    session.key("p");
    board::watch(session, "paused", 5,
                 [&](const Screenshot&) { return session.windowName().find("paused") != std::string::npos; });
    const long paused = tickIn(session.windowName());
    ProgramSession::pause(1.0);
    EXPECT_EQ(tickIn(session.windowName()), paused) << session.windowName();
    session.key("t");
    ProgramSession::pause(1.0);
    EXPECT_EQ(tickIn(session.windowName()), paused + 1) << session.windowName();
    session.key("t");
    ProgramSession::pause(1.0);
    EXPECT_EQ(tickIn(session.windowName()), paused + 2) << session.windowName();
    EXPECT_NE(session.windowName().find("paused"), std::string::npos) << "still paused after the steps";

    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST(Lab, TheChartShowsOnLAndFollowsTheCounts) {
    ProgramSession session;
    ASSERT_TRUE(board::open(session, "chart-start", LAB)) << session.output();
    // The help panel lists the lab's keys in a section of its own, below the sandbox's text.
    const Box labKeys{650, 490, 800, 595};
    session.key("h");
    const board::Watched help = board::watch(session, "help", 10, [&](const Screenshot& shot) {
        return shot.darkShare(labKeys, 0.15f) > 0.02 && shot.mean(labKeys).x() > 0.45f;
    });
    EXPECT_TRUE(help.held) << "no lab section under the controls: text share "
                           << help.shot.darkShare(labKeys, 0.15f);
    session.key("h");
    const Screenshot bare(session.screenshot("chart-none"));
    EXPECT_LT(bare.mean(PLOT).y(), 0.6f) << "the board, no chart, before l";

    session.key("l");
    const board::Watched shown = board::watch(session, "chart-empty", 10, [](const Screenshot& shot) {
        return shot.mean(PLOT).x() > 0.8f && lineOf(shot, HERBIVORES).count > 50;
    });
    ASSERT_TRUE(shown.held) << "no chart after l";
    // Nothing lives yet: the lines lie on the baseline (herbivores, drawn first, over the others).
    const Spot empty = lineOf(shown.shot, HERBIVORES);
    EXPECT_GT(empty.bounds.y0, PLOT_BOTTOM - 5) << "herbivores line at " << empty.bounds.y0;
    EXPECT_GT(empty.bounds.width(), PLOT_RIGHT - PLOT_LEFT - 10) << "across the plot";

    // Paused, single ticks keep the counts near what was made. Genesis brings 10 of each kind:
    // the newest stretch climbs far off the baseline, while the oldest stays on it.
    session.key("p");
    board::watch(session, "chart-paused", 5,
                 [&](const Screenshot&) { return session.windowName().find("paused") != std::string::npos; });
    session.key("g");
    const board::Point tile = board::tileMiddle(3, 3);
    session.moveTo(tile.x, tile.y);
    ProgramSession::pause(0.5);
    session.click(1);
    ProgramSession::pause(0.3);
    session.key("t");
    const board::Watched risen = board::watch(session, "chart-genesis", 10, [](const Screenshot& shot) {
        const Spot top = lineOf(shot, HERBIVORES, newest());
        return top.count > 0 && top.bounds.y0 < PLOT_BOTTOM - 40;
    });
    EXPECT_TRUE(risen.held) << "the lines did not climb after the genesis";
    const Box oldest{PLOT.x0, PLOT.y0, PLOT.x0 + 10, PLOT.y1};
    EXPECT_GT(lineOf(risen.shot, HERBIVORES, oldest).bounds.y0, PLOT_BOTTOM - 5) << "history kept";

    // Ten more herbivores, one a tick: theirs, in blue, rises well above the carnivores' red.
    session.key("c");
    for (int i = 0; i < 10; ++i) {
        session.key("w");
        ProgramSession::pause(0.2);
        session.key("t");
        ProgramSession::pause(0.2);
    }
    Spot herbivores;
    Spot carnivores;
    const board::Watched apart = board::watch(session, "chart-herbivores", 10, [&](const Screenshot& shot) {
        herbivores = lineOf(shot, HERBIVORES, newest());
        carnivores = lineOf(shot, CARNIVORES, newest());
        return herbivores.count > 0 && carnivores.count > 0 && herbivores.y < carnivores.y - 25;
    });
    EXPECT_TRUE(apart.held) << "herbivores at " << herbivores.y << ", carnivores at " << carnivores.y
                            << ", the plot from " << PLOT_TOP << " to " << PLOT_BOTTOM;

    // v cycles the views: each kind's trait means draw in shades of that kind's colour alone.
    const struct {
        const char* said;
        Kind kind;
        Kind other;
    } views[] = {{"chart: herbivore trait means", HERBIVORES, CARNIVORES},
                 {"chart: carnivore trait means", CARNIVORES, HERBIVORES},
                 {"chart: plant trait means", PLANTS, CARNIVORES}};
    for (const auto& view : views) {
        session.key("v");
        EXPECT_TRUE(session.waitForOutput(view.said, 10)) << session.output();
        Spot own;
        Spot other;
        const board::Watched drawn =
            board::watch(session, std::string("chart-view-") + view.said[7], 10, [&](const Screenshot& shot) {
                own = lineOf(shot, view.kind);
                other = lineOf(shot, view.other);
                return own.count > 100 && other.count < 10;
            });
        EXPECT_TRUE(drawn.held) << view.said << ": " << own.count << " pixels of its kind's colour, "
                                << other.count << " of another's";
    }
    session.key("v");
    EXPECT_TRUE(session.waitForOutput("chart: populations", 10)) << session.output();
    const board::Watched back =
        board::watch(session, "chart-view-populations", 10, [](const Screenshot& shot) {
            return lineOf(shot, HERBIVORES).count > 50 && lineOf(shot, CARNIVORES).count > 50;
        });
    EXPECT_TRUE(back.held) << "the populations did not come back after four presses of v";

    session.key("l");
    const board::Watched hidden = board::watch(
        session, "chart-hidden", 10, [](const Screenshot& shot) { return shot.mean(PLOT).x() < 0.6f; });
    EXPECT_TRUE(hidden.held) << "the chart stayed after l again";
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST(Lab, AheadOpensOnTheWorldItRanWithItsLaterGenerations) {
    ProgramSession session({"--genesis", "all", "--seed", "7", "--ahead", "20000"});
    ASSERT_TRUE(board::open(session, "ahead", LAB)) << session.output();
    EXPECT_NE(session.output().find("ran 20000 ticks ahead"), std::string::npos) << session.output();
    EXPECT_GE(tickIn(session.windowName()), 20000) << session.windowName();

    // The chart holds the run's last ticks: the plants that fill the board, high above the
    // animals, which died out long before.
    session.key("l");
    const board::Watched chart = board::watch(
        session, "ahead-chart", 10, [](const Screenshot& shot) { return lineOf(shot, PLANTS).count > 50; });
    ASSERT_TRUE(chart.held);
    EXPECT_LT(lineOf(chart.shot, PLANTS).bounds.y1, (PLOT_TOP + PLOT_BOTTOM) / 2)
        << "plants in the upper half";

    // A plant picked on the board is many generations from the genesis.
    session.key("s");
    session.key("l");
    std::smatch found;
    const std::regex selected("selected (plant|animal) [0-9]+ at tick [0-9]+: generation ([0-9]+)");
    std::string output;
    for (int column = 1; column < 5 && !std::regex_search(output, found, selected); ++column) {
        const board::Point tile = board::tileMiddle(column, 2);
        session.moveTo(tile.x, tile.y);
        ProgramSession::pause(0.5);
        session.click(1);
        session.waitForOutput("selected ", 3);
        output = session.output();
    }
    ASSERT_TRUE(std::regex_search(output, found, selected)) << output;
    EXPECT_GT(std::stoi(found[2]), 0) << found[0];
    std::printf("%s\n", std::string(found[0]).c_str());
    session.screenshot("ahead-selected");
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST(Lab, AWorldSavedFromTheWindowGoesOnInTheHeadlessRunner) {
    ProgramSession session({"--genesis", "all", "--seed", "5"});
    ASSERT_TRUE(board::open(session, "save", LAB)) << session.output();
    ProgramSession::pause(1.0);
    session.key("x");
    ASSERT_TRUE(session.waitForOutput("saved world-", 30)) << session.output();
    std::smatch found;
    const std::string output = session.output();
    ASSERT_TRUE(std::regex_search(output, found, std::regex("saved (world-[0-9]+\\.sylvara): tick ([0-9]+)")))
        << output;
    const std::string file = found[1];
    const long tick = std::stol(found[2]);
    // The window went on.
    const long before = tickIn(session.windowName());
    ProgramSession::pause(1.0);
    EXPECT_GT(tickIn(session.windowName()), before);
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    const std::string csv = "/tmp/sylvara-lab-e2e-" + std::to_string(getpid()) + ".csv";
    const std::string plot = csv + ".png";
    int code = 0;
    const std::string run = ProgramSession::runHeadless(
        "./sylvara-sim --load " + file + " --ticks 200 --csv " + csv + " --plot " + plot, code);
    EXPECT_EQ(code, 0) << run;
    std::ifstream rows(csv);
    std::string line;
    std::vector<long> ticks;
    while (std::getline(rows, line))
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
            ticks.push_back(std::stol(line));
    ASSERT_GE(ticks.size(), 2u) << run;
    EXPECT_EQ(ticks.front(), tick) << "the census starts at the saved tick";
    EXPECT_EQ(ticks.back(), tick + 200);
    std::printf("%s: saved at tick %ld, went on to %ld\n", file.c_str(), tick, ticks.back());
    for (const std::string& made : {file, csv, plot})
        std::remove(made.c_str());
}

TEST(Lab, OpensUnderTheRulesOfAFileAndItsSavedWorldKeepsThem) {
    const std::string rules = "/tmp/sylvara-lab-e2e-" + std::to_string(getpid()) + "-rules.toml";
    // No herbivores at the genesis, and no drift that could make one.
    std::ofstream(rules) << "[genesis]\nherbivores = 0\n\n[mutation]\nchance = 0\n";
    // A setting that changes nothing still counts as one given over the file.
    ProgramSession session({"--genesis", "all", "--seed", "3", "--rules", rules, "--keep", "plants=5",
                            "--set", "animal.moveCost=0.01"});
    ASSERT_TRUE(board::open(session, "rules", LAB)) << session.output();
    const std::string leaf = rules.substr(rules.rfind('/') + 1);
    EXPECT_NE(session.output().find("rules: " + leaf + " (+1 set)\nkeep: plants=5"), std::string::npos)
        << session.output();
    session.key("x");
    ASSERT_TRUE(session.waitForOutput("saved world-", 30)) << session.output();
    std::smatch found;
    const std::string output = session.output();
    ASSERT_TRUE(std::regex_search(output, found, std::regex("saved (world-[0-9]+\\.sylvara)"))) << output;
    const std::string file = found[1];
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    const std::string csv = "/tmp/sylvara-lab-e2e-" + std::to_string(getpid()) + ".csv";
    int code = 0;
    const std::string run =
        ProgramSession::runHeadless("./sylvara-sim --load " + file + " --ticks 300 --csv " + csv +
                                        " --plot " + csv + ".png --traits " + csv + "-traits.png",
                                    code);
    EXPECT_EQ(code, 0) << run;
    EXPECT_NE(run.find("herbivores none from the loaded tick"), std::string::npos) << run;
    EXPECT_NE(run.find("rescue keeps plants=5"), std::string::npos) << run;

    // The same world with its rules changed on load says so in one line.
    const std::string changed = ProgramSession::runHeadless(
        "./sylvara-sim --load " + file + " --ticks 10 --set mutation.chance=20 --csv " + csv + " --plot " +
            csv + ".png --traits " + csv + "-traits.png",
        code);
    EXPECT_EQ(code, 0) << changed;
    EXPECT_NE(changed.find("rules changed from tick "), std::string::npos) << changed;
    EXPECT_NE(changed.find(": mutation.chance 0 -> 20\n"), std::string::npos) << changed;
    for (const std::string& made : {file, csv, csv + ".png", csv + "-traits.png", rules})
        std::remove(made.c_str());
}

TEST(Lab, EachBadStartGetsOneLineAndExitCode2BeforeAnyWindow) {
    const std::string damaged = "/tmp/sylvara-lab-e2e-" + std::to_string(getpid()) + ".sylvara";
    std::ofstream(damaged) << "not a saved world\n";
    const std::string bad[] = {"--size 0", "--size=big", "--ticks 5", "--genesis 5,5", "--ahead -1", "--seed",
                               "--load missing.sylvara", "--load " + damaged,
                               "--load " + damaged + " --size 4", "--rules missing.toml",
                               "--set animal.moveCots=1", "--keep grazers=3", "--keep herbivores",
                               "--keep herbivores=50 --keep herbivores=10", "--rules /dev/zero",
                               "--rules a.toml --rules b.toml", "--ahead 1 --ahead 2",
                               // Its first tick would never end.
                               "--set animal.breedAt=0.49",
                               // No display is said before the run ahead, not after it.
                               "--size 1 --ahead 3000000"};
    for (const std::string& options : bad) {
        int code = 0;
        const std::string out = ProgramSession::runHeadless(LAB + " " + options, code);
        EXPECT_EQ(code, 2) << options << ": " << out;
        EXPECT_EQ(out.rfind("sylvara-lab: ", 0), 0u) << options << ": " << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << options << ": " << out;
        // As the other tools do, the line goes to the error stream.
        const std::string errors =
            ProgramSession::runHeadless("sh -c '" + LAB + " " + options + " 2>&1 >/dev/null'", code);
        EXPECT_EQ(errors, out) << options;
    }
    std::remove(damaged.c_str());
    int code = 0;
    const std::string help = ProgramSession::runHeadless(LAB + " --help", code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(help.find("--ahead TICKS"), std::string::npos) << help;
}

TEST(Lab, AWorldBeyondTheMemoryItMayUseEndsWithALineAndExitCode1) {
    // A thousand herbivores on each of 100 tiles, drawn, outgrow a gigabyte of address space.
    ProgramSession session({"-c", "ulimit -v 1000000; exec ./sylvara-lab --size 10 --genesis all --seed 1 "
                                  "--set genesis.herbivores=1000"});
    ASSERT_TRUE(session.start("/bin/sh"));
    EXPECT_EQ(session.waitForExit(180), 1) << session.output();
    EXPECT_NE(session.output().find("\nsylvara-lab: out of memory at tick 0\n"), std::string::npos)
        << session.output();
}

TEST(Lab, MarksTheSelectedOrganismsLivingDescendantsOnTheBoard) {
    ProgramSession session({"--genesis", "all", "--seed", "7", "--ahead", "600"});
    ASSERT_TRUE(board::open(session, "lineage", LAB)) << session.output();
    session.key("p");
    session.key("d");
    session.key("s");
    const auto magenta = [](const Screenshot& shot) {
        return shot.spotWhere(board::window(), [&](int x, int y) {
            const osg::Vec4 c = shot.pixel(x, y);
            return c.r() > 0.8f && c.g() < 0.45f && c.b() > 0.7f;
        });
    };
    // While the animals boom, many of the organisms picked have living descendants.
    bool marked = false;
    for (int pick = 0; pick < 15 && !marked; ++pick) {
        const board::Point tile = board::tileMiddle(pick % 5, 1 + pick / 5);
        session.moveTo(tile.x, tile.y);
        ProgramSession::pause(0.5);
        session.click(1);
        session.waitForOutput("selected ", 3);
        marked = board::watch(session, "lineage-marks", 2, [&](const Screenshot& shot) {
                     return magenta(shot).count > 8;
                 }).held;
    }
    ASSERT_TRUE(marked) << session.output();
    session.key("d");
    const board::Watched hidden = board::watch(
        session, "lineage-hidden", 5, [&](const Screenshot& shot) { return magenta(shot).count < 5; });
    EXPECT_TRUE(hidden.held) << "the key hides the marks again";
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}
