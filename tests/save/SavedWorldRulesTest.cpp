// Saved worlds keep the rules and rescue they ran under, resume exactly under them, take new
// rules from the loaded tick on, and files of the first schema still load with the default rules.
#include "ScratchFolder.h"

#include "common/RuleTable.h"
#include "common/RulesFile.h"
#include "save/SavedWorld.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"
#include "sim/WorldRules.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// A fixed-seed run of the real runner; returns what it printed.
std::string run(SimulationOptions options, const std::string& csv) {
    options.csvFile = csv;
    options.plotFile.clear();
    options.traitsFile.clear();
    options.interval = 100;
    std::ostringstream out;
    SimulationRunner runner(options, out);
    std::string error;
    EXPECT_TRUE(runner.start(error)) << error;
    runner.runAll();
    EXPECT_TRUE(runner.finish()) << out.str();
    runner.printSummary(out);
    return out.str();
}

// Rules far from the defaults, plants' among them (the reader checks plants against them), and rescue.
SimulationOptions unusual(int ticks) {
    SimulationOptions options;
    options.size = 3;
    options.ticks = ticks;
    options.seeded = true;
    options.seed = 21;
    std::string error;
    EXPECT_TRUE(RulesFile::apply("",
                                 {"mutation.chance=60", "mutation.kindSwitch=30", "tile.nourishment=0.05",
                                  "plant.segmentSize=7", "plant.minSize=9", "plant.seedsPer=6",
                                  "animal.moveCost=0.02", "genesis.herbivores=4"},
                                 options.rules, error))
        << error;
    options.keep = {80, 0, 30};
    return options;
}

} // namespace

TEST(SavedWorldRules, AWorldUnderOtherRulesAndRescueResumesExactlyFromAnySave) {
    ScratchFolder scratch{"sylvara-rules-resume"};
    SimulationOptions whole = unusual(1200);
    whole.saveEvery = 300;
    whole.savePattern = scratch.file("at-%d.sylvara");
    const std::string printed = run(whole, scratch.file("whole.csv"));
    const std::vector<std::string> rows = lines(scratch.file("whole.csv"));
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_NE(rows[0].find(",herbivores_inserted,carnivores_inserted,plants_inserted"), std::string::npos);
    EXPECT_NE(printed.find("herbivores alive, rescued: "), std::string::npos) << printed;
    EXPECT_NE(printed.find("rescue keeps herbivores=80 plants=30; inserted herbivores "), std::string::npos)
        << printed;

    SavedWorld saved;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(scratch.file("at-600.sylvara"), saved, error)) << error;
    EXPECT_TRUE(RuleTable::differences(saved.getRecord().rules, whole.rules).empty());
    EXPECT_EQ(saved.getRecord().keep, whole.keep);
    EXPECT_GT(saved.getRecord().inserted[0], 0);

    for (int start : {300, 600, 900}) {
        SimulationOptions resumed;
        resumed.loadFile = scratch.file("at-" + std::to_string(start) + ".sylvara");
        resumed.ticks = 1200 - start;
        const std::string again = run(resumed, scratch.file("resumed.csv"));
        const std::vector<std::string> tail = lines(scratch.file("resumed.csv"));
        const std::vector<std::string> expected(rows.end() - static_cast<long>(tail.size() - 1), rows.end());
        ASSERT_EQ(std::vector<std::string>(tail.begin() + 1, tail.end()), expected) << "saved at " << start;
        EXPECT_EQ(tail[0], rows[0]);
        EXPECT_EQ(again.find("rules changed"), std::string::npos) << "the saved rules go on unannounced";
    }

    // New rules on load apply from the loaded tick on, and are said to.
    SimulationOptions changed;
    changed.loadFile = scratch.file("at-600.sylvara");
    changed.ticks = 600;
    changed.ruleSettings = {"mutation.chance=0", "tile.nourishment=0.05"};
    ASSERT_TRUE(RulesFile::apply("", changed.ruleSettings, changed.rules, error)) << error;
    const std::string announced = run(changed, scratch.file("changed.csv"));
    EXPECT_EQ(announced.rfind("rules changed from tick 600: mutation.chance 60 -> 0\n", 0), 0u) << announced;
    EXPECT_NE(lines(scratch.file("changed.csv")).back(), rows.back());
}

