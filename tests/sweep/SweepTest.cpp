// The parts of sylvara-sweep that need no processes: its command line, the grid of jobs, the
// job log, the pooled summary, the progress line and the Slurm script.
#include "sweep/SlurmScript.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepJobLog.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"
#include "sweep/SweepProgress.h"
#include "sweep/SweepReport.h"
#include "sweep/SweepSummary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Outcome = SweepOptions::Outcome;

Outcome parse(std::vector<std::string> words, SweepOptions& options, std::string& error) {
    std::vector<const char*> argv{"sylvara-sweep"};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return SweepOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error);
}

struct Scratch {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("sylvara-sweep-unit-" + std::to_string(getpid()));
    Scratch() { std::filesystem::create_directories(folder); }
    ~Scratch() { std::filesystem::remove_all(folder); }
    std::string write(const std::string& leaf, const std::string& text) const {
        const std::string path = (folder / leaf).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

// A census CSV with only the columns the summary reads: tick and the three counts.
SweepSummary::Run run(const Scratch& scratch, const std::string& rows) {
    const std::string file = scratch.write("run.csv", "tick,herbivores,carnivores,plants,more\n" + rows);
    SweepSummary::Run result;
    std::string error;
    EXPECT_TRUE(SweepSummary::readRun(file, result, error)) << error;
    return result;
}

} // namespace

TEST(SweepOptions, ReadsTheGridAndRejectsBadValuesInOneLine) {
    SweepOptions options;
    std::string error;
    ASSERT_EQ(parse({"--out", "f", "--seeds", "3-5,9", "--sizes=5,10,20", "--genesis", "all", "--genesis",
                     "centre", "--genesis", "0,0;1,1", "--ticks", "100,2000", "--jobs", "2", "--slurm"},
                    options, error),
              Outcome::Run)
        << error;
    EXPECT_EQ(options.seeds, (std::vector<unsigned>{3, 4, 5, 9}));
    EXPECT_EQ(options.sizes, (std::vector<int>{5, 10, 20}));
    EXPECT_EQ(options.genesis, (std::vector<std::string>{"all", "centre", "0,0;1,1"}))
        << "repeats add patterns";
    EXPECT_EQ(options.lengths, (std::vector<int>{100, 2000}));
    EXPECT_TRUE(options.slurm);
    ASSERT_EQ(parse({"--out", "f"}, options = SweepOptions(), error), Outcome::Run);
    EXPECT_EQ(options.genesis, std::vector<std::string>{"all"}) << "the default pattern";
    // --version and --help need no --out, wherever they stand.
    EXPECT_EQ(parse({"--seeds", "1", "--version"}, options = SweepOptions(), error), Outcome::Version);
    EXPECT_EQ(parse({"--help", "--version"}, options = SweepOptions(), error), Outcome::Help);

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--out", "f", "--seeds", "5-3"},
        {"--out", "f", "--seeds", "1-"},
        {"--out", "f", "--seeds", "x"},
        {"--out", "f", "--seeds", "4294967296"},
        {"--out", "f", "--seeds", "0-99999999"},
        {"--out", "f", "--sizes", "0"},
        {"--out", "f", "--sizes", "101"},
        {"--out", "f", "--ticks", "0"},
        {"--out", "f", "--genesis", "middle"},
        {"--out", "f", "--jobs", "0"},
        {"--out", "f", "--interval"},
        {"--out", "f", "--bogus"},
        {"--out", "f", "--slurm", "--sshloginfile", "hosts"},
        {"--out="},
    };
    for (const auto& words : bad) {
        SweepOptions fresh;
        error.clear();
        EXPECT_EQ(parse(words, fresh, error), Outcome::Error) << (words.empty() ? "" : words.back());
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(SweepOptions, SaysWhatIsWrongInItsOwnWords) {
    const struct {
        std::vector<std::string> words;
        const char* says;
    } bad[] = {
        {{"--out", "f", "--interval", "-1"}, "--interval: \"-1\" is not a whole number"},
        {{"--out", "f", "--seeds", "-2"}, "--seeds: \"-2\" is not a whole number"},
        {{"--out", "f", "--jobs", "1001"}, "--jobs: 1001 is out of range (1..1000)"},
        {{"--out", "f", "stray"}, "unknown option \"stray\" (try --help)"},
        {{"--out", "f", "--ssh="}, "--ssh: the value is empty"},
        {{"--out", "f", "--ssh", "--slurm"}, "--ssh needs a value"},
        // A value twice would be two jobs writing one CSV, and counted twice.
        {{"--out", "f", "--seeds", "1,1"}, "--seeds: 1 is given twice"},
        {{"--out", "f", "--seeds", "1-5,3"}, "--seeds: 3 is given twice"},
        {{"--out", "f", "--sizes", "1,1"}, "--sizes: 1 is given twice"},
        {{"--out", "f", "--ticks", "10,10"}, "--ticks: 10 is given twice"},
        {{"--out", "f", "--genesis", "all", "--genesis", "all"}, "--genesis: \"all\" is given twice"},
        // The last of two would silently win.
        {{"--out", "f", "--seeds", "1-3", "--seeds", "4"}, "--seeds is given twice"},
        {{"--out", "f", "--out", "g"}, "--out is given twice"},
        {{"--out", "f", "--keep", "herbivores=50", "--keep", "herbivores=10"},
         "--keep herbivores=10: the floor of herbivores is given twice"},
        {{"--out", "f", "--keep", "herbivores"},
         "--keep: \"herbivores\" is not KIND=N with KIND herbivores, carnivores or plants"},
        // A job whose first tick never ends would run until killed.
        {{"--out", "f", "--set", "animal.breedAt=0.9,0.3"},
         "in some jobs of the grid, animal.birthEnergy=0.5 is above animal.breedAt=0.3: every newborn animal "
         "would breed in the tick it is born and that tick would never end (keep animal.birthEnergy at most "
         "animal.breedAt)"},
    };
    for (const auto& each : bad) {
        SweepOptions options;
        std::string error;
        EXPECT_EQ(parse(each.words, options, error), Outcome::Error) << each.says;
        EXPECT_EQ(error, each.says);
    }
}

TEST(SweepOptions, RulesFilesAndMachineListsAreReadOnlyAsSmallRegularFiles) {
    Scratch scratch;
    const std::string a = scratch.write("a.toml", "mutation.chance = 5\n");
    const std::string b = scratch.write("b.toml", "mutation.chance = 6\n");
    const std::string low = scratch.write("low.toml", "animal.breedAt = 0.4\n");
    SweepOptions options;
    std::string error;
    EXPECT_EQ(parse({"--out", "f", "--rules", a, "--rules", b}, options, error), Outcome::Error);
    EXPECT_EQ(error, "--rules is given twice");
    EXPECT_EQ(parse({"--out", "f", "--rules", low}, options, error), Outcome::Error);
    EXPECT_EQ(error.rfind("animal.birthEnergy=0.5 is above animal.breedAt=0.4:", 0), 0u) << error;
    SweepOptions lowered;
    EXPECT_EQ(parse({"--out", "f", "--rules", low, "--set", "animal.birthEnergy=0.1,0.4"}, lowered, error),
              Outcome::Run)
        << error;
    EXPECT_EQ(parse({"--out", "f", "--rules", "/dev/zero"}, options, error), Outcome::Error);
    EXPECT_EQ(error, "/dev/zero: cannot read the rules file: it is a device, not a regular file");

    const std::string pipe = (scratch.folder / "machines").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::vector<std::string> logins;
    EXPECT_FALSE(SweepEngine::readLogins(pipe, logins, error));
    EXPECT_EQ(error, pipe + ": cannot read the list of machines: it is a pipe, not a regular file");
    EXPECT_TRUE(
        SweepEngine::readLogins(scratch.write("logins", "# mine\n\n  2/me@far \n:\n"), logins, error));
    EXPECT_EQ(logins, (std::vector<std::string>{"2/me@far", ":"}));
}

TEST(SweepOptions, ARuleValueSpelledTwiceAndAGridPastTheJobLimitAreRefused) {
    const struct {
        std::vector<std::string> words;
        const char* says;
    } bad[] = {
        // Compared as numbers: each pair would be two jobs writing one CSV.
        {{"--out", "f", "--set", "mutation.chance=10,10"},
         "--set mutation.chance=10,10: the value 10 is given twice"},
        {{"--out", "f", "--set", "mutation.chance=1e1,5,10.0"},
         "--set mutation.chance=1e1,5,10.0: the value 1e1 is given twice (as 10.0)"},
        {{"--out", "f", "--set", "tile.nourishment=0.5,.5"},
         "--set tile.nourishment=0.5,.5: the value 0.5 is given twice (as .5)"},
        {{"--out", "f", "--seeds", "1-100000", "--set", "mutation.chance=0:99:1"},
         "the grid holds 10000000 jobs, more than the 100000 one sweep takes: give fewer seeds, sizes, "
         "genesis patterns, lengths or rule values, or split it into several sweeps"},
        {{"--out", "f", "--seeds", "1-50001", "--sizes", "1,2"},
         "the grid holds 100002 jobs, more than the 100000 one sweep takes: give fewer seeds, sizes, "
         "genesis patterns, lengths or rule values, or split it into several sweeps"},
    };
    for (const auto& each : bad) {
        SweepOptions options;
        std::string error;
        EXPECT_EQ(parse(each.words, options, error), Outcome::Error) << each.says;
        EXPECT_EQ(error, each.says);
    }
    // Every factor counts, so many rules of a few values each are refused before any job is listed.
    std::vector<std::string> words{"--out", "f", "--seeds", "1-100"};
    for (const char* rule : {"mutation.chance=1,2,3,4,5,6,7,8,9,10", "animal.moveCost=0.1:1:0.1",
                             "tile.nourishment=0.01:0.1:0.01", "animal.breedAt=0.6:0.9:0.1"}) {
        words.insert(words.end(), {"--set", rule});
    }
    SweepOptions options;
    std::string error;
    EXPECT_EQ(parse(words, options, error), Outcome::Error);
    EXPECT_NE(error.find("the grid holds 400000 jobs"), std::string::npos) << error;

    // At the limit, and with values that differ however slightly, the grid runs.
    ASSERT_EQ(parse({"--out", "f", "--seeds", "1-50000", "--sizes", "1,2"}, options = SweepOptions(), error),
              Outcome::Run)
        << error;
    EXPECT_EQ(options.jobCount(), SweepOptions::MAX_JOBS);
    ASSERT_EQ(parse({"--out", "f", "--set", "tile.nourishment=0.5,0.50001"}, options = SweepOptions(), error),
              Outcome::Run)
        << error;
}

TEST(SweepPlan, OneJobPerSeedOfEachConfigurationInAFixedOrder) {
    SweepOptions options;
    std::string error;
    ASSERT_EQ(parse({"--out", "f", "--seeds", "1-3", "--sizes", "5,10", "--genesis", "all", "--genesis",
                     "centre", "--ticks", "500,1000"},
                    options, error),
              Outcome::Run);
    const SweepPlan plan(options, "/runs/sweep one", "/opt/run tree/bin");
    ASSERT_EQ(plan.getConfigurations().size(), 8u);
    ASSERT_EQ(plan.getJobs().size(), 24u);
    std::set<std::string> names;
    for (const SweepPlan::Job& job : plan.getJobs())
        names.insert(job.name);
    EXPECT_EQ(names.size(), 24u) << "every job writes files of its own";
    const SweepPlan::Job& fifth = plan.getJobs()[4];
    EXPECT_EQ(fifth.name, "size10-all-t500-seed2");
    EXPECT_EQ(plan.getConfigurations()[fifth.configuration].name(), "size10-all-t500");
    EXPECT_EQ(plan.getConfigurations()[3].genesisArgument(), "5,5") << "the middle tile of a 10 x 10 board";
    EXPECT_EQ(plan.getConfigurations()[2].genesisArgument(), "2,2");
    EXPECT_EQ(
        plan.command(fifth),
        "cd '/opt/run tree/bin' && ./sylvara-sim --size 10 --genesis all --ticks 500 --seed 2 --interval 100 "
        "--csv '/runs/sweep one/jobs/size10-all-t500-seed2.csv' --plot '/runs/sweep "
        "one/jobs/size10-all-t500-seed2.png' --traits '/runs/sweep "
        "one/jobs/size10-all-t500-seed2-traits.png' > "
        "'/runs/sweep one/jobs/size10-all-t500-seed2.log' 2>&1");

    SweepOptions tiles;
    ASSERT_EQ(parse({"--out", "f", "--genesis", "0,1;2,3"}, tiles, error), Outcome::Run);
    const SweepPlan quoted(tiles, "/s", "/b");
    EXPECT_EQ(quoted.getJobs()[0].name, "size5-0.1_2.3-t2000-seed1");
    EXPECT_NE(quoted.command(quoted.getJobs()[0]).find("--genesis '0,1;2,3'"), std::string::npos)
        << "the semicolon must not end the shell command";
}

TEST(SweepJobLog, TakesEachJobsLastRunAndSkipsLinesCutShort) {
    Scratch scratch;
    const std::string header = "Seq\tHost\tStarttime\tJobRuntime\tSend\tReceive\tExitval\tSignal\tCommand\n";
    const std::string file = scratch.write(
        "joblog", header + "1\t:\t1.0\t  0.5\t0\t0\t0\t0\tcd /b && ./sylvara-sim --seed 1\n"
                           "2\t:\t1.1\t  0.4\t0\t0\t2\t0\tcd /b && ./sylvara-sim --seed 2\n"
                           "3\tuser@far\t1.2\t  0.1\t0\t0\t0\t9\tcd /b && ./sylvara-sim --seed 3\n"
                           "2\t:\t2.0\t  0.5\t0\t0\t0\t0\tcd /b && ./sylvara-sim --seed 2\n"
                           "4\t:\t2.1\t 0.");
    const SweepJobLog log = SweepJobLog::read(file);
    EXPECT_EQ(log.entries(), 4);
    EXPECT_EQ(log.runsOf(2), 2);
    EXPECT_TRUE(log.succeeded(2)) << "its second run went well";
    EXPECT_FALSE(log.succeeded(4)) << "a line cut short by a kill is no finished job";
    EXPECT_EQ(log.finished(), 2);
    const std::vector<SweepJobLog::Entry> failed = log.failed();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].sequence, 3) << "killed by a signal, exit value 0";
    EXPECT_EQ(failed[0].host, "user@far");
    EXPECT_EQ(failed[0].command, "cd /b && ./sylvara-sim --seed 3");
    EXPECT_EQ(SweepJobLog::read(scratch.write("empty", "")).finished(), 0);
    EXPECT_EQ(SweepJobLog::read((scratch.folder / "missing").string()).entries(), 0);
}

