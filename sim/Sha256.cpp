#include "sim/Sha256.h"

#include "common/ContentHash.h"
#include "common/OutputFiles.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <cstdint>
#include <memory>
#include <new>

namespace {

struct Context {
    std::unique_ptr<AVSHA, void (*)(void*)> sha{av_sha_alloc(), av_free};

    Context() {
        // An allocation that fails is as fatal here as anywhere else.
        if (!sha || av_sha_init(sha.get(), 256) < 0)
            throw std::bad_alloc();
    }
    void add(const void* bytes, std::size_t count) {
        av_sha_update(sha.get(), static_cast<const std::uint8_t*>(bytes), count);
    }
    std::string hex() {
        std::uint8_t digest[32];
        av_sha_final(sha.get(), digest);
        static const char DIGITS[] = "0123456789abcdef";
        std::string text;
        for (const std::uint8_t byte : digest) {
            text += DIGITS[byte >> 4];
            text += DIGITS[byte & 15];
        }
        return text;
    }
};

} // namespace

std::string Sha256::of(const std::string& bytes) {
    Context context;
    context.add(bytes.data(), bytes.size());
    return context.hex();
}

bool Sha256::ofFile(const std::string& path, std::string& digest, std::string& error) {
    Context context;
    if (!ContentHash::eachBlock(
            path, [&](const unsigned char* bytes, std::size_t count) { context.add(bytes, count); }, error))
        return false;
    digest = context.hex();
    return true;
}

std::string Sha256::changed(const std::string& file, const std::string& digest) {
    std::string now;
    std::string unreadable;
    if (digest.empty() || !ofFile(file, now, unreadable))
        return "";
    return mismatch(file, now, digest);
}

std::string Sha256::mismatch(const std::string& file, const std::string& now, const std::string& digest) {
    if (digest.empty() || now == digest)
        return "";
    // The first digits are enough for a person to tell the two apart.
    return OutputFiles::printable(file) + " has changed since the line was written: its SHA-256 is " +
           now.substr(0, 12) + "..., not " + digest.substr(0, 12) + "...";
}
