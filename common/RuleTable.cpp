#include "common/RuleTable.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using Type = RuleTable::Type;

#define RULE(member, name, type, min, max, meaning)                                                          \
    RuleTable::Field {                                                                                       \
        name, type, offsetof(Rules, member), min, max, meaning                                               \
    }

const std::vector<RuleTable::Field> FIELDS = {
    RULE(animalMoveCost, "animal.moveCost", Type::Float, 0, 10, "energy an animal spends on every step"),
    RULE(animalBreedAt, "animal.breedAt", Type::Float, 0.01, 1,
         "share of its most energy above which an animal reproduces"),
    RULE(animalBirthEnergy, "animal.birthEnergy", Type::Float, 0.01, 1,
         "share of its most energy a new animal starts with"),
    RULE(animalBreedCost, "animal.breedCost", Type::Float, 0, 10,
         "share of its most energy a birth costs the parent, before its spawn efficiency"),
    RULE(animalBreedEfficiency, "animal.breedEfficiency", Type::Float, 0, 1,
         "how far each point of spawn efficiency divides the cost of a birth"),
    RULE(animalRestedAt, "animal.restedAt", Type::Float, 0, 1,
         "share of its adrenaline an animal needs back to hunt again or to run after exhaustion"),
    RULE(animalRecovery, "animal.recovery", Type::Float, 0, 1,
         "share of its adrenaline an animal gets back on every walking step"),
    RULE(animalRunCost, "animal.runCost", Type::Float, 0, 10, "adrenaline a running step uses"),
    RULE(animalRunStep, "animal.runStep", Type::Float, 0, 10,
         "distance a running step covers per point of speed"),
    RULE(animalWalkStep, "animal.walkStep", Type::Float, 0, 1, "a walking step as a share of a running step"),
    RULE(animalTurnChance, "animal.turnChance", Type::Int, 0, 100,
         "percent chance that an idle animal turns a little on a step"),
    RULE(animalPreyTolerance, "animal.preyTolerance", Type::Float, 0, 1,
         "how far from its prey size, as a share of it, a prey may be"),
    RULE(animalReach, "animal.reach", Type::Double, 0, 10, "distance of a bite per point of size"),
    RULE(animalSizeAdvantage, "animal.sizeAdvantage", Type::Float, 0, 1,
         "how much more a bite takes per point of size above the prey's"),
    RULE(animalFoodValue, "animal.foodValue", Type::Float, 0, 10,
         "what an animal's energy is worth to its hunter"),
    RULE(animalDeathTicks, "animal.deathTicks", Type::Int, 1, 1000,
         "ticks a dead animal lies before it goes"),
    RULE(animalSpeedCost, "animal.speedCost", Type::Float, 0, 10,
         "energy every step costs an animal per 100 points of speed, on top of animal.moveCost"),
    RULE(animalSizeCost, "animal.sizeCost", Type::Float, 0, 10,
         "energy a living animal spends every tick per 100 points of size"),
    RULE(animalSizeCostPower, "animal.sizeCostPower", Type::Float, 0.1, 10,
         "the upkeep is animal.sizeCost times (size / 100) to this power: above 1 a large body costs more"),
    RULE(animalHuntOwnKind, "animal.huntOwnKind", Type::Int, 0, 1,
         "1: a carnivore may hunt carnivores too; 0: a hunter never takes an animal of its own kind"),
    RULE(animalHuntBelow, "animal.huntBelow", Type::Float, 0.01, 1,
         "share of its most energy below which a carnivore hunts; 1: it hunts whenever rested"),
    RULE(animalSmallerPrey, "animal.smallerPrey", Type::Int, 0, 2,
         "0: a prey fits either side of the prey size; 1: herbivores also take any smaller plant; 2: all "
         "hunters"),
    RULE(plantGrowAt, "plant.growAt", Type::Float, 0.01, 1,
         "share of its most energy above which a plant grows a segment or seeds"),
    RULE(plantBirthEnergy, "plant.birthEnergy", Type::Float, 0.01, 1,
         "share of its most energy a new plant starts with"),
    RULE(plantSeedCost, "plant.seedCost", Type::Float, 0, 1,
         "share of its energy a batch of seeds costs a plant, divided by its segments"),
    RULE(plantSeedsPer, "plant.seedsPer", Type::Int, 1, 100, "points of offspring per extra seed in a batch"),
    RULE(plantSpread, "plant.spread", Type::Int, 1, 100, "farthest a seed falls, per point of spawn radius"),
    RULE(plantMinSize, "plant.minSize", Type::Int, 1, 100, "the smallest a plant grows"),
    RULE(plantSegmentSize, "plant.segmentSize", Type::Int, 1, 100, "points of size per stem segment"),
    RULE(plantFoodValue, "plant.foodValue", Type::Float, 0, 10,
         "what a plant's energy is worth to a herbivore"),
    RULE(plantWitherTicks, "plant.witherTicks", Type::Int, 1, 1000, "ticks a plant that cannot live withers"),
    RULE(plantDeathTicks, "plant.deathTicks", Type::Int, 1, 1000, "ticks a dead plant stands before it goes"),
    RULE(tileNourishment, "tile.nourishment", Type::Float, 0, 100,
         "energy a tile shares among its plants every tick, by their size"),
    RULE(tileFertilizedBoost, "tile.fertilizedBoost", Type::Float, 0, 100,
         "how many times a fertilized tile feeds"),
    RULE(tileViability, "tile.viability", Type::Float, 0, 100000,
         "plant mass a tile bears per animal on it (and one more)"),
    RULE(tileFertilizedCrowd, "tile.fertilizedCrowd", Type::Float, 0, 100000,
         "the animals a fertilized tile counts as bearing, for its plants"),
    RULE(mutationChance, "mutation.chance", Type::Int, 0, 100,
         "percent chance that a birth changes the genome"),
    RULE(mutationStep, "mutation.step", Type::Int, 1, 50,
         "a changed trait moves by a whole number from -step to step-1, each as likely: the mean is -0.5"),
    RULE(mutationKindSwitch, "mutation.kindSwitch", Type::Int, 0, 100,
         "percent chance that a changed animal genome draws its kind anew"),
    RULE(mutationHerbivoreOneIn, "mutation.herbivoreOneIn", Type::Int, 1, 100,
         "a kind drawn anew is a herbivore one time in this many, else a carnivore"),
    RULE(mutationTraitBudget, "mutation.traitBudget", Type::Int, 3, 300,
         "the most that speed, adrenaline and spawn efficiency (or a plant's three) add up to"),
    RULE(mutationSymmetric, "mutation.symmetric", Type::Int, 0, 1,
         "1: a changed trait moves by -step..+step, mean 0; 0: by -step..step-1, mean -0.5"),
    RULE(genesisHerbivores, "genesis.herbivores", Type::Int, 0, 1000,
         "herbivores the genesis puts on a tile"),
    RULE(genesisCarnivores, "genesis.carnivores", Type::Int, 0, 1000,
         "carnivores the genesis puts on a tile"),
    RULE(genesisPlants, "genesis.plants", Type::Int, 0, 1000, "plants the genesis puts on a tile"),
};

