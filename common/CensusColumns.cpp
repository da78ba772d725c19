#include "common/CensusColumns.h"

namespace {

const char* const GROUP_NAMES[] = {"herbivore", "carnivore", "plant"};
const char* const ANIMAL_TRAIT_NAMES[] = {"speed", "adrenaline", "spawnEfficiency", "size", "preySize"};
const char* const PLANT_TRAIT_NAMES[] = {"offspring", "spawnRadius", "spawnEfficiency", "size"};

} // namespace

std::string CensusColumns::groupName(Group group) {
    return GROUP_NAMES[group];
}

std::string CensusColumns::traitName(Group group, int trait) {
    return group == PLANTS ? PLANT_TRAIT_NAMES[trait] : ANIMAL_TRAIT_NAMES[trait];
}

int CensusColumns::traitColumn(Group group, int trait) {
    int column = 5;
    for (int before = 0; before < group; ++before)
        column += 2 * traitCount(static_cast<Group>(before));
    return column + 2 * trait;
}

std::string CensusColumns::csvHeader() {
    std::string header = "tick,herbivores,carnivores,plants";
    for (int g = 0; g < GROUPS; ++g) {
        const Group group = static_cast<Group>(g);
        for (int trait = 0; trait < traitCount(group); ++trait) {
            const std::string column = groupName(group) + "_" + traitName(group, trait);
            header += "," + column + "_mean," + column + "_sd";
        }
    }
    for (int group = 0; group < GROUPS; ++group)
        header += std::string(",") + GROUP_NAMES[group] + "_generation_mean," + GROUP_NAMES[group] +
                  "_generation_max";
    return header;
}
