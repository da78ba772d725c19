// Commands on schedule in the headless runner: they act at their ticks, a run with them repeats and
// resumes exactly, and what the runner cannot carry out is refused before the first tick.
#include "ScratchFolder.h"
#include "WorldFixture.h"

#include "common/CommandFile.h"
#include "common/RuleTable.h"
#include "save/SavedWorld.h"
#include "sim/CommandSchedule.h"
#include "sim/Sha256.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

struct RunResult {
    std::vector<std::string> csv;
    std::string printed;
    std::string error;
    bool started = false;
};

SimulationOptions options(const ScratchFolder& scratch, const std::string& commands, int ticks) {
    SimulationOptions o;
    o.size = 3;
    o.ticks = ticks;
    o.seeded = true;
    o.seed = 11;
    o.plotFile.clear();
    o.traitsFile.clear();
    o.interval = 50;
    if (!commands.empty()) {
        o.commandsFile = scratch.file("run.cmd");
        std::ofstream(o.commandsFile) << commands;
        std::string error;
        EXPECT_TRUE(CommandFile::read(o.commandsFile, o.commands, error)) << error;
    }
    return o;
}

RunResult run(SimulationOptions o, const std::string& csv, const ScratchFolder& scratch,
              const std::function<void(SimulationRunner&)>& after = nullptr) {
    RunResult result;
    o.csvFile = scratch.file(csv);
    std::ostringstream out;
    SimulationRunner runner(o, out);
    runner.setEchoCommands(true);
    result.started = runner.start(result.error);
    if (result.started) {
        runner.runAll();
        EXPECT_TRUE(runner.finish());
        runner.printSummary(out);
        if (after)
            after(runner);
    }
    result.printed = out.str();
    result.csv = lines(o.csvFile);
    return result;
}

std::string bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Rules savedRules(const std::string& file) {
    SavedWorld saved;
    std::string error;
    EXPECT_TRUE(SavedWorld::read(file, saved, error)) << error;
    return saved.getRecord().rules;
}