TEST(SweepSummary, PoolsExtinctionSurvivalAndPopulationQuartiles) {
    EXPECT_DOUBLE_EQ(SweepSummary::quantile({1, 2, 3, 4}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(SweepSummary::quantile({1, 2, 3, 4}, 0.25), 1.75);
    EXPECT_DOUBLE_EQ(SweepSummary::quantile({10, 20, 30, 40, 50}, 0.75), 40);
    EXPECT_DOUBLE_EQ(SweepSummary::quantile({7}, 0.25), 7);

    Scratch scratch;
    // Herbivores die at 200, come back and die for good at 400; carnivores live; plants never did.
    const SweepSummary::Run comeback =
        run(scratch, "0,5,2,0,x\n100,3,2,0,x\n200,0,1,0,x\n300,1,1,0,x\n400,0,3,0,x\n");
    EXPECT_EQ(comeback.extinctionTick(0), 400) << "gone for good only from the last return";
    EXPECT_EQ(comeback.extinctionTick(1), -1);
    EXPECT_EQ(comeback.extinctionTick(2), 0);

    SweepSummary summary;
    summary.add(comeback);
    summary.add(run(scratch, "0,5,2,1,x\n100,0,2,1,x\n200,0,2,1,x\n300,0,0,1,x\n400,0,0,1,x\n"));
    summary.add(run(scratch, "0,5,2,1,x\n100,4,2,1,x\n200,3,2,1,x\n300,2,2,1,x\n400,1,2,1,x\n"));
    summary.add(run(scratch, "0,5,2,1,x\n100,6,0,2,x\n200,2,0,3,x\n300,0,0,4,x\n400,0,0,5,x\n"));
    EXPECT_EQ(summary.runs(), 4);
    // Herbivores died out at 400, 100, never and 300: sorted 100, 300, 400, for ever.
    const SweepSummary::Extinction herbivores = summary.extinction(0);
    EXPECT_EQ(herbivores.diedOut, 3);
    EXPECT_DOUBLE_EQ(herbivores.q1, 250);
    EXPECT_DOUBLE_EQ(herbivores.median, 350);
    EXPECT_EQ(herbivores.q3, SweepSummary::ALIVE) << "the third quartile lies among the runs still alive";
    EXPECT_EQ(summary.extinction(1).diedOut, 2);

    const std::vector<SweepSummary::Point> curves = summary.curves();
    ASSERT_EQ(curves.size(), 5u);
    EXPECT_EQ(curves[2].tick, 200);
    EXPECT_DOUBLE_EQ(curves[0].survival[0], 1.0);
    EXPECT_DOUBLE_EQ(curves[2].survival[0], 0.5) << "herbivores at tick 200: 0, 0, 3, 2";
    EXPECT_DOUBLE_EQ(curves[3].survival[0], 0.5) << "tick 300: 1, 0, 2, 0";
    EXPECT_DOUBLE_EQ(curves[3].survival[1], 0.5);
    EXPECT_DOUBLE_EQ(curves[4].survival[2], 0.75);
    EXPECT_DOUBLE_EQ(curves[1].median[0], 3.5) << "tick 100: 0, 3, 4, 6";
    EXPECT_DOUBLE_EQ(curves[1].q1[0], 2.25);
    EXPECT_DOUBLE_EQ(curves[1].q3[0], 4.5);

    const std::string row = summary.summaryRow();
    EXPECT_EQ(row.rfind("4,3,250,350,alive,", 0), 0u) << row;
    const std::string header = SweepSummary::summaryHeader();
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), std::count(header.begin(), header.end(), ','));
    EXPECT_EQ(summary.curvesRows()[1].rfind("100,0.75,2.25,3.5,4.5,", 0), 0u) << summary.curvesRows()[1];

    // The genotype medians stand just before rescue's six columns, which come last.
    const auto beforeRescue = [](std::string text) {
        for (int cell = 0; cell < 6; ++cell)
            text.erase(text.rfind(','));
        return text;
    };
    EXPECT_EQ(beforeRescue(row).substr(beforeRescue(row).size() - 2), ",,") << "no run told its genotypes";
    // Genotypes alive at the end and the deepest living depth, as each run's summary says them.
    SweepSummary lineages;
    const int told[][2] = {{12, 4}, {30, 9}, {0, -1}, {20, 5}};
    for (const auto& said : told) {
        SweepSummary::Run r = comeback;
        SweepSummary::readSummaryLines(
            scratch.write("job.log", "ran 400 ticks\ngenotypes alive " + std::to_string(said[0]) +
                                         ", deepest living depth " + std::to_string(said[1]) + "\n"),
            r);
        lineages.add(r);
    }
    SweepSummary::Run silent = comeback;
    SweepSummary::readSummaryLines(scratch.write("old.log", "ran 400 ticks\n"), silent);
    EXPECT_EQ(silent.genotypesAlive, -1);
    lineages.add(silent);
    const std::string lineageRow = beforeRescue(lineages.summaryRow());
    EXPECT_EQ(lineageRow.substr(lineageRow.size() - 5), ",16,5") << "medians of 0, 12, 20, 30 and of 4, 5, 9";

    // A run cut short by a kill is shorter: the curves stop at the shortest run.
    summary.add(run(scratch, "0,5,2,1,x\n100,4,2,1,x\n"));
    EXPECT_EQ(summary.curves().size(), 2u);

    SweepSummary::Run broken;
    std::string error;
    EXPECT_FALSE(SweepSummary::readRun(scratch.write("bad.csv", "tick,herbivores,carnivores,plants\n0,1\n"),
                                       broken, error));
    EXPECT_NE(error.find("bad.csv"), std::string::npos);
    EXPECT_FALSE(SweepSummary::readRun(scratch.write("none.csv", "hello\n"), broken, error));
    EXPECT_FALSE(SweepSummary::readRun(scratch.write("rowless.csv", "tick,herbivores,carnivores,plants\n"),
                                       broken, error));
}

