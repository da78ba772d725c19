// The sound engine, the bank that picks sounds by size, and the synthesized
// sounds of the run tree. Runs in <stage>/bin, so "../sounds/" is the stage's.
#include "art/SoundArt.h"
#include "audio/SoundEngine.h"
#include "presentation/SoundBank.h"

#include <AL/al.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace testing::internal;

namespace {

// OpenAL picks its driver once per process; unit tests use the silent one.
void useSilentDriver() {
    setenv("ALSOFT_DRIVERS", "null", 0);
}

// A scratch folder where the bank looks, removed afterwards.
struct SoundFolder {
    static inline int made = 0;
    const std::string name = "test-" + std::to_string(getpid()) + "-" + std::to_string(++made);
    SoundFolder() { std::filesystem::create_directories("../sounds/" + name); }
    ~SoundFolder() { std::filesystem::remove_all("../sounds/" + name); }
    std::string file(const std::string& leaf) const { return "../sounds/" + name + "/" + leaf; }
    void tone(const std::string& leaf, double seconds = 1.0) const {
        SF_INFO info{0, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* out = sf_open(file(leaf).c_str(), SFM_WRITE, &info);
        std::vector<short> s(size_t(seconds * info.samplerate));
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = short(9000 * std::sin(i * 0.1));
        sf_write_short(out, s.data(), sf_count_t(s.size()));
        sf_close(out);
    }
};

constexpr int kChildPassed = 42;
bool inChild() {
    return std::getenv("SYLVARA_SOUND_CHILD") != nullptr;
}
[[noreturn]] void finishChild() {
    std::fflush(stdout);
    _exit(testing::Test::HasFailure() ? 1 : kChildPassed);
}

// Runs the current test again in a fresh process, since OpenAL reads its
// driver settings once per process. Changes are NAME=VALUE, or NAME to remove.
int rerunInChild(std::vector<std::string> changes) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        changes.push_back("SYLVARA_SOUND_CHILD=1");
        for (const std::string& change : changes) {
            const size_t eq = change.find('=');
            if (eq == std::string::npos)
                unsetenv(change.c_str());
            else
                setenv(change.substr(0, eq).c_str(), change.c_str() + eq + 1, 1);
        }
        execl("/proc/self/exe", "sylvara_tests", filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(SoundBank, NamesAndIndexes) {
    EXPECT_EQ(SoundBank::lifeFileName("x", 0), "../sounds/x/life-0.wav");
    EXPECT_EQ(SoundBank::deathFileName("x", 12), "../sounds/x/death-12.wav");
    EXPECT_EQ(SoundBank::lifeFileName("", 0), "../sounds//life-0.wav");
    EXPECT_EQ(SoundBank::soundIndex(33, 100, 3), 0);
    EXPECT_EQ(SoundBank::soundIndex(34, 100, 3), 1);
    EXPECT_EQ(SoundBank::soundIndex(67, 100, 3), 2);
    EXPECT_EQ(SoundBank::soundIndex(100, 100, 3), 2);
    for (int size = 0; size <= 100; ++size)
        EXPECT_EQ(SoundBank::soundIndex(size, 100, 5), std::min(size / 20, 4)) << size;
    // Nothing fits an empty list or a negative size; a zero scale must not overflow.
    EXPECT_EQ(SoundBank::soundIndex(50, 100, 0), -1);
    EXPECT_EQ(SoundBank::soundIndex(-1, 100, 5), -1);
    EXPECT_EQ(SoundBank::soundIndex(5, 0, 5), 4);
    EXPECT_EQ(SoundBank::soundIndex(0, 0, 5), -1);
}

TEST(SoundBank, LoadsNumberedFilesUpToTheFirstGapAndPlaysWhatFits) {
    useSilentDriver();
    CaptureStdout();
    {
        SoundBank stage(""); // the run tree's own five and five
        EXPECT_EQ(stage.getLifeCount(), 5);
        EXPECT_EQ(stage.getDeathCount(), 5);
    }
    std::string expected;
    for (const char* kind : {"life", "death"})
        for (int n = 0; n < 5; ++n)
            expected += "Loading ../sounds//" + std::string(kind) + "-" + std::to_string(n) + ".wav\n";
    std::fflush(stdout);
    EXPECT_EQ(GetCapturedStdout(), expected);

    SoundFolder folder;
    for (const char* name : {"life-0.wav", "life-1.wav", "life-3.wav", "death-0.wav"})
        folder.tone(name);
    std::ofstream(folder.file("death-1.wav")) << "not a sound";
    SF_INFO info{};
    EXPECT_EQ(sf_open(folder.file("death-1.wav").c_str(), SFM_READ, &info), nullptr);
    const std::string reason = sf_strerror(nullptr);
    CaptureStdout();
    CaptureStderr();
    SoundBank bank(folder.name);
    std::fflush(stdout);
    const std::string complaint = GetCapturedStderr();
    EXPECT_EQ(GetCapturedStdout(), "Loading " + folder.file("life-0.wav") + "\nLoading " +
                                       folder.file("life-1.wav") + "\nLoading " + folder.file("death-0.wav") +
                                       "\nLoading " + folder.file("death-1.wav") + "\n");
    EXPECT_EQ(bank.getLifeCount(), 2);
    EXPECT_EQ(bank.getDeathCount(), 2);
    EXPECT_NE(complaint.find(folder.file("death-1.wav") + ": " + reason), std::string::npos) << complaint;
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1) << complaint;

    // The undecodable death-1, negative sizes and an empty list play nothing.
    SoundFolder deathsOnly;
    deathsOnly.tone("death-0.wav");
    SoundBank few(deathsOnly.name);
    ASSERT_EQ(few.getLifeCount(), 0);
    few.playLife(50, 100);
    few.playDeath(-1, 100);
    few.playDeath(-200, 100);
    bank.playDeath(100, 100);
    EXPECT_EQ(few.getEngine()->countPlayingVoices() + bank.getEngine()->countPlayingVoices(), 0);
    few.playDeath(0, 100);
    bank.playDeath(49, 100);
    EXPECT_EQ(few.getEngine()->countPlayingVoices() + bank.getEngine()->countPlayingVoices(), 2);

    SoundBank quiet(folder.name);
    quiet.setMuted(true);
    quiet.playLife(0, 100);
    quiet.playDeath(0, 100);
    EXPECT_EQ(quiet.getEngine()->countPlayingVoices(), 0) << "muted";
    quiet.setMuted(false);
    quiet.playLife(0, 100);
    EXPECT_EQ(quiet.getEngine()->countPlayingVoices(), 1);
}

TEST(SoundEngine, BurstOfPlaysStealsTheOldestVoice) {
    useSilentDriver();
    SoundFolder folder;
    for (const char* name : {"first.wav", "middle.wav", "last.wav"})
        folder.tone(name, 3.0);
    auto engine = audio::SoundEngine::start();
    ASSERT_TRUE(engine);
    audio::SoundSource* first = engine->addSoundSourceFromFile(folder.file("first.wav"));
    audio::SoundSource* middle = engine->addSoundSourceFromFile(folder.file("middle.wav"));
    audio::SoundSource* last = engine->addSoundSourceFromFile(folder.file("last.wav"));
    const int voices = engine->getVoiceCount();
    ASSERT_EQ(voices, audio::SoundEngine::kVoiceCount);

    engine->play2D(first);
    for (int i = 1; i <= voices; ++i)
        engine->play2D(i < voices ? middle : last);
    int holdingFirst = 0, holdingLast = 0;
    for (int i = 0; i < voices; ++i) {
        holdingFirst += engine->getVoiceSound(i) == first;
        holdingLast += engine->getVoiceSound(i) == last;
    }
    EXPECT_EQ(holdingFirst, 0);
    EXPECT_EQ(holdingLast, 1);

    alGetError();
    for (int i = 0; i < 500; ++i)
        engine->play2D(i % 2 ? middle : nullptr);
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
    EXPECT_EQ(engine->countPlayingVoices(), voices);
}

TEST(SoundBank, SaysSoWhenNoEngineStarts) {
    if (!inChild()) {
        EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS=none"}), kChildPassed);
        return;
    }
    EXPECT_FALSE(audio::SoundEngine::start()) << "this driver was meant to fail";
    CaptureStdout();
    {
        SoundBank bank(""); // the stage's sounds exist, yet none may load
        std::fflush(stdout);
        EXPECT_EQ(GetCapturedStdout(), "\nError starting up sound engine.\n");
        EXPECT_EQ(bank.getLifeCount() + bank.getDeathCount(), 0);
        bank.playLife(50, 100);
    }
    finishChild();
}

// A device that will not open leaves one line on the console, the bank's own: neither ALSA nor
// OpenAL Soft adds theirs. The ALSA device named here exists on no machine.
TEST(SoundBank, AFailedDeviceSaysOnlyOurOwnLine) {
    if (!inChild()) {
        const auto dir =
            std::filesystem::temp_directory_path() / ("sylvara-alsa-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        const std::string conf = (dir / "alsoft.conf").string();
        std::ofstream(conf) << "[general]\ndrivers=alsa\n[alsa]\ndevice=sylvara-no-such-device\n";
        EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + conf}), kChildPassed);
        std::filesystem::remove_all(dir);
        return;
    }
    CaptureStdout();
    CaptureStderr();
    {
        SoundBank bank("");
        EXPECT_FALSE(bank.hasEngine());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(GetCapturedStdout(), "\nError starting up sound engine.\n");
    EXPECT_EQ(err, "");
    finishChild();
}

// Programs without a listener open no device at all and say nothing about sound: with the wave driver
// configured, no file is written.
TEST(SoundBank, WithoutAListenerNoDeviceOpensAndNothingIsSaid) {
    const auto dir = std::filesystem::temp_directory_path() / ("sylvara-quiet-" + std::to_string(getpid()));
    const std::string mix = (dir / "mix.wav").string(), conf = (dir / "alsoft.conf").string();
    if (!inChild()) {
        std::filesystem::create_directories(dir);
        std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << mix << "\n";
        EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS", "ALSOFT_CONF=" + conf}), kChildPassed);
        EXPECT_FALSE(std::filesystem::exists(mix)) << "a device was opened";
        // The headless runner, as it is run.
        if (std::filesystem::exists("sylvara-sim")) {
            const std::string run = "ALSOFT_DRIVERS= ALSOFT_CONF=" + conf +
                                    " ./sylvara-sim --ticks 3 --csv " + (dir / "run.csv").string() +
                                    " --plot " + (dir / "run.png").string() + " --traits " +
                                    (dir / "traits.png").string() + " 2>&1";
            std::string said;
            FILE* pipe = popen(run.c_str(), "r");
            char buffer[256];
            while (pipe && fgets(buffer, sizeof buffer, pipe))
                said += buffer;
            EXPECT_EQ(pipe ? pclose(pipe) : -1, 0) << said;
            EXPECT_EQ(said.find("ound"), std::string::npos) << said;
            EXPECT_FALSE(std::filesystem::exists(mix)) << "sylvara-sim opened a device";
        }
        std::filesystem::remove_all(dir);
        return;
    }
    SoundBank::openNoDevice();
    CaptureStdout();
    CaptureStderr();
    {
        SoundBank bank("");
        EXPECT_FALSE(bank.hasEngine());
        EXPECT_EQ(bank.getLifeCount(), 0);
        bank.playLife(50, 100);
        bank.playDeath(50, 100);
    }
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(GetCapturedStdout(), "");
    finishChild();
}

// A birth through the bank reaches the output: the wave driver mixes into a
// file, which is finished when the engine shuts down with the bank.
TEST(SoundBank, BirthIsHeardInTheMix) {
    if (inChild()) {
        {
            SoundBank bank("");
            EXPECT_TRUE(bank.hasEngine());
            bank.playLife(50, 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
        }
        finishChild();
    }
    const auto dir = std::filesystem::temp_directory_path() / ("sylvara-mix-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string mix = (dir / "mix.wav").string(), conf = (dir / "alsoft.conf").string();
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << mix << "\n";
    EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS", "ALSOFT_CONF=" + conf}), kChildPassed);

    std::ifstream head(mix, std::ios::binary);
    unsigned char riff[8] = {};
    head.read(reinterpret_cast<char*>(riff), 8);
    const std::uint32_t riffSize = riff[4] | riff[5] << 8 | riff[6] << 16 | std::uint32_t(riff[7]) << 24;
    EXPECT_EQ(riffSize + 8, std::filesystem::file_size(mix)) << "the device was never closed";
    SF_INFO info{};
    SNDFILE* in = sf_open(mix.c_str(), SFM_READ, &info);
    ASSERT_NE(in, nullptr) << sf_strerror(nullptr);
    std::vector<double> s(size_t(info.frames) * info.channels);
    sf_read_double(in, s.data(), sf_count_t(s.size()));
    sf_close(in);
    std::filesystem::remove_all(dir);
    double sum = 0;
    for (double v : s)
        sum += v * v;
    EXPECT_GT(info.frames, info.samplerate / 2);
    EXPECT_GT(std::sqrt(sum / std::max<size_t>(s.size(), 1)), 0.005);
}

TEST(SoundArt, SoundsAreShortQuietSoftEdgedAndPitchedBySize) {
    for (const std::string kind : {"life", "death"}) {
        double lastPitch = 1e9;
        for (int n = 0; n < SoundArt::kSoundCount; ++n) {
            const std::string name = "../sounds/" + kind + "-" + std::to_string(n) + ".wav";
            SCOPED_TRACE(name);
            SF_INFO info{};
            SNDFILE* in = sf_open(name.c_str(), SFM_READ, &info);
            ASSERT_NE(in, nullptr) << sf_strerror(nullptr);
            EXPECT_EQ(info.channels, 1);
            EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
            EXPECT_LT(info.frames, info.samplerate / 2);
            std::vector<short> s(info.frames);
            sf_readf_short(in, s.data(), info.frames);
            sf_close(in);

            auto loudest = [&](size_t from, size_t to) {
                return std::abs(*std::max_element(s.begin() + from, s.begin() + to, [](short a, short b) {
                    return std::abs(a) < std::abs(b);
                }));
            };
            // Zero crossings per sample stand in for pitch.
            auto pitch = [&](size_t from, size_t to) {
                int n = 0;
                for (size_t i = from + 1; i < to; ++i)
                    n += (s[i - 1] < 0) != (s[i] < 0);
                return double(n) / (to - from);
            };
            const size_t end = s.size(), half = end / 2, ms = info.samplerate / 1000;
            const int peak = loudest(0, end);
            EXPECT_NEAR(20 * std::log10(peak / 32768.0), -12.0, 0.5);
            EXPECT_LT(loudest(0, ms), peak / 5) << "clicks in";
            EXPECT_LT(loudest(end - ms, end), peak / 100) << "clicks out";
            // Births rise, deaths fall, and bigger organisms sound lower.
            EXPECT_EQ(pitch(half, end) > pitch(0, half), kind == "life");
            EXPECT_LT(pitch(0, end), lastPitch);
            lastPitch = pitch(0, end);
        }
    }
}
