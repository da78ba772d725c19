// A rule set as text and fingerprint, the hash it rests on, and the TOML reader the run records use.
#include "ScratchFolder.h"

#include "common/ContentHash.h"
#include "common/RuleTable.h"
#include "common/RulesDigest.h"
#include "common/RulesFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Reads toml() back as a run record does: the TOML reader, then restore() for each rule.
Rules readBack(const std::string& text) {
    std::map<std::string, TomlEntry> entries;
    std::string error;
    EXPECT_TRUE(RulesFile::readEntries(text, "rules", entries, error)) << error;
    Rules rules;
    for (const auto& [name, entry] : entries)
        EXPECT_TRUE(RulesDigest::restore(rules, name, entry.number, error)) << error;
    return rules;
}

} // namespace

TEST(ContentHash, IsFnv1a64OfTheBytesWhetherTextOrFile) {
    // The published FNV-1a 64 values: another hash, or FNV-1 (multiply before xor), differs.
    EXPECT_EQ(ContentHash::hex(ContentHash::of("")), "cbf29ce484222325");
    EXPECT_EQ(ContentHash::hex(ContentHash::of("a")), "af63dc4c8601ec8c");
    EXPECT_EQ(ContentHash::hex(ContentHash::of("foobar")), "85944171f73967e8");

    ScratchFolder scratch{"sylvara-hash"};
    // Larger than one read, with a zero byte, so that every block counts.
    std::string bytes(200000, 'x');
    bytes[100] = '\0';
    bytes.back() = 'y';
    std::ofstream(scratch.file("world"), std::ios::binary) << bytes;
    std::uint64_t hash = 0;
    std::string error;
    ASSERT_TRUE(ContentHash::ofFile(scratch.file("world"), hash, error)) << error;
    EXPECT_EQ(hash, ContentHash::of(bytes));
    EXPECT_FALSE(ContentHash::ofFile(scratch.folder.string(), hash, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(ContentHash::ofFile(scratch.file("gone"), hash, error));
}

TEST(RulesDigest, WritesEveryRuleAndReadsBackTheVerySameValues) {
    Rules rules;
    rules.mutationChance = 0;
    rules.animalReach = 0.3;
    const std::string text = RulesDigest::toml(rules);
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, RuleTable::fields().size()) << "every rule, the defaults included";
    EXPECT_NE(text.find("animal.moveCost = 0.01\n"), std::string::npos) << text;
    EXPECT_NE(text.find("mutation.chance = 0\n"), std::string::npos) << text;
    EXPECT_TRUE(RuleTable::differences(readBack(text), rules).empty());

    // Every float rule over a run of neighbouring floats, the lowest a range allows among them: each
    // comes back bit for bit, not one float off, and none is refused as below its range.
    const RuleTable::Field& birth = *RuleTable::find("animal.birthEnergy");
    float value = 0.01f;
    for (int i = 0; i < 3000; ++i, value = std::nextafter(value, 1.0f)) {
        Rules one;
        RuleTable::set(one, birth, value);
        const Rules back = readBack(RulesDigest::toml(one));
        ASSERT_EQ(back.animalBirthEnergy, value) << i;
    }
    for (float odd : {1e-5f, 0.1f, 0.3f, 2.0f / 3.0f, 9.99999f, 1234.567f}) {
        Rules one;
        one.tileViability = odd;
        EXPECT_EQ(readBack(RulesDigest::toml(one)).tileViability, odd) << odd;
    }
}

TEST(RulesDigest, TellsRuleSetsApartByContentAndNamesThemForPeople) {
    Rules a;
    Rules b;
    EXPECT_EQ(RulesDigest::fingerprint(a), RulesDigest::fingerprint(b));
    EXPECT_EQ(RulesDigest::fingerprint(a).size(), 16u);
    b.tileNourishment = std::nextafter(b.tileNourishment, 1.0f);
    EXPECT_NE(RulesDigest::fingerprint(a), RulesDigest::fingerprint(b)) << "one float step apart";
    b = a;
    b.genesisPlants += 1;
    EXPECT_NE(RulesDigest::fingerprint(a), RulesDigest::fingerprint(b)) << "the last rule counts too";

    EXPECT_EQ(RulesDigest::title("", {}), "default rules");
    EXPECT_EQ(RulesDigest::title("my.toml", {"mutation.chance=0", "plant.growAt=0.7"}),
              "rules my.toml, set mutation.chance=0, set plant.growAt=0.7");
    EXPECT_EQ(RulesDigest::title("a\nb.toml", {}), "rules a?b.toml") << "a title stays one line";
    EXPECT_EQ(RulesDigest::brief("", {}), "default");
    EXPECT_EQ(RulesDigest::brief("", {"mutation.chance=0"}), "default (+1 set)");
    EXPECT_EQ(RulesDigest::brief("my.toml", {"a=1", "b=2"}), "my.toml (+2 set)");

    Rules rules;
    std::string error;
    EXPECT_FALSE(RulesDigest::restore(rules, "animal.movecost", 0.1, error));
    EXPECT_FALSE(RulesDigest::restore(rules, "mutation.chance", 101, error));
    EXPECT_NE(error.find("mutation.chance"), std::string::npos) << error;
    EXPECT_FALSE(RulesDigest::restore(rules, "animal.birthEnergy", 0.0099, error)) << "below its range";
}

TEST(RulesFile, ReadsAnyTomlAsEntriesByDottedName) {
    std::map<std::string, TomlEntry> entries;
    std::string error;
    ASSERT_TRUE(RulesFile::readEntries("[run]\nseed = 7\nshare = 5.5\nfixed = true\n"
                                       "command = [\"a b\", \"c\\nd\"]\nname = \"x\\\"y\"\n"
                                       "[rules.in_force]\nanimal.moveCost = 0.25\n",
                                       "r.toml", entries, error))
        << error;
    EXPECT_EQ(entries.at("run.seed").kind, TomlEntry::Kind::Integer);
    EXPECT_EQ(entries.at("run.seed").integer, 7);
    EXPECT_EQ(entries.at("run.seed").number, 7.0) << "a whole number is a number too";
    EXPECT_EQ(entries.at("run.share").number, 5.5);
    EXPECT_TRUE(entries.at("run.fixed").flag);
    EXPECT_EQ(entries.at("run.command").strings, (std::vector<std::string>{"a b", "c\nd"}));
    EXPECT_EQ(entries.at("run.name").text, "x\"y");
    EXPECT_EQ(entries.at("rules.in_force.animal.moveCost").number, 0.25);
    EXPECT_EQ(entries.at("rules.in_force.animal.moveCost").line, 8);
    EXPECT_EQ(entries.at("run.command").kind, TomlEntry::Kind::Strings);
    ASSERT_TRUE(RulesFile::readEntries("list = [1, 2]\n", "r.toml", entries, error));
    EXPECT_EQ(entries.at("list").kind, TomlEntry::Kind::Other) << "only lists of texts are read";

    EXPECT_FALSE(RulesFile::readEntries("a = 1\nb = \n", "r.toml", entries, error));
    EXPECT_EQ(error.rfind("r.toml:2: ", 0), 0u) << error;
    EXPECT_FALSE(RulesFile::readEntries("a.b.c.d.e.f.g.h.i.j = 1\n", "r.toml", entries, error));
    EXPECT_NE(error.find("a key of more than 8 parts"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}
