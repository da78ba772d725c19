// sylvara-sweep end to end: real jobs through GNU parallel, on this machine and through a real
// ssh login; a failed job and a killed sweep, each run again.
#include "ProgramSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <regex>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string bin() {
    return ProgramSession::stageDir() + "/bin";
}

// Runs a shell command; returns its exit code, its output (both streams) in output.
int shell(const std::string& command, std::string& output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    output.clear();
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Scratch {
    fs::path folder = fs::temp_directory_path() / ("sylvara-sweep-" + std::to_string(getpid()));
    Scratch() {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string path(const std::string& leaf) const { return (folder / leaf).string(); }
};

// The job log's lines by job: sequence number -> how many times it ran, and how many ran well.
struct LogCounts {
    std::map<int, int> runs;
    std::map<int, int> succeeded;
};
LogCounts countLog(const std::string& joblog) {
    LogCounts counts;
    std::istringstream in(readFile(joblog));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        int sequence = 0, exitValue = -1, signal = -1;
        char host[256];
        double start = 0, runtime = 0;
        long sent = 0, received = 0;
        if (std::sscanf(line.c_str(), "%d %255s %lf %lf %ld %ld %d %d", &sequence, host, &start, &runtime,
                        &sent, &received, &exitValue, &signal) == 8) {
            counts.runs[sequence] += 1;
            counts.succeeded[sequence] += exitValue == 0 && signal == 0;
        }
    }
    return counts;
}

// What a job of the sweep runs, run alone: its CSV goes where the test says.
std::string runAlone(int size, unsigned seed, int ticks, const std::string& csv, const std::string& scratch) {
    std::string output;
    const std::string command = "cd " + bin() + " && ./sylvara-sim --size " + std::to_string(size) +
                                " --genesis all --ticks " + std::to_string(ticks) + " --seed " +
                                std::to_string(seed) + " --interval 100 --csv " + csv + " --plot " + scratch +
                                "/alone.png --traits " + scratch + "/alone-traits.png";
    EXPECT_EQ(shell(command, output), 0) << output;
    return readFile(csv);
}

} // namespace

TEST(SweepRun, JobsThroughParallelWriteTheSameCsvAsSylvaraSimAlone) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    std::string output;
    ASSERT_EQ(shell(bin() + "/sylvara-sweep --out " + out + " --sizes 1,2 --seeds 1-4 --ticks 2000 --jobs 2",
                    output),
              0)
        << output;
    EXPECT_NE(output.find("jobs done 8/8, left 0"), std::string::npos) << output;
    for (int size : {1, 2})
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const std::string name = "size" + std::to_string(size) + "-all-t2000-seed" + std::to_string(seed);
            const std::string swept = readFile(out + "/jobs/" + name + ".csv");
            ASSERT_FALSE(swept.empty()) << name;
            EXPECT_EQ(swept, runAlone(size, seed, 2000, scratch.path("alone.csv"), scratch.folder.string()))
                << name;
        }
    const LogCounts log = countLog(out + "/joblog");
    EXPECT_EQ(log.runs.size(), 8u);

    // The summary: one row per configuration of 4 runs, curves to the last census tick, two plots.
    std::istringstream summary(readFile(out + "/summary.csv"));
    std::string line;
    std::getline(summary, line);
    std::vector<std::string> rows;
    while (std::getline(summary, line))
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind("size1-all-t2000,1,\"all\",2000,4,", 0), 0u) << rows[0];
    EXPECT_EQ(rows[1].rfind("size2-all-t2000,2,\"all\",2000,4,", 0), 0u) << rows[1];
    const std::string curves = readFile(out + "/summary-curves.csv");
    EXPECT_NE(curves.find("\nsize2-all-t2000,2000,"), std::string::npos);
    EXPECT_NE(curves.find("\nsize1-all-t2000,0,1,10,10,10,"), std::string::npos)
        << "at tick 0 every run has its 10 herbivores";
    for (const char* plot : {"/survival.png", "/populations.png"})
        EXPECT_EQ(readFile(out + plot).substr(1, 3), "PNG") << plot;
}

