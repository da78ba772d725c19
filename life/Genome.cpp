#include "life/Genome.h"

Genome Genome::animal(int animalKind, int speed, int adrenaline, int spawnEfficiency, int size,
                      int preySize) {
    Genome g;
    g.kind = static_cast<std::uint8_t>(OrganismKind::ofAnimal(animalKind));
    g.traits = {static_cast<std::uint8_t>(speed), static_cast<std::uint8_t>(adrenaline),
                static_cast<std::uint8_t>(spawnEfficiency), static_cast<std::uint8_t>(size),
                static_cast<std::uint8_t>(preySize)};
    return g;
}

Genome Genome::plant(int offspring, int spawnRadius, int spawnEfficiency, int size) {
    Genome g;
    g.traits = {static_cast<std::uint8_t>(offspring), static_cast<std::uint8_t>(spawnRadius),
                static_cast<std::uint8_t>(spawnEfficiency), static_cast<std::uint8_t>(size), 0};
    return g;
}
