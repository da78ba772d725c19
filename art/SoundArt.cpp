#include "art/SoundArt.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Quiet enough that a burst of thirty births at once stays bearable.
const double kPeak = std::pow(10.0, -12.0 / 20.0);

// Rises from 0 to 1 over `length` seconds with a raised cosine: no corner, no click.
double fadeIn(double time, double length) {
    return time >= length ? 1.0 : 0.5 - 0.5 * std::cos(kPi * time / length);
}

struct Voice {
    double seconds;
    double attack;
    double release;
    double decay; // exponential decay over the whole sound, in nepers
};

// Shapes a tone whose pitch follows `pitch(u)` (u from 0 to 1 over the sound)
// and whose timbre follows `timbre(phase, u)`, under a pluck-like envelope
// that starts and ends at exactly zero.
template <class Pitch, class Timbre>
std::vector<double> synthesize(const Voice& voice, Pitch pitch, Timbre timbre) {
    const int count = static_cast<int>(voice.seconds * SoundArt::kSampleRate);
    std::vector<double> wave(count);
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const double time = double(i) / SoundArt::kSampleRate;
        const double u = double(i) / (count - 1);
        const double envelope = fadeIn(time, voice.attack) * std::exp(-voice.decay * u) *
                                fadeIn((count - 1 - i) / double(SoundArt::kSampleRate), voice.release);
        wave[i] = envelope * timbre(phase, u);
        phase += 2.0 * kPi * pitch(u) / SoundArt::kSampleRate;
    }
    return wave;
}

// A birth: a bright pluck that chirps upwards and settles, with a soft octave
// above; the bigger the organism, the lower, longer and fuller.
std::vector<double> lifeSound(int n) {
    const double big = double(n) / (SoundArt::kSoundCount - 1);
    const double base = 1250.0 * std::pow(2.0, -2.0 * big);
    const Voice voice{0.16 + 0.07 * n, 0.006 + 0.004 * n, 0.03, 3.5};
    return synthesize(
        voice, [&](double u) { return base * (0.8 + 0.45 * (1.0 - std::exp(-6.0 * u))); },
        [&](double phase, double) {
            return std::sin(phase) + 0.3 * std::sin(2.0 * phase) + 0.15 * big * std::sin(3.0 * phase);
        });
}

// A death: a darker tone that sinks almost an octave and fades with a slow
// shiver; its upper harmonic dies first, big organisms get a sub-octave.
std::vector<double> deathSound(int n) {
    const double big = double(n) / (SoundArt::kSoundCount - 1);
    const double base = 700.0 * std::pow(2.0, -2.0 * big);
    const Voice voice{0.24 + 0.05 * n, 0.015, 0.06, 2.5};
    return synthesize(
        voice, [&](double u) { return base * std::pow(2.0, -0.9 * u); },
        [&](double phase, double u) {
            const double shiver = 1.0 - 0.2 * (0.5 - 0.5 * std::cos(2.0 * kPi * 2.5 * u));
            return shiver * (std::sin(phase) + 0.15 * std::exp(-6.0 * u) * std::sin(2.0 * phase) +
                             0.35 * big * std::sin(0.5 * phase));
        });
}

bool writeWave(const std::string& path, std::vector<double> wave) {
    double peak = 0.0;
    for (double s : wave)
        peak = std::max(peak, std::fabs(s));
    std::vector<short> samples(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        samples[i] = static_cast<short>(std::lround(wave[i] / peak * kPeak * 32767.0));

    SF_INFO info{};
    info.samplerate = SoundArt::kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "Cannot write sound %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const sf_count_t written = sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    if (written != static_cast<sf_count_t>(samples.size())) {
        std::fprintf(stderr, "Cannot write sound %s: short write\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

bool SoundArt::writeAll(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool ok = true;
    for (int n = 0; n < kSoundCount; ++n) {
        ok = writeWave(folder + "/life-" + std::to_string(n) + ".wav", lifeSound(n)) && ok;
        ok = writeWave(folder + "/death-" + std::to_string(n) + ".wav", deathSound(n)) && ok;
    }
    return ok;
}
