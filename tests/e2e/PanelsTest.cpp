// The lab's panels under a real X server: clicks reach the panels and not the world, each
// control acts as its command, the keys still work beside them, and the recorder writes a video
// ffprobe reads back.
#include "Board.h"
#include "ProgramSession.h"
#include "ScratchFolder.h"
#include "Screenshot.h"
#include "VideoProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

// The window the panels' tests open: larger than the sandbox's, within Xvfb's 1024 x 768.
const std::vector<std::string> PANELS = {"--panels", "--window", "1000x740", "--genesis", "all",
                                         "--size",   "1",        "--seed",   "7"};

// Controls of the default layout, in window coordinates.
struct Control {
    int x;
    int y;
};
const Control PAUSE{47, 80};
const Control STEP{95, 80};
const Control RECORD{40, 183};
const Control KILLER{202, 274};
const Control CAMERA{47, 274};
// The "+" beside the first rule, animal.moveCost.
const Control FIRST_RULE_UP{132, 532};
const Control FIRST_GENOTYPE{800, 417};
const Control SAVE{145, 80};
const Control LOAD{195, 80};
const Control RESET_RULES{121, 401};
// The console's command line.
const Control CONSOLE_LINE{370, 719};
// The Inspector's inside, in screen pixels.
const Box INSPECTOR{790, 110, 1015, 380};

std::string lab() {
    return ProgramSession::stageDir() + "/bin/sylvara-lab";
}

void clickAt(ProgramSession& session, const Control& control) {
    session.moveTo(control.x, control.y);
    ProgramSession::pause(0.3);
    session.click(1);
}

long tickIn(const std::string& title) {
    std::smatch found;
    return std::regex_search(title, found, std::regex("tick ([0-9]+)")) ? std::stol(found[1]) : -1;
}

// Polls the window's title until the test holds or the time is up.
template <typename Test> bool waitForTitle(const ProgramSession& session, Test test, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (test(session.windowName()))
            return true;
        ProgramSession::pause(0.1);
    }
    return test(session.windowName());
}

// The mean brightness of a frame's box, decoded by ffmpeg: frame `index`, rows from the top.
double frameBrightness(const std::string& file, int width, int index, const Box& box) {
    std::string raw;
    shellOutput("ffmpeg -v error -i '" + file + "' -vf 'select=eq(n\\," + std::to_string(index) +
                    ")' -frames:v 1 -f rawvideo -pix_fmt gray - 2>/dev/null",
                raw);
    double sum = 0;
    long count = 0;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            if (at < raw.size()) {
                sum += static_cast<unsigned char>(raw[at]);
                ++count;
            }
        }
    return count ? sum / count / 255.0 : -1.0;
}

std::string recordedFile(const std::string& output) {
    std::smatch found;
    return std::regex_search(output, found, std::regex("recorded (.+\\.mp4): ")) ? std::string(found[1]) : "";
}

bool opened(ProgramSession& session) {
    return session.waitForWindow(90) && session.waitForOutput("rules:", 90) &&
           waitForTitle(
               session, [](const std::string& title) { return tickIn(title) > 0; }, 60);
}

} // namespace