TEST(SavedWorldRules, AFileOfTheFirstSchemaLoadsWithTheDefaultRulesAndGoesOnAsItsRun) {
    // Saved by the runner of the first schema: 2 tiles a side, genesis everywhere, seed 4, at tick 40.
    const std::string old = std::string(SYLVARA_TEST_DATA) + "/schema1-size2-seed4-tick40.sylvara";
    SavedWorld saved;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(old, saved, error)) << error;
    EXPECT_TRUE(RuleTable::differences(saved.getRecord().rules, Rules::defaults()).empty());
    EXPECT_EQ(saved.getRecord().tickNumber, 40);

    ScratchFolder scratch{"sylvara-rules-old"};
    SimulationOptions fresh;
    fresh.size = 2;
    fresh.ticks = 440;
    fresh.seeded = true;
    fresh.seed = 4;
    run(fresh, scratch.file("fresh.csv"));
    SimulationOptions loaded;
    loaded.loadFile = old;
    loaded.ticks = 400;
    run(loaded, scratch.file("loaded.csv"));
    const std::vector<std::string> whole = lines(scratch.file("fresh.csv"));
    const std::vector<std::string> tail = lines(scratch.file("loaded.csv"));
    ASSERT_EQ(tail.size(), 7u) << "header, then ticks 40, 100, ... 400 and 440";
    EXPECT_EQ(tail[0], whole[0]) << "no rescue columns for a world without rescue";
    EXPECT_EQ(tail.back(), whole.back());
    EXPECT_EQ(tail[2], whole[2]);
}

TEST(SavedWorldRules, AWorldSavedAtTheLowEndOfAFloatRuleLoadsAgain) {
    ScratchFolder scratch{"sylvara-rules-low"};
    // 0.01 is held as the float 0.00999999977, which the file keeps; both animal rules at once, as
    // a birth energy above the threshold is refused.
    const std::vector<std::vector<std::string>> lows = {{"animal.birthEnergy=0.01", "animal.breedAt=0.01"},
                                                        {"plant.growAt=0.01"},
                                                        {"plant.birthEnergy=0.01"}};
    for (const std::vector<std::string>& settings : lows) {
        SimulationOptions options;
        options.size = 1;
        options.ticks = 2;
        options.seeded = true;
        options.seed = 3;
        std::string error;
        ASSERT_TRUE(RulesFile::apply("", settings, options.rules, error)) << error;
        options.saveFile = scratch.file("low.sylvara");
        std::filesystem::remove(options.saveFile);
        run(options, scratch.file("low.csv"));
        SavedWorld saved;
        ASSERT_TRUE(SavedWorld::read(options.saveFile, saved, error)) << settings[0] << ": " << error;
        EXPECT_TRUE(RuleTable::differences(saved.getRecord().rules, options.rules).empty()) << settings[0];
    }
}

TEST(SavedWorldRules, ASavedWorldsRulesAndTheChangesGivenAreJudgedTogether) {
    Rules saved;
    saved.animalBreedAt = 0.3f;
    saved.animalBirthEnergy = 0.2f;
    SimulationOptions options;
    std::string error;
    // Over the defaults 0.4 is fine; over this world's 0.3 its newborns would breed at once.
    options.ruleSettings = {"animal.birthEnergy=0.4"};
    EXPECT_FALSE(WorldRules::checkLoaded(saved, options, error));
    EXPECT_EQ(
        error.rfind("with the saved world's rules, animal.birthEnergy=0.4 is above animal.breedAt=0.3:", 0),
        0u)
        << error;
    options.ruleSettings = {"animal.breedAt=0.25"};
    EXPECT_TRUE(WorldRules::checkLoaded(saved, options, error)) << error;

    // Changes that match the saved rules change nothing, and the line says so.
    EXPECT_EQ(WorldRules::changeLine(saved, saved, 5020),
              "rules unchanged at tick 5020: the saved world already has the rules given");
    Rules changed = saved;
    changed.mutationChance = 0;
    EXPECT_EQ(WorldRules::changeLine(saved, changed, 600),
              "rules changed from tick 600: mutation.chance 20 -> 0");
}

TEST(SavedWorldRules, AFileEditedToRulesThatNeverEndATickIsRefused) {
    ScratchFolder scratch{"sylvara-rules-edited"};
    SimulationOptions options;
    options.size = 1;
    options.ticks = 1;
    options.seeded = true;
    options.seed = 3;
    options.saveFile = scratch.file("good.sylvara");
    run(options, scratch.file("good.csv"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(options.saveFile.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE rules SET value = 0.3 WHERE name = 'animal.breedAt'", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    SavedWorld saved;
    std::string error;
    EXPECT_FALSE(SavedWorld::read(options.saveFile, saved, error));
    EXPECT_NE(error.find("rules: animal.birthEnergy=0.5 is above animal.breedAt=0.3"), std::string::npos)
        << error;
}