TEST(SweepProgress, SaysJobsDoneLeftAndTheTimeLeftAtThisRunsPace) {
    EXPECT_EQ(SweepProgress::line(0, 10, 0, 3.0), "jobs done 0/10, left 10, ETA unknown");
    EXPECT_EQ(SweepProgress::line(4, 10, 0, 20.0), "jobs done 4/10, left 6, ETA 30 s");
    EXPECT_EQ(SweepProgress::line(6, 10, 4, 20.0), "jobs done 6/10, left 4, ETA 40 s")
        << "jobs of an earlier run took none of this run's time";
    EXPECT_EQ(SweepProgress::line(1, 100, 0, 50.0), "jobs done 1/100, left 99, ETA 1 h 22 min");
    EXPECT_EQ(SweepProgress::line(10, 10, 0, 20.0), "jobs done 10/10, left 0, ETA 0 s");

    std::ostringstream log;
    SweepProgress plain(log, 4, 0, false);
    plain.update(0, 0.1);
    plain.update(0, 0.3);
    plain.update(1, 1.0);
    plain.finish();
    EXPECT_EQ(log.str(), "jobs done 0/4, left 4, ETA unknown\njobs done 1/4, left 3, ETA 3 s\n")
        << "off a terminal, one line per change";
    std::ostringstream terminal;
    SweepProgress live(terminal, 4, 0, true);
    live.update(2, 2.0);
    live.finish();
    EXPECT_EQ(terminal.str(), "\rjobs done 2/4, left 2, ETA 2 s\033[K\n");
}

