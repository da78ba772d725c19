#include "sim/WorldRules.h"

#include "common/RuleTable.h"
#include "common/RulesFile.h"

void WorldRules::applyToNew(World& world, const SimulationOptions& options) {
    world.setRules(options.rules);
    world.setKeep(options.keep);
}

std::string WorldRules::applyToLoaded(World& world, const SimulationOptions& options) {
    if (options.fromRecord) {
        // A rerun: the floors and every rule the recorded run had from its loaded tick on.
        world.setKeep(options.keep);
        const Rules saved = world.getRules();
        world.setRules(options.rules);
        return RuleTable::differences(saved, options.rules).empty()
                   ? ""
                   : changeLine(saved, options.rules, world.getTickNumber());
    }
    if (options.keeps())
        world.setKeep(options.keep);
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