TEST(Panels, ClicksOnThePanelsPauseStepChangeARuleSwitchAToolChooseAGenotypeAndRecord) {
    ScratchFolder folder("sylvara-panels");
    ProgramSession session(PANELS);
    session.setWorkingDirectory(folder.folder.string());
    session.setShotPrefix("panels-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();

    clickAt(session, PAUSE);
    ASSERT_TRUE(session.waitForOutput(": pause", 30)) << session.output();
    ASSERT_TRUE(waitForTitle(
        session, [](const std::string& t) { return t.find("paused") != std::string::npos; }, 30))
        << session.windowName();
    ProgramSession::pause(0.5);
    const long pausedAt = tickIn(session.windowName());
    clickAt(session, STEP);
    ASSERT_TRUE(session.waitForOutput(": step", 30)) << session.output();
    EXPECT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) == pausedAt + 1; }, 30))
        << "one tick on from " << pausedAt << ": " << session.windowName();

    // A rule's "+" raises it by a tenth, from the next tick on.
    clickAt(session, FIRST_RULE_UP);
    EXPECT_TRUE(session.waitForOutput(": set animal.moveCost=0.011", 30)) << session.output();
    // Reset sets back each rule changed since the start, and only those.
    clickAt(session, RESET_RULES);
    EXPECT_TRUE(session.waitForOutput(": set animal.moveCost=0.01\n", 30)) << session.output();

    const Screenshot before(session.screenshot("before-killer"));
    clickAt(session, KILLER);
    ASSERT_TRUE(session.waitForOutput(": tool killer", 30)) << session.output();
    ProgramSession::pause(1.0);
    const Screenshot killer(session.screenshot("killer"));
    // The active tool's button turns orange; the camera's, active before, no longer is.
    const Box killerButton{KILLER.x + 20 - 25, KILLER.y + 20 - 6, KILLER.x + 20 + 25, KILLER.y + 20 + 6};
    const Box cameraButton{CAMERA.x + 20 - 25, CAMERA.y + 20 - 6, CAMERA.x + 20 + 25, CAMERA.y + 20 + 6};
    EXPECT_GT(killer.mean(killerButton).x(), killer.mean(killerButton).z() + 0.3f);
    EXPECT_LT(before.mean(killerButton).x(), before.mean(killerButton).z() + 0.1f);
    EXPECT_GT(before.mean(cameraButton).x(), before.mean(cameraButton).z() + 0.3f);
    EXPECT_LT(killer.mean(cameraButton).x(), killer.mean(cameraButton).z() + 0.1f);

    clickAt(session, FIRST_GENOTYPE);
    ASSERT_TRUE(session.waitForOutput(": select ", 30)) << session.output();
    EXPECT_TRUE(session.waitForOutput(": pin", 30)) << session.output();
    ProgramSession::pause(1.0);
    const Screenshot chosen(session.screenshot("genotype"));
    // The Inspector shows the chosen member's traits where it asked for a choice.
    EXPECT_GT(chosen.changedShare(killer, INSPECTOR, 0.2f), 0.02);

    clickAt(session, RECORD);
    ASSERT_TRUE(session.waitForOutput("recording ", 30)) << session.output();
    ProgramSession::pause(3.0);
    clickAt(session, RECORD);
    ASSERT_TRUE(session.waitForOutput("recorded ", 60)) << session.output();
    const std::string video = recordedFile(session.output());
    EXPECT_EQ(video, folder.file("video-0001.mp4")) << session.output();
    const auto read = probeVideo(video);
    EXPECT_EQ(read.count("codec_name") ? read.at("codec_name") : "", "h264");
    EXPECT_EQ(read.count("width") ? read.at("width") : "", "1000");
    EXPECT_EQ(read.count("height") ? read.at("height") : "", "740");
    ASSERT_TRUE(read.count("duration") && read.count("nb_read_frames")) << video;
    EXPECT_GT(std::stod(read.at("duration")), 2.0);

    // Clicks on the panels never reached the world: the killer tool emptied no tile, and the world is
    // still paused.
    EXPECT_EQ(session.output().find("EXCEPTION"), std::string::npos);
    EXPECT_NE(session.windowName().find("paused"), std::string::npos) << session.windowName();
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST(Panels, KeysStillReachTheWorldAndF1HidesAndShowsThePanels) {
    ProgramSession session(PANELS);
    session.setShotPrefix("panels-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    const Screenshot shown(session.screenshot("shown"));
    // The Run panel's dark backdrop, left of the board.
    const Box run{30, 150, 200, 190};
    EXPECT_LT(shown.mean(run).x() + shown.mean(run).y() + shown.mean(run).z(), 0.9f);

    session.moveTo(500, 300);
    session.key("F1");
    ASSERT_TRUE(session.waitForOutput("panels: hidden", 30)) << session.output();
    ProgramSession::pause(1.0);
    const Screenshot hidden(session.screenshot("hidden"));
    EXPECT_GT(hidden.changedShare(shown, run, 0.2f), 0.3);

    // The sandbox's pause key and the lab's speed key, with the pointer over the board.
    session.key("p");
    EXPECT_TRUE(waitForTitle(
        session, [](const std::string& t) { return t.find("paused") != std::string::npos; }, 30))
        << session.windowName();
    session.key("F1");
    ASSERT_TRUE(session.waitForOutput("panels: shown", 30)) << session.output();
    // With the pointer on a panel, keys still go to the world while no text field has the focus.
    session.moveTo(100, 150);
    session.key("p");
    EXPECT_TRUE(waitForTitle(
        session, [](const std::string& t) { return t.find("paused") == std::string::npos; }, 30))
        << session.windowName();
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

TEST(Panels, RecordWritesTheWholeRunAtTheFrameRateAndCleanLeavesThePanelsOut) {
    ScratchFolder folder("sylvara-record");
    const std::string video = folder.file("run.mp4");
    std::vector<std::string> arguments = PANELS;
    arguments.insert(arguments.end(), {"--record", video, "--record-fps", "20", "--record-clean"});
    ProgramSession session(arguments);
    session.setShotPrefix("panels-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    ASSERT_TRUE(session.waitForOutput("recording " + video + " at 20 frames/s", 30)) << session.output();
    ProgramSession::pause(3.0);
    const Screenshot screen(session.screenshot("record-clean"));
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
    const std::string output = session.output();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(output, found,
                                  std::regex("recorded .*run\\.mp4: ([0-9]+) frames, 1000x740 at 20 frames/s "
                                             "\\(([0-9.]+) s\\); ([0-9]+) dropped")))
        << output;
    const auto read = probeVideo(video);
    EXPECT_EQ(read.count("codec_name") ? read.at("codec_name") : "", "h264");
    EXPECT_EQ(read.count("width") ? read.at("width") : "", "1000");
    EXPECT_EQ(read.count("height") ? read.at("height") : "", "740");
    ASSERT_TRUE(read.count("nb_read_frames") && read.count("duration")) << video;
    const long frames = std::stol(read.at("nb_read_frames"));
    EXPECT_EQ(frames, std::stol(found[1]));
    EXPECT_GE(frames, 3 * 20);
    EXPECT_NEAR(std::stod(read.at("duration")), frames / 20.0, 0.06);
    // The screen shows the Run panel; the clean video shows the world behind it.
    const Box run{30, 130, 200, 170};
    const Box onScreen{run.x0 + 20, run.y0 + 20, run.x1 + 20, run.y1 + 20};
    EXPECT_LT(screen.mean(onScreen).x(), 0.3f);
    EXPECT_GT(frameBrightness(video, 1000, static_cast<int>(frames) - 2, run), 0.2);
}

TEST(Panels, AVideoThatCannotBeWrittenIsOneLineAndTheLabGoesOn) {
    ProgramSession session({"--genesis", "all", "--size", "1", "--record", "/no/such/folder/x.mp4"});
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    EXPECT_TRUE(session.waitForOutput("sylvara-lab: cannot record to /no/such/folder/x.mp4: ", 30))
        << session.output();
    const long tick = tickIn(session.windowName());
    EXPECT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > tick + 5; }, 30));
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
    EXPECT_EQ(session.output().find("recorded"), std::string::npos);
}

