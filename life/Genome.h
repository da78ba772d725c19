#pragma once

#include <array>
#include <cstdint>

// What an organism inherits, compared whole to tell one genotype from another: the kind (0 for a
// plant) and the traits, each 1..100. An animal's are speed, adrenaline, spawn efficiency, size
// and prey size; a plant's offspring, spawn radius, spawn efficiency and size, the fifth unused.
struct Genome {
    static constexpr int PLANT = 0;
    static constexpr int TRAITS = 5;

    std::uint8_t kind = PLANT;
    std::array<std::uint8_t, TRAITS> traits{};

    static Genome animal(int kind, int speed, int adrenaline, int spawnEfficiency, int size, int preySize);
    static Genome plant(int offspring, int spawnRadius, int spawnEfficiency, int size);

    int traitCount() const { return kind == PLANT ? 4 : 5; }
    bool operator==(const Genome& other) const { return kind == other.kind && traits == other.traits; }
    bool operator!=(const Genome& other) const { return !(*this == other); }
};
