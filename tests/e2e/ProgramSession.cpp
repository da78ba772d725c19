#include "ProgramSession.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int uniqueCounter = 0;

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> result;
    for (std::string& word : words)
        result.push_back(word.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

ProgramSession::ProgramSession(std::vector<std::string> arguments, std::vector<std::string> environment)
    : arguments(std::move(arguments)), environment(std::move(environment)) {}

ProgramSession::~ProgramSession() {
    if (program > 0 && running()) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
    }
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    if (!logFile.empty())
        std::remove(logFile.c_str());
}

std::string ProgramSession::stageDir() {
#ifdef SYLVARA_STAGE_DIR
    return SYLVARA_STAGE_DIR;
#else
    return "..";
#endif
}

void ProgramSession::pause(double seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
}

std::string ProgramSession::runHeadless(const std::string& command, int& code) {
    std::string out;
    FILE* pipe = popen(("env -u DISPLAY " + command + " 2>&1").c_str(), "r");
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool ProgramSession::start(const std::string& executable) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    server = fork();
    if (server == 0) {
        close(fds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        const std::string fd = std::to_string(fds[1]);
        // Without -noreset the server starts over whenever its last client leaves, and a
        // connection made meanwhile fails. Sylvara's check for a display is such a last
        // client; its window then fails to open and osgViewer falls back to a full-screen one.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd readable{fds[0], POLLIN, 0};
    char c;
    while (poll(&readable, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        return false;
    display = ":" + number;

    logFile = "/tmp/sylvara-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++uniqueCounter) + ".log";
    program = fork();
    if (program == 0) {
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, 1);
        dup2(log, 2);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        setenv("DISPLAY", display.c_str(), 1);
        for (const std::string& entry : environment)
            putenv(strdup(entry.c_str()));
        std::vector<std::string> words{executable};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv = pointers(words);
        execv(executable.c_str(), argv.data());
        _exit(127);
    }
    return program > 0;
}

void ProgramSession::signal(int number) const {
    if (program > 0)
        kill(program, number);
}

std::string ProgramSession::output() const {
    std::ifstream in(logFile);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ProgramSession::waitForOutput(const std::string& text, double seconds) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (output().find(text) != std::string::npos)
            return true;
        if (!running())
            return output().find(text) != std::string::npos;
        pause(0.05);
    }
    return false;
}

bool ProgramSession::waitForWindow(double seconds) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    const std::string probe =
        "DISPLAY=" + display + " xdotool search --onlyvisible --class osgViewer >/dev/null 2>&1";
    while (std::chrono::steady_clock::now() < end && running()) {
        if (std::system(probe.c_str()) == 0)
            return true;
        pause(0.1);
    }
    return false;
}

std::string ProgramSession::windowName() const {
    const std::string command =
        "DISPLAY=" + display + " xdotool search --onlyvisible --class osgViewer getwindowname 2>/dev/null";
    std::string name;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        name += buffer;
    if (pipe)
        pclose(pipe);
    while (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

void ProgramSession::xdotool(const std::string& words) const {
    const std::string command = "DISPLAY=" + display + " xdotool " + words + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        std::printf("xdotool %s failed\n", words.c_str());
}

void ProgramSession::moveTo(int x, int y) const {
    xdotool("mousemove " + std::to_string(20 + x) + " " + std::to_string(20 + y));
}

void ProgramSession::key(const std::string& name) const {
    xdotool("key " + name);
}

void ProgramSession::click(int button) const {
    xdotool("click " + std::to_string(button));
}

void ProgramSession::drag(int button, int fromX, int fromY, int toX, int toY) const {
    const std::string which = std::to_string(button);
    moveTo(fromX, fromY);
    pause(0.3);
    xdotool("mousedown " + which);
    pause(0.3);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        moveTo(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
        pause(0.08);
    }
    pause(0.5);
    xdotool("mouseup " + which);
}

std::string ProgramSession::screenshot(const std::string& name) const {
    const std::string file = stageDir() + "/e2e-" + shotPrefix + name + ".png";
    // Light compression: on a loaded machine the default one takes seconds per shot, and tests poll.
    const std::string command =
        "DISPLAY=" + display + " import -window root -quality 10 " + file + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        std::printf("screenshot %s failed\n", file.c_str());
    return file;
}

bool ProgramSession::running() {
    if (program <= 0 || exitCode != -1)
        return false;
    int status = 0;
    const pid_t done = waitpid(program, &status, WNOHANG);
    if (done == program) {
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

int ProgramSession::waitForExit(double seconds) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (running() && std::chrono::steady_clock::now() < end)
        pause(0.05);
    if (running()) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        exitCode = -1;
        program = -1;
        return -1;
    }
    return exitCode;
}

int ProgramSession::endWithEscape(double seconds) {
    moveTo(400, 300);
    key("Escape");
    return waitForExit(seconds);
}
