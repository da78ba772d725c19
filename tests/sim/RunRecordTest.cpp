// The run record beside every census, and --rerun, which runs a recorded run again: records read back
// whole, and reruns of the real sylvara-sim reproduce the census and the lineage byte for byte, or
// are refused in one line.
#include "ScratchFolder.h"

#include "common/ContentHash.h"
#include "common/RuleTable.h"
#include "common/RulesDigest.h"
#include "sim/RunRecord.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// sylvara-sim of the run tree, started in the folder: its exit code, and all it printed in said.
int sim(const ScratchFolder& scratch, const std::string& arguments, std::string& said,
        const std::string& environment = "") {
    const std::string command = "cd '" + scratch.folder.string() + "' && " + environment + " " +
                                fs::current_path().string() + "/sylvara-sim " + arguments + " 2>&1";
    return shellOutput(command, said);
}

// A refusal: exit 2 and one line, naming what it must.
void expectRefused(const ScratchFolder& scratch, const std::string& arguments, const std::string& naming) {
    std::string said;
    EXPECT_EQ(sim(scratch, arguments, said), 2) << arguments << "\n" << said;
    EXPECT_EQ(said.rfind("sylvara-sim: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(naming), std::string::npos) << said;
}

RunRecord sample() {
    RunRecord r;
    r.version = "0.6.4";
    r.commit = "abc123-modified";
    r.command = {"sylvara-sim", "--csv", "odd \"name\"\n\\.csv", "--set", "mutation.chance=0"};
    r.folder = "/home/me/runs";
    r.size = 3;
    r.genesis = "0,0;2,1";
    r.seed = 4294967295u;
    r.seedGiven = true;
    r.repeatable = true;
    r.ticks = 700;
    r.interval = 35;
    r.firstTick = 1200;
    r.lastTick = 1900;
    r.wallSeconds = 1.5;
    r.phylogenyExtant = true;
    r.mullerShare = 2.5;
    r.loadFile = "/w/saved.sylvara";
    r.loadTick = 1200;
    r.loadHash = "0123456789abcdef";
    r.rulesFile = "/r/my rules.toml";
    r.ruleSettings = {"mutation.chance=0"};
    r.rules.mutationChance = 0;
    r.rules.animalBirthEnergy = 0.01f;
    r.rulesChange = "mutation.chance 20 -> 0";
    r.floors = {5, 0, 20};
    r.inserted = {3, 0, 41};
    r.outputs = {
        {"--csv", "/x/run.csv"}, {"--save-every", "/x/a-1.sylvara"}, {"--save-every", "/x/a-2.sylvara"}};
    return r;
}

} // namespace

TEST(RunRecord, ReadsBackAllItHoldsWhateverTheNamesHold) {
    ScratchFolder scratch{"sylvara-record"};
    const RunRecord written = sample();
    std::string error;
    ASSERT_TRUE(written.write(scratch.file("run.toml"), error)) << error;
    EXPECT_EQ(fs::directory_iterator(scratch.folder)->path().filename(), "run.toml") << "no temporary left";
    RunRecord read;
    ASSERT_TRUE(RunRecord::read(scratch.file("run.toml"), read, error)) << error;
    EXPECT_EQ(read.command, written.command);
    EXPECT_EQ(read.commit, written.commit);
    EXPECT_EQ(read.size, 3);
    EXPECT_EQ(read.genesis, "0,0;2,1");
    EXPECT_EQ(read.seed, 4294967295u);
    EXPECT_TRUE(read.repeatable);
    EXPECT_EQ(read.ticks, 700);
    EXPECT_EQ(read.interval, 35);
    EXPECT_EQ(read.firstTick, 1200);
    EXPECT_EQ(read.lastTick, 1900);
    EXPECT_TRUE(read.phylogenyExtant);
    EXPECT_EQ(read.mullerShare, 2.5);
    EXPECT_EQ(read.loadFile, "/w/saved.sylvara");
    EXPECT_EQ(read.loadHash, "0123456789abcdef");
    EXPECT_EQ(read.rulesFile, "/r/my rules.toml");
    EXPECT_EQ(read.ruleSettings, written.ruleSettings);
    EXPECT_TRUE(RuleTable::differences(read.rules, written.rules).empty());
    EXPECT_EQ(read.floors, written.floors);
    EXPECT_EQ(read.inserted, written.inserted);
    EXPECT_EQ(read.outputs.size(), 3u);
    const std::string text = slurp(scratch.file("run.toml"));
    EXPECT_NE(text.find("fingerprint = \"" + RulesDigest::fingerprint(written.rules) + "\""),
              std::string::npos);
    EXPECT_NE(text.find("changed_on_load = \"mutation.chance 20 -> 0\""), std::string::npos) << text;

    // A name that is no UTF-8 cannot be TOML text: the record still reads, with U+FFFD in its place.
    RunRecord odd = sample();
    odd.folder = "/tmp/caf\xe9";
    ASSERT_TRUE(odd.write(scratch.file("odd.toml"), error)) << error;
    ASSERT_TRUE(RunRecord::read(scratch.file("odd.toml"), read, error)) << error;
    EXPECT_EQ(read.folder, "/tmp/caf\xef\xbf\xbd");
}

TEST(RunRecord, SitsBesideTheCensusAndRefusesWhatIsNoRecord) {
    EXPECT_EQ(RunRecord::pathFor("population.csv"), "population.toml");
    EXPECT_EQ(RunRecord::pathFor("/a.csv/run.csv"), "/a.csv/run.toml");
    EXPECT_EQ(RunRecord::pathFor("run.data"), "run.data.toml");
    EXPECT_EQ(RunRecord::pathFor("/tmp/.csv"), "/tmp/.csv.toml") << "a hidden file keeps its name";

    ScratchFolder scratch{"sylvara-record-bad"};
    const std::string whole = sample().text();
    const auto refused = [&](const std::string& text, const std::string& naming) {
        std::ofstream(scratch.file("bad.toml"), std::ios::binary | std::ios::trunc) << text;
        RunRecord read;
        std::string error;
        EXPECT_FALSE(RunRecord::read(scratch.file("bad.toml"), read, error)) << naming;
        EXPECT_NE(error.find(naming), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    };
    refused("a = 1\n", "not a run record");
    const size_t kindSwitch = whole.find("mutation.kindSwitch");
    refused(whole.substr(0, kindSwitch) + whole.substr(whole.find('\n', kindSwitch) + 1),
            "mutation.kindSwitch");
    const size_t inForce = whole.find("[rules.in_force]\n") + 17;
    refused(whole.substr(0, inForce) + "animal.wings = 2\n" + whole.substr(inForce), "animal.wings");
    std::string wrongType = whole;
    wrongType.replace(wrongType.find("seed = 4294967295"), 17, "seed = \"7\"");
    refused(wrongType, "run.seed");
    refused(whole.substr(0, whole.find("size = 3")) + "size = 0\n" + whole.substr(whole.find("size = 3") + 9),
            "run.size");
    // A key of 400,000 parts (800 KB) overflowed the TOML reader's stack: refused before it is parsed.
    std::string deep = "k";
    for (int part = 0; part < 400000; ++part)
        deep += ".k";
    refused(deep + " = 1\n" + whole, "a key of more than 8 parts");

    RunRecord read;
    std::string error;
    EXPECT_FALSE(RunRecord::read("/dev/zero", read, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    std::ofstream(scratch.file("huge.toml")) << std::string(2 << 20, '#');
    EXPECT_FALSE(RunRecord::read(scratch.file("huge.toml"), read, error));
    EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

TEST(RunRecord, IsWholeOrAbsentEvenOnAFullDisk) {
    ScratchFolder scratch{"sylvara-record-full"};
    const std::string disk = scratch.file("disk");
    std::filesystem::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=40k tmpfs " + disk + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    std::string error;
    const RunRecord record = sample();
    EXPECT_TRUE(record.write(disk + "/run.toml", error)) << error;
    const std::string before = slurp(disk + "/run.toml");
    std::ofstream(disk + "/filler", std::ios::binary) << std::string(64 << 10, 'x');
    RunRecord longer = sample();
    longer.command.push_back(std::string(8000, 'y'));
    EXPECT_FALSE(longer.write(disk + "/run.toml", error));
    EXPECT_NE(error.find("cannot write the run record " + disk + "/run.toml: "), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(slurp(disk + "/run.toml"), before) << "the record before is left whole";
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(disk))
        files += 1;
    EXPECT_EQ(files, 2) << "no temporary file left";
    ASSERT_EQ(std::system(("umount " + disk).c_str()), 0);
}

TEST(RunRecord, RefusesToRepeatAClockSeedOrAWorldThatChanged) {
    ScratchFolder scratch{"sylvara-record-rerun"};
    RunRecord record = sample();
    SimulationOptions options;
    std::string error;
    record.repeatable = false;
    EXPECT_FALSE(record.rerun(options, error));
    EXPECT_NE(error.find("clock"), std::string::npos) << error;

    record = sample();
    record.loadFile = scratch.file("w.sylvara");
    EXPECT_FALSE(record.rerun(options, error));
    EXPECT_NE(error.find("cannot be read now"), std::string::npos) << error;
    std::ofstream(record.loadFile) << "the world";
    record.loadHash = "cbf29ce484222325";
    EXPECT_FALSE(record.rerun(options, error));
    EXPECT_NE(error.find("has changed since"), std::string::npos) << error;
    record.loadHash = ContentHash::hex(ContentHash::of("the world"));
    ASSERT_TRUE(record.rerun(options, error)) << error;
    EXPECT_TRUE(options.fromRecord);
    EXPECT_EQ(options.seed, record.seed);
    EXPECT_TRUE(options.seeded);
    EXPECT_EQ(options.keep, record.floors);
    EXPECT_EQ(options.mullerShare, 0.025);
    EXPECT_TRUE(RuleTable::differences(options.rules, record.rules).empty());
}

TEST(Rerun, RepeatsARunWithRulesSetAndKeepByteForByteWhateverTheRulesFileHoldsNow) {
    ScratchFolder scratch{"sylvara-rerun"};
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 60\n[plant]\ngrowAt = 0.6\n";
    std::string said;
    ASSERT_EQ(sim(scratch,
                  "--size 2 --ticks 600 --seed 9 --interval 50 --rules my.toml --set animal.moveCost=0.02 "
                  "--keep plants=30 --phylogeny tree.csv --newick tree.nwk",
                  said, "PATH=/nowhere"),
              0)
        << "without gnuplot no plot is drawn, and the record lists only what was written\n"
        << said;
    const std::string record = slurp(scratch.file("population.toml"));
    ASSERT_FALSE(record.empty()) << said;
    EXPECT_NE(said.find("rules: " + scratch.file("my.toml") + " (+1 set)\n"), std::string::npos) << said;
    EXPECT_NE(said.find("record " + scratch.file("population.toml") + "\n"), std::string::npos) << said;
    EXPECT_NE(record.find("mutation.chance = 60\n"), std::string::npos) << record;
    EXPECT_NE(record.find("animal.moveCost = 0.02\n"), std::string::npos) << record;
    EXPECT_NE(record.find("genesis.plants = 10\n"), std::string::npos)
        << "the rules left at their default too";
    EXPECT_NE(record.find("plants = 30\n"), std::string::npos) << record;
    EXPECT_NE(record.find("csv = [\"" + scratch.file("population.csv") + "\"]"), std::string::npos) << record;
    EXPECT_NE(record.find("phylogeny = [\"" + scratch.file("tree.csv") + "\"]"), std::string::npos) << record;
    EXPECT_EQ(record.find("plot ="), std::string::npos) << "a plot not drawn is no output\n" << record;
    EXPECT_EQ(record.find("traits ="), std::string::npos) << record;

    // Edited since: the rerun runs under the recorded rules, not the file's.
    std::ofstream(scratch.file("my.toml"), std::ios::trunc) << "[mutation]\nchance = 1\n";
    ASSERT_EQ(sim(scratch,
                  "--rerun population.toml --csv again.csv --phylogeny again-tree.csv --newick again.nwk",
                  said),
              0)
        << said;
    EXPECT_EQ(slurp(scratch.file("again.csv")), slurp(scratch.file("population.csv")));
    EXPECT_EQ(slurp(scratch.file("again-tree.csv")), slurp(scratch.file("tree.csv")));
    EXPECT_EQ(slurp(scratch.file("again.nwk")), slurp(scratch.file("tree.nwk")));
    EXPECT_FALSE(fs::exists(scratch.file("population.png"))) << "a rerun writes only the outputs given";
    EXPECT_NE(said.find("rerun of " + scratch.file("population.toml") + ", its rules and seed as recorded\n"),
              std::string::npos)
        << said;
    const std::string again = slurp(scratch.file("again.toml"));
    EXPECT_NE(again.find("rerun_of = \"" + scratch.file("population.toml") + "\""), std::string::npos)
        << again;
    // And the rerun's own record runs it again in turn.
    ASSERT_EQ(sim(scratch, "--rerun again.toml --csv third.csv", said), 0) << said;
    EXPECT_EQ(slurp(scratch.file("third.csv")), slurp(scratch.file("population.csv")));
}

TEST(Rerun, RepeatsARunFromALoadedWorldAndRefusesWhenTheWorldChanged) {
    ScratchFolder scratch{"sylvara-rerun-load"};
    std::string said;
    ASSERT_EQ(sim(scratch, "--size 2 --ticks 300 --seed 4 --save w.sylvara --csv first.csv", said), 0)
        << said;
    // The rules file is named as the user gave it, from their folder: it changes the loaded world's.
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 70\n";
    ASSERT_EQ(
        sim(scratch, "--load w.sylvara --ticks 400 --rules my.toml --keep herbivores=15 --csv run.csv", said),
        0)
        << said;
    EXPECT_NE(said.find("rules changed from tick 300: mutation.chance 20 -> 70"), std::string::npos) << said;
    EXPECT_NE(said.find("loaded " + scratch.file("w.sylvara") + " at tick 300\n"), std::string::npos) << said;
    const std::string record = slurp(scratch.file("run.toml"));
    EXPECT_NE(record.find("[loaded]\nfile = \"" + scratch.file("w.sylvara") + "\"\ntick = 300\n"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("changed_on_load = \"mutation.chance 20 -> 70\""), std::string::npos) << record;
    EXPECT_NE(record.find("first_tick = 300\nlast_tick = 700\n"), std::string::npos) << record;

    ASSERT_EQ(sim(scratch, "--rerun run.toml --csv again.csv", said), 0) << said;
    EXPECT_EQ(slurp(scratch.file("again.csv")), slurp(scratch.file("run.csv")));

    // The saved world changed: refused, and nothing is run.
    fs::copy_file(scratch.file("w.sylvara"), scratch.file("kept.sylvara"));
    ASSERT_EQ(sim(scratch, "--size 2 --ticks 10 --seed 4 --save w.sylvara --csv other.csv", said), 0) << said;
    expectRefused(scratch, "--rerun run.toml --csv third.csv", "has changed since");
    EXPECT_FALSE(fs::exists(scratch.file("third.csv")));
    fs::remove(scratch.file("w.sylvara"));
    expectRefused(scratch, "--rerun run.toml --csv third.csv", "cannot be read now");
    fs::rename(scratch.file("kept.sylvara"), scratch.file("w.sylvara"));
    ASSERT_EQ(sim(scratch, "--rerun run.toml --csv third.csv", said), 0) << "the same world back\n" << said;
    EXPECT_EQ(slurp(scratch.file("third.csv")), slurp(scratch.file("run.csv")));
}

TEST(Rerun, CarriesOutTheRecordedCommandsAgainWhateverTheFileHoldsNowAndLeavesTheSavesAlone) {
    ScratchFolder scratch{"sylvara-rerun-commands"};
    std::ofstream(scratch.file("change.cmd"))
        << "@100 set animal.moveCost=0.03\n@200 tool killer\n@200 apply 1,1\n@250 save mid.sylvara\n";
    std::string said;
    ASSERT_EQ(sim(scratch, "--size 2 --ticks 400 --seed 6 --interval 50 --commands change.cmd", said), 0)
        << said;
    const std::string record = slurp(scratch.file("population.toml"));
    EXPECT_NE(record.find("[commands]\nfile = \"" + scratch.file("change.cmd") + "\""), std::string::npos)
        << record;
    EXPECT_NE(record.find("\"@200 apply 1,1\""), std::string::npos) << record;
    EXPECT_NE(record.find("carried_out = 4\n"), std::string::npos) << record;
    // Without the commands the census differs: the rerun must carry them out to match.
    ASSERT_EQ(sim(scratch, "--size 2 --ticks 400 --seed 6 --interval 50 --csv plain.csv", said), 0) << said;
    ASSERT_NE(slurp(scratch.file("plain.csv")), slurp(scratch.file("population.csv")));

    // The file edited and the save gone: the rerun follows the record, and writes no save of its own.
    std::ofstream(scratch.file("change.cmd"), std::ios::trunc) << "@10 quit\n";
    fs::remove(scratch.file("mid.sylvara"));
    ASSERT_EQ(sim(scratch, "--rerun population.toml --csv again.csv", said), 0) << said;
    EXPECT_EQ(slurp(scratch.file("again.csv")), slurp(scratch.file("population.csv")));
    EXPECT_FALSE(fs::exists(scratch.file("mid.sylvara"))) << "the recorded run's save is its own";
    expectRefused(scratch, "--rerun population.toml --csv third.csv --commands change.cmd",
                  "--commands cannot go with --rerun");
}

TEST(RunTitles, NameTheRulesTheFileOrTheDefaultsAndEachSetting) {
    ScratchFolder scratch{"sylvara-titles"};
    std::string said;
    ASSERT_EQ(sim(scratch, "--size 1 --ticks 20 --seed 1 --save w.sylvara", said), 0) << said;
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 70\n";
    const auto titleOf = [&](const std::vector<std::string>& words) {
        std::vector<const char*> argv{"sylvara-sim"};
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        SimulationOptions options;
        std::string error;
        EXPECT_EQ(SimulationOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error),
                  SimulationOptions::Outcome::Run)
            << error;
        options.csvFile = scratch.file("t.csv");
        options.plotFile.clear();
        options.traitsFile.clear();
        options.ticks = 0;
        std::ostringstream out;
        SimulationRunner runner(options, out);
        EXPECT_TRUE(runner.start(error)) << error;
        return runner.title();
    };
    EXPECT_EQ(titleOf({"--size", "1", "--seed", "2"}), "Sylvara, 1 tiles per side, seed 2, default rules");
    EXPECT_EQ(titleOf({"--size", "1", "--seed", "2", "--rules", scratch.file("my.toml"), "--set",
                       "plant.growAt=0.7", "--set", "mutation.step=3"}),
              "Sylvara, 1 tiles per side, seed 2, rules my.toml, set plant.growAt=0.7, set mutation.step=3");
    EXPECT_EQ(titleOf({"--load", scratch.file("w.sylvara")}),
              "Sylvara, 1 tiles per side, seed 1, rules saved in w.sylvara");
    EXPECT_EQ(
        titleOf({"--load", scratch.file("w.sylvara"), "--set", "mutation.chance=0"}),
        "Sylvara, 1 tiles per side, seed 1, rules saved in w.sylvara; from tick 20: set mutation.chance=0");
}

TEST(Rerun, RefusesInOneLineWhatItCannotRepeatOrWouldOverwrite) {
    ScratchFolder scratch{"sylvara-rerun-refused"};
    std::string said;
    ASSERT_EQ(sim(scratch, "--size 1 --ticks 50 --csv clock.csv", said), 0) << said;
    EXPECT_NE(said.find("rules: default\n"), std::string::npos) << said;
    EXPECT_NE(
        slurp(scratch.file("clock.toml")).find("repeatable = false\n# The seed was drawn from the clock"),
        std::string::npos);
    expectRefused(scratch, "--rerun clock.toml --csv again.csv", "cannot be repeated");

    ASSERT_EQ(sim(scratch, "--size 1 --ticks 50 --seed 2", said), 0) << said;
    expectRefused(scratch, "--rerun population.toml", "needs --csv");
    expectRefused(scratch, "--rerun population.toml --csv population.csv", "recorded run's");
    expectRefused(scratch, "--rerun population.toml --csv b.csv --plot traits.png", "recorded run's");
    expectRefused(scratch, "--rerun population.toml --csv b.csv --traits population.toml", "recorded run's");
    for (const std::string own : {"--seed 3", "--set mutation.chance=0", "--keep plants=3", "--ticks 9",
                                  "--rules population.toml", "--size 2"})
        expectRefused(scratch, "--rerun population.toml --csv b.csv " + own, "cannot go with --rerun");
    expectRefused(scratch, "--rerun /dev/zero --csv b.csv", "not a regular file");
    expectRefused(scratch, "--rerun clock.csv --csv b.csv", "clock.csv");
    EXPECT_FALSE(fs::exists(scratch.file("b.csv")));

    // The record's own place is refused as the other outputs are, before the run.
    fs::create_directory(scratch.file("folder.toml"));
    expectRefused(scratch, "--size 1 --ticks 5 --seed 1 --csv folder.csv", "the run record");
    EXPECT_FALSE(fs::exists(scratch.file("folder.csv")));
    expectRefused(scratch, "--size 1 --ticks 5 --seed 1 --csv x.csv --plot x.toml", "the run record");
}
