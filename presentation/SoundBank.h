#pragma once

#include <memory>
#include <string>
#include <vector>

namespace audio {
class SoundEngine;
class SoundSource;
} // namespace audio

// Plays a short sound at every birth and death, chosen by the organism's size
// from the numbered wave files of the sound folder.
class SoundBank {
public:
    explicit SoundBank(std::string folder);
    ~SoundBank(); // shuts the engine down
    SoundBank(const SoundBank&) = delete;
    SoundBank& operator=(const SoundBank&) = delete;

    // For programs without a listener (headless runs, benchmarks): banks made afterwards open no
    // sound device, load no sound and say nothing; births and deaths are silent.
    static void openNoDevice() { deviceWanted = false; }

    void playLife(int value, int scale);
    void playDeath(int value, int scale);
    // A muted bank plays nothing; what plays already plays out.
    void setMuted(bool muted) { this->muted = muted; }
    bool isMuted() const { return muted; }

    int getLifeCount() const { return lifeCount; }
    int getDeathCount() const { return deathCount; }
    bool hasEngine() const { return engine != nullptr; }
    audio::SoundEngine* getEngine() const { return engine.get(); }

    static bool fileExists(const std::string& name);
    // "../sounds/<folder>/life-<n>.wav" and its death counterpart.
    static std::string lifeFileName(const std::string& folder, int n);
    static std::string deathFileName(const std::string& folder, int n);
    // Which of count sounds fits value on the scale; -1 when none fits
    // (no sounds, or a value below zero).
    static int soundIndex(int value, int scale, int count);

private:
    void play(const std::vector<audio::SoundSource*>& sources, int count, int value, int scale);

    static inline bool deviceWanted = true;

    std::unique_ptr<audio::SoundEngine> engine;
    std::vector<audio::SoundSource*> lifeSources;
    std::vector<audio::SoundSource*> deathSources;
    int lifeCount = 0;
    int deathCount = 0;
    bool muted = false;
};
