// The command language: every command reads back from the line it writes, and every bad line of a
// file is refused in one line naming the file and the line, before anything runs.
#include "ScratchFolder.h"

#include "common/CommandFile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

namespace {

using Name = Command::Name;

bool readText(const std::string& text, std::vector<Command>& commands, std::string& error) {
    return CommandFile::readText(text, "run.cmd", commands, error);
}

// The reason a file holding the text is refused; empty when it is not.
std::string refusal(const std::string& text) {
    std::vector<Command> commands;
    std::string error;
    return readText(text, commands, error) ? std::string() : error;
}

const CommandFile::Board FIVE{5, 150.0};

std::string checked(const std::string& text, const CommandFile::Refuse& refuse = nullptr) {
    std::vector<Command> commands;
    std::string error;
    if (!readText(text, commands, error))
        return "read: " + error;
    return CommandFile::check(commands, "run.cmd", FIVE, refuse, error) ? std::string() : error;
}

} // namespace

TEST(CommandFile, ReadsEveryCommandAndWritesLinesThatReadBackExactly) {
    const std::string lines[] = {"pause",
                                 "resume",
                                 "step 40",
                                 "speed 64",
                                 "speed max",
                                 "speed normal",
                                 "set animal.moveCost=0.025",
                                 "keep plants=20",
                                 "tool killer",
                                 "tool fertilizer",
                                 "apply 4,0",
                                 "spawn herbivore",
                                 "spawn plant 0.1,749.9999999999999",
                                 "spawn carnivore 123.456789012345,7",
                                 "predator",
                                 "prey",
                                 "select 1234",
                                 "select none",
                                 "pin",
                                 "save",
                                 "save my world.sylvara",
                                 "screenshot shot.png",
                                 "chart carnivores",
                                 "sound off",
                                 "rules save my rules.toml",
                                 "follow",
                                 "follow off",
                                 "quit"};
    long tick = 0;
    for (const std::string& line : lines) {
        Command command;
        bool empty = true;
        std::string error;
        tick += 7;
        ASSERT_TRUE(CommandFile::readLine("@" + std::to_string(tick) + "   " + line + "  # why", 0, command,
                                          empty, error))
            << line << ": " << error;
        EXPECT_FALSE(empty);
        EXPECT_EQ(command.tick, tick);
        EXPECT_EQ(command.action(), line) << "the canonical form is the form typed";
        Command again;
        ASSERT_TRUE(CommandFile::readLine(command.text(), 0, again, empty, error)) << error;
        EXPECT_EQ(again.text(), command.text());
        EXPECT_EQ(again.x, command.x) << "a logged position replays to the same double";
        EXPECT_EQ(again.y, command.y);
    }
    Command step;
    bool empty = true;
    std::string error;
    ASSERT_TRUE(CommandFile::readLine("step", 0, step, empty, error));
    EXPECT_EQ(step.number, 1) << "a step without a count is one tick";
}

TEST(CommandFile, LinesWithoutATickTakeTheOneBeforeAndCommentsAndBlanksGiveNothing) {
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(
        readText("# a comment\n\nset mutation.chance=0\r\n@300 tool killer\n  apply 2,3 # the middle\n"
                 "@300 save\n@600 quit\n",
                 commands, error))
        << error;
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[0].tick, Command::NO_TICK) << "before any @T: at the start of the run";
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[2].tick, 300);
    EXPECT_EQ(commands[2].name, Name::Apply);
    EXPECT_EQ(commands[2].column, 2);
    EXPECT_EQ(commands[2].row, 3);
    EXPECT_EQ(commands[2].line, 5);
    EXPECT_EQ(commands[4].tick, 600);
}

