#pragma once

#include <string>

// Synthesizes the numbered birth and death sounds into one folder:
// life-0..life-4.wav and death-0..death-4.wav, low numbers for small
// organisms (higher, lighter), high numbers for big ones (deeper, fuller).
class SoundArt {
public:
    static constexpr int kSoundCount = 5;
    static constexpr int kSampleRate = 22050;

    static bool writeAll(const std::string& folder);
};
