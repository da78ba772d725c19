#pragma once

#include <string>

namespace audio {

// One decoded sound held in an OpenAL buffer. The engine creates and owns it;
// everyone else keeps plain pointers.
class SoundSource {
public:
    SoundSource(std::string name, unsigned buffer, double seconds);
    ~SoundSource();
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    const std::string& getName() const { return name; }
    unsigned getBuffer() const { return buffer; }
    double getSeconds() const { return seconds; }

private:
    std::string name;
    unsigned buffer; // OpenAL buffer name; deleted with the source
    double seconds;
};

} // namespace audio