TEST(CommandFile, RefusesEachBadLineInOneLineNamingFileAndLine) {
    const std::pair<std::string, std::string> bad[] = {
        {"@5 jump", "run.cmd:2: unknown command \"jump\""},
        {"@5 set animal.moveCots=0.1", "run.cmd:2: set: no rule is called \"animal.moveCots\" (did you mean "
                                       "animal.moveCost?)"},
        {"@5 set mutation.chance=101", "run.cmd:2: set mutation.chance: "},
        {"@5 set mutation.chance=2.5", "run.cmd:2: set mutation.chance: "},
        {"@5 set mutation.chance = 5", "run.cmd:2: set takes NAME=VALUE"},
        {"@5 keep plants=-1", "run.cmd:2: keep: \"-1\""},
        {"@5 keep trees=3", "run.cmd:2: keep takes KIND=N"},
        {"@5 tool hammer", "run.cmd:2: tool takes one of camera, select, killer, genesis or fertilizer"},
        {"@5 apply 2", "run.cmd:2: apply takes a tile as C,R"},
        {"@5 apply -1,2", "run.cmd:2: apply takes a tile as C,R"},
        {"@5 spawn dragon", "run.cmd:2: spawn takes one of herbivore, carnivore or plant"},
        {"@5 spawn plant 3,nan", "run.cmd:2: spawn: \"3,nan\" is not a world point X,Y"},
        {"@5 spawn plant 1e999,3", "run.cmd:2: spawn: \"1e999,3\" is not a world point X,Y"},
        {"@5 select me", "run.cmd:2: select: \"me\""},
        {"@5 speed fast", "run.cmd:2: speed: \"fast\""},
        {"@5 step 0", "run.cmd:2: step: \"0\""},
        {"@5 quit now", "run.cmd:2: quit takes nothing after it"},
        {"@5 sound loud", "run.cmd:2: sound takes on or off"},
        {"@5 rules", "run.cmd:2: rules takes a file name"},
        {"@5 rules save", "run.cmd:2: rules save takes the file to write the rules in force to"},
        {"@5 rules save   ", "run.cmd:2: rules save takes the file"},
        {"@5 follow 12", "run.cmd:2: follow takes nothing (the selected organism) or off"},
        {"@5 follow off now", "run.cmd:2: follow takes nothing"},
        {"@5 rules /nonexistent/r.toml",
         "run.cmd:2: rules: /nonexistent/r.toml: cannot read the rules file: No such"},
        {"@-5 quit", "run.cmd:2: \"@-5\" is not a tick"},
        {"@5x quit", "run.cmd:2: \"@5x\" is not a tick"},
        {"@99999999999999999999999 quit", "run.cmd:2: \"@99999999999999999999999\" is not a tick"},
        {"@5", "run.cmd:2: @5 has no command after it"},
        {"@4 quit", "run.cmd:2: tick 4 comes after tick 10: the ticks of a file must not go back"},
        {std::string("@5 spawn plant 1,2") + '\0', "run.cmd:2: the line holds a control character"},
        {"@5 save a\x1b[2Jb", "run.cmd:2: the line holds a control character"},
    };
    for (const auto& [line, reason] : bad) {
        const std::string error = refusal("@10 pause\n" + line + "\n@20 quit\n");
        EXPECT_EQ(error.substr(0, reason.size()), reason) << line;
        EXPECT_EQ(error.find('\n'), std::string::npos) << line;
    }
    EXPECT_EQ(refusal("@10 pause\nquit\n@10 quit\n"), "") << "the same tick again is no going back";
}

TEST(CommandFile, ReadsTheRulesFilesItNamesAndRefusesABadOneOrAnUnreadableFile) {
    ScratchFolder scratch("sylvara-command-file");
    const std::string good = scratch.file("good.toml");
    const std::string bad = scratch.file("bad.toml");
    std::ofstream(good) << "[animal]\nmoveCost = 0.03\n";
    std::ofstream(bad) << "[animal]\n\nmoveCost = -4\n";
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(readText("@3 rules " + good + "\n", commands, error)) << error;
    EXPECT_EQ(commands[0].contents, "[animal]\nmoveCost = 0.03\n")
        << "kept, so a file changed later changes nothing";
    EXPECT_EQ(refusal("@3 rules " + bad + "\n").substr(0, 11 + bad.size()), "run.cmd:1: " + bad)
        << "names the command file's line, then the rules file's own line";
    EXPECT_NE(refusal("@3 rules " + bad + "\n").find(":3: rule animal.moveCost"), std::string::npos);

    EXPECT_FALSE(CommandFile::read(scratch.file("missing.cmd"), commands, error));
    EXPECT_EQ(error,
              scratch.file("missing.cmd") + ": cannot read the command file: No such file or directory");
    EXPECT_FALSE(CommandFile::read(scratch.folder.string(), commands, error));
    EXPECT_EQ(error, scratch.folder.string() + ": cannot read the command file: it is a folder");
    EXPECT_EQ(refusal("@3 rules " + scratch.folder.string() + "\n"),
              "run.cmd:1: rules: " + scratch.folder.string() +
                  ": cannot read the rules file: it is a folder");
}