// The rows from the tick on, header first.
std::vector<std::string> from(const std::vector<std::string>& csv, const std::string& tick) {
    std::vector<std::string> rows{csv.front()};
    bool on = false;
    for (const std::string& row : csv) {
        on = on || row.rfind(tick + ",", 0) == 0;
        if (on)
            rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(CommandSchedule, ActsAtItsTicksSavesWhatTheTicksOptionSavesAndQuitsWithThatTicksRow) {
    ScratchFolder scratch("sylvara-schedule-acts");
    const std::string atSave = scratch.file("at.sylvara");
    const std::string plainSave = scratch.file("plain.sylvara");
    SimulationOptions plain = options(scratch, "", 120);
    plain.saveFile = plainSave;
    run(plain, "plain.csv", scratch);

    const RunResult scheduled =
        run(options(scratch,
                    // The kill is asked for before the save but carried out by tick 121, after it.
                    "@120 tool killer\n@120 apply 1,1\n@120 save " + atSave +
                        "\n@120 set animal.moveCost=0.03\n@121 keep plants=500\n@121 quit\n",
                    400),
            "scheduled.csv", scratch, [](SimulationRunner& runner) {
                EXPECT_EQ(runner.getTick(), 121);
                EXPECT_EQ(runner.getWorld()->getRules().animalMoveCost, 0.03f);
                EXPECT_EQ(runner.getWorld()->getKeep()[2], 500);
                int living = 0;
                for (Life* life : runner.getWorld()->getTiles()->tileAt(1, 1)->getAnimals())
                    living += life->getState() != STATE_DEAD;
                EXPECT_EQ(living, 0) << "tick 121 carried out the killer on the tile";
            });
    ASSERT_TRUE(scheduled.started) << scheduled.error;
    EXPECT_EQ(bytes(atSave), bytes(plainSave)) << "@120 save is the world of --ticks 120 --save, before the "
                                                  "requests of its own tick and the changes after it";
    EXPECT_EQ(savedRules(atSave).animalMoveCost, Rules::defaults().animalMoveCost);
    ASSERT_GE(scheduled.csv.size(), 5u);
    EXPECT_EQ(scheduled.csv.back().rfind("121,", 0), 0u) << "ends with the row of the tick it quit at";
    EXPECT_EQ(scheduled.csv[scheduled.csv.size() - 2].rfind("100,", 0), 0u);
    EXPECT_NE(scheduled.printed.find("tick 120: apply 1,1\n"), std::string::npos) << scheduled.printed;
    EXPECT_NE(scheduled.printed.find("tick 121: quit\n"), std::string::npos);
    EXPECT_NE(scheduled.printed.find("commands 6 carried out from " + scratch.file("run.cmd") +
                                     ", the last a quit at tick 121"),
              std::string::npos);
    EXPECT_EQ(scheduled.csv.front(), lines(scratch.file("plain.csv")).front()) << "no new column";
}

TEST(CommandSchedule, ASetMidRunIsInTheWorldSavedAfterIt) {
    ScratchFolder scratch("sylvara-schedule-set");
    const std::string saved = scratch.file("after.sylvara");
    const RunResult done = run(
        options(scratch, "@40 set mutation.chance=3\n@40 keep herbivores=7\n@41 save " + saved + "\n", 60),
        "set.csv", scratch);
    ASSERT_TRUE(done.started) << done.error;
    const Rules rules = savedRules(saved);
    EXPECT_EQ(rules.mutationChance, 3);
    EXPECT_EQ(RuleTable::describeChanges(rules), "mutation.chance=3");
    SavedWorld world;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(saved, world, error));
    EXPECT_EQ(world.getRecord().keep[0], 7);
}

TEST(CommandSchedule, ARunWithCommandsRepeatsExactlyAndResumesExactlyFromASaveBetweenThem) {
    ScratchFolder scratch("sylvara-schedule-resume");
    const std::string middle = scratch.file("middle.sylvara");
    const std::string endWhole = scratch.file("end-whole.sylvara");
    const std::string endResumed = scratch.file("end-resumed.sylvara");
    // The requests of the tick the save is taken at are still to come in the resumed run, and the
    // killer chosen before the save is still the tool applied after it.
    const std::string commands =
        "@50 tool killer\n@50 apply 0,0\n@50 set animal.moveCost=0.02\n"
        "@150 save " +
        middle +
        "\n@150 spawn herbivore 200.25,300.5\n@150 spawn plant\n"
        "@200 apply 1,1\n@200 keep carnivores=40\n@220 tool genesis\n@220 apply 2,2\n"
        "@220 rules " +
        std::string(SYLVARA_STAGE_DIR) + "/rules/lasting.toml\n";
    SimulationOptions whole = options(scratch, commands, 300);
    whole.saveFile = endWhole;
    const RunResult first = run(whole, "first.csv", scratch);
    ASSERT_TRUE(first.started) << first.error;
    whole.saveFile = scratch.file("end-again.sylvara");
    EXPECT_EQ(run(whole, "again.csv", scratch).csv, first.csv) << "a fixed seed repeats the run";
    EXPECT_EQ(bytes(scratch.file("end-again.sylvara")), bytes(endWhole));
    EXPECT_NE(run(options(scratch, "", 300), "bare.csv", scratch).csv, first.csv) << "the commands did act";

    SimulationOptions resumed = options(scratch, commands, 150);
    resumed.loadFile = middle;
    resumed.saveFile = endResumed;
    const RunResult second = run(resumed, "second.csv", scratch);
    ASSERT_TRUE(second.started) << second.error;
    EXPECT_NE(second.printed.find("4 commands of " + scratch.file("run.cmd") +
                                  " before the loaded tick 150 "
                                  "taken as done"),
              std::string::npos)
        << second.printed;
    EXPECT_EQ(from(second.csv, "150"), from(first.csv, "150"));
    EXPECT_EQ(bytes(endResumed), bytes(endWhole)) << "the resumed run ends on the same world";
}

// A lab session's log that loaded a saved world: the runner replays it from that world as it was saved,
// whatever the options and the commands before the load did, and a save at the loaded tick is made.
TEST(CommandSchedule, ALogThatLoadedAWorldRunsFromTheLoadedWorldAsSaved) {
    ScratchFolder scratch("sylvara-schedule-load");
    const std::string saved = scratch.file("at60.sylvara");
    SimulationOptions first = options(scratch, "", 60);
    first.saveFile = saved;
    ASSERT_TRUE(run(first, "first.csv", scratch).started);

    const std::string after = "@60 apply 1,1\n@60 save " + scratch.file("at-load.sylvara") + "\n@80 save ";
    SimulationOptions reference =
        options(scratch, "@60 tool killer\n" + after + scratch.file("ref.sylvara") + "\n@90 quit\n", 100);
    reference.loadFile = saved;
    reference.seeded = false;
    const RunResult plain = run(reference, "ref.csv", scratch);
    ASSERT_TRUE(plain.started) << plain.error;

    // Another seed, rules set and a tool chosen before the load: only the tool is still the one applied.
    SimulationOptions logged =
        options(scratch,
                "@10 set mutation.chance=3\n@20 tool killer\n@30 apply 0,0\n@35 load " + saved + "\n" +
                    after + scratch.file("log.sylvara") + "\n@90 quit\n",
                100);
    logged.seed = 99;
    logged.ruleSettings = {"animal.moveCost=0.03"};
    logged.rules.animalMoveCost = 0.03f;
    const RunResult replayed = run(logged, "log.csv", scratch, [](SimulationRunner& runner) {
        EXPECT_EQ(runner.getTick(), 90);
        EXPECT_EQ(runner.getWorld()->getSelectedId(), -1);
    });
    ASSERT_TRUE(replayed.started) << replayed.error;
    EXPECT_NE(replayed.printed.find("4 commands of " + scratch.file("run.cmd") + " up to its load of " +
                                    saved + " taken as done"),
              std::string::npos)
        << replayed.printed;
    EXPECT_TRUE(std::filesystem::exists(scratch.file("at-load.sylvara")))
        << "the save at the loaded tick is made";
    EXPECT_EQ(bytes(scratch.file("log.sylvara")), bytes(scratch.file("ref.sylvara")));
    EXPECT_EQ(savedRules(scratch.file("log.sylvara")).mutationChance, Rules::defaults().mutationChance);
    EXPECT_EQ(replayed.csv, plain.csv);
}

// A log's load names its world's SHA-256: the same file replays, one changed since is refused before
// anything runs, in one line naming it, and a line without a digest (an older log) takes it as it is.
// Only the last load is the replay's world: an earlier one's file may have changed.
TEST(CommandSchedule, ALogsLoadReplaysItsWorldAndRefusesAnotherUnderTheSameName) {
    ScratchFolder scratch("sylvara-schedule-digest");
    const std::string saved = scratch.file("at40.sylvara");
    SimulationOptions first = options(scratch, "", 40);
    first.saveFile = saved;
    ASSERT_TRUE(run(first, "first.csv", scratch).started);
    std::string digest;
    std::string error;
    ASSERT_TRUE(Sha256::ofFile(saved, digest, error)) << error;
    const std::string loadLine = "@20 load " + saved;
    const std::string log =
        "@10 apply 0,0\n" + loadLine + CommandFile::digestComment(digest) + "\n@60 quit\n";
    const RunResult same = run(options(scratch, log, 100), "same.csv", scratch);
    ASSERT_TRUE(same.started) << same.error;
    EXPECT_NE(same.printed.find("up to its load of " + saved), std::string::npos) << same.printed;

    // Another world saved under the name.
    SimulationOptions later = options(scratch, "", 41);
    later.saveFile = saved;
    ASSERT_TRUE(run(later, "later.csv", scratch).started);
    const RunResult refused = run(options(scratch, log, 100), "refused.csv", scratch);
    EXPECT_FALSE(refused.started);
    EXPECT_EQ(refused.error.rfind(scratch.file("run.cmd") + ":2: load: " + saved +
                                      " has changed since the line was written: its SHA-256 is ",
                                  0),
              0u)
        << refused.error;
    EXPECT_EQ(refused.error.find('\n'), std::string::npos) << refused.error;
    EXPECT_FALSE(std::filesystem::exists(scratch.file("refused.csv"))) << "nothing is written";

    const RunResult older =
        run(options(scratch, "@10 apply 0,0\n" + loadLine + "\n@60 quit\n", 100), "older.csv", scratch);
    ASSERT_TRUE(older.started) << older.error;
    EXPECT_NE(older.csv, same.csv) << "the changed world's run is another";

    ASSERT_TRUE(Sha256::ofFile(saved, digest, error)) << error;
    const RunResult earlier =
        run(options(scratch,
                    "@5 load " + scratch.file("first.csv") + CommandFile::digestComment(digest) + "\n" +
                        loadLine + CommandFile::digestComment(digest) + "\n",
                    100),
            "earlier.csv", scratch);
    EXPECT_TRUE(earlier.started) << earlier.error;
}

TEST(CommandSchedule, RefusesBeforeTheFirstTickWhatTheRunnerCannotCarryOut) {
    ScratchFolder scratch("sylvara-schedule-refuse");
    const std::pair<std::string, std::string> bad[] = {
        {"@5 keep plants=3\n@10 chart plants\n", "run.cmd:2: chart is for a window: sylvara-sim has none"},
        {"@10 pause\n", "run.cmd:1: pause is for a window: sylvara-sim has none"},
        {"@10 screenshot a.png\n", "run.cmd:1: screenshot is for a window: sylvara-sim has none"},
        {"@10 apply 3,0\n", "run.cmd:1: tile 3,0 is off the board of 3 x 3 tiles (columns and rows from 0)"},
        {"@101 quit\n", "run.cmd:1: tick 101 is past the run's last tick, 100"},
        {"@10 set animal.breedAt=0.95\n@20 set animal.birthEnergy=0.9\n@30 set animal.breedAt=0.5\n",
         "run.cmd:3: set would leave rules that cannot run: "},
        {"@100 save\n@100 spawn plant\n",
         "run.cmd:2: tick 100 is the run's last: no tick follows to carry out the spawn"},
        {"@10 save /nonexistent/folder/w.sylvara\n",
         "run.cmd:1: cannot save the world to /nonexistent/folder/"},
        {"@10 save " + scratch.file("refused.csv") + "\n", "run.cmd:1: cannot save the world to " +
                                                               scratch.file("refused.csv") +
                                                               ": --csv and save name the same file"},
    };
    for (const auto& [text, reason] : bad) {
        const RunResult refused = run(options(scratch, text, 100), "refused.csv", scratch);
        EXPECT_FALSE(refused.started) << text;
        EXPECT_EQ(refused.error.substr(0, scratch.file("").size() + reason.size()),
                  scratch.file("") + reason);
        EXPECT_TRUE(refused.csv.empty()) << "nothing written before the refusal";
    }
}

class CommandRequests : public WorldFixture {};

TEST_F(CommandRequests, WaitForTheNextTickAndSpawnInTheOrderGivenLeavingTheCursorOffTheGround) {
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(CommandFile::readText("@0 spawn carnivore 10.5,20.25\n@0 spawn herbivore\n@0 tool killer\n"
                                      "@0 apply 4,4\n@0 quit\n",
                                      "r.cmd", commands, error))
        << error;
    world->getTiles()->tileAt(4, 4)->populate(3, 0, 0);
    world->getTiles()->tileAt(4, 3)->populate(2, 0, 0);
    const int before = world->getLastId();
    CommandSchedule schedule(commands, "r.cmd", 0);
    std::ostringstream echo;
    EXPECT_TRUE(schedule.carryOut(0, *world, nullptr, &echo)) << "quit is said at once";
    EXPECT_EQ(world->getLastId(), before) << "the requests wait for the tick";
    EXPECT_EQ(world->getTiles()->tileAt(4, 4)->getAnimalCount(), 3);
    EXPECT_EQ(echo.str(), "tick 0: spawn carnivore 10.5,20.25\ntick 0: spawn herbivore\ntick 0: tool killer\n"
                          "tick 0: apply 4,4\ntick 0: quit\n");
    schedule.carryOutRequests(*world);
    EXPECT_FALSE(world->isCursorOnGround());
    auto& lives = world->getLives();
    const Animal& placed = static_cast<const Animal&>(*lives.at(before + 1));
    const Animal& drawn = static_cast<const Animal&>(*lives.at(before + 2));
    EXPECT_EQ(placed.getKind(), KIND_CARNIVORE);
    EXPECT_EQ(placed.getPosition().x(), 10.5);
    EXPECT_EQ(placed.getPosition().y(), 20.25);
    EXPECT_EQ(drawn.getKind(), KIND_HERBIVORE);
    EXPECT_NE(drawn.getPosition().x(), 10.5) << "drawn at random, not at the last placed point";
    int living = 0;
    for (Life* life : world->getTiles()->tileAt(4, 4)->getAnimals())
        living += life->getState() != STATE_DEAD;
    EXPECT_EQ(living, 0) << "the killer applied to tile 4,4";
    EXPECT_EQ(world->getTiles()->tileAt(4, 3)->getAnimalCount(), 2) << "and to no other";
    schedule.carryOutRequests(*world);
    EXPECT_EQ(world->getLastId(), before + 2) << "each request once";
}

// A window's mouse may stand anywhere on the ground: what a request does comes from the command alone,
// and the cursor is left where the mouse put it.
TEST_F(CommandRequests, ComeFromTheCommandAloneWhereverAWindowsCursorStands) {
    const auto spawned = [](World& world, bool cursorOnGround) {
        std::vector<Command> commands;
        std::string error;
        EXPECT_TRUE(
            CommandFile::readText("@0 spawn carnivore 10.5,20.25\n@0 spawn herbivore\n@0 spawn plant\n"
                                  "@0 predator 30,40\n@0 prey\n",
                                  "r.cmd", commands, error))
            << error;
        world.getTiles()->tileAt(1, 1)->populate(1, 0, 0);
        world.restoreSelection(world.getLastId());
        if (cursorOnGround)
            world.setCursorPoint(osg::Vec3d(600, 610, 0));
        const int before = world.getLastId();
        CommandSchedule schedule(commands, "r.cmd", 0);
        schedule.carryOut(0, world, nullptr, nullptr);
        schedule.carryOutRequests(world);
        EXPECT_EQ(world.isCursorOnGround(), cursorOnGround);
        if (cursorOnGround) {
            EXPECT_EQ(world.getCursorPoint(), osg::Vec3d(600, 610, 0)) << "the cursor is put back";
        }
        std::vector<osg::Vec3d> points;
        for (int id = before + 1; id <= world.getLastId(); ++id) {
            const Life& life = *world.getLives().at(id);
            points.push_back(life.getPosition());
        }
        return points;
    };
    const std::vector<osg::Vec3d> headless = spawned(*world, false);
    makeWorld();
    const std::vector<osg::Vec3d> windowed = spawned(*world, true);
    ASSERT_EQ(headless.size(), 5u);
    EXPECT_EQ(windowed, headless);
    EXPECT_EQ(headless[0].x(), 10.5);
    EXPECT_EQ(headless[0].y(), 20.25);
    EXPECT_EQ(headless[3].x(), 30);
    EXPECT_EQ(headless[3].y(), 40);
    for (const osg::Vec3d& point : headless)
        EXPECT_FALSE(point.x() == 600 && point.y() == 610) << "nothing went under the cursor";
}

TEST_F(CommandRequests, ACommandCarriedOutNowActsAtTheWorldsTickAsAFilesWouldAndIsToldOnce) {
    for (int i = 0; i < 3; ++i)
        world->tick();
    CommandSchedule schedule({}, "typed", 0);
    std::vector<std::string> told;
    std::vector<std::string> window;
    schedule.setWatcher(
        [&](long tick, const Command& c) { told.push_back(std::to_string(tick) + " " + c.action()); });
    schedule.setWindow([&](const Command& c) { window.push_back(c.action()); });
    const auto command = [](const std::string& text) {
        Command c;
        std::string error;
        EXPECT_TRUE(Command::parse(text, c, error)) << error;
        return c;
    };
    const int before = world->getLastId();
    EXPECT_FALSE(schedule.carryOutNow(command("spawn plant 5,5"), *world, nullptr));
    EXPECT_FALSE(schedule.carryOutNow(command("chart herbivores"), *world, nullptr));
    EXPECT_FALSE(schedule.carryOutNow(command("tool genesis"), *world, nullptr));
    EXPECT_FALSE(schedule.carryOutNow(command("set animal.moveCost=0.004"), *world, nullptr));
    EXPECT_EQ(world->getLastId(), before) << "a request waits for the next tick";
    EXPECT_FLOAT_EQ(world->getRules().animalMoveCost, 0.004f) << "a change of state acts at once";
    EXPECT_EQ(schedule.getTool(), Command::Tool::Genesis);
    EXPECT_TRUE(schedule.carryOutNow(command("quit"), *world, nullptr));
    EXPECT_EQ(told, (std::vector<std::string>{"3 spawn plant 5,5", "3 chart herbivores", "3 tool genesis",
                                              "3 set animal.moveCost=0.004", "3 quit"}));
    EXPECT_EQ(window, std::vector<std::string>{"chart herbivores"});
    EXPECT_TRUE(schedule.hasRequests());
    schedule.carryOutRequests(*world);
    EXPECT_EQ(world->getLastId(), before + 1);
    EXPECT_EQ(schedule.getCarriedOut(), 5u);

    // One added for a later tick waits for it, behind the commands already due then.
    Command later = command("spawn herbivore 1,1");
    later.tick = 5;
    schedule.add(later);
    EXPECT_FALSE(schedule.carryOut(4, *world, nullptr, nullptr));
    EXPECT_FALSE(schedule.hasRequests());
    schedule.carryOut(5, *world, nullptr, nullptr);
    EXPECT_TRUE(schedule.hasRequests());
}

TEST_F(CommandRequests, ALoadStopsTheCommandsOfItsTickAndDropsTheRequestsMadeOfTheWorldBeforeIt) {
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(CommandFile::readText("@0 spawn herbivore\n@0 load other.sylvara\n@0 keep plants=9\n",
                                      "l.cmd", commands, error))
        << error;
    CommandSchedule schedule(commands, "l.cmd", 0);
    std::vector<std::string> loaded;
    schedule.setLoad([&](const Command& load) { loaded.push_back(load.file); });
    schedule.carryOut(0, *world, nullptr, nullptr);
    EXPECT_EQ(loaded, std::vector<std::string>{"other.sylvara"});
    EXPECT_TRUE(schedule.stoppedAtLoad());
    EXPECT_FALSE(schedule.hasRequests()) << "the spawn was asked of the world the load put aside";
    EXPECT_EQ(world->getKeep()[2], 0) << "the keep after the load waits for the loaded world";
    schedule.carryOut(0, *world, nullptr, nullptr);
    EXPECT_FALSE(schedule.stoppedAtLoad());
    EXPECT_EQ(world->getKeep()[2], 9);
    EXPECT_EQ(loaded.size(), 1u);
}
