// The rules by name, from TOML files and NAME=VALUE settings, and the refusals of bad ones.
#include "ScratchFolder.h"

#include "common/RuleTable.h"
#include "common/RulesFile.h"
#include "life/AnimalGenome.h"
#include "life/LifeState.h"
#include "plants/PlantGenome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>

namespace {

Rules readToml(const std::string& text, std::string& error, bool& ok) {
    Rules rules;
    ok = RulesFile::readText(text, "my.toml", rules, error);
    return rules;
}

// The refusal of a TOML text, which must leave the rules as they were.
std::string refusalOf(const std::string& text) {
    Rules rules;
    rules.mutationChance = 7;
    std::string error;
    EXPECT_FALSE(RulesFile::readText(text, "my.toml", rules, error)) << text;
    EXPECT_EQ(rules.mutationChance, 7) << "a refused file changes nothing";
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    return error;
}

std::string settingRefusal(const std::string& setting) {
    Rules rules;
    std::string error;
    EXPECT_FALSE(RulesFile::set(setting, rules, error)) << setting;
    EXPECT_TRUE(RuleTable::differences(rules, Rules::defaults()).empty());
    return error;
}

} // namespace

TEST(RuleTable, EveryRuleHasItsOwnNameAndPlaceAndAllowsItsDefault) {
    std::set<std::string> names;
    std::set<std::size_t> offsets;
    for (const RuleTable::Field& field : RuleTable::fields()) {
        EXPECT_TRUE(names.insert(field.name).second) << field.name;
        EXPECT_TRUE(offsets.insert(field.offset).second) << field.name;
        EXPECT_EQ(RuleTable::check(field, RuleTable::get(Rules::defaults(), field)), "") << field.name;
        EXPECT_NE(std::string(field.meaning), "");
        // Writing one rule by name changes that rule and no other.
        Rules rules;
        const double other = RuleTable::get(rules, field) == field.max ? field.min : field.max;
        RuleTable::set(rules, field, other);
        const auto changed = RuleTable::differences(rules, Rules::defaults());
        ASSERT_EQ(changed.size(), 1u) << field.name;
        EXPECT_EQ(changed[0], &field);
    }
    EXPECT_EQ(RuleTable::nearest("animal.moveCots"), "animal.moveCost");
    EXPECT_EQ(RuleTable::nearest("mutation.Chance"), "mutation.chance");
}

TEST(RuleTable, ValuesAreCheckedAgainstTheRangeAndTypeAndShownShortest) {
    const RuleTable::Field& chance = *RuleTable::find("mutation.chance");
    const RuleTable::Field& cost = *RuleTable::find("animal.moveCost");
    double value = 0.0;
    std::string error;
    EXPECT_TRUE(RuleTable::parse(cost, "1e-3", value, error));
    EXPECT_EQ(value, 1e-3);
    EXPECT_FALSE(RuleTable::parse(chance, "2.5", value, error));
    EXPECT_EQ(error, "must be a whole number in 0..100");
    EXPECT_FALSE(RuleTable::parse(chance, "101", value, error));
    EXPECT_FALSE(RuleTable::parse(cost, "-0.5", value, error));
    EXPECT_FALSE(RuleTable::parse(cost, "0.5x", value, error));
    EXPECT_FALSE(RuleTable::parse(cost, "", value, error));
    EXPECT_FALSE(RuleTable::parse(cost, "nan", value, error));
    // A float rule shows the float's shortest text, not the double it widens to.
    EXPECT_EQ(RuleTable::format(Rules::defaults(), cost), "0.01");
    Rules rules;
    RuleTable::set(rules, cost, 0.1);
    EXPECT_EQ(rules.animalMoveCost, 0.1f);
    EXPECT_EQ(RuleTable::describeChanges(rules), "animal.moveCost=0.1");
    EXPECT_EQ(RuleTable::describeChanges(Rules::defaults()), "");
}

TEST(RulesFile, ReadsTablesDottedKeysAndWholeNumbersForFractions) {
    std::string error;
    bool ok = false;
    const Rules rules = readToml("# lasting\n[animal]\nmoveCost = 0.005\n\n[tile]\nnourishment = 1\n"
                                 "[mutation]\nchance = 10\n",
                                 error, ok);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(rules.animalMoveCost, 0.005f);
    EXPECT_EQ(rules.tileNourishment, 1.0f);
    EXPECT_EQ(rules.mutationChance, 10);
    EXPECT_EQ(RuleTable::differences(rules, Rules::defaults()).size(), 3u);

    const Rules dotted = readToml("genesis.plants = 0\nplant.seedCost = 0.5\n", error, ok);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(dotted.genesisPlants, 0);
    EXPECT_EQ(dotted.plantSeedCost, 0.5f);

    // What write() gives reads back to the same rules.
    Rules back;
    ASSERT_TRUE(RulesFile::readText(RulesFile::write(rules), "written", back, error)) << error;
    EXPECT_TRUE(RuleTable::differences(back, rules).empty()) << RulesFile::write(rules);
    EXPECT_EQ(RulesFile::write(Rules::defaults()), "");
}