TEST(SweepRun, LineageAskedForGivesEachJobTheTreeSylvaraSimAloneWrites) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    std::string output;
    ASSERT_EQ(shell(bin() + "/sylvara-sweep --out " + out + " --sizes 1 --seeds 1,2 --ticks 1500 --lineage",
                    output),
              0)
        << output;
    for (unsigned seed : {1u, 2u}) {
        const std::string job = out + "/jobs/size1-all-t1500-seed" + std::to_string(seed);
        const std::string alone = scratch.path("alone");
        ASSERT_EQ(shell("cd " + bin() + " && ./sylvara-sim --size 1 --ticks 1500 --seed " +
                            std::to_string(seed) + " --csv " + alone + ".csv --plot " + alone +
                            ".png --traits " + alone + "-traits.png --phylogeny " + alone +
                            "-phylogeny.csv --phylogeny-extant --newick " + alone + ".nwk",
                        output),
                  0)
            << output;
        const std::string tree = readFile(job + "-phylogeny.csv");
        EXPECT_EQ(tree.rfind("id,ancestor_list,origin_time,destruction_time,", 0), 0u) << tree.substr(0, 80);
        EXPECT_EQ(tree, readFile(alone + "-phylogeny.csv")) << "seed " << seed;
        EXPECT_EQ(readFile(job + ".nwk"), readFile(alone + ".nwk")) << "seed " << seed;
        EXPECT_EQ(readFile(job + "-muller.png").substr(1, 3), "PNG") << "seed " << seed;
    }
}

TEST(SweepRun, AFailedJobIsNamedFailsTheSweepAndAloneRunsAgain) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    const std::string grid = bin() + "/sylvara-sweep --out " + out + " --sizes 1 --ticks 300";
    const std::string command = grid + " --seeds 1-3";
    // A folder where seed 2's CSV should go: that job cannot write it.
    fs::create_directories(out + "/jobs/size1-all-t300-seed2.csv");
    std::string output;
    EXPECT_EQ(shell(command, output), 1) << output;
    EXPECT_NE(output.find("failed job 2 (size1-all-t300-seed2)"), std::string::npos) << output;
    EXPECT_NE(output.find("./sylvara-sim --size 1 --genesis all --ticks 300 --seed 2"), std::string::npos)
        << "the failed job's command" << output;
    EXPECT_NE(output.find("is a folder, not a regular file"), std::string::npos)
        << "the failed job's output" << output;
    EXPECT_NE(output.find("size1-all-t300: 2 runs"), std::string::npos) << "the summary of the jobs that ran";

    fs::remove(out + "/jobs/size1-all-t300-seed2.csv");
    ASSERT_EQ(shell(command, output), 0) << output;
    const LogCounts log = countLog(out + "/joblog");
    EXPECT_EQ(log.runs, (std::map<int, int>{{1, 1}, {2, 2}, {3, 1}})) << "only the failed job ran again";
    EXPECT_EQ(log.succeeded.at(2), 1);
    EXPECT_NE(output.find("size1-all-t300: 3 runs"), std::string::npos) << output;

    // Another grid in the same folder would misread the job log: refused.
    EXPECT_EQ(shell(grid + " --seeds 1-5", output), 2);
    EXPECT_NE(output.find("holds another sweep"), std::string::npos) << output;
}

// Every row of a CSV after its header, split at the commas.
std::vector<std::vector<std::string>> csvRows(const std::string& text, std::vector<std::string>& header) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');)
            cells.push_back(cell);
        (first ? header : rows.emplace_back()) = cells;
    }
    return rows;
}

