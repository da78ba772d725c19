#pragma once

#include <cstdint>

// Smooth, repeatable value noise for procedural textures and surfaces. A
// period makes the pattern wrap so textures tile without seams.
class ArtNoise {
public:
    explicit ArtNoise(std::uint32_t seed, int period = 0);

    // Value noise in 0..1 on the integer lattice, smoothly interpolated.
    float value(float x, float y) const;
    // Sum of octaves, each twice the frequency and half the weight; 0..1.
    float fractal(float x, float y, int octaves) const;

    // Integer hash in 0..1, for scattering speckles.
    float hash(int x, int y) const;

private:
    std::uint32_t seed;
    int period;
};