TEST(CommandFile, ChecksTilesAndPointsAgainstTheBoardAndWhatTheToolRefuses) {
    EXPECT_EQ(checked("@1 apply 4,4\n@2 spawn plant 0,749.9\n"), "");
    EXPECT_EQ(checked("@1 apply 4,4\n@2 apply 5,0\n"),
              "run.cmd:2: tile 5,0 is off the board of 5 x 5 tiles (columns and rows from 0)");
    EXPECT_EQ(checked("@2 apply 0,5\n"),
              "run.cmd:1: tile 0,5 is off the board of 5 x 5 tiles (columns and rows from 0)");
    EXPECT_EQ(checked("\n@2 spawn herbivore 750,3\n"),
              "run.cmd:2: the point 750,3 is off the board (0 to 750 on each side)");
    EXPECT_EQ(checked("@2 spawn herbivore 3,-0.5\n"),
              "run.cmd:1: the point 3,-0.5 is off the board (0 to 750 on each side)");
    const auto noCharts = [](const Command& c) {
        return c.name == Name::Chart ? std::string("no chart here") : std::string();
    };
    EXPECT_EQ(checked("@1 sound on\n@2 chart off\n", noCharts), "run.cmd:2: no chart here");
}

TEST(CommandFile, PredatorAndPreyTakeTheWorldPointTheKeysMadeThemAtAndReadBackExactly) {
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(readText("@3 predator 93.88971984386444,0.1\n@3 prey\n@4 prey 1e-300,749.99999999999989\n",
                         commands, error))
        << error;
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_TRUE(commands[0].placed);
    EXPECT_EQ(commands[0].x, 93.88971984386444);
    EXPECT_EQ(commands[0].y, 0.1);
    EXPECT_FALSE(commands[1].placed);
    EXPECT_EQ(commands[1].text(), "@3 prey");
    for (const Command& command : commands) {
        std::vector<Command> again;
        ASSERT_TRUE(readText(command.text(), again, error)) << error;
        EXPECT_EQ(again[0].x, command.x) << command.text();
        EXPECT_EQ(again[0].y, command.y) << command.text();
        EXPECT_EQ(again[0].placed, command.placed);
        EXPECT_EQ(again[0].name, command.name);
    }
    EXPECT_EQ(refusal("@1 predator 1,2,3\n"), "run.cmd:1: predator: \"1,2,3\" is not a world point X,Y");
    EXPECT_EQ(refusal("prey here\n"), "run.cmd:1: prey: \"here\" is not a world point X,Y");
    EXPECT_EQ(refusal("prey 1,2 3,4\n"),
              "run.cmd:1: prey takes nothing, or the world point X,Y it is made at");
    EXPECT_EQ(checked("@2 predator 750,1\n"),
              "run.cmd:1: the point 750,1 is off the board (0 to 750 on each side)");
    EXPECT_EQ(checked("@2 prey 0,749.5\n"), "");
    // Whole numbers are written as such, not as 1e+01.
    ASSERT_TRUE(readText("@1 spawn plant 10,300\n@1 prey 120,7e-05\n", commands, error)) << error;
    EXPECT_EQ(commands[0].text(), "@1 spawn plant 10,300");
    EXPECT_EQ(commands[1].text(), "@1 prey 120,7e-05");
}

TEST(CommandFile, RulesSaveWritesAndNeverLoadsAndOnlyAWindowFollows) {
    Command command;
    bool empty = true;
    std::string error;
    // Read as a file to write: the file need not exist, and nothing is read from it.
    ASSERT_TRUE(CommandFile::readLine("@3 rules save /nonexistent/out.toml", 0, command, empty, error))
        << error;
    EXPECT_EQ(command.name, Name::RulesSave);
    EXPECT_EQ(command.file, "/nonexistent/out.toml");
    EXPECT_TRUE(command.contents.empty());
    EXPECT_TRUE(command.windowOnly())
        << "a headless run has no window to save from, and a log keeps it as a note";
    // A file whose name begins with save is still loaded when named as a path.
    ASSERT_FALSE(CommandFile::readLine("rules ./save", 0, command, empty, error));
    EXPECT_NE(error.find("cannot read the rules file"), std::string::npos) << error;

    ASSERT_TRUE(CommandFile::readLine("follow", 0, command, empty, error)) << error;
    EXPECT_EQ(command.name, Name::Follow);
    EXPECT_TRUE(command.on);
    EXPECT_TRUE(command.windowOnly());
    ASSERT_TRUE(CommandFile::readLine("follow off", 0, command, empty, error)) << error;
    EXPECT_FALSE(command.on);
    EXPECT_EQ(std::string(Command::word(Name::RulesSave)), "rules save");
}