TEST(RulesFile, BadFilesAreRefusedInOneLineNamingFileLineAndRule) {
    EXPECT_EQ(refusalOf("[animal]\nmoveCost = 0.01\nmoveCots = 0.02\n"),
              "my.toml:3: unknown rule animal.moveCots (did you mean animal.moveCost?)");
    EXPECT_EQ(refusalOf("\n\nmutation.chance = 120\n"),
              "my.toml:3: rule mutation.chance: must be a whole number in 0..100");
    EXPECT_EQ(refusalOf("mutation.chance = 2.5\n"),
              "my.toml:1: rule mutation.chance: must be a whole number in 0..100");
    EXPECT_EQ(refusalOf("[tile]\nnourishment = \"lots\"\n"),
              "my.toml:2: rule tile.nourishment: must be a number in 0..100, not a string");
    EXPECT_EQ(refusalOf("animal.reach = true\n"),
              "my.toml:1: rule animal.reach: must be a number in 0..10, not true or false");
    // Of several wrong rules, the first in the file is named.
    EXPECT_EQ(refusalOf("zebra = 1\n[animal]\nmoveCost = -1\n").rfind("my.toml:1: unknown rule zebra", 0),
              0u);

    const std::string twice = refusalOf("[animal]\nmoveCost = 0.01\nbreedAt = 0.5\nmoveCost = 0.02\n");
    EXPECT_EQ(twice.rfind("my.toml:4: ", 0), 0u) << twice;
    EXPECT_NE(twice.find("moveCost"), std::string::npos) << twice;
    const std::string twiceDotted = refusalOf("animal.moveCost = 1\n[animal]\nmoveCost = 2\n");
    EXPECT_EQ(twiceDotted.rfind("my.toml:", 0), 0u) << twiceDotted;

    const std::string syntax = refusalOf("[animal]\nmoveCost = = 3\n");
    EXPECT_EQ(syntax.rfind("my.toml:2: ", 0), 0u) << syntax;

    ScratchFolder scratch{"sylvara-rules"};
    Rules rules;
    std::string error;
    EXPECT_FALSE(RulesFile::read(scratch.file("missing.toml"), rules, error));
    EXPECT_EQ(error,
              scratch.file("missing.toml") + ": cannot read the rules file: No such file or directory");
    EXPECT_FALSE(RulesFile::read(scratch.folder.string(), rules, error));
    EXPECT_EQ(error, scratch.folder.string() + ": cannot read the rules file: it is a folder");
    std::ofstream(scratch.file("empty.toml")).close();
    EXPECT_TRUE(RulesFile::read(scratch.file("empty.toml"), rules, error)) << "an empty file changes nothing";
}

TEST(RulesFile, ARuleGivenTwiceInAnyFormIsRefusedAtItsLaterLine) {
    // toml++ keeps a quoted dotted name as one key beside the table animal: both name the rule.
    EXPECT_EQ(refusalOf("\"animal.moveCost\" = 0.5\nanimal.moveCost = 0.25\n"),
              "my.toml:2: rule animal.moveCost is given twice (also on line 1)");
    EXPECT_EQ(refusalOf("animal.moveCost = 0.25\n\"animal.moveCost\" = 0.5\n"),
              "my.toml:2: rule animal.moveCost is given twice (also on line 1)");
    EXPECT_EQ(refusalOf("\"animal.moveCost\" = 0.5\n\n[animal]\nmoveCost = 0.25\n"),
              "my.toml:4: rule animal.moveCost is given twice (also on line 1)");
}

