#pragma once

#include "audio/SoundSource.h"

#include <AL/alc.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace audio {

// A small fire-and-forget player on OpenAL Soft: sounds are decoded whole into
// buffers up front and played through a fixed pool of voices, so playing never
// allocates, decodes or waits for a voice to come free.
class SoundEngine {
public:
    // Voices made at start; when all are busy, the oldest is cut short.
    static constexpr int kVoiceCount = 32;

    // Opens the default output device; null when no device or context can be
    // had (no sound card, a driver that will not start). The sound libraries'
    // own complaints about a missing device are kept off the console.
    static std::unique_ptr<SoundEngine> start();
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Decodes the whole file. The source belongs to the engine; asking again
    // for the same name returns the same source. Null (and one line on stderr
    // naming the file and the reason) when the file cannot be decoded.
    SoundSource* addSoundSourceFromFile(const std::string& name);

    // Plays the sound once, unpositioned. A null source does nothing.
    void play2D(SoundSource* source);

    int getVoiceCount() const { return static_cast<int>(voices.size()); }
    // Asks OpenAL how many voices are sounding right now.
    int countPlayingVoices() const;
    // The sound last started on voice i, or null if it never played.
    const SoundSource* getVoiceSound(int i) const { return voices.at(i).sound; }

private:
    using Clock = std::chrono::steady_clock;
    struct Voice {
        unsigned id = 0;
        const SoundSource* sound = nullptr;
        std::uint64_t started = 0; // order of starting, to find the oldest
        Clock::time_point endsAt{};
    };

    SoundEngine(ALCdevice* device, ALCcontext* context);
    void makeCurrent() const;
    Voice& chooseVoice();

    ALCdevice* device;
    ALCcontext* context;
    std::vector<Voice> voices;
    std::map<std::string, std::unique_ptr<SoundSource>> sources;
    std::uint64_t playCount = 0;
};

} // namespace audio
