#include "audio/SoundEngine.h"
#include "tests/SoundTestKit.h"
#include "tools/SoundArt.h"

#include <AL/al.h>

using namespace soundtest;

TEST(SoundEngine, DecodesWholeFilesAndNamesTheOnesItCannot) {
    useSilentDriver();
    SoundFolder folder;
    writeTone(folder.file("tone.wav"), 0.5, 440);
    writeText(folder.file("bad.wav"), "not a sound at all");
    auto engine = audio::SoundEngine::start();
    ASSERT_TRUE(engine);

    audio::SoundSource* tone = engine->addSoundSourceFromFile(folder.file("tone.wav"));
    ASSERT_NE(tone, nullptr);
    EXPECT_NEAR(tone->getSeconds(), 0.5, 1e-3);
    EXPECT_EQ(engine->addSoundSourceFromFile(folder.file("tone.wav")), tone);

    SF_INFO info{};
    EXPECT_EQ(sf_open(folder.file("bad.wav").c_str(), SFM_READ, &info), nullptr);
    const std::string reason = sf_strerror(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(engine->addSoundSourceFromFile(folder.file("bad.wav")), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(folder.file("bad.wav")), std::string::npos) << said;
    EXPECT_NE(said.find(reason), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    engine->play2D(nullptr);
    EXPECT_EQ(engine->countPlayingVoices(), 0);
    engine->play2D(tone);
    EXPECT_EQ(engine->countPlayingVoices(), 1);
}

TEST(SoundEngine, BurstOfPlaysStealsTheOldestVoice) {
    useSilentDriver();
    SoundFolder folder;
    for (const char* name : {"first.wav", "middle.wav", "last.wav"})
        writeTone(folder.file(name), 3.0, 300);
    auto engine = audio::SoundEngine::start();
    ASSERT_TRUE(engine);
    audio::SoundSource* first = engine->addSoundSourceFromFile(folder.file("first.wav"));
    audio::SoundSource* middle = engine->addSoundSourceFromFile(folder.file("middle.wav"));
    audio::SoundSource* last = engine->addSoundSourceFromFile(folder.file("last.wav"));
    const int voices = engine->getVoiceCount();
    ASSERT_EQ(voices, audio::SoundEngine::kVoiceCount);

    // Fill every voice, the first sound being the oldest, then one more.
    engine->play2D(first);
    for (int i = 1; i < voices; ++i)
        engine->play2D(middle);
    engine->play2D(last);
    auto holding = [&](const audio::SoundSource* sound) {
        int n = 0;
        for (int i = 0; i < voices; ++i)
            n += engine->getVoiceSound(i) == sound;
        return n;
    };
    EXPECT_EQ(holding(first), 0);
    EXPECT_EQ(holding(middle), voices - 1);
    EXPECT_EQ(holding(last), 1);

    alGetError();
    for (int i = 0; i < 500; ++i)
        engine->play2D(i % 2 ? middle : last);
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
    EXPECT_EQ(engine->countPlayingVoices(), voices);
}

// The sounds the asset tool wrote into the run tree.
TEST(SoundArt, SoundsAreShortQuietSoftEdgedAndPitchedBySize) {
    auto crossingsPerSecond = [](const std::vector<short>& s, size_t from, size_t to) {
        int n = 0;
        for (size_t i = from + 1; i < to; ++i)
            n += (s[i - 1] < 0) != (s[i] < 0);
        return n * double(SoundArt::kSampleRate) / (to - from);
    };
    for (const std::string kind : {"life", "death"}) {
        double lastPitch = 1e9;
        for (int n = 0; n < SoundArt::kSoundCount; ++n) {
            const std::string name = "../sounds/" + kind + "-" + std::to_string(n) + ".wav";
            SCOPED_TRACE(name);
            SF_INFO info{};
            SNDFILE* file = sf_open(name.c_str(), SFM_READ, &info);
            ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
            EXPECT_EQ(info.channels, 1);
            EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
            EXPECT_LT(double(info.frames) / info.samplerate, 0.5);
            std::vector<short> s(info.frames);
            sf_readf_short(file, s.data(), info.frames);
            sf_close(file);

            auto loudest = [&](size_t from, size_t to) {
                int peak = 0;
                for (size_t i = from; i < to; ++i)
                    peak = std::max(peak, std::abs(int(s[i])));
                return peak;
            };
            const int peak = loudest(0, s.size());
            EXPECT_NEAR(20 * std::log10(peak / 32768.0), -12.0, 0.5);
            // No clicks: the first and last millisecond fade in and out.
            const size_t ms = SoundArt::kSampleRate / 1000;
            EXPECT_LT(loudest(0, ms), peak / 5);
            EXPECT_LT(loudest(s.size() - ms, s.size()), peak / 100);

            // Births rise, deaths fall; bigger organisms sound lower.
            const size_t half = s.size() / 2;
            const double early = crossingsPerSecond(s, 0, half), late = crossingsPerSecond(s, half, s.size());
            if (kind == "life")
                EXPECT_GT(late, early);
            else
                EXPECT_LT(late, early);
            const double pitch = crossingsPerSecond(s, 0, s.size());
            EXPECT_LT(pitch, lastPitch);
            lastPitch = pitch;
        }
    }
}