TEST(Panels, TheConsoleTakesACommandAndRecallsItAndAKillFinishesTheVideo) {
    ScratchFolder folder("sylvara-panels-console");
    std::vector<std::string> arguments = PANELS;
    arguments.insert(arguments.end(), {"--record", folder.file("killed.mp4")});
    ProgramSession session(arguments);
    session.setShotPrefix("panels-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    // Past the first frames, which under load may take seconds each.
    ASSERT_TRUE(waitForTitle(
        session, [](const std::string& t) { return tickIn(t) > 40; }, 60));
    clickAt(session, CONSOLE_LINE);
    // The field takes the keys from the frame after the click on: a slow frame under load is long.
    const long clicked = tickIn(session.windowName());
    ASSERT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > clicked + 16; }, 60));
    ProgramSession::pause(1.0);
    session.xdotool("type --delay 150 'speed 64'");
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput("panel: tick ", 30)) << session.output();
    EXPECT_TRUE(session.waitForOutput(": speed 64", 30)) << session.output();
    // Typed into the field, none of those letters reached the world as a key: "p" would have paused it.
    EXPECT_EQ(session.windowName().find("paused"), std::string::npos) << session.windowName();
    session.key("Up");
    session.key("Return");
    EXPECT_TRUE(waitForTitle(
        session,
        [&](const std::string&) {
            const std::string out = session.output();
            return out.find(": speed 64") != out.rfind(": speed 64");
        },
        30))
        << session.output();
    ProgramSession::pause(2.0);
    // A polite kill ends the lab as Escape does, and the video is whole.
    session.signal(SIGTERM);
    EXPECT_EQ(session.waitForExit(60), 0) << session.output();
    EXPECT_NE(session.output().find("recorded " + folder.file("killed.mp4")), std::string::npos)
        << session.output();
    const auto read = probeVideo(folder.file("killed.mp4"));
    EXPECT_EQ(read.count("codec_name") ? read.at("codec_name") : "", "h264");
    EXPECT_FALSE(std::filesystem::exists(folder.file("killed.mp4.part")));
}