TEST(SweepRun, ARuleGivenSeveralValuesIsOneMoreDimensionNamedEverywhere) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    std::ofstream(scratch.path("base.toml")) << "[mutation]\nchance = 20\n";
    std::string output;
    ASSERT_EQ(shell(bin() + "/sylvara-sweep --out " + out +
                        " --sizes 2 --seeds 1-2 --ticks 3000 --interval 1000" + " --rules " +
                        scratch.path("base.toml") +
                        " --set tile.nourishment=0.02:0.06:0.04 --set animal.moveCost=0.01 --jobs 2",
                    output),
              0)
        << output;
    EXPECT_NE(output.find("jobs done 4/4"), std::string::npos) << output;
    const std::string plain = "size2-all-t3000-tile.nourishment0.02";
    const std::string rich = "size2-all-t3000-tile.nourishment0.06";
    EXPECT_NE(output.find(plain + ": 2 runs"), std::string::npos) << output;
    EXPECT_NE(output.find(rich + ": 2 runs"), std::string::npos) << output;

    // The rules set to their defaults give the default run exactly; the richer tiles another one.
    ASSERT_EQ(shell("cd " + bin() +
                        " && ./sylvara-sim --size 2 --ticks 3000 --seed 1 --interval 1000 --csv " +
                        scratch.path("alone.csv") + " --plot " + scratch.path("alone.png") + " --traits " +
                        scratch.path("alone-traits.png"),
                    output),
              0)
        << output;
    const std::string swept = readFile(out + "/jobs/" + plain + "-seed1.csv");
    ASSERT_FALSE(swept.empty());
    EXPECT_EQ(swept, readFile(scratch.path("alone.csv")));
    std::vector<std::string> header;
    const std::string richer = readFile(out + "/jobs/" + rich + "-seed1.csv");
    EXPECT_NE(richer.substr(0, 2000), swept.substr(0, 2000)) << "the rule reached the job";

    // summary.csv names the varying rule in a column of its own, and the extinction ticks are the
    // jobs' own, not the census rows' (every 1000 ticks).
    const auto rows = csvRows(readFile(out + "/summary.csv"), header);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_GE(header.size(), 6u);
    EXPECT_EQ(header[4], "tile.nourishment");
    EXPECT_EQ(header[5], "runs");
    EXPECT_EQ(rows[0][0], plain);
    EXPECT_EQ(rows[0][4], "0.02");
    EXPECT_EQ(rows[1][4], "0.06");
    EXPECT_EQ(std::find(header.begin(), header.end(), "animal.moveCost"), header.end())
        << "a rule with one value does not vary";
    const std::string log = readFile(out + "/jobs/" + plain + "-seed1.log");
    std::smatch died;
    if (std::regex_search(log, died, std::regex("herbivores died out at tick ([0-9]+)"))) {
        const std::string seed2 = readFile(out + "/jobs/" + plain + "-seed2.log");
        std::smatch other;
        if (std::regex_search(seed2, other, std::regex("herbivores died out at tick ([0-9]+)"))) {
            const double median = (std::stod(died[1]) + std::stod(other[1])) / 2;
            const auto column = std::find(header.begin(), header.end(), "herbivore_extinction_median");
            ASSERT_NE(column, header.end());
            EXPECT_DOUBLE_EQ(std::stod(rows[0][column - header.begin()]), median);
        }
    }
    const std::string survival = readFile(out + "/survival.png");
    EXPECT_EQ(survival.substr(1, 3), "PNG");
    const std::string curves = readFile(out + "/summary-curves.csv");
    EXPECT_NE(curves.find("\n" + rich + ",3000,"), std::string::npos);

    // Rescue in a sweep is counted in the summary, never hidden.
    const std::string kept = scratch.path("kept");
    ASSERT_EQ(shell(bin() + "/sylvara-sweep --out " + kept +
                        " --sizes 1 --seeds 1 --ticks 2000 --keep herbivores=8",
                    output),
              0)
        << output;
    EXPECT_NE(output.find("herbivores alive in every run, rescued in 1 of 1 ("), std::string::npos) << output;
    const auto keptRows = csvRows(readFile(kept + "/summary.csv"), header);
    const auto inserted = std::find(header.begin(), header.end(), "herbivore_inserted");
    ASSERT_NE(inserted, header.end());
    EXPECT_GT(std::stol(keptRows.at(0)[inserted - header.begin()]), 0);

    for (const std::string& bad : std::vector<std::string>{
             "--set tile.nourishmant=1", "--set mutation.chance=5,500", "--set animal.moveCost=0.1:0:0.01",
             "--rules " + scratch.path("none.toml"), "--keep herbivores"}) {
        EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + scratch.path("bad") + " " + bad, output), 2) << bad;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << bad << ": " << output;
    }
}