TEST(CommandFile, ALoadNamesItsWorldWholeAndOnlyTheLineAfterItMayGoBackInTicks) {
    Command command;
    bool empty = true;
    std::string error;
    ASSERT_TRUE(
        CommandFile::readLine("@7 load saves/world-0001.sylvara", 0, command, empty, error, "/home/lab"))
        << error;
    EXPECT_EQ(command.name, Name::Load);
    EXPECT_EQ(command.file, "/home/lab/saves/world-0001.sylvara") << "a log replays from any folder";
    EXPECT_EQ(command.text(), "@7 load /home/lab/saves/world-0001.sylvara");
    EXPECT_FALSE(command.windowOnly()) << "the headless runner replays a log that loaded";
    ASSERT_TRUE(CommandFile::readLine("load /abs/a world.sylvara", 0, command, empty, error, "/home/lab"));
    EXPECT_EQ(command.file, "/abs/a world.sylvara");
    EXPECT_FALSE(CommandFile::readLine("load", 0, command, empty, error));
    EXPECT_EQ(error, "load takes a file name");

    std::vector<Command> commands;
    ASSERT_TRUE(
        CommandFile::readText("@500 set mutation.chance=3\n@500 load w.sylvara\n@40 pause\n@41 step\n", "log",
                              commands, error, "/f"))
        << error;
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[2].tick, 40);
    // Once back at the loaded world's tick, the ticks go forward again.
    EXPECT_FALSE(CommandFile::readText("@500 load w.sylvara\n@40 pause\n@30 step\n", "log", commands, error));
    EXPECT_EQ(error, "log:3: tick 30 comes after tick 40: the ticks of a file must not go back");
    EXPECT_FALSE(CommandFile::readText("@500 pause\n@40 load w.sylvara\n", "log", commands, error))
        << "the load itself comes at its own tick";
}

// A log's load names the SHA-256 its world had in a comment, which older readers skip; only a load's
// comment that starts with sha256 is read, and then it must be one.
TEST(CommandFile, ALoadsCommentNamesTheDigestItsWorldMustHave) {
    const std::string digest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    Command command;
    bool empty = true;
    std::string error;
    const std::string line = "@7 load /w/a world.sylvara" + CommandFile::digestComment(digest);
    EXPECT_EQ(line, "@7 load /w/a world.sylvara  # sha256 " + digest);
    ASSERT_TRUE(CommandFile::readLine(line, 0, command, empty, error)) << error;
    EXPECT_EQ(command.file, "/w/a world.sylvara");
    EXPECT_EQ(command.digest, digest);
    EXPECT_EQ(command.text(), "@7 load /w/a world.sylvara") << "the digest is no part of the command's words";
    std::string upper = digest;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(CommandFile::readLine("load w #sha256 " + upper + "\r", 0, command, empty, error)) << error;
    EXPECT_EQ(command.digest, digest);
    // Without one, or with another comment, the file is taken as it is.
    for (const char* plain : {"load w", "load w # saved at dawn", "load w #"}) {
        ASSERT_TRUE(CommandFile::readLine(plain, 0, command, empty, error)) << plain << ": " << error;
        EXPECT_EQ(command.digest, "") << plain;
    }
    // Another command's comment is only a comment.
    ASSERT_TRUE(CommandFile::readLine("@3 save w  # sha256 nonsense", 0, command, empty, error)) << error;
    EXPECT_EQ(command.digest, "");
    for (const std::string& bad : {std::string("load w # sha256"), "load w # sha256 " + digest.substr(1),
                                   "load w # sha256 " + digest + "0", "load w # sha256 " + digest + " more",
                                   "load w # sha256 " + digest.substr(1) + "g"}) {
        EXPECT_FALSE(CommandFile::readLine(bad, 0, command, empty, error)) << bad;
        EXPECT_EQ(error, "load: the comment's sha256 is not 64 hex digits") << bad;
    }
}

TEST(CommandFile, ChecksTheCommandsAfterALoadAgainstTheLoadedBoard) {
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(CommandFile::readText("@1 apply 0,0\n@2 load big\n@0 apply 4,4\n", "f", commands, error));
    CommandFile::Board board{1, CommandFile::TILE_SIZE, [](const std::string&) { return 5; }};
    EXPECT_TRUE(CommandFile::check(commands, "f", board, nullptr, error)) << error;
    board.sideOf = [](const std::string&) { return 4; };
    EXPECT_FALSE(CommandFile::check(commands, "f", board, nullptr, error));
    EXPECT_EQ(error, "f:3: tile 4,4 is off the board of 4 x 4 tiles (columns and rows from 0)");
    // Without a way to read the loaded board, the first one stands.
    board.sideOf = nullptr;
    EXPECT_FALSE(CommandFile::check(commands, "f", board, nullptr, error));
    EXPECT_NE(error.find("board of 1 x 1"), std::string::npos) << error;
}
