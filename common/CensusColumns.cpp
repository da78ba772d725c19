#include "common/CensusColumns.h"

namespace {

const char* const ANIMAL_TRAIT_NAMES[] = {"speed", "adrenaline", "spawnEfficiency", "size", "preySize"};
const char* const PLANT_TRAIT_NAMES[] = {"offspring", "spawnRadius", "spawnEfficiency", "size"};

} // namespace

std::string CensusColumns::traitName(OrganismKind::Value kind, int trait) {
    return kind == OrganismKind::PLANTS ? PLANT_TRAIT_NAMES[trait] : ANIMAL_TRAIT_NAMES[trait];
}

int CensusColumns::traitColumn(OrganismKind::Value kind, int trait) {
    int column = 5;
    for (int before = 0; before < kind; ++before)
        column += 2 * traitCount(static_cast<OrganismKind::Value>(before));
    return column + 2 * trait;
}

std::string CensusColumns::csvHeader() {
    std::string header = "tick,herbivores,carnivores,plants";
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        const OrganismKind::Value kind = static_cast<OrganismKind::Value>(k);
        for (int trait = 0; trait < traitCount(kind); ++trait) {
            const std::string column = OrganismKind::name(kind) + "_" + traitName(kind, trait);
            header += "," + column + "_mean," + column + "_sd";
        }
    }
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        const std::string name = OrganismKind::name(static_cast<OrganismKind::Value>(k));
        header += "," + name + "_generation_mean," + name + "_generation_max";
    }
    return header;
}
