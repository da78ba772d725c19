#include "presentation/SoundBank.h"

#include "audio/SoundEngine.h"

#include <cstdio>
#include <exception>
#include <iostream>

namespace {

const char* const kLifeName = "/life-";
const char* const kDeathName = "/death-";

std::string soundFileName(const std::string& folder, const char* kind, int n) {
    return "../sounds/" + folder + kind + std::to_string(n) + ".wav";
}

// Loads kind-0, kind-1, ... up to the first number with no file.
std::vector<audio::SoundSource*> loadNumbered(audio::SoundEngine& engine, const std::string& folder,
                                              const char* kind) {
    std::vector<audio::SoundSource*> sources;
    for (int n = 0;; ++n) {
        const std::string name = soundFileName(folder, kind, n);
        if (!SoundBank::fileExists(name))
            break;
        std::cout << "Loading " << name << "\n";
        // Kept even when null (undecodable): the numbering stays intact and
        // playing a null source does nothing.
        sources.push_back(engine.addSoundSourceFromFile(name));
    }
    return sources;
}

} // namespace

SoundBank::SoundBank(std::string folder) {
    if (!deviceWanted)
        return;
    try {
        engine = audio::SoundEngine::start();
    } catch (const std::exception& e) {
        std::printf("%s", e.what());
    } catch (...) {
    }
    if (!engine) {
        std::printf("\nError starting up sound engine.\n");
        return;
    }
    lifeSources = loadNumbered(*engine, folder, kLifeName);
    deathSources = loadNumbered(*engine, folder, kDeathName);
    lifeCount = static_cast<int>(lifeSources.size());
    deathCount = static_cast<int>(deathSources.size());
}

SoundBank::~SoundBank() = default;

bool SoundBank::fileExists(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

std::string SoundBank::lifeFileName(const std::string& folder, int n) {
    return soundFileName(folder, kLifeName, n);
}

std::string SoundBank::deathFileName(const std::string& folder, int n) {
    return soundFileName(folder, kDeathName, n);
}

int SoundBank::soundIndex(int value, int scale, int count) {
    if (count <= 0)
        return -1;
    const double at = double(value) / double(scale) * double(count);
    // Clamp before converting: a zero scale gives infinity or NaN.
    if (!(at >= 0.0))
        return -1;
    if (at >= double(count))
        return count - 1;
    return static_cast<int>(at);
}

void SoundBank::play(const std::vector<audio::SoundSource*>& sources, int count, int value, int scale) {
    if (!engine || muted)
        return;
    const int i = soundIndex(value, scale, count);
    if (i >= 0)
        engine->play2D(sources[i]);
}

void SoundBank::playLife(int value, int scale) {
    play(lifeSources, lifeCount, value, scale);
}

void SoundBank::playDeath(int value, int scale) {
    play(deathSources, deathCount, value, scale);
}