TEST(Panels, ARuleChangedOnThePanelReplaysExactlyFromTheLogInTheHeadlessRunner) {
    ScratchFolder folder("sylvara-panels-replay");
    const std::string log = folder.file("session.cmd");
    std::vector<std::string> arguments = PANELS;
    arguments.insert(arguments.end(), {"--log", log});
    ProgramSession session(arguments);
    session.setWorkingDirectory(folder.folder.string());
    session.setShotPrefix("panels-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    clickAt(session, FIRST_RULE_UP);
    ASSERT_TRUE(session.waitForOutput(": set animal.moveCost=0.011", 30)) << session.output();
    const long changed = tickIn(session.windowName());
    EXPECT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > changed + 30; }, 60));
    clickAt(session, SAVE);
    ASSERT_TRUE(session.waitForOutput(": save", 30)) << session.output();
    // Written on a thread of its own: said when the file is whole.
    ASSERT_TRUE(session.waitForOutput(".sylvara: tick ", 30)) << session.output();
    std::smatch found;
    const std::string said = session.output();
    ASSERT_TRUE(std::regex_search(said, found, std::regex("saved (\\S*world-[0-9]+\\.sylvara)"))) << said;
    const std::string saved = found[1];
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    const std::vector<std::string> logged = lines(log);
    std::string all;
    for (const std::string& line : logged)
        all += line + "\n";
    EXPECT_NE(all.find("set animal.moveCost=0.011"), std::string::npos) << all;
    std::smatch saveLine;
    ASSERT_TRUE(std::regex_search(all, saveLine, std::regex("@([0-9]+) save"))) << all;
    const std::string again = folder.file("again");
    std::filesystem::create_directories(again);
    std::string run;
    const int code = shellOutput("cd '" + again + "' && '" + ProgramSession::stageDir() +
                                     "/bin/sylvara-sim' --genesis all --size 1 --seed 7 --commands '" + log +
                                     "' --csv census.csv 2>&1",
                                 run);
    EXPECT_EQ(code, 0) << run;
    const std::string replayed = again + "/world-" + std::string(saveLine[1]) + ".sylvara";
    ASSERT_TRUE(std::filesystem::exists(replayed)) << run;
    // The same world: every table but the window's markers (hunting beams, pings), which a headless
    // run never draws.
    const auto dump = [](const std::string& file) {
        std::string text;
        shellOutput("sqlite3 '" + file + "' .dump | grep -v '^INSERT INTO markers '", text);
        return text;
    };
    const std::string inLab = dump(saved);
    EXPECT_NE(inLab.find("INSERT INTO"), std::string::npos) << inLab;
    EXPECT_EQ(inLab, dump(replayed));
}