TEST(RulesFile, KeysOfManyPartsAndDeepNestingAreRefusedBeforeTheTomlReaderRecursesIntoThem) {
    std::string deep = "k";
    for (int i = 1; i < 20000; ++i)
        deep += ".k";
    EXPECT_EQ(refusalOf("# rules\n\n" + deep + " = 1\n"),
              "my.toml:3: a key of more than 8 parts: a rule's name has two, such as animal.moveCost");
    EXPECT_EQ(refusalOf("[" + deep + "]\nx = 1\n").rfind("my.toml:1: a key of more than 8 parts", 0), 0u);
    EXPECT_EQ(refusalOf("\"k\".'k'.\"k\".k.k.k.k.k.k = 1\n").rfind("my.toml:1: a key of more than 8", 0), 0u)
        << "quoted parts count too";
    std::string nested = "a = ";
    for (int i = 0; i < 20000; ++i)
        nested += "{b = ";
    EXPECT_EQ(refusalOf(nested + "1\n").rfind("my.toml:1: tables or lists nested more than 8 deep", 0), 0u);

    // Dots and braces in comments and strings are no keys, and a number's dot is not a key's.
    bool ok = false;
    std::string error;
    const Rules read = readToml("# a.b.c.d.e.f.g.h.i.j {{{{{{{{{{\n"
                                "animal.moveCost = 0.02 # x.y.z.w.v.u.t.s.r.q\n"
                                "animal.breedAt = 0.7\nanimal.birthEnergy = 0.25\nplant.growAt = 0.5\n"
                                "plant.birthEnergy = 0.25\nplant.seedCost = 0.5\nanimal.reach = 0.5\n"
                                "tile.nourishment = 0.5\nanimal.runStep = 0.5\n",
                                error, ok);
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(read.animalMoveCost, 0.02f);
    for (const std::string& text : {std::string("x = \"a.b.c.d.e.f.g.h.i.j.k\"\n"),
                                    std::string("x = '''\na.b.c.d.e.f.g.h.i.j.k\n'''\n"),
                                    std::string("x = \"\"\"\na.b.c.\\\"\"\"d.e.f.g.h.i.j.k\n\"\"\"\n"),
                                    std::string("x = 'a.b.c.d.e.f.g.h.i.j.k'\n")})
        EXPECT_EQ(refusalOf(text).rfind("my.toml:1: unknown rule x ", 0), 0u) << text;
}

TEST(RulesFile, SettingsComeAfterTheFileAndAreCheckedAlike) {
    ScratchFolder scratch{"sylvara-rules"};
    std::ofstream(scratch.file("base.toml")) << "mutation.chance = 5\nanimal.moveCost = 0.02\n";
    Rules rules;
    std::string error;
    ASSERT_TRUE(RulesFile::apply(scratch.file("base.toml"), {"mutation.chance=40", "animal.reach=0.25"},
                                 rules, error))
        << error;
    EXPECT_EQ(rules.mutationChance, 40) << "--set wins over the file";
    EXPECT_EQ(rules.animalMoveCost, 0.02f);
    EXPECT_EQ(rules.animalReach, 0.25);

    EXPECT_EQ(settingRefusal("mutation.chanse=3"),
              "--set mutation.chanse=3: unknown rule mutation.chanse (did you mean mutation.chance?)");
    EXPECT_EQ(settingRefusal("mutation.chance=300"),
              "--set mutation.chance=300: rule mutation.chance: must be a whole number in 0..100");
    EXPECT_EQ(settingRefusal("animal.moveCost=cheap"),
              "--set animal.moveCost=cheap: rule animal.moveCost: \"cheap\" is not a number");
    EXPECT_EQ(settingRefusal("animal.moveCost"), "--set animal.moveCost: give NAME=VALUE");
    EXPECT_EQ(
        settingRefusal("animal.moveCost=1e400"),
        "--set animal.moveCost=1e400: rule animal.moveCost: \"1e400\" is out of range: must be a number "
        "in 0..10");

    Rules kept;
    EXPECT_FALSE(RulesFile::apply("", {"mutation.chance=3", "nothing=1"}, kept, error));
    EXPECT_EQ(kept.mutationChance, Rules::defaults().mutationChance) << "all or nothing";
}

TEST(RulesInTheTick, TheGenomeDriftsAsTheMutationRulesSay) {
    Rules still;
    still.mutationChance = 0;
    Rules switching;
    switching.mutationChance = 100;
    switching.mutationKindSwitch = 100;
    switching.mutationHerbivoreOneIn = 1;
    switching.mutationStep = 1;
    for (unsigned seed = 0; seed < 500; ++seed) {
        std::srand(seed);
        int kind = KIND_CARNIVORE, speed = 30, adrenaline = 30, efficiency = 30, size = 50, prey = 50;
        AnimalGenome::mutate(kind, speed, adrenaline, efficiency, size, prey, still);
        EXPECT_EQ(kind, KIND_CARNIVORE);
        EXPECT_EQ(speed + adrenaline + efficiency + size + prey, 190);
        AnimalGenome::mutate(kind, speed, adrenaline, efficiency, size, prey, switching);
        EXPECT_EQ(kind, KIND_HERBIVORE) << "every drift draws the kind anew, always a herbivore";
        for (int trait : {speed, adrenaline, efficiency})
            EXPECT_TRUE(trait == 29 || trait == 30) << "a step of 1 moves by -1 or 0";
    }
}

