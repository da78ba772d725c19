#include "sweep/SweepPlan.h"

#include "common/RulesDigest.h"
#include "common/RulesFile.h"
#include "common/ShellWord.h"

#include <filesystem>

std::string SweepPlan::Configuration::name() const {
    std::string pattern = genesis;
    for (char& c : pattern)
        c = c == ',' ? '.' : c == ';' ? '_' : c;
    std::string text = "size" + std::to_string(size) + "-" + pattern + "-t" + std::to_string(ticks);
    for (const RuleValue& rule : rules)
        if (rule.varies)
            text += "-" + rule.name + rule.value;
    if (commandsVary)
        text += "-" + SweepOptions::commandsName(commands);
    return text;
}

std::string SweepPlan::Configuration::genesisArgument() const {
    if (genesis != "centre")
        return genesis;
    const std::string middle = std::to_string(size / 2);
    return middle + "," + middle;
}

SweepPlan::SweepPlan(const SweepOptions& options, const std::string& folder, const std::string& bin)
    : folder(folder), bin(bin), interval(options.interval), rulesFile(options.rulesFile),
      keeps(options.keeps), baseRules(options.baseRules), lineage(options.lineage),
      evolution(options.evolution) {
    for (const SweepOptions::RuleAxis& axis : options.ruleAxes)
        if (axis.values.size() == 1)
            sharedSettings.push_back(axis.name + "=" + axis.values.front());
    // No file is one configuration without commands.
    const std::vector<std::string> commandFiles =
        options.commandFiles.empty() ? std::vector<std::string>{""} : options.commandFiles;
    // Every combination of the rules' values, the last rule changing fastest.
    std::vector<std::vector<Configuration::RuleValue>> combinations(1);
    for (const SweepOptions::RuleAxis& axis : options.ruleAxes) {
        std::vector<std::vector<Configuration::RuleValue>> longer;
        for (const auto& combination : combinations)
            for (const std::string& value : axis.values) {
                longer.push_back(combination);
                longer.back().push_back({axis.name, value, axis.values.size() > 1});
            }
        combinations = longer;
    }
    for (int ticks : options.lengths)
        for (const std::string& genesis : options.genesis)
            for (int size : options.sizes)
                for (const auto& rules : combinations)
                    for (const std::string& file : commandFiles) {
                        const int index = static_cast<int>(configurations.size());
                        // The values were checked as the options were read.
                        Rules inForce = baseRules;
                        std::string unused;
                        for (const Configuration::RuleValue& rule : rules)
                            RulesFile::set(rule.name + "=" + rule.value, inForce, unused);
                        configurations.push_back({size, genesis, ticks, rules,
                                                  RulesDigest::fingerprint(inForce), file,
                                                  commandFiles.size() > 1});
                        for (unsigned seed : options.seeds)
                            jobs.push_back(
                                {index, seed, configurations.back().name() + "-seed" + std::to_string(seed)});
                    }
}

std::string SweepPlan::simArguments(const Job& job) const {
    const Configuration& c = configurations[job.configuration];
    const std::string base = jobsFolder() + "/" + job.name;
    return "--size " + std::to_string(c.size) + " --genesis " + ShellWord::of(c.genesisArgument()) +
           " --ticks " + std::to_string(c.ticks) + " --seed " + std::to_string(job.seed) + " --interval " +
           std::to_string(interval) + " --csv " + ShellWord::of(base + ".csv") + " --plot " +
           ShellWord::of(base + ".png") + " --traits " + ShellWord::of(base + "-traits.png") +
           lineageArguments(base) +
           (evolution ? " --evolution " + ShellWord::of(base + "-evolution.csv") + " --selection " +
                            ShellWord::of(base + "-selection.csv")
                      : "") +
           ruleArguments(c);
}

std::string SweepPlan::lineageArguments(const std::string& base) const {
    if (!lineage)
        return "";
    return " --phylogeny " + ShellWord::of(base + "-phylogeny.csv") + " --phylogeny-extant --newick " +
           ShellWord::of(base + ".nwk") + " --muller " + ShellWord::of(base + "-muller.png");
}

std::string SweepPlan::ruleArguments(const Configuration& c) const {
    std::string text = rulesFile.empty() ? "" : " --rules " + ShellWord::of(rulesFile);
    for (const Configuration::RuleValue& rule : c.rules)
        text += " --set " + ShellWord::of(rule.name + "=" + rule.value);
    for (const std::string& keep : keeps)
        text += " --keep " + ShellWord::of(keep);
    if (!c.commands.empty())
        text += " --commands " + ShellWord::of(c.commands);
    return text;
}

std::string SweepPlan::baseRulesText() const {
    return "# The rules every job of this sweep starts from: " +
           (rulesFile.empty() ? std::string("the defaults") : rulesFile) + ". A rerun of the sweep under\n" +
           "# other rules is refused: it would pool runs made under two rule sets.\n" +
           RulesDigest::toml(baseRules);
}

std::string SweepPlan::rulesTitle() const {
    return RulesDigest::title(rulesFile.empty() ? "" : std::filesystem::path(rulesFile).filename().string(),
                              sharedSettings);
}

std::string SweepPlan::command(const Job& job) const {
    return "cd " + ShellWord::of(bin) + " && ./sylvara-sim " + simArguments(job) + " > " +
           ShellWord::of(logFile(job)) + " 2>&1";
}