// The rules in force, a change made while running included, go to a file the runner loads back; the
// camera follows only a selected organism.
TEST(Panels, RulesSaveWritesTheRulesInForceAndFollowNeedsASelection) {
    ScratchFolder folder("sylvara-panels-rules-save");
    const std::string saved = folder.file("in-force.toml");
    {
        std::ofstream commands(folder.file("session.cmd"));
        commands << "@5 set animal.moveCost=0.02\n@10 rules save " << saved
                 << "\n@12 follow\n@14 select 1\n@16 follow\n@30 pause\n";
    }
    ProgramSession session({"--panels", "--window", "1000x740", "--genesis", "all", "--size", "1", "--seed",
                            "7", "--commands", folder.file("session.cmd")});
    session.setShotPrefix("panels-rules-save-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(session.waitForOutput("rules saved to ", 90)) << session.output();
    EXPECT_TRUE(session.waitForOutput("follow: nothing is selected", 60)) << session.output();
    EXPECT_TRUE(session.waitForOutput("follow: the camera follows", 60)) << session.output();
    ASSERT_TRUE(waitForTitle(
        session, [](const std::string& t) { return t.find("paused") != std::string::npos; }, 60))
        << session.windowName();
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    // The runner takes the file, and the file holds the value set while running.
    std::string run;
    const int code = shellOutput("cd '" + ProgramSession::stageDir() + "/bin' && ./sylvara-sim --rules '" +
                                     saved + "' --size 1 --ticks 2 2>&1",
                                 run);
    EXPECT_EQ(code, 0) << run;
    std::ifstream file(saved);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(std::regex_search(text, std::regex("moveCost = 0\\.02\\b"))) << text;
}

namespace {

// The board between the panels' columns and above their bottom strip, in screen pixels.
const Box BOARD{270, 120, 770, 570};

// Every table of a saved world but the window's markers, which a headless run never draws.
std::string dumpOf(const std::string& file) {
    std::string text;
    shellOutput("sqlite3 '" + file + "' .dump | grep -v '^INSERT INTO markers '", text);
    return text;
}

// The file and tick of the save the lab said it wrote last.
std::pair<std::string, long> lastSave(const std::string& output) {
    std::pair<std::string, long> found{"", -1};
    const std::regex said("saved (\\S*world-[0-9]+\\.sylvara): tick ([0-9]+)");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), said); it != std::sregex_iterator();
         ++it)
        found = {(*it)[1], std::stol((*it)[2])};
    return found;
}

} // namespace

