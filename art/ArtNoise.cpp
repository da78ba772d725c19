#include "art/ArtNoise.h"

#include <cmath>

ArtNoise::ArtNoise(std::uint32_t seed, int period) : seed(seed), period(period) {}

float ArtNoise::hash(int x, int y) const {
    if (period > 0) {
        x = ((x % period) + period) % period;
        y = ((y % period) + period) % period;
    }
    std::uint32_t h =
        seed ^ (static_cast<std::uint32_t>(x) * 0x8da6b343u) ^ (static_cast<std::uint32_t>(y) * 0xd8163841u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    h *= 0x27d4eb2du;
    h ^= h >> 16;
    return static_cast<float>(h & 0xffffffu) / static_cast<float>(0xffffffu);
}

float ArtNoise::value(float x, float y) const {
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const float fx = x - ix;
    const float fy = y - iy;
    const float sx = fx * fx * (3 - 2 * fx);
    const float sy = fy * fy * (3 - 2 * fy);
    const float a = hash(ix, iy) + (hash(ix + 1, iy) - hash(ix, iy)) * sx;
    const float b = hash(ix, iy + 1) + (hash(ix + 1, iy + 1) - hash(ix, iy + 1)) * sx;
    return a + (b - a) * sy;
}

float ArtNoise::fractal(float x, float y, int octaves) const {
    float sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        // Each octave keeps wrapping because the frequency doubles along with the lattice.
        ArtNoise octave(seed + 977u * static_cast<std::uint32_t>(i), period << i);
        sum += octave.value(x, y) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}
