#pragma once

#include "common/OrganismKind.h"

#include <array>
#include <cstdint>

// What an organism inherits, compared whole to tell one genotype from another: the kind of organism
// and the traits, each 1..100. An animal's are speed, adrenaline, spawn efficiency, size
// and prey size; a plant's offspring, spawn radius, spawn efficiency and size, the fifth unused.
struct Genome {
    static constexpr int TRAITS = 5;

    // An OrganismKind::Value.
    std::uint8_t kind = OrganismKind::PLANTS;
    std::array<std::uint8_t, TRAITS> traits{};

    // An animal of the sandbox's kind number (KIND_HERBIVORE or KIND_CARNIVORE).
    static Genome animal(int animalKind, int speed, int adrenaline, int spawnEfficiency, int size,
                         int preySize);
    static Genome plant(int offspring, int spawnRadius, int spawnEfficiency, int size);

    OrganismKind::Value organismKind() const { return static_cast<OrganismKind::Value>(kind); }
    int traitCount() const { return kind == OrganismKind::PLANTS ? 4 : 5; }
    bool operator==(const Genome& other) const { return kind == other.kind && traits == other.traits; }
    bool operator!=(const Genome& other) const { return !(*this == other); }
};
