#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace soundtest {

// OpenAL picks its driver once per process; unit tests use the silent one.
inline void useSilentDriver() { setenv("ALSOFT_DRIVERS", "null", 0); }

// A mono 16-bit sine tone at half a full scale.
inline void writeTone(const std::string& path, double seconds, double hz) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    std::vector<short> samples(static_cast<size_t>(seconds * info.samplerate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(16000 * std::sin(2 * M_PI * hz * i / info.samplerate));
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

inline void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A scratch folder under the run tree's sounds dir (the bank only looks
// there), removed with everything in it afterwards.
class SoundFolder {
public:
    SoundFolder() : name("test-" + std::to_string(getpid()) + "-" + std::to_string(next()++)) {
        std::filesystem::create_directories("../sounds/" + name);
    }
    ~SoundFolder() { std::filesystem::remove_all("../sounds/" + name); }
    std::string file(const std::string& leaf) const { return "../sounds/" + name + "/" + leaf; }
    const std::string name;

private:
    static int& next() {
        static int n = 0;
        return n;
    }
};

inline const char* kChildRole = "SYLVARA_SOUND_CHILD";
constexpr int kChildPassed = 42;

inline bool inChild() { return std::getenv(kChildRole) != nullptr; }

// Ends a child run; the exit code tells the parent the test really ran.
[[noreturn]] inline void finishChild() {
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(::testing::Test::HasFailure() ? 1 : kChildPassed);
}

// Runs the current test again in a fresh process of this binary, with the
// environment changed: OpenAL reads its driver settings only once per
// process. Each change is NAME=VALUE, or NAME alone to remove it.
inline int rerunInChild(const std::vector<std::string>& changes) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const std::string& change : changes) {
        const std::string key = change.substr(0, change.find('=')) + "=";
        env.erase(std::remove_if(env.begin(), env.end(),
                                 [&](const std::string& e) { return e.compare(0, key.size(), key) == 0; }),
                  env.end());
        if (change.find('=') != std::string::npos)
            env.push_back(change);
    }
    env.push_back(std::string(kChildRole) + "=1");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>("sylvara_tests"), const_cast<char*>(filter.c_str()), nullptr};

    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        execve("/proc/self/exe", argv, envp.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace soundtest
