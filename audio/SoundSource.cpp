#include "audio/SoundSource.h"

#include <AL/al.h>

#include <utility>

namespace audio {

SoundSource::SoundSource(std::string name, unsigned buffer, double seconds)
    : name(std::move(name)), buffer(buffer), seconds(seconds) {}

// The engine destroys its sources while its context is still current and
// after its voices have let go of the buffers.
SoundSource::~SoundSource() {
    ALuint id = buffer;
    alDeleteBuffers(1, &id);
}

} // namespace audio
