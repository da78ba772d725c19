#include "common/OrganismKind.h"

namespace {

const char* const NAMES[] = {"herbivore", "carnivore", "plant"};

} // namespace

std::string OrganismKind::name(Value kind) {
    return kind >= HERBIVORES && kind < COUNT ? NAMES[kind] : "";
}

std::string OrganismKind::plural(Value kind) {
    return kind >= HERBIVORES && kind < COUNT ? name(kind) + "s" : "";
}

OrganismKind::Value OrganismKind::named(const std::string& text) {
    for (int k = 0; k < COUNT; ++k) {
        const Value kind = static_cast<Value>(k);
        if (text == name(kind) || text == plural(kind))
            return kind;
    }
    return COUNT;
}
