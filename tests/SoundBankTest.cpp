#include "presentation/SoundBank.h"

#include "audio/SoundEngine.h"
#include "tests/SoundTestKit.h"

#include <AL/alc.h>

#include <chrono>
#include <thread>

using namespace soundtest;

TEST(SoundBank, FileNamesFollowTheFolder) {
    EXPECT_EQ(SoundBank::lifeFileName("x", 0), "../sounds/x/life-0.wav");
    EXPECT_EQ(SoundBank::deathFileName("x", 12), "../sounds/x/death-12.wav");
    EXPECT_EQ(SoundBank::lifeFileName("", 0), "../sounds//life-0.wav");
    EXPECT_EQ(SoundBank::deathFileName(" x", 3), "../sounds/ x/death-3.wav");
}

TEST(SoundBank, LoadsNumberedFilesInOrderUpToTheFirstGap) {
    useSilentDriver();
    {
        // The run tree's own sounds: all life files, then all death files.
        testing::internal::CaptureStdout();
        SoundBank bank("");
        std::fflush(stdout);
        std::string expected;
        for (const char* kind : {"life", "death"})
            for (int n = 0; n < 5; ++n)
                expected += "Loading ../sounds//" + std::string(kind) + "-" + std::to_string(n) + ".wav\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
        EXPECT_TRUE(bank.hasEngine());
        EXPECT_EQ(bank.getLifeCount(), 5);
        EXPECT_EQ(bank.getDeathCount(), 5);
    }
    SoundFolder folder;
    for (const char* name : {"life-0.wav", "life-1.wav", "life-3.wav", "death-0.wav"})
        writeTone(folder.file(name), 1.0, 500);
    writeText(folder.file("death-1.wav"), "garbage");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    SoundBank bank(folder.name);
    std::fflush(stdout);
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Loading " + folder.file("life-0.wav") + "\nLoading " + folder.file("life-1.wav") + "\nLoading " +
                  folder.file("death-0.wav") + "\nLoading " + folder.file("death-1.wav") + "\n");
    EXPECT_EQ(bank.getLifeCount(), 2);
    EXPECT_EQ(bank.getDeathCount(), 2);
    EXPECT_NE(complaints.find(folder.file("death-1.wav")), std::string::npos) << complaints;
    EXPECT_EQ(std::count(complaints.begin(), complaints.end(), '\n'), 1) << complaints;

    // The undecodable death-1 is kept in its place but plays nothing.
    audio::SoundEngine& engine = *bank.getEngine();
    bank.playDeath(100, 100);
    EXPECT_EQ(engine.countPlayingVoices(), 0);
    bank.playDeath(49, 100);
    EXPECT_EQ(engine.countPlayingVoices(), 1);
}

TEST(SoundBank, PlaysNothingWhenNoSoundFits) {
    useSilentDriver();
    SoundFolder folder;
    writeTone(folder.file("death-0.wav"), 1.0, 500);
    SoundBank bank(folder.name);
    ASSERT_TRUE(bank.hasEngine());
    ASSERT_EQ(bank.getLifeCount(), 0);
    audio::SoundEngine& engine = *bank.getEngine();
    bank.playLife(50, 100);
    bank.playDeath(-1, 100);
    bank.playDeath(-200, 100);
    EXPECT_EQ(engine.countPlayingVoices(), 0);
    bank.playDeath(0, 100);
    EXPECT_EQ(engine.countPlayingVoices(), 1);
}

TEST(SoundBank, SoundIndexFollowsTheSizeScale) {
    EXPECT_EQ(SoundBank::soundIndex(33, 100, 3), 0);
    EXPECT_EQ(SoundBank::soundIndex(34, 100, 3), 1);
    EXPECT_EQ(SoundBank::soundIndex(67, 100, 3), 2);
    EXPECT_EQ(SoundBank::soundIndex(100, 100, 3), 2);
    for (int size = 0; size <= 100; ++size)
        EXPECT_EQ(SoundBank::soundIndex(size, 100, 5), std::min(size / 20, 4)) << size;
    EXPECT_EQ(SoundBank::soundIndex(5000, 100, 5), 4);
    EXPECT_EQ(SoundBank::soundIndex(50, 100, 0), -1);
    EXPECT_EQ(SoundBank::soundIndex(-1, 100, 5), -1);
    EXPECT_EQ(SoundBank::soundIndex(5, 0, 5), 4);
    EXPECT_EQ(SoundBank::soundIndex(0, 0, 5), -1);
}

TEST(SoundBank, SaysSoWhenNoEngineStarts) {
    if (!inChild()) {
        EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS=none"}), kChildPassed);
        return;
    }
    ASSERT_EQ(alcOpenDevice(nullptr), nullptr) << "this driver setting was meant to fail";
    testing::internal::CaptureStdout();
    {
        SoundBank bank(""); // the run tree's sounds exist, yet none may load
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nError starting up sound engine.\n");
        EXPECT_FALSE(bank.hasEngine());
        EXPECT_EQ(bank.getLifeCount(), 0);
        EXPECT_EQ(bank.getDeathCount(), 0);
        bank.playLife(50, 100);
        bank.playDeath(50, 100);
    }
    finishChild();
}

// A birth played through the bank really reaches the output: the wave
// driver mixes into a file, finished when the engine shuts down.
TEST(SoundBank, BirthIsHeardInTheMix) {
    const char* out = std::getenv("SYLVARA_TEST_MIX");
    if (!inChild()) {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                          ("sylvara-mix-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        const std::string mix = (dir / "mix.wav").string(), conf = (dir / "alsoft.conf").string();
        writeText(conf, "[general]\ndrivers=wave\n[wave]\nfile=" + mix + "\n");
        EXPECT_EQ(rerunInChild({"ALSOFT_DRIVERS", "ALSOFT_CONF=" + conf, "SYLVARA_TEST_MIX=" + mix}),
                  kChildPassed);

        // A finished wave file carries its true length in the RIFF header.
        unsigned char riff[8] = {};
        std::ifstream(mix, std::ios::binary).read(reinterpret_cast<char*>(riff), 8);
        const auto riffSize = riff[4] | riff[5] << 8 | riff[6] << 16 | std::uint32_t(riff[7]) << 24;
        EXPECT_EQ(riffSize + 8, std::filesystem::file_size(mix)) << "the engine never closed its device";

        SF_INFO info{};
        SNDFILE* file = sf_open(mix.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<double> s(static_cast<size_t>(info.frames) * info.channels);
        sf_read_double(file, s.data(), static_cast<sf_count_t>(s.size()));
        sf_close(file);
        std::filesystem::remove_all(dir);
        double sum = 0, peak = 0;
        for (double v : s) {
            sum += v * v;
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_GT(info.frames, info.samplerate / 2);
        EXPECT_GT(std::sqrt(sum / std::max<size_t>(s.size(), 1)), 0.005);
        EXPECT_GT(peak, 0.05);
        return;
    }
    ASSERT_NE(out, nullptr);
    {
        SoundBank bank("");
        ASSERT_TRUE(bank.hasEngine());
        bank.playLife(50, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
    }
    EXPECT_TRUE(std::filesystem::exists(out));
    finishChild();
}
