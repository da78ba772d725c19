#include "audio/SoundEngine.h"

#include <AL/al.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace audio {

namespace {

// The mixer can run a little behind the wall clock; a voice counts as busy
// for this long after its sound should have ended.
constexpr auto kEndMargin = std::chrono::milliseconds(50);

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card the libraries under OpenAL Soft would fill the console with their own lines
// ("cannot find card", "Could not open playback device"); a failed start is said once, by the bank.
// A log level set in the environment is kept.
void quietenSoundLibraries() {
    static bool done = false;
    if (done)
        return;
    done = true;
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    // OpenAL Soft loads ALSA itself when it opens the device: the handler set here is the one it meets.
    // The library stays loaded so that the handler does.
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa)
        return;
    using SetHandler = int (*)(ErrorHandler);
    if (auto setHandler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        setHandler(ignoreAlsaError);
}

} // namespace

std::unique_ptr<SoundEngine> SoundEngine::start() {
    quietenSoundLibraries();
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device)
        return nullptr;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context)
            alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    std::unique_ptr<SoundEngine> engine(new SoundEngine(device, context));
    if (engine->voices.empty())
        return nullptr;
    return engine;
}

SoundEngine::SoundEngine(ALCdevice* device, ALCcontext* context) : device(device), context(context) {
    alGetError();
    ALuint ids[kVoiceCount];
    alGenSources(kVoiceCount, ids);
    if (alGetError() != AL_NO_ERROR)
        return; // start() sees no voices and gives up
    for (ALuint id : ids) {
        alSourcei(id, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(id, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcei(id, AL_LOOPING, AL_FALSE);
        Voice voice;
        voice.id = id;
        voices.push_back(voice);
    }
}

SoundEngine::~SoundEngine() {
    makeCurrent();
    for (const Voice& voice : voices) {
        ALuint id = voice.id;
        alSourceStop(id);
        alDeleteSources(1, &id);
    }
    voices.clear();
    sources.clear(); // frees the buffers, now that no voice holds them
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    // Closing the device is what finishes a file-writing output.
    alcCloseDevice(device);
}

void SoundEngine::makeCurrent() const {
    if (alcGetCurrentContext() != context)
        alcMakeContextCurrent(context);
}

SoundSource* SoundEngine::addSoundSourceFromFile(const std::string& name) {
    auto known = sources.find(name);
    if (known != sources.end())
        return known->second.get();

    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(name.c_str(), SFM_READ, &info));
    if (!file) {
        std::fprintf(stderr, "Cannot decode sound %s: %s\n", name.c_str(), sf_strerror(nullptr));
        return nullptr;
    }
    if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
        std::fprintf(stderr, "Cannot decode sound %s: it holds no samples\n", name.c_str());
        return nullptr;
    }
    std::vector<short> samples(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t frames = sf_readf_short(file.get(), samples.data(), info.frames);
    if (frames <= 0) {
        std::fprintf(stderr, "Cannot decode sound %s: %s\n", name.c_str(), sf_strerror(file.get()));
        return nullptr;
    }
    samples.resize(static_cast<size_t>(frames) * info.channels);

    // OpenAL takes mono or stereo; anything wider is folded down to mono.
    ALenum format = info.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    if (info.channels > 2) {
        for (sf_count_t f = 0; f < frames; ++f) {
            long sum = 0;
            for (int c = 0; c < info.channels; ++c)
                sum += samples[f * info.channels + c];
            samples[f] = static_cast<short>(sum / info.channels);
        }
        samples.resize(static_cast<size_t>(frames));
    }

    makeCurrent();
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, format, samples.data(), static_cast<ALsizei>(samples.size() * sizeof(short)),
                 info.samplerate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        std::fprintf(stderr, "Cannot decode sound %s: OpenAL refused its samples\n", name.c_str());
        return nullptr;
    }
    auto source = std::make_unique<SoundSource>(name, buffer, double(frames) / info.samplerate);
    SoundSource* result = source.get();
    sources.emplace(name, std::move(source));
    return result;
}

// A voice whose sound has run out is free. When every voice is busy the
// oldest one is stolen: it is the nearest to its end, so cutting it is the
// least audible loss, and the newest birth or death is always heard.
SoundEngine::Voice& SoundEngine::chooseVoice() {
    const Clock::time_point now = Clock::now();
    Voice* oldest = &voices.front();
    for (Voice& voice : voices) {
        if (voice.endsAt <= now)
            return voice;
        if (voice.started < oldest->started)
            oldest = &voice;
    }
    return *oldest;
}

void SoundEngine::play2D(SoundSource* source) {
    if (!source)
        return;
    makeCurrent();
    Voice& voice = chooseVoice();
    // Stop first: a buffer can only be swapped on a voice that is not playing,
    // and the clock may call a voice free a moment before the mixer does.
    alSourceStop(voice.id);
    alSourcei(voice.id, AL_BUFFER, static_cast<ALint>(source->getBuffer()));
    alSourcePlay(voice.id);
    voice.sound = source;
    voice.started = ++playCount;
    voice.endsAt =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(source->getSeconds())) +
        kEndMargin;
}

int SoundEngine::countPlayingVoices() const {
    makeCurrent();
    int playing = 0;
    for (const Voice& voice : voices) {
        ALint state = AL_STOPPED;
        alGetSourcei(voice.id, AL_SOURCE_STATE, &state);
        playing += state == AL_PLAYING;
    }
    return playing;
}

} // namespace audio