// Save, let the world change, Load: the world is back at the saved tick, as it was drawn and as it was saved,
// and the session's log replays in the headless runner from the loaded world on.
TEST(Panels, LoadPutsTheSavedWorldBackAndTheLogReplaysFromIt) {
    ScratchFolder folder("sylvara-panels-load");
    const std::string log = folder.file("session.cmd");
    std::vector<std::string> arguments = PANELS;
    arguments.insert(arguments.end(), {"--log", log});
    ProgramSession session(arguments);
    session.setWorkingDirectory(folder.folder.string());
    session.setShotPrefix("panels-load-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    const auto paused = [](const std::string& t) { return t.find("paused") != std::string::npos; };

    clickAt(session, PAUSE);
    ASSERT_TRUE(waitForTitle(session, paused, 30)) << session.windowName();
    clickAt(session, SAVE);
    ASSERT_TRUE(session.waitForOutput(".sylvara: tick ", 30)) << session.output();
    const auto [saved, savedAt] = lastSave(session.output());
    ASSERT_GT(savedAt, 0) << session.output();
    ASSERT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) == savedAt; }, 30));
    const Screenshot before(session.screenshot("saved"));

    // Changed: ticks run and a rule raised.
    clickAt(session, PAUSE);
    ASSERT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > savedAt + 40; }, 60));
    clickAt(session, FIRST_RULE_UP);
    ASSERT_TRUE(session.waitForOutput(": set animal.moveCost=0.011", 30)) << session.output();
    clickAt(session, PAUSE);
    ASSERT_TRUE(waitForTitle(session, paused, 30)) << session.windowName();
    const Screenshot changed(session.screenshot("changed"));

    // Load offers the world saved last; Return in its field loads it.
    clickAt(session, LOAD);
    const Box popup{240, 110, 500, 150};
    ASSERT_TRUE(board::watch(session, "popup", 30, [&](const Screenshot& shot) {
                    return shot.changedShare(changed, popup, 0.2f) > 0.3;
                }).held);
    // The field takes the keys from the frame after it appears.
    ProgramSession::pause(1.5);
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput(
        "loaded " + folder.file(saved) + ": tick " + std::to_string(savedAt) + ", ", 30))
        << session.output();
    EXPECT_TRUE(waitForTitle(
        session,
        [&](const std::string& t) { return tickIn(t) == savedAt && t.find("paused") != std::string::npos; },
        30))
        << session.windowName();
    // The counts said are the living in the file.
    std::smatch counts;
    const std::string output = session.output();
    ASSERT_TRUE(
        std::regex_search(output, counts,
                          std::regex("loaded .*: tick [0-9]+, ([0-9]+) herbivores, ([0-9]+) carnivores, "
                                     "([0-9]+) plants, paused")))
        << output;
    std::string living;
    shellOutput("sqlite3 '" + folder.file(saved) + "' \"select count(*) from plants where state != 'dead'\"",
                living);
    EXPECT_EQ(std::stol(living), std::stol(counts[3])) << "the plants of the file";

    // Drawn as it was at the save, not as it had become.
    const auto back = board::watch(session, "loaded", 30, [&](const Screenshot& shot) {
        return shot.difference(before, BOARD) < 0.3 * changed.difference(before, BOARD);
    });
    EXPECT_TRUE(back.held) << "against the saved: " << back.shot.difference(before, BOARD)
                           << ", the changed against the saved: " << changed.difference(before, BOARD);
    EXPECT_GT(changed.difference(before, BOARD), 0.005) << "the world did change before the load";

    // Saved again at once, it is the world that was saved: rules, organisms, lineage and tick.
    session.moveTo(500, 300);
    session.key("x");
    ASSERT_TRUE(session.waitForOutput("/world-0001.sylvara: tick " + std::to_string(savedAt) + ",", 30))
        << session.output();
    EXPECT_EQ(dumpOf(folder.file("world-0001.sylvara")), dumpOf(folder.file(saved)));
    clickAt(session, PAUSE);
    ASSERT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > savedAt + 30; }, 60));
    session.moveTo(500, 300);
    session.key("x");
    ASSERT_TRUE(session.waitForOutput("/world-0002.sylvara: tick ", 30)) << session.output();
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();

    const std::string again = folder.file("again");
    std::filesystem::create_directories(again);
    std::string run;
    const int code = shellOutput("cd '" + again + "' && '" + ProgramSession::stageDir() +
                                     "/bin/sylvara-sim' --genesis all --size 1 --seed 7 --commands '" + log +
                                     "' --csv census.csv 2>&1",
                                 run);
    EXPECT_EQ(code, 0) << run;
    EXPECT_NE(run.find("up to its load of " + folder.file(saved)), std::string::npos) << run;
    ASSERT_TRUE(std::filesystem::exists(again + "/world-0002.sylvara")) << run;
    const std::string inLab = dumpOf(folder.file("world-0002.sylvara"));
    EXPECT_NE(inLab.find("INSERT INTO"), std::string::npos);
    EXPECT_EQ(inLab, dumpOf(again + "/world-0002.sylvara")) << "the replay goes on from the loaded world";

    // The log's load names the file's content, as the system's own sha256sum reads it.
    std::string sum;
    ASSERT_EQ(shellOutput("sha256sum '" + folder.file(saved) + "'", sum), 0);
    const std::string text = wholeFile(log);
    EXPECT_NE(text.find(" load " + folder.file(saved) + "  # sha256 " + sum.substr(0, 64) + "\n"),
              std::string::npos)
        << text;
    // Changed since, the file is refused by either replay in one line naming it, and nothing runs.
    { std::ofstream(folder.file(saved), std::ios::app) << "changed"; }
    for (const char* replay :
         {"sylvara-sim' --genesis all --size 1 --seed 7 --csv refused.csv", "sylvara-lab' --seed 7"}) {
        const int refused = shellOutput("cd '" + again + "' && '" + ProgramSession::stageDir() + "/bin/" +
                                            replay + " --commands '" + log + "' 2>&1",
                                        run);
        EXPECT_EQ(refused, 2) << replay << ": " << run;
        EXPECT_NE(run.find(": load: " + folder.file(saved) + " has changed since the line was written"),
                  std::string::npos)
            << replay << ": " << run;
        EXPECT_EQ(std::count(run.begin(), run.end(), '\n'), 1) << replay << ": " << run;
    }
    EXPECT_FALSE(std::filesystem::exists(again + "/refused.csv"));
}