TEST(RuleTable, AFloatRuleAtEitherEndOfItsRangeIsAcceptedAgainAsTheFloatItIsHeldIn) {
    // A saved world writes each rule as the float it holds, widened: 0.01 comes back 0.00999999977.
    for (const RuleTable::Field& field : RuleTable::fields()) {
        for (const double end : {field.min, field.max}) {
            std::ostringstream text;
            text << std::setprecision(17) << end;
            Rules rules;
            std::string error;
            ASSERT_TRUE(RulesFile::set(std::string(field.name) + "=" + text.str(), rules, error)) << error;
            const double held = RuleTable::get(rules, field);
            EXPECT_EQ(RuleTable::check(field, held), "") << field.name << " held as " << held;
            Rules again;
            ASSERT_TRUE(RulesFile::readText(std::string(field.name) + " = " + RuleTable::format(rules, field),
                                            "again", again, error))
                << error;
        }
    }
    // Past the end by more than the float's rounding is still refused.
    const RuleTable::Field& birth = *RuleTable::find("animal.birthEnergy");
    EXPECT_NE(RuleTable::check(birth, 0.0099), "");
    EXPECT_NE(RuleTable::check(birth, std::nextafter(0.01f, 0.0f)), "");
    EXPECT_NE(RuleTable::check(birth, 1.0000001), "");
    EXPECT_NE(RuleTable::check(birth, 1e300), "") << "far beyond any float";
}

// The step is lopsided by one (r % 2step - step): the rule's meaning must say so, as the draws show.
TEST(RulesInTheTick, TheStepMovesATraitFromMinusStepToStepLessOneAsItsMeaningSays) {
    const std::string meaning = RuleTable::find("mutation.step")->meaning;
    EXPECT_NE(meaning.find("from -step to step-1"), std::string::npos) << meaning;
    EXPECT_NE(meaning.find("mean is -0.5"), std::string::npos) << meaning;
    for (int step : {1, 4, 9}) {
        Rules drifting;
        drifting.mutationChance = 100;
        drifting.mutationStep = step;
        std::set<int> moves;
        long sum = 0;
        const int draws = 20000;
        for (int seed = 0; seed < draws; ++seed) {
            std::srand(static_cast<unsigned>(seed));
            int offspring = 30, radius = 30, efficiency = 30, size = 50;
            PlantGenome::mutate(offspring, radius, efficiency, size, drifting);
            moves.insert(size - 50);
            sum += size - 50;
        }
        EXPECT_EQ(*moves.begin(), -step);
        EXPECT_EQ(*moves.rbegin(), step - 1);
        EXPECT_EQ(moves.size(), static_cast<size_t>(2 * step));
        EXPECT_NEAR(static_cast<double>(sum) / draws, -0.5, 0.15) << "step " << step;
    }
}

TEST(RulesFile, TheWholeRulesInForceWrittenReadBackToTheSameRulesToTheLastBit) {
    // Odd values: each end of every range, and a fraction with no short decimal, rule by rule.
    for (int variant = 0; variant < 3; ++variant) {
        Rules rules = Rules::defaults();
        for (const RuleTable::Field& field : RuleTable::fields()) {
            double value = variant == 0   ? field.min
                           : variant == 1 ? field.max
                                          : field.min + (field.max - field.min) / 3.0;
            if (field.type == RuleTable::Type::Int)
                value = std::round(value);
            RuleTable::set(rules, field, value);
        }
        const std::string text = RulesFile::writeAll(rules);
        // Read over rules far from them, so a rule left out of the file shows.
        Rules read = Rules::defaults();
        for (const RuleTable::Field& field : RuleTable::fields())
            RuleTable::set(read, field, variant == 1 ? field.min : field.max);
        std::string error;
        ASSERT_TRUE(RulesFile::readText(text, "saved.toml", read, error)) << error << "\n" << text;
        for (const RuleTable::Field& field : RuleTable::fields()) {
            EXPECT_EQ(RuleTable::get(read, field), RuleTable::get(rules, field))
                << field.name << " variant " << variant;
            EXPECT_NE(text.find(std::string("\n") + field.name + " = "), std::string::npos) << field.name;
            EXPECT_NE(text.find(field.meaning), std::string::npos) << "each rule says what it means";
        }
        EXPECT_TRUE(RuleTable::differences(read, rules).empty());
    }
    // The defaults are written too: the file stands alone whatever the defaults become.
    const std::string defaults = RulesFile::writeAll(Rules::defaults());
    EXPECT_NE(defaults.find("animal.moveCost = "), std::string::npos);
    EXPECT_TRUE(RulesFile::write(Rules::defaults()).empty()) << "unlike write, which keeps only changes";
}
