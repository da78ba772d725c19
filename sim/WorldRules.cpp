#include "sim/WorldRules.h"

#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesFile.h"

void WorldRules::applyToNew(World& world, const SimulationOptions& options) {
    world.setRules(options.rules);
    world.setKeep(options.keep);
}

bool WorldRules::checkLoaded(const Rules& saved, const SimulationOptions& options, std::string& error) {
    Rules changed = saved;
    if (!RulesFile::apply(options.rulesFile, options.ruleSettings, changed, error))
        return false;
    const std::string clash = RuleCombination::check(changed);
    if (clash.empty())
        return true;
    error = (options.changesRules() ? "with the saved world's rules, " : "the saved world's rules: ") + clash;
    return false;
}

std::string WorldRules::applyToLoaded(World& world, const SimulationOptions& options) {
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
    if (changes.empty())
        return "rules unchanged at tick " + std::to_string(tick) +
               ": the saved world already has the rules given";
    return "rules changed from tick " + std::to_string(tick) + ":" + changes;
}

std::string WorldRules::keepText(const World::Floors& floors) {
    SimulationOptions given;
    given.keep = floors;
    return given.keepText();
}
