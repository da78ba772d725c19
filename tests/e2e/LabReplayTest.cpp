// A lab session driven as a person drives it (spawn keys under the mouse, a tool click, a rule typed
// at the console, a save) replays exactly from its log, headless and in the lab; a program drives the
// lab through standard input; a bad command file is refused before any window.
#include "Board.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace {

const std::string LAB = "./sylvara-lab";

// The saved world as SQL, its markers left out: they are what a window draws, and a headless world
// draws nothing.
std::string worldDump(const std::string& file) {
    int code = 0;
    const std::string dump =
        ProgramSession::runHeadless("sqlite3 '" + file + "' .dump | grep -v '^INSERT INTO markers'", code);
    return code == 0 ? dump : "";
}

// The log's commands, its comments and blank lines left out.
std::vector<std::string> commandLines(const std::string& log) {
    std::istringstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

struct Scratch {
    std::string folder = "/tmp/sylvara-lab-replay-" + std::to_string(getpid());
    Scratch() {
        int code = 0;
        ProgramSession::runHeadless("rm -rf " + folder + " && mkdir -p " + folder, code);
    }
    ~Scratch() {
        int code = 0;
        ProgramSession::runHeadless("rm -rf " + folder, code);
    }
    std::string file(const std::string& name) const { return folder + "/" + name; }
};

} // namespace

TEST(LabReplay, ASessionOfKeysAClickAndTheConsoleReplaysExactlyHeadlessAndInTheLab) {
    Scratch scratch;
    const std::string world = "--seed 6 --size 5 --genesis all";
    const std::string log = scratch.file("session.log");
    ProgramSession session({"--seed", "6", "--size", "5", "--genesis", "all", "--log", log});
    ASSERT_TRUE(board::open(session, "replay", LAB)) << session.output();

    // Spawn keys under the mouse, on the middle tile.
    const board::Point middle = board::tileMiddle(2, 2);
    session.moveTo(middle.x, middle.y);
    ProgramSession::pause(0.5);
    session.key("w");
    session.key("e");
    ASSERT_TRUE(session.waitForOutput(": spawn carnivore ", 30)) << session.output();
    // The killer's click on another tile.
    session.key("k");
    const board::Point corner = board::tileMiddle(1, 1);
    session.moveTo(corner.x, corner.y);
    ProgramSession::pause(0.5);
    session.click(1);
    ASSERT_TRUE(session.waitForOutput(": apply 1,1", 30)) << session.output();
    // A rule changed at the console, a bad line refused there, and the console closed again.
    session.key("Return");
    session.xdotool("type --delay 40 'set animal.moveCost=0.004'");
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput("console: tick ", 30)) << session.output();
    session.xdotool("type --delay 40 'spawn tiger'");
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput("console: spawn takes one of", 30)) << session.output();
    session.key("Escape");
    ProgramSession::pause(0.5);
    session.key("x");
    ASSERT_TRUE(session.waitForOutput("saved ", 30)) << session.output();
    ProgramSession::pause(0.5);
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    const std::string output = session.output();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(output, found, std::regex("saved (\\S*(world-[0-9]+\\.sylvara)): tick")))
        << output;
    const std::string labSave = scratch.file("lab.sylvara");
    ASSERT_EQ(std::rename(std::string(found[1]).c_str(), labSave.c_str()), 0);
    const std::string saveName = found[2];

    const std::string text = wholeFile(log);
    const std::vector<std::string> lines = commandLines(text);
    const auto has = [&](const std::string& pattern) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return std::regex_match(line, std::regex(pattern));
        });
    };
    const std::string point = "[0-9.e+-]+,[0-9.e+-]+";
    EXPECT_TRUE(has("@[0-9]+ spawn herbivore " + point)) << "placed under the mouse: " << text;
    EXPECT_TRUE(has("@[0-9]+ spawn carnivore " + point)) << text;
    EXPECT_TRUE(has("@[0-9]+ tool killer")) << text;
    EXPECT_TRUE(has("@[0-9]+ apply 1,1")) << text;
    EXPECT_TRUE(has("@[0-9]+ set animal.moveCost=0.004")) << text;
    EXPECT_TRUE(has("@[0-9]+ save " + saveName)) << text;
    EXPECT_FALSE(has(".*tiger.*")) << "a refused line changes nothing and is not logged";
    ASSERT_TRUE(has("@[0-9]+ quit")) << "the session's end is its replay's: " << text;

    // Headless, from another folder so the replay's save lands there.
    int code = 0;
    const std::string replayed = ProgramSession::runHeadless(
        "sh -c 'cd " + scratch.folder + " && " + ProgramSession::stageDir() + "/bin/sylvara-sim " + world +
            " --ticks 1000000 --csv sim.csv --commands " + log + "'",
        code);
    ASSERT_EQ(code, 0) << replayed;
    const std::string labDump = worldDump(labSave);
    ASSERT_FALSE(labDump.empty());
    EXPECT_TRUE(labDump == worldDump(scratch.file(saveName))) << "the headless replay saved another world";

    // In the lab, as fast as it goes, logging again: the same world and the same actions.
    std::ofstream(scratch.file("fast.cmd")) << "speed max\n" << text;
    ProgramSession again({"--seed", "6", "--size", "5", "--genesis", "all", "--commands",
                          scratch.file("fast.cmd"), "--log", scratch.file("again.log")});
    ASSERT_TRUE(again.start(LAB)) << again.output();
    EXPECT_EQ(again.waitForExit(240), 0) << again.output();
    EXPECT_TRUE(labDump == worldDump(saveName)) << "the lab's replay saved another world";
    EXPECT_EQ(commandLines(wholeFile(scratch.file("again.log"))), lines);
    std::remove(saveName.c_str());
}

