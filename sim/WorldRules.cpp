#include "sim/WorldRules.h"

#include "common/RuleTable.h"
#include "common/RulesFile.h"

void WorldRules::applyToNew(World& world, const SimulationOptions& options) {
    world.setRules(options.rules);
    world.setKeep(options.keep);
}

std::string WorldRules::applyToLoaded(World& world, const SimulationOptions& options) {
    // Each floor given replaces the saved one, 0 included; the others stay as saved.
    World::Floors floors = world.getKeep();
    for (size_t k = 0; k < floors.size(); ++k)
        if (options.keepGiven[k])
            floors[k] = options.keep[k];
    world.setKeep(floors);
    if (!options.changesRules())
        return "";
    const Rules saved = world.getRules();
    Rules changed = saved;
    // Read once already, over the defaults: only a file gone since could fail, and then nothing changes.
    std::string unused;
    if (RulesFile::apply(options.rulesFile, options.ruleSettings, changed, unused))
        world.setRules(changed);
    return changeLine(saved, world.getRules(), world.getTickNumber());
}

std::string WorldRules::changeLine(const Rules& before, const Rules& after, long tick) {
    std::string changes;
    for (const RuleTable::Field* field : RuleTable::differences(before, after))
        changes += " " + std::string(field->name) + " " + RuleTable::format(before, *field) + " -> " +
                   RuleTable::format(after, *field);
    return "rules changed from tick " + std::to_string(tick) + ":" + (changes.empty() ? " none" : changes);
}

std::string WorldRules::keepText(const World::Floors& floors) {
    SimulationOptions given;
    given.keep = floors;
    return given.keepText();
}
