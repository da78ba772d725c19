#include "sweep/SweepEngine.h"

#include "common/ShellWord.h"
#include "common/TextFile.h"
#include "sweep/SweepJobLog.h"
#include "sweep/SweepProgress.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string lastLines(const std::string& path, int count) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::string text;
    for (size_t i = lines.size() > size_t(count) ? lines.size() - count : 0; i < lines.size(); ++i)
        text += "    " + lines[i] + "\n";
    return text.empty() ? "    (no output)\n" : text;
}

// Runs a program with its arguments, its standard output captured; returns the exit status or -1.
int capture(const std::vector<std::string>& arguments, std::string& output) {
    std::string command;
    for (const std::string& word : arguments)
        command += ShellWord::quote(word) + " ";
    FILE* pipe = popen((command + "2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// GNU parallel, while it runs: a TERM to the sweep becomes an INT to it, on which it ends its jobs.
volatile sig_atomic_t runningParallel = 0;

void endParallel(int) {
    if (runningParallel > 0)
        kill(static_cast<pid_t>(runningParallel), SIGINT);
}

} // namespace

SweepEngine::SweepEngine(const SweepOptions& options, const SweepPlan& plan, const std::string& folder,
                         std::ostream& out)
    : options(options), plan(plan), folder(folder), out(out) {}

bool SweepEngine::prepare(std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(plan.jobsFolder(), failure);
    if (failure) {
        error = "cannot make " + plan.jobsFolder() + ": " + failure.message();
        return false;
    }
    if (!lock(error))
        return false;
    std::string list;
    for (const SweepPlan::Job& job : plan.getJobs())
        list += plan.command(job) + "\n";
    // The job log knows jobs by their place in this list: another grid in the same folder would
    // take the finished jobs of this one for its own.
    if (std::filesystem::exists(jobListFile()) && readFile(jobListFile()) != list) {
        error = folder + " holds another sweep (its jobs.txt lists other jobs): give another --out";
        return false;
    }
    std::ofstream file(jobListFile(), std::ios::binary | std::ios::trunc);
    file << list;
    file.close();
    if (!file) {
        error = "cannot write " + jobListFile() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// The lock is held by this process and, through the inherited descriptor, by parallel and every
// job it starts: a job left running by a killed sweep keeps the folder locked until it ends, so a
// rerun cannot start the same job beside it, both writing one CSV.
bool SweepEngine::lock(std::string& error) {
    const std::string file = folder + "/lock";
    const int descriptor = open(file.c_str(), O_RDWR | O_CREAT, 0644);
    if (descriptor < 0) {
        error = "cannot open " + file + ": " + std::strerror(errno);
        return false;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        return true;
    // A job ended by a sweep just stopped may take a moment to be gone.
    out << "the folder is still locked by a sweep or its jobs: waiting up to 3 s for them to end"
        << std::endl;
    for (int wait = 0; wait < 30 && flock(descriptor, LOCK_EX | LOCK_NB) != 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        error = "a sweep or jobs of one still run in " + folder +
                " (sylvara-sweep, parallel or sylvara-sim): let them end, or end them, then run this again";
        return false;
    }
    return true;
}

bool SweepEngine::readLogins(const std::string& file, std::vector<std::string>& logins, std::string& error) {
    std::string text;
    if (!TextFile::read(file, "list of machines", text, error))
        return false;
    std::istringstream in(text);
    logins.clear();
    for (std::string line; std::getline(in, line);) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const size_t end = line.find_last_not_of(" \t\r");
        logins.push_back(line.substr(start, end - start + 1));
    }
    return true;
}

bool SweepEngine::checkMachines(const std::string& bin, std::string& error) {
    std::vector<std::string> logins;
    if (!readLogins(options.sshLoginFile, logins, error)) {
        error = "--sshloginfile: " + error;
        return false;
    }
    if (logins.empty()) {
        error = "--sshloginfile: " + options.sshLoginFile + " lists no machine";
        return false;
    }
    const std::string probe = "if [ ! -x " + ShellWord::quote(bin + "/sylvara-sim") + " ] || [ ! -r " +
                              ShellWord::quote(bin + "/../models/bloom.xsf") +
                              " ]; then echo no-run-tree; elif [ ! -e " + ShellWord::quote(jobListFile()) +
                              " ]; then echo no-sweep-folder; else echo ready; fi";
    for (const std::string& login : logins) {
        std::vector<std::string> arguments{"parallel", "--will-cite", "--nonall", "-S", login};
        if (!options.ssh.empty())
            arguments.insert(arguments.begin() + 2, {"--ssh", options.ssh});
        arguments.push_back(probe);
        std::string answer;
        capture(arguments, answer);
        if (answer.find("ready") != std::string::npos)
            continue;
        if (answer.find("no-run-tree") != std::string::npos)
            error = login + " has no run tree at " + bin + "/.. (every machine needs it at the same path)";
        else if (answer.find("no-sweep-folder") != std::string::npos)
            error = login + " does not see the sweep's folder " + folder +
                    " (every machine needs it at the same path, on a shared file system)";
        else
            error = "cannot log in to " + login + ": " + answer.substr(0, answer.find('\n'));
        return false;
    }
    return true;
}

std::vector<std::string> SweepEngine::parallelArguments() const {
    std::vector<std::string> arguments{"parallel", "--will-cite", "--joblog", jobLogFile(),
                                       "--resume-failed"};
    if (options.jobs > 0)
        arguments.insert(arguments.end(), {"--jobs", std::to_string(options.jobs)});
    if (!options.sshLoginFile.empty())
        arguments.insert(arguments.end(), {"--sshloginfile", options.sshLoginFile});
    if (!options.ssh.empty())
        arguments.insert(arguments.end(), {"--ssh", options.ssh});
    arguments.insert(arguments.end(), {"::::", jobListFile()});
    return arguments;
}

bool SweepEngine::run(std::string& error) {
    const int total = static_cast<int>(plan.getJobs().size());
    SweepProgress progress(out, total, SweepJobLog::read(jobLogFile()).finished(),
                           isatty(STDOUT_FILENO) == 1);
    const std::vector<std::string> arguments = parallelArguments();
    std::vector<char*> argv;
    for (const std::string& word : arguments)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    out.flush();
    const pid_t child = fork();
    if (child < 0) {
        error = std::string("cannot start GNU parallel: ") + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "sylvara-sweep: cannot run GNU parallel (%s): install the parallel package\n",
                     std::strerror(errno));
        _exit(127);
    }
    // Ctrl-C reaches parallel itself, which ends its jobs; the sweep stays to say what is left.
    runningParallel = child;
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, endParallel);
    const auto started = std::chrono::steady_clock::now();
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        progress.update(SweepJobLog::read(jobLogFile()).finished(), elapsed);
        if (ended == child)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    progress.finish();
    runningParallel = 0;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && !std::filesystem::exists(jobLogFile())) {
        error = "GNU parallel did not start (is the parallel package installed?)";
        return false;
    }
    return true;
}

int SweepEngine::reportFailures(std::ostream& to) const {
    const SweepJobLog log = SweepJobLog::read(jobLogFile());
    const std::vector<SweepJobLog::Entry> failed = log.failed();
    for (const SweepJobLog::Entry& entry : failed) {
        const SweepPlan::Job& job = plan.getJobs().at(entry.sequence - 1);
        to << "failed job " << entry.sequence << " (" << job.name << ") on " << entry.host << ", "
           << (entry.signal ? "signal " + std::to_string(entry.signal)
                            : "exit " + std::to_string(entry.exitValue))
           << ":\n  " << entry.command << "\n  its output (" << plan.logFile(job) << "):\n"
           << lastLines(plan.logFile(job), 10);
    }
    const int total = static_cast<int>(plan.getJobs().size());
    std::vector<int> left;
    for (int sequence = 1; sequence <= total; ++sequence)
        if (!log.ran(sequence))
            left.push_back(sequence);
    if (!left.empty()) {
        // A long grid gets its first jobs named, enough to know where it stopped.
        constexpr size_t NAMED = 10;
        to << left.size() << " of " << total << " jobs were not run, or not to the end:";
        for (size_t i = 0; i < left.size() && i < NAMED; ++i)
            to << (i ? ", " : " ") << left[i] << " (" << plan.getJobs()[left[i] - 1].name << ")";
        if (left.size() > NAMED)
            to << " and " << left.size() - NAMED << " more";
        to << "\n";
    }
    return static_cast<int>(failed.size() + left.size());
}