// A file that cannot be read is one line, and the world goes on as it was.
TEST(Panels, AWorldThatCannotBeLoadedIsOneLineAndTheWorldGoesOn) {
    ScratchFolder folder("sylvara-panels-load-bad");
    { std::ofstream(folder.file("broken.sylvara")) << "not a saved world"; }
    ProgramSession session(PANELS);
    session.setWorkingDirectory(folder.folder.string());
    session.setShotPrefix("panels-load-bad-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(opened(session)) << session.output();
    clickAt(session, CONSOLE_LINE);
    const long clicked = tickIn(session.windowName());
    ASSERT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > clicked + 16; }, 60));
    ProgramSession::pause(1.0);
    session.xdotool("type --delay 100 'load broken.sylvara'");
    session.key("Return");
    ASSERT_TRUE(session.waitForOutput("panel: load: ", 30)) << session.output();
    const std::string output = session.output();
    const std::string said = output.substr(output.find("panel: load: "));
    EXPECT_NE(said.find("broken.sylvara"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
    EXPECT_EQ(output.find("loaded "), std::string::npos);
    const long at = tickIn(session.windowName());
    EXPECT_TRUE(waitForTitle(
        session, [&](const std::string& t) { return tickIn(t) > at + 10; }, 30))
        << "the world goes on";
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}

// After more than the last 4,000 ticks, the whole run's chart still starts at tick 0, and the switch on the
// Charts panel changes what it draws.
TEST(Panels, TheWholeRunsChartHoldsTheStartAfterMoreThanItsLastTicks) {
    ScratchFolder folder("sylvara-panels-whole");
    { std::ofstream(folder.file("chart.cmd")) << "@5000 chart whole\n@5000 pause\n"; }
    std::vector<std::string> arguments = PANELS;
    arguments.insert(arguments.end(), {"--ahead", "5000", "--commands", folder.file("chart.cmd")});
    ProgramSession session(arguments);
    session.setShotPrefix("panels-whole-");
    ASSERT_TRUE(session.start(lab())) << session.output();
    ASSERT_TRUE(session.waitForOutput("chart: the whole run, ticks 0 to 5000, one in ", 120))
        << session.output();
    ASSERT_TRUE(session.waitForWindow(60));
    // The Charts panel's plot, in screen pixels.
    const Box plot{540, 645, 770, 745};
    const auto whole = board::watch(
        session, "whole", 30, [&](const Screenshot& shot) { return shot.tintShare(plot, 2, 0.2f) > 0.001; });
    ASSERT_TRUE(whole.held);
    // The panel's switch back to the last ticks.
    clickAt(session, Control{677, 602});
    ASSERT_TRUE(session.waitForOutput("chart: the last 4000 ticks, ticks 1001 to 5000", 30))
        << session.output();
    EXPECT_TRUE(board::watch(session, "recent", 30, [&](const Screenshot& shot) {
                    return shot.changedShare(whole.shot, plot, 0.1f) > 0.01;
                }).held);
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
}
