#pragma once

#include <string>

// An animal's kind as the sandbox numbers it: what Animal::getKind returns and spawning takes.
enum AnimalKind { KIND_HERBIVORE = 1, KIND_CARNIVORE = 2 };

// The three kinds of organism, numbered once: every list kept per kind (genomes, the census and its
// columns, rescue's floors, the tools' reports) keeps this order and these numbers.
class OrganismKind {
public:
    enum Value { HERBIVORES, CARNIVORES, PLANTS, COUNT };

    // Any kind but a herbivore's is a carnivore's, as the spawners take it.
    static Value ofAnimal(int animalKind) { return animalKind == KIND_HERBIVORE ? HERBIVORES : CARNIVORES; }
    // The sandbox's number for an animal's kind; a carnivore's for plants, which have none.
    static int animalKind(Value kind) { return kind == HERBIVORES ? KIND_HERBIVORE : KIND_CARNIVORE; }
    // "herbivore", "carnivore", "plant".
    static std::string name(Value kind);
    // "herbivores", "carnivores", "plants".
    static std::string plural(Value kind);
    // The kind a name or its plural stands for; COUNT for none.
    static Value named(const std::string& name);
};