TEST(SlurmScript, EachArrayTaskRunsItsOwnLineOfTheJobList) {
    Scratch scratch;
    const std::string marks = (scratch.folder / "marks").string();
    const std::string jobs =
        scratch.write("jobs.txt", "echo one >> " + marks + "\necho 'two; three' >> " + marks + "\nexit 3\n");
    const std::string text = SlurmScript::text(jobs, 3, scratch.folder.string());
    EXPECT_NE(text.find("#SBATCH --array=1-3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("#SBATCH --output=" + scratch.folder.string() + "/slurm-%A_%a.out"),
              std::string::npos);
    const std::string script = scratch.write("sweep.slurm", text);
    EXPECT_EQ(std::system(("SLURM_ARRAY_TASK_ID=2 bash " + script).c_str()), 0);
    std::ifstream in(marks);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "two; three\n") << "task 2 runs line 2, whole";
    const int status = std::system(("SLURM_ARRAY_TASK_ID=3 bash " + script).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 3) << "a failing job fails its task";
}

TEST(SweepReport, ASummaryTheDiskCannotTakeIsNamedAndLeavesNoPartBehind) {
    Scratch scratch;
    const std::string disk = (scratch.folder / "disk").string();
    std::filesystem::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=40k tmpfs " + disk + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    // Enough configurations for a summary larger than the disk.
    SweepOptions options;
    std::string error;
    ASSERT_EQ(parse({"--out", disk, "--set", "tile.nourishment=0.01:10:0.01"}, options, error), Outcome::Run)
        << error;
    const SweepPlan plan(options, disk, "/nowhere/bin");
    SweepReport report(plan, disk);
    report.gather();
    std::ostringstream out;
    const bool written = report.write(out, error);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(disk))
        left.push_back(entry.path().filename().string());
    ASSERT_EQ(std::system(("umount " + disk).c_str()), 0);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "cannot write " + report.summaryFile() + ": No space left on device");
    EXPECT_EQ(out.str().find("summary "), std::string::npos) << "never listed: " << out.str();
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST(SweepPlan, CommandFilesGoToEveryJobAndSeveralAreADimensionNamedByTheFile) {
    Scratch scratch;
    const std::string kill = scratch.write("kill.cmd", "@100 tool killer\n@100 apply 2,2\n");
    const std::string press = scratch.write("press.commands", "@100 set animal.moveCost=0.02\n");
    SweepOptions options;
    std::string error;
    ASSERT_EQ(parse({"--out", "f", "--seeds", "1-2", "--ticks", "500", "--commands", kill + "," + press},
                    options, error),
              Outcome::Run)
        << error;
    const SweepPlan plan(options, "/s", "/b");
    ASSERT_EQ(plan.getConfigurations().size(), 2u);
    ASSERT_EQ(plan.getJobs().size(), 4u);
    EXPECT_EQ(plan.getJobs()[0].name, "size5-all-t500-kill-seed1");
    EXPECT_EQ(plan.getJobs()[3].name, "size5-all-t500-press-seed2");
    EXPECT_NE(plan.simArguments(plan.getJobs()[3]).find("--commands " + press), std::string::npos);
    EXPECT_EQ(plan.simArguments(plan.getJobs()[3]).find(kill), std::string::npos);

    SweepOptions one;
    ASSERT_EQ(parse({"--out", "f", "--ticks", "500", "--commands", kill}, one, error), Outcome::Run) << error;
    const SweepPlan single(one, "/s", "/b");
    ASSERT_EQ(single.getConfigurations().size(), 1u);
    EXPECT_EQ(single.getJobs()[0].name, "size5-all-t500-seed1") << "one file names nothing";
    EXPECT_NE(single.simArguments(single.getJobs()[0]).find("--commands " + kill), std::string::npos);
}

