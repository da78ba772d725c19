#include "common/RuleCombination.h"

#include "common/RuleTable.h"

#include <algorithm>

namespace {

// Animal traits, size among them, are kept within 1..100 at every birth.
constexpr int LARGEST_SIZE = 100;

const char* const BIRTH_ENERGY = "animal.birthEnergy";
const char* const BREED_AT = "animal.breedAt";

// Whether an animal of some size is born above the energy at which it breeds, computed as the
// animal computes both: its most energy is size + 0.1, and it breeds when its energy is above
// that times breedAt.
bool newbornBreeds(float birthEnergy, float breedAt) {
    for (int size = 1; size <= LARGEST_SIZE; ++size) {
        const float most = static_cast<float>(size) + 0.1f;
        if (most * birthEnergy > most * breedAt)
            return true;
    }
    return false;
}

} // namespace

std::string RuleCombination::check(const Rules& rules) {
    if (!newbornBreeds(rules.animalBirthEnergy, rules.animalBreedAt))
        return {};
    const RuleTable::Field& birth = *RuleTable::find(BIRTH_ENERGY);
    const RuleTable::Field& breed = *RuleTable::find(BREED_AT);
    return std::string(BIRTH_ENERGY) + "=" + RuleTable::format(rules, birth) + " is above " + BREED_AT + "=" +
           RuleTable::format(rules, breed) +
           ": every newborn animal would breed in the tick it is born and that tick would never end (keep " +
           BIRTH_ENERGY + " at most " + BREED_AT + ")";
}

std::string RuleCombination::checkAcross(const Rules& base,
                                         const std::map<std::string, std::vector<double>>& choices) {
    // More birth energy and a lower threshold only make it worse: the highest of the one and the
    // lowest of the other decide.
    Rules worst = base;
    for (const auto& [name, values] : choices) {
        const RuleTable::Field* field = RuleTable::find(name);
        if (!field || values.empty())
            continue;
        if (name == BIRTH_ENERGY)
            RuleTable::set(worst, *field, *std::max_element(values.begin(), values.end()));
        else if (name == BREED_AT)
            RuleTable::set(worst, *field, *std::min_element(values.begin(), values.end()));
    }
    return check(worst);
}
