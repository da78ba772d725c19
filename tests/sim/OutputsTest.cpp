// What the headless runner writes, when the names and the places it writes to are hostile: file
// names that look like gnuplot commands, outputs that fail or are special files or one another, a
// saved tick near the limit and a world saved while paused.
#include "ScratchFolder.h"

#include "common/Gnuplot.h"
#include "common/OutputFiles.h"
#include "save/SavedWorld.h"
#include "sim/MullerPlot.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

SimulationOptions smallRun(const ScratchFolder& scratch, int ticks) {
    SimulationOptions options;
    options.size = 1;
    options.ticks = ticks;
    options.interval = 10;
    options.seeded = true;
    options.seed = 5;
    options.csvFile = scratch.file("run.csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    return options;
}

bool isPng(const std::string& file) {
    std::ifstream png(file, std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    return std::string(magic + 1, 3) == "PNG";
}

// Starts, runs and finishes; false when any of it failed.
bool runThrough(const SimulationOptions& options, std::ostringstream& out, std::string& error) {
    SimulationRunner runner(options, out);
    if (!runner.start(error))
        return false;
    runner.runAll();
    const bool finished = runner.finish();
    runner.printSummary(out);
    return finished;
}

// Sets a saved world's columns with SQL.
void spoil(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST(OutputNames, ReachGnuplotAsDataNeverAsCommands) {
    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    ScratchFolder scratch{"sylvara-names"};
    // Each would run a command in the working folder had it been pasted into a script, or taken by
    // gnuplot for a command ('<' reads from one, '|' writes to one): a file named ran-* tells. The
    // names are relative, in the run tree's bin where the runner works, so they can begin with '<'.
    const std::string names[] = {
        "x\nsystem(\"touch ran-newline\")\n.csv",
        "x\rsystem(\"touch ran-cr\")\r",
        "q'uote\"s'; system('touch ran-quote'); '",
        "back\\slash\\' . system(\"touch ran-backslash\") . '",
        "$(touch ran-dollar)",
        "`touch ran-backtick`",
        "<touch ran-pipe",
        "|touch ran-output",
    };
    const std::string unique = "-" + std::to_string(getpid());
    for (const std::string& name : names) {
        SimulationOptions options = smallRun(scratch, 30);
        options.csvFile = name + unique + ".csv";
        options.plotFile = name + unique + ".png";
        options.traitsFile = name + unique + "-traits.png";
        std::ostringstream out;
        std::string error;
        EXPECT_TRUE(runThrough(options, out, error)) << error << out.str();
        EXPECT_TRUE(isPng(options.plotFile)) << name;
        EXPECT_TRUE(isPng(options.traitsFile)) << name;
        // The summary names the files, each on one line.
        EXPECT_NE(out.str().find("\ntraits plot " + OutputFiles::printable(options.traitsFile) + "\n"),
                  std::string::npos)
            << out.str();
        for (const std::string& made : {options.csvFile, options.plotFile, options.traitsFile})
            fs::remove(made);
        for (const auto& entry : fs::directory_iterator(fs::current_path())) {
            if (entry.path().filename().string().rfind("ran-", 0) != 0)
                continue;
            ADD_FAILURE() << "a file name ran as a command: " << entry.path();
            fs::remove(entry.path());
        }
    }
}

TEST(OutputFailures, AFullDiskEndsTheCsvAfterItsLastWholeRowAndFailsTheRunWithoutAPlot) {
    ScratchFolder scratch{"sylvara-full"};
    const std::string disk = scratch.file("disk");
    fs::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=40k tmpfs " + disk + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    SimulationOptions options = smallRun(scratch, 2000);
    options.interval = 1;
    options.csvFile = disk + "/run.csv";
    options.plotFile = scratch.file("run.png");
    std::ostringstream out;
    std::string error;
    const bool finished = runThrough(options, out, error);
    const std::vector<std::string> rows = lines(options.csvFile);
    std::string text;
    {
        std::ifstream whole(options.csvFile, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(whole), {});
    }
    ASSERT_EQ(std::system(("umount " + disk).c_str()), 0);

    EXPECT_FALSE(finished) << "a CSV that could not be written is no success";
    ASSERT_GT(rows.size(), 2u);
    ASSERT_LT(rows.size(), 2002u);
    EXPECT_EQ(text.back(), '\n') << "no row is left cut short";
    const std::string lastTick = rows.back().substr(0, rows.back().find(','));
    const std::string said = out.str();
    EXPECT_NE(said.find("could not write the CSV " + options.csvFile +
                        " (No space left on device): it holds " + std::to_string(rows.size() - 1) +
                        " rows, the last for tick " + lastTick),
              std::string::npos)
        << said;
    EXPECT_NE(
        said.find("csv " + options.csvFile + " (" + std::to_string(rows.size() - 1) + " rows, then failed)"),
        std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(options.plotFile)) << "no plot is drawn from a CSV that failed";
}

namespace {

// A 40 KB tmpfs for a test, unmounted when it ends; mounted is false where that is not allowed.
struct SmallDisk {
    explicit SmallDisk(const std::string& folder) : folder(folder) {
        fs::create_directories(folder);
        mounted = std::system(("mount -t tmpfs -o size=40k tmpfs " + folder + " 2>/dev/null").c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted) {
            EXPECT_EQ(std::system(("umount " + folder).c_str()), 0);
        }
    }
    // Fills the disk but for about that many bytes.
    void fill(size_t spare) const {
        std::ofstream filler(folder + "/filler", std::ios::binary);
        const std::string block(1024, 'x');
        while (filler && fs::space(folder).available > spare + block.size()) {
            filler << block;
            filler.flush();
        }
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string folder;
    bool mounted = false;
};

std::string wholeText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(OutputFailures, PlotsAndLineageThatTheDiskCannotTakeAreNamedFailTheRunAndLeaveNoPartBehind) {
    if (Gnuplot::findGnuplot().empty())
        GTEST_SKIP() << "gnuplot is not installed";
    ScratchFolder scratch{"sylvara-full-plots"};
    SmallDisk disk(scratch.file("disk"));
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    // A tree written before, which a failed write must leave as it was.
    const std::string earlier = disk.folder + "/run.nwk";
    std::ofstream(earlier) << "(earlier:1);\n";

    // Room for a little, not for a picture: gnuplot ends well on a picture cut short.
    disk.fill(8 * 1024);
    SimulationOptions options = smallRun(scratch, 300);
    options.plotFile = disk.folder + "/run.png";
    std::ostringstream out;
    std::string error;
    {
        SimulationRunner runner(options, out);
        ASSERT_TRUE(runner.start(error)) << error;
        runner.runAll();
        EXPECT_FALSE(runner.finish()) << out.str();
        runner.printSummary(out);
        ASSERT_EQ(runner.getWritten().size(), 1u);
        EXPECT_EQ(runner.getWritten()[0].option, "--csv") << "the census alone is written whole";
    }
    EXPECT_NE(out.str().find("cannot write " + options.plotFile), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("\nplot "), std::string::npos) << out.str();
    EXPECT_EQ(disk.entries(), (std::vector<std::string>{"filler", "run.nwk"}))
        << "nothing cut short, no part";

    // A full disk: every lineage output fails, each named, none listed, the earlier tree untouched.
    disk.fill(0);
    options = smallRun(scratch, 300);
    options.phylogenyFile = disk.folder + "/run-phylogeny.csv";
    options.newickFile = earlier;
    options.mullerFile = disk.folder + "/run-muller.png";
    out.str("");
    EXPECT_FALSE(runThrough(options, out, error)) << out.str();
    for (const std::string& file :
         {options.phylogenyFile, options.newickFile, MullerPlot::tablePath(options.mullerFile, "edges")})
        EXPECT_NE(out.str().find("cannot write " + file + ": No space left on device"), std::string::npos)
            << out.str();
    for (const char* listed : {"\nphylogeny ", "\nnewick ", "\nmuller "})
        EXPECT_EQ(out.str().find(listed), std::string::npos) << listed << out.str();
    EXPECT_EQ(wholeText(earlier), "(earlier:1);\n");
    EXPECT_EQ(disk.entries(), (std::vector<std::string>{"filler", "run.nwk"}));

    // The sweep's plots go the same way.
    const std::string curves = scratch.file("curves.csv");
    std::ofstream(curves) << "configuration,tick,a,b\nc,0,1,1\nc,10,2,2\n";
    const std::string png = disk.folder + "/survival.png";
    EXPECT_EQ(Gnuplot::run(Gnuplot::pngPreamble(400, 300) + "plot ARG1 using 2:3 with lines\n", curves, png,
                           "", error),
              Gnuplot::Result::Failed);
    EXPECT_NE(error.find("cannot write " + png), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(png));
}

TEST(OutputFailures, AFileThatTakesNoWritesIsSaidAndFailsTheRun) {
    // /proc/version opens for writing as root and refuses every write.
    ScratchFolder scratch{"sylvara-proc"};
    SimulationOptions options = smallRun(scratch, 20);
    options.csvFile = "/proc/version";
    std::ostringstream out;
    std::string error;
    SimulationRunner runner(options, out);
    if (!runner.start(error)) {
        EXPECT_NE(error.find("cannot write the CSV /proc/version"), std::string::npos) << error;
        return;
    }
    runner.runAll();
    EXPECT_FALSE(runner.finish());
    runner.printSummary(out);
    EXPECT_NE(out.str().find("could not write the CSV /proc/version"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("is written"), std::string::npos) << out.str();
}

TEST(OutputTargets, SpecialFilesAndOneFileNamedTwiceAreRefusedBeforeTheRun) {
    ScratchFolder scratch{"sylvara-targets"};
    const std::string fifo = scratch.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string socketPath = scratch.file("socket");
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string folder = scratch.file("folder");
    fs::create_directories(folder);

    for (const std::string& special : {fifo, socketPath, folder, std::string("/dev/full")}) {
        for (const std::string option : {"--save", "--csv", "--plot", "--traits"}) {
            SimulationOptions options = smallRun(scratch, 10);
            options.csvFile = scratch.file("run.csv");
            if (option == "--save")
                options.saveFile = special;
            else if (option == "--csv")
                options.csvFile = special;
            else if (option == "--plot")
                options.plotFile = special;
            else
                options.traitsFile = special;
            std::ostringstream out;
            std::string error;
            EXPECT_FALSE(SimulationRunner(options, out).start(error)) << option << " " << special;
            EXPECT_NE(error.find(special + " is "), std::string::npos) << error;
            EXPECT_NE(error.find(", not a regular file"), std::string::npos) << error;
        }
        struct stat info;
        EXPECT_EQ(stat(special.c_str(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode)) << special << " was replaced";
    }
    close(server);
    // The first file a --save-every pattern names is checked too.
    ASSERT_EQ(mkfifo(scratch.file("every-10").c_str(), 0644), 0);
    SimulationOptions every = smallRun(scratch, 10);
    every.saveEvery = 10;
    every.savePattern = scratch.file("every-%d");
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(SimulationRunner(every, out).start(error));
    EXPECT_NE(error.find(scratch.file("every-10") + " is a FIFO, not a regular file"), std::string::npos)
        << error;
    EXPECT_FALSE(fs::exists(scratch.file("run.csv"))) << "nothing ran";

    // One file under two names: the same spelling, a . and .., and a link.
    SimulationOptions base = smallRun(scratch, 10);
    base.csvFile = scratch.file("other.csv");
    fs::create_symlink(scratch.file("run.csv"), scratch.file("link.csv"));
    const struct {
        std::string first, second;
        std::string SimulationOptions::*one;
        std::string SimulationOptions::*other;
    } pairs[] = {
        {"--csv", "--plot", &SimulationOptions::csvFile, &SimulationOptions::plotFile},
        {"--csv", "--traits", &SimulationOptions::csvFile, &SimulationOptions::traitsFile},
        {"--save", "--csv", &SimulationOptions::saveFile, &SimulationOptions::csvFile},
        {"--plot", "--traits", &SimulationOptions::plotFile, &SimulationOptions::traitsFile},
    };
    const std::string spellings[] = {scratch.file("run.csv"), scratch.file("folder/../././run.csv"),
                                     scratch.file("link.csv")};
    for (const auto& pair : pairs) {
        for (const std::string& spelling : spellings) {
            SimulationOptions options = base;
            options.*pair.one = scratch.file("run.csv");
            options.*pair.other = spelling;
            std::ostringstream out;
            std::string error;
            EXPECT_FALSE(SimulationRunner(options, out).start(error)) << pair.first << " " << spelling;
            EXPECT_NE(error.find(pair.first + " and " + pair.second + " name the same file"),
                      std::string::npos)
                << error;
        }
    }
    EXPECT_FALSE(fs::exists(scratch.file("run.csv"))) << "nothing ran";
}

TEST(OutputTargets, ASavedWorldIsNeverOverwrittenByAnotherOutputAndALinkIsWrittenThrough) {
    ScratchFolder scratch{"sylvara-links"};
    SimulationOptions first = smallRun(scratch, 20);
    first.saveFile = scratch.file("world.sylvara");
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(runThrough(first, out, error)) << error;
    const auto saved = fs::file_size(first.saveFile);

    SimulationOptions again = smallRun(scratch, 30);
    again.seeded = false;
    again.loadFile = first.saveFile;
    again.csvFile = scratch.file("./world.sylvara");
    EXPECT_FALSE(SimulationRunner(again, out).start(error));
    EXPECT_NE(error.find("--load and --csv name the same file"), std::string::npos) << error;
    EXPECT_EQ(fs::file_size(first.saveFile), saved);

    // Through a link the save replaces the file it names, and the link stays a link.
    fs::create_symlink(first.saveFile, scratch.file("link.sylvara"));
    again.csvFile = scratch.file("more.csv");
    again.saveFile = scratch.file("link.sylvara");
    EXPECT_FALSE(SimulationRunner(again, out).start(error)) << "loading and saving one world through a link";
    again.loadFile.clear();
    again.seeded = true;
    ASSERT_TRUE(runThrough(again, out, error)) << error << out.str();
    EXPECT_TRUE(fs::is_symlink(scratch.file("link.sylvara")));
    SavedWorld reread;
    ASSERT_TRUE(SavedWorld::read(first.saveFile, reread, error)) << error;
    EXPECT_EQ(reread.getRecord().tickNumber, 30);
}

TEST(SavedTicks, ARunThatWouldPassTheLastTickIsRefusedAndOneThatEndsOnItRuns) {
    ScratchFolder scratch{"sylvara-ticks"};
    SimulationOptions first = smallRun(scratch, 3);
    first.saveFile = scratch.file("late.sylvara");
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(runThrough(first, out, error)) << error;
    spoil(first.saveFile, "UPDATE world SET tick = 2147483000");

    SimulationOptions late = smallRun(scratch, 648);
    late.seeded = false;
    late.loadFile = first.saveFile;
    EXPECT_FALSE(SimulationRunner(late, out).start(error));
    EXPECT_EQ(error, "--ticks 648 from the saved tick 2147483000 would pass the last tick a run can reach, "
                     "2147483647");
    late.ticks = 647;
    late.saveFile = scratch.file("last.sylvara");
    ASSERT_TRUE(runThrough(late, out, error)) << error << out.str();
    const std::vector<std::string> rows = lines(late.csvFile);
    EXPECT_EQ(rows.back().rfind("2147483647,", 0), 0u) << rows.back();
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_NE(rows[i][0], '-') << "a tick went negative: " << rows[i];
    SavedWorld last;
    ASSERT_TRUE(SavedWorld::read(late.saveFile, last, error)) << error;
    EXPECT_EQ(last.getRecord().tickNumber, 2147483647L);
}

TEST(SavedTicks, APausedSavedWorldIsResumedAndSaysSo) {
    ScratchFolder scratch{"sylvara-paused"};
    SimulationOptions first = smallRun(scratch, 300);
    first.saveFile = scratch.file("paused.sylvara");
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(runThrough(first, out, error)) << error;
    spoil(first.saveFile, "UPDATE world SET paused = 1");

    SimulationOptions resumed = smallRun(scratch, 200);
    resumed.seeded = false;
    resumed.interval = 100;
    resumed.loadFile = first.saveFile;
    resumed.saveFile = scratch.file("after.sylvara");
    std::ostringstream said;
    ASSERT_TRUE(runThrough(resumed, said, error)) << error;
    EXPECT_NE(said.str().find("the saved world was paused: the run resumes it\n"), std::string::npos)
        << said.str();
    SavedWorld after;
    ASSERT_TRUE(SavedWorld::read(resumed.saveFile, after, error)) << error;
    EXPECT_EQ(after.getRecord().tickNumber, 500) << "every row names a tick that ran";
    EXPECT_FALSE(after.getRecord().paused);

    // The same ticks as a world saved running.
    spoil(first.saveFile, "UPDATE world SET paused = 0");
    SimulationOptions running = resumed;
    running.csvFile = scratch.file("running.csv");
    running.saveFile.clear();
    ASSERT_TRUE(runThrough(running, said, error)) << error;
    EXPECT_EQ(lines(running.csvFile), lines(resumed.csvFile));
}

TEST(RunTree, TheToolsRunFromAnyFolderAndWriteTheUsersFilesThere) {
    ScratchFolder scratch{"sylvara-elsewhere"};
    const std::string bin = fs::current_path().string();
    const auto run = [&](const std::string& command, std::string& said) {
        return shellOutput("cd " + scratch.folder.string() + " && env -u DISPLAY " + command + " 2>&1", said);
    };
    std::string said;
    EXPECT_EQ(run(bin + "/sylvara-sim --size 1 --ticks 50 --seed 3 --phylogeny tree.csv --newick tree.nwk "
                        "--muller muller.png",
                  said),
              0)
        << said;
    EXPECT_EQ(lines(scratch.file("population.csv")).size(), 3u) << said;
    for (const std::string lineage : {"tree.csv", "tree.nwk", "muller.png"}) {
        EXPECT_TRUE(fs::exists(scratch.file(lineage))) << lineage << " is the user's, in their folder";
        EXPECT_FALSE(fs::exists(bin + "/" + lineage)) << lineage << " was written beside the programs";
    }
    EXPECT_NE(said.find("csv " + scratch.file("population.csv") + " (2 rows)"), std::string::npos) << said;
    // An empty board, and a run of no ticks: gnuplot's warnings stay off the console.
    for (const std::string empty : {"--genesis none --ticks 300", "--ticks 0"}) {
        EXPECT_EQ(run(bin + "/sylvara-sim --size 1 --seed 3 " + empty, said), 0) << said;
        EXPECT_EQ(said.find("arning"), std::string::npos) << said;
        EXPECT_EQ(said.find("range"), std::string::npos) << said;
    }

    EXPECT_EQ(run(bin + "/sylvara-lab --size 1", said), 2);
    EXPECT_EQ(said, "sylvara-lab: cannot open a window: no display could be reached (is DISPLAY set?)\n");

    EXPECT_EQ(run(bin + "/sylvara-assets --help", said), 0);
    EXPECT_EQ(said.rfind("usage: ", 0), 0u) << said;
    EXPECT_EQ(run(bin + "/sylvara-assets --bogus", said), 2);
    EXPECT_EQ(run(bin + "/sylvara-assets", said), 2);
    EXPECT_FALSE(fs::exists(scratch.file("--help")));
    EXPECT_FALSE(fs::exists(scratch.file("--bogus")));
}

TEST(RunTree, ARunOutOfMemorySaysSoInOneLineAndFails) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer's shadow memory does not fit under a memory limit";
#endif
    ScratchFolder scratch{"sylvara-no-memory"};
    // The 100 x 100 board needs about 100 MB: 90 MB in all is short of it.
    const std::string command = "cd " + scratch.folder.string() + " && ulimit -v 90000 && " +
                                fs::current_path().string() + "/sylvara-sim --size 100 --ticks 10 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string said;
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        said += static_cast<char>(c);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal: " << said;
    EXPECT_EQ(WEXITSTATUS(status), 1) << said;
    EXPECT_NE(said.find("sylvara-sim: out of memory building the world\n"), std::string::npos) << said;
    EXPECT_EQ(said.find("terminate"), std::string::npos) << said;
}