TEST(LabReplay, AProgramDrivesTheLabThroughStandardInputAndABadLineIsAnsweredAndSkipped) {
    Scratch scratch;
    const std::string save = scratch.file("driven.sylvara");
    // Run ahead to tick 5 before the window opens: a line for tick 2 comes too late.
    std::ofstream(scratch.file("drive.cmd")) << "speed max\n@40 spawn plant 10,10\nspawn dragon\n@2 pause\n"
                                             << "@60 save " << save << "\n@70 quit\n";
    ProgramSession session({"-c", "exec " + LAB +
                                      " --seed 2 --size 2 --genesis all --ahead 5 --commands - < " +
                                      scratch.file("drive.cmd")});
    ASSERT_TRUE(session.start("/bin/sh")) << session.output();
    EXPECT_EQ(session.waitForExit(120), 0) << session.output();
    const std::string output = session.output();
    EXPECT_NE(output.find("tick 40: spawn plant 10,10"), std::string::npos) << output;
    EXPECT_NE(output.find("sylvara-lab: -:3: spawn takes one of"), std::string::npos) << output;
    EXPECT_NE(output.find("sylvara-lab: -:4: tick 2 has passed"), std::string::npos) << output;
    EXPECT_NE(output.find("tick 70: quit"), std::string::npos) << output;
    EXPECT_EQ(access(save.c_str(), F_OK), 0) << output;
}

TEST(LabReplay, ABadCommandFileOrLogIsRefusedInOneLineWithExitCode2BeforeAnyWindow) {
    Scratch scratch;
    std::ofstream(scratch.file("bad.cmd")) << "@10 spawn plant\n@20 apply 2,0\n";
    std::ofstream(scratch.file("back.cmd")) << "@10 pause\n@5 resume\n";
    const std::pair<std::string, std::string> bad[] = {
        {"--size 2 --commands " + scratch.file("bad.cmd"),
         "sylvara-lab: " + scratch.file("bad.cmd") + ":2: tile 2,0 is off the board of 2 x 2 tiles"},
        {"--commands " + scratch.file("back.cmd"), "sylvara-lab: " + scratch.file("back.cmd") + ":2: tick 5"},
        {"--commands " + scratch.file("missing.cmd"), "sylvara-lab: "},
        {"--log " + scratch.file("no/such.log"), "sylvara-lab: cannot write the log"},
        {"--commands a --commands b", "sylvara-lab: --commands is given twice"},
    };
    for (const auto& [options, start] : bad) {
        int code = 0;
        const std::string out = ProgramSession::runHeadless(LAB + " " + options, code);
        EXPECT_EQ(code, 2) << options << ": " << out;
        EXPECT_EQ(out.rfind(start, 0), 0u) << options << ": " << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << options << ": " << out;
    }
}
