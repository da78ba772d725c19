#pragma once

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

    void playLife(int value, int scale);
    void playDeath(int value, int scale);

    int getLifeCount() const { return lifeCount; }
    int getDeathCount() const { return deathCount; }
    bool hasEngine() const { return engine != nullptr; }

    static bool fileExists(const std::string& name);

private:
    audio::SoundEngine* engine = nullptr;
    std::vector<audio::SoundSource*> lifeSources;
    std::vector<audio::SoundSource*> deathSources;
    int lifeCount = 0;
    int deathCount = 0;
};