// Starts the sweep in a process group of its own; returns its pid.
pid_t startSweep(const std::string& command, const std::string& log) {
    const pid_t sweep = fork();
    if (sweep == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >" + log + " 2>&1").c_str(), (char*)nullptr);
        _exit(127);
    }
    setpgid(sweep, sweep);
    return sweep;
}

// Waits until the job log lists that many jobs, or two minutes pass.
size_t waitForJobs(const std::string& joblog, size_t jobs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    size_t done = 0;
    while ((done = countLog(joblog).runs.size()) < jobs && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return done;
}

TEST(SweepRun, AKilledSweepRunAgainSkipsTheJobsItFinished) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    const std::string command =
        bin() + "/sylvara-sweep --out " + out + " --sizes 3 --seeds 1-8 --ticks 1500 --jobs 1";
    const std::string joblog = out + "/joblog";

    // A polite end: the sweep ends parallel, which ends its running job, and says the sweep is unfinished.
    const std::string log = scratch.path("sweep.out");
    pid_t sweep = startSweep(command, log);
    ASSERT_GT(sweep, 0);
    waitForJobs(joblog, 1);
    kill(sweep, SIGTERM);
    int status = 0;
    waitpid(sweep, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "an unfinished sweep is no success";

    // A hard end: the sweep and parallel are killed outright once more jobs are done; the job then
    // running outlives them, holding the folder's lock until it ends.
    const size_t before = countLog(joblog).runs.size();
    sweep = startSweep(command, log);
    ASSERT_GT(sweep, 0);
    ASSERT_GE(waitForJobs(joblog, before + 2), before + 2) << readFile(log);
    kill(-sweep, SIGKILL);
    waitpid(sweep, &status, 0);
    const size_t killedAt = countLog(joblog).runs.size();
    ASSERT_LT(killedAt, 8u) << "the sweep ended before it could be killed halfway";

    std::string output;
    int code = 2;
    for (int attempt = 0; attempt < 200 && code == 2; ++attempt) {
        code = shell(command, output);
        if (code == 2) {
            ASSERT_NE(output.find("still run in " + out), std::string::npos) << output;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ASSERT_EQ(code, 0) << output;
    const LogCounts after = countLog(joblog);
    ASSERT_EQ(after.runs.size(), 8u);
    for (const auto& job : after.runs)
        EXPECT_EQ(job.second, 1) << "job " << job.first << " ran " << job.second << " times";
    EXPECT_NE(output.find("size3-all-t1500: 8 runs"), std::string::npos) << output;
}

TEST(SweepRun, AJobOutlivingAKilledSweepMakesARerunSaySoAndTheTermedSweepNamesTheJobsLeft) {
    Scratch scratch;
    const std::string out = scratch.path("long");
    // Jobs of several seconds each even on a quiet machine (a 6 x 6 board of plants alone runs some
    // 20,000 ticks a second), so the first outlives the kill by more than the rerun waits.
    const std::string command =
        bin() + "/sylvara-sweep --out " + out + " --sizes 6 --seeds 1-3 --ticks 250000 --jobs 1";
    const std::string log = scratch.path("sweep.out");
    pid_t sweep = startSweep(command, log);
    ASSERT_GT(sweep, 0);
    // The first job has started once its output file is there.
    const std::string firstLog = out + "/jobs/size6-all-t250000-seed1.log";
    for (int wait = 0; wait < 600 && !fs::exists(firstLog); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(firstLog)) << readFile(log);
    kill(sweep, SIGTERM);
    int status = 0;
    waitpid(sweep, &status, 0);
    const std::string ended = readFile(log);
    EXPECT_NE(ended.find(" of 3 jobs were not run, or not to the end: "), std::string::npos) << ended;
    EXPECT_NE(ended.find("2 (size6-all-t250000-seed2), 3 (size6-all-t250000-seed3)\n"), std::string::npos)
        << ended;

    // Gone before the rerun starts, so that the file seen next is its job's (removed after the start, a
    // quick job's new file could go and the wait below run out while the job ran to its end).
    fs::remove(firstLog);
    sweep = startSweep(command, log);
    ASSERT_GT(sweep, 0);
    for (int wait = 0; wait < 600 && !fs::exists(firstLog); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::map<int, int> runsBefore = countLog(out + "/joblog").runs;
    kill(-sweep, SIGKILL);
    waitpid(sweep, &status, 0);
    std::string output;
    EXPECT_EQ(shell(command, output), 2) << output;
    EXPECT_NE(output.find("still run in " + out), std::string::npos) << output;
    EXPECT_EQ(countLog(out + "/joblog").runs, runsBefore) << "nothing ran beside the job left running";
    // Once it has ended, a rerun runs the job cut short again and the rest.
    int code = 2;
    for (int attempt = 0; attempt < 100 && code == 2; ++attempt)
        code = shell(command, output);
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("size6-all-t250000: 3 runs"), std::string::npos) << output;
}

TEST(SweepRun, OneFolderHoweverSpelledAndNothingToSummarizeIsRefusedWithoutAFolderMade) {
    Scratch scratch;
    const std::string out = scratch.path("sweep");
    const std::string grid = " --sizes 1 --seeds 1-2 --ticks 100";
    std::string output;
    ASSERT_EQ(shell(bin() + "/sylvara-sweep --out " + out + grid, output), 0) << output;
    // Tab completion's trailing slash, a dot and a link: the same sweep, run again.
    fs::create_directory_symlink(out, scratch.path("link"));
    for (const std::string& spelling : {out + "/", scratch.path("./sweep/."), scratch.path("link")}) {
        EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + spelling + grid, output), 0) << spelling << output;
        EXPECT_EQ(output.find("another sweep"), std::string::npos) << output;
    }
    EXPECT_EQ(countLog(out + "/joblog").runs.size(), 2u);

    const std::string missing = scratch.path("missing");
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --summarize --out " + missing + grid, output), 2);
    EXPECT_EQ(output, "sylvara-sweep: --summarize: " + missing +
                          " holds no finished job of this grid: nothing to summarize\n");
    EXPECT_FALSE(fs::exists(missing));
    const std::string empty = scratch.path("empty");
    fs::create_directories(empty);
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --summarize --out " + empty + grid, output), 2) << output;
    EXPECT_TRUE(fs::is_empty(empty));

    std::ofstream(scratch.path("file")) << "not a folder\n";
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + scratch.path("file") + grid, output), 2);
    EXPECT_EQ(output, "sylvara-sweep: --out: " + scratch.path("file") + " is not a folder\n");
}