TEST(SweepOptions, RefusesACommandFileAnyJobWouldRefuseBeforeTheFirstJob) {
    Scratch scratch;
    const std::string kill = scratch.write("kill.cmd", "@100 tool killer\n@100 apply 4,4\n");
    std::filesystem::create_directories(scratch.folder / "other");
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--commands", scratch.write("typo.cmd", "\n@5 spwan plant\n")},
         scratch.write("typo.cmd", "\n@5 spwan plant\n") + ":2: unknown command \"spwan\""},
        {{"--sizes", "5,4", "--commands", kill},
         "--commands: " + kill +
             ":2: tile 4,4 is off the board of 4 x 4 tiles (columns and rows from 0) (size 4)"},
        {{"--ticks", "99", "--commands", kill},
         "--commands: " + kill + ":1: tick 100 is past the last tick of the 99-tick runs"},
        {{"--commands", scratch.write("chart.cmd", "@1 chart off\n")},
         "--commands: " + (scratch.folder / "chart.cmd").string() +
             ":1: chart is for a window: the jobs have none"},
        {{"--commands", scratch.write("save.cmd", "@1 save\n")},
         "--commands: " + (scratch.folder / "save.cmd").string() +
             ":1: save: every job of the sweep would write the one file"},
        {{"--commands", kill + "," + scratch.write("other/kill.cmd", "")}, "would both be named \"kill\""},
        {{"--commands", kill + ","}, "holds an empty file name"},
    };
    for (const auto& [words, says] : bad) {
        std::vector<std::string> all{"--out", "f"};
        all.insert(all.end(), words.begin(), words.end());
        SweepOptions options;
        std::string error;
        EXPECT_EQ(parse(all, options, error), Outcome::Error) << says;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
}