#undef RULE

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(a[i - 1]) == std::tolower(b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

template <typename T> T& at(Rules& rules, const RuleTable::Field& field) {
    return *reinterpret_cast<T*>(reinterpret_cast<char*>(&rules) + field.offset);
}

template <typename T> const T& at(const Rules& rules, const RuleTable::Field& field) {
    return *reinterpret_cast<const T*>(reinterpret_cast<const char*>(&rules) + field.offset);
}

template <typename T> std::string shortest(T value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string number(double value) {
    return shortest(value);
}

} // namespace

const Rules& Rules::defaults() {
    static const Rules rules;
    return rules;
}

const std::vector<RuleTable::Field>& RuleTable::fields() {
    return FIELDS;
}

const RuleTable::Field* RuleTable::find(const std::string& name) {
    for (const Field& field : FIELDS)
        if (name == field.name)
            return &field;
    return nullptr;
}

std::string RuleTable::nearest(const std::string& name) {
    const Field* best = &FIELDS.front();
    std::size_t bestDistance = editDistance(name, best->name);
    for (const Field& field : FIELDS) {
        const std::size_t d = editDistance(name, field.name);
        if (d < bestDistance) {
            best = &field;
            bestDistance = d;
        }
    }
    return best->name;
}

double RuleTable::get(const Rules& rules, const Field& field) {
    switch (field.type) {
    case Type::Int:
        return at<int>(rules, field);
    case Type::Float:
        return at<float>(rules, field);
    case Type::Double:
        break;
    }
    return at<double>(rules, field);
}

void RuleTable::set(Rules& rules, const Field& field, double value) {
    switch (field.type) {
    case Type::Int:
        at<int>(rules, field) = static_cast<int>(value);
        return;
    case Type::Float:
        at<float>(rules, field) = static_cast<float>(value);
        return;
    case Type::Double:
        at<double>(rules, field) = value;
        return;
    }
}

std::string RuleTable::range(const Field& field) {
    return number(field.min) + ".." + number(field.max);
}

std::string RuleTable::check(const Field& field, double value) {
    const bool whole = field.type == Type::Int;
    bool within = value >= field.min && value <= field.max;
    // A float rule holds the float nearest its value, and a saved world writes that float back: 0.01
    // reads back as 0.00999999977. The range is of the floats the rule can hold, so what was
    // accepted once is accepted again.
    if (field.type == Type::Float && std::fabs(value) <= FLT_MAX) {
        const float held = static_cast<float>(value);
        within = held >= static_cast<float>(field.min) && held <= static_cast<float>(field.max);
    }
    if (!std::isfinite(value) || !within || (whole && value != std::floor(value)))
        return std::string("must be ") + (whole ? "a whole number" : "a number") + " in " + range(field);
    return {};
}

bool RuleTable::parse(const Field& field, const std::string& text, double& value, std::string& error) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (!text.empty() && *first == '+')
        ++first;
    const auto result = std::from_chars(first, last, value);
    if (!text.empty() && result.ec == std::errc::result_out_of_range && result.ptr == last) {
        error = "\"" + text + "\" is out of range: " + check(field, NAN);
        return false;
    }
    if (text.empty() || result.ec != std::errc() || result.ptr != last) {
        error = "\"" + text + "\" is not a number";
        return false;
    }
    error = check(field, value);
    return error.empty();
}

std::string RuleTable::format(const Rules& rules, const Field& field) {
    switch (field.type) {
    case Type::Int:
        return std::to_string(at<int>(rules, field));
    case Type::Float:
        return shortest(at<float>(rules, field));
    case Type::Double:
        break;
    }
    return shortest(at<double>(rules, field));
}

std::vector<const RuleTable::Field*> RuleTable::differences(const Rules& a, const Rules& b) {
    std::vector<const Field*> differing;
    for (const Field& field : FIELDS)
        if (get(a, field) != get(b, field))
            differing.push_back(&field);
    return differing;
}

std::string RuleTable::describeChanges(const Rules& rules) {
    std::string text;
    for (const Field* field : differences(rules, Rules::defaults()))
        text += (text.empty() ? "" : " ") + std::string(field->name) + "=" + format(rules, *field);
    return text;
}

std::string RuleTable::listing() {
    std::string text = "rule                     default  range      meaning\n";
    char line[512];
    for (const Field& field : FIELDS) {
        std::snprintf(line, sizeof line, "%-24s %-8s %-10s %s\n", field.name,
                      format(Rules::defaults(), field).c_str(), range(field).c_str(), field.meaning);
        text += line;
    }
    return text;
}