TEST(SweepRun, ARefusalLeavesNoFolderLockOrJobListBehind) {
    Scratch scratch;
    std::string output;
    // A grid past the job limit is refused at once, before its job list is built.
    const std::string huge = scratch.path("huge");
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + huge +
                        " --seeds 1-100000 --set mutation.chance=0:99:1 --slurm",
                    output),
              2);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find("10000000 jobs"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(huge));

    // Refused after the folder is made: what it made goes, what was there stays.
    const std::string fresh = scratch.path("fresh");
    const std::string grid =
        " --sizes 1 --seeds 1-2 --ticks 100 --sshloginfile " + scratch.path("no-such-hosts");
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + fresh + grid, output), 2) << output;
    EXPECT_NE(output.find("cannot read the list of machines"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(fresh)) << "no folder, lock or job list is left";
    const std::string kept = scratch.path("kept");
    fs::create_directories(kept);
    std::ofstream(kept + "/notes.txt") << "the user's own\n";
    EXPECT_EQ(shell(bin() + "/sylvara-sweep --out " + kept + grid, output), 2) << output;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(kept))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"notes.txt"});
}

namespace {

// A port free on the loopback now.
int freePort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

// An ssh server of the test's own on a free loopback port, with a host key and a user key made
// for it; stopped when the test ends, however it ends.
class SshServer {
public:
    explicit SshServer(const std::string& folder) : folder(folder), port(freePort()) {
        std::string output;
        shell("mkdir -p /run/sshd && ssh-keygen -q -t ed25519 -N '' -f " + folder +
                  "/host && ssh-keygen -q -t ed25519 "
                  "-N '' -f " +
                  folder + "/user",
              output);
        std::ofstream(folder + "/sshd_config")
            << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << folder
            << "/host\nAuthorizedKeysFile " << folder
            << "/user.pub\nPasswordAuthentication no\nStrictModes no\nUsePAM no\nPidFile " << folder
            << "/sshd.pid\n";
        started =
            shell("/usr/sbin/sshd -f " + folder + "/sshd_config -E " + folder + "/sshd.log", output) == 0;
        startError = output;
    }
    ~SshServer() {
        const std::string pid = readFile(folder + "/sshd.pid");
        if (pid.empty())
            return;
        const pid_t server = std::stoi(pid);
        kill(server, SIGTERM);
        for (int wait = 0; wait < 100 && kill(server, 0) == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Logs in with the test's key, trusting the test's host key without asking.
    std::string sshCommand() const {
        return "ssh -p " + std::to_string(port) + " -i " + folder +
               "/user -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR";
    }
    bool started = false;
    std::string startError;

private:
    std::string folder;
    int port;
};

} // namespace

TEST(SweepRun, JobsRunThroughARealSshLoginAndBadLoginFilesAreNamed) {
    if (geteuid() != 0 || access("/usr/sbin/sshd", X_OK) != 0)
        GTEST_SKIP() << "the ssh server runs as root here";
    Scratch scratch;
    SshServer server(scratch.folder.string());
    ASSERT_TRUE(server.started) << server.startError;
    const std::string logins = scratch.path("logins");
    std::ofstream(logins) << "# this machine, through ssh only\n1/root@127.0.0.1\n";
    const std::string out = scratch.path("sweep");
    const std::string sweep = bin() + "/sylvara-sweep --out " + out + " --sizes 2 --seeds 5-6 --ticks 400 ";
    std::string output;
    ASSERT_EQ(shell(sweep + "--sshloginfile " + logins + " --ssh '" + server.sshCommand() + "'", output), 0)
        << output;
    std::istringstream log(readFile(out + "/joblog"));
    std::string line;
    std::getline(log, line);
    int jobs = 0;
    while (std::getline(log, line)) {
        jobs += 1;
        EXPECT_NE(line.find("\troot@127.0.0.1\t"), std::string::npos)
            << "ran through the ssh login: " << line;
    }
    EXPECT_EQ(jobs, 2);
    for (unsigned seed : {5u, 6u})
        EXPECT_EQ(readFile(out + "/jobs/size2-all-t400-seed" + std::to_string(seed) + ".csv"),
                  runAlone(2, seed, 400, scratch.path("alone.csv"), scratch.folder.string()));

    // A login file that is not there, one with no machine, and a machine that does not answer.
    EXPECT_EQ(shell(sweep + "--sshloginfile " + scratch.path("none"), output), 2);
    EXPECT_NE(output.find(scratch.path("none") + ": cannot read the list of machines: No such file"),
              std::string::npos)
        << output;
    std::ofstream(scratch.path("empty")) << "# nothing\n\n";
    EXPECT_EQ(shell(sweep + "--sshloginfile " + scratch.path("empty"), output), 2);
    EXPECT_NE(output.find("lists no machine"), std::string::npos) << output;
    EXPECT_EQ(shell(sweep + "--sshloginfile " + logins + " --ssh 'ssh -p " + std::to_string(freePort()) +
                        " -o BatchMode=yes -o ConnectTimeout=5'",
                    output),
              2);
    EXPECT_NE(output.find("cannot log in to 1/root@127.0.0.1"), std::string::npos) << output;
}
