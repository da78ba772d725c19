// A run resumed from a saved world writes the measures of evolution and the selection report a straight
// run writes: the genotypes' activities, the persistence filter and the shadows go with the world.
#include "ScratchFolder.h"
#include "sim/WholeRun.h"

#include "save/SavedWorld.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The rows of an evolution CSV from one tick to another, header left out.
std::vector<std::string> rowsFrom(const std::string& file, long from, long to = 1L << 40) {
    std::vector<std::string> kept;
    const std::vector<std::string> all = lines(file);
    for (size_t i = 1; i < all.size(); ++i)
        if (std::stol(all[i]) >= from && std::stol(all[i]) <= to)
            kept.push_back(all[i]);
    return kept;
}

SimulationOptions measured(const ScratchFolder& scratch, const std::string& name, int ticks) {
    SimulationOptions options;
    options.size = 3;
    options.ticks = ticks;
    options.seeded = true;
    options.seed = 5;
    // Symmetric mutation: a shadow resumed under the default rules would drift otherwise.
    options.rules.mutationSymmetric = 1;
    options.rules.animalMoveCost = 0.002f;
    options.csvFile = scratch.file(name + ".csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    options.evolutionFile = scratch.file(name + "-evolution.csv");
    options.selectionFile = scratch.file(name + "-selection.csv");
    options.shadows = 6;
    return options;
}

SimulationOptions resumed(const ScratchFolder& scratch, const std::string& name, const std::string& world,
                          int ticks) {
    SimulationOptions options = measured(scratch, name, ticks);
    options.rules = Rules();
    options.seeded = false;
    options.loadFile = world;
    return options;
}

} // namespace

TEST(EvolutionResume, AResumedRunWritesTheRowsAndReportOfAStraightOne) {
    ScratchFolder scratch("sylvara-evolution-resume");
    std::string said;
    const SimulationOptions straight = measured(scratch, "straight", 1500);
    ASSERT_TRUE(runWhole(straight, said)) << said;
    SimulationOptions first = measured(scratch, "first", 1000);
    first.saveFile = scratch.file("w.sylvara");
    ASSERT_TRUE(runWhole(first, said)) << said;
    const SimulationOptions second = resumed(scratch, "second", first.saveFile, 500);
    ASSERT_TRUE(runWhole(second, said)) << said;
    EXPECT_EQ(said.find("afresh"), std::string::npos) << said;

    // The saved tick's row is written by both halves, and the same.
    EXPECT_EQ(rowsFrom(first.evolutionFile, 0), rowsFrom(straight.evolutionFile, 0, 1000));
    EXPECT_EQ(rowsFrom(second.evolutionFile, 1000), rowsFrom(straight.evolutionFile, 1000));
    EXPECT_EQ(contents(second.selectionFile), contents(straight.selectionFile))
        << "the report runs from the first census of the straight run, against shadows that went on";
}

TEST(EvolutionResume, AWorldSavedBetweenRowsGoesOnWithTheStraightRunsRows) {
    ScratchFolder scratch("sylvara-evolution-between");
    std::string said;
    const SimulationOptions straight = measured(scratch, "straight", 1500);
    ASSERT_TRUE(runWhole(straight, said)) << said;
    // Saved at tick 1050, half-way between the rows of 1000 and 1100.
    SimulationOptions first = measured(scratch, "first", 1100);
    first.saveEvery = 1050;
    first.savePattern = scratch.file("w-%d.sylvara");
    ASSERT_TRUE(runWhole(first, said)) << said;
    const SimulationOptions second = resumed(scratch, "second", scratch.file("w-1050.sylvara"), 450);
    ASSERT_TRUE(runWhole(second, said)) << said;
    // The row of the loaded tick is one the straight run never wrote; it must not move the filter.
    EXPECT_EQ(rowsFrom(second.evolutionFile, 1100), rowsFrom(straight.evolutionFile, 1100));
    EXPECT_EQ(contents(second.selectionFile), contents(straight.selectionFile));
}

TEST(EvolutionResume, MeasuresThatCannotBeTakenUpStartAfreshAndSaySo) {
    ScratchFolder scratch("sylvara-evolution-afresh");
    std::string said;
    SimulationOptions first = measured(scratch, "first", 300);
    first.saveFile = scratch.file("w.sylvara");
    ASSERT_TRUE(runWhole(first, said)) << said;

    SimulationOptions fewer = resumed(scratch, "fewer", first.saveFile, 100);
    fewer.shadows = 4;
    ASSERT_TRUE(runWhole(fewer, said)) << said;
    EXPECT_NE(
        said.find("the measures start afresh at tick 300: the saved measures ran 6 neutral shadows, not 4"),
        std::string::npos)
        << said;

    // A state edited into nonsense is never half-read.
    SavedWorld world;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(first.saveFile, world, error)) << error;
    ASSERT_FALSE(world.getRecord().measures.empty()) << "a run with measures saves them";
    for (const std::string& damage :
         {std::string("evolution 1\nstart 1 2"),
          world.getRecord().measures.substr(0, world.getRecord().measures.size() / 2)}) {
        world.setMeasures(damage);
        ASSERT_TRUE(world.write(scratch.file("damaged.sylvara"), error)) << error;
        const SimulationOptions damaged = resumed(scratch, "damaged", scratch.file("damaged.sylvara"), 100);
        ASSERT_TRUE(runWhole(damaged, said)) << said;
        EXPECT_NE(said.find("the measures start afresh at tick 300: the saved measures are damaged"),
                  std::string::npos)
            << said;
        EXPECT_EQ(lines(damaged.evolutionFile).size(), 1u + 4 * 2) << "rows at ticks 300 and 400";
    }

    // A run without the measures saves none: they would be stale once it ticked without them.
    SimulationOptions plain = resumed(scratch, "plain", first.saveFile, 50);
    plain.evolutionFile.clear();
    plain.selectionFile.clear();
    plain.saveFile = scratch.file("plain.sylvara");
    ASSERT_TRUE(runWhole(plain, said)) << said;
    ASSERT_TRUE(SavedWorld::read(plain.saveFile, world, error)) << error;
    EXPECT_TRUE(world.getRecord().measures.empty());
}

TEST(EvolutionResume, ShadowsOfALoadedWorldMutateUnderItsOwnRules) {
    ScratchFolder scratch("sylvara-evolution-rules");
    std::string said;
    // Saved under symmetric mutation, without the measures: the resumed runs start them afresh.
    SimulationOptions first = measured(scratch, "first", 300);
    first.evolutionFile.clear();
    first.selectionFile.clear();
    first.rules.mutationChance = 100;
    first.saveFile = scratch.file("w.sylvara");
    ASSERT_TRUE(runWhole(first, said)) << said;
    const SimulationOptions loaded = resumed(scratch, "loaded", first.saveFile, 400);
    ASSERT_TRUE(runWhole(loaded, said)) << said;
    // The same world with its own rule given again: the world is the same, and so must the shadows be.
    SimulationOptions restated = resumed(scratch, "restated", first.saveFile, 400);
    restated.rules.mutationSymmetric = 1;
    restated.rules.mutationChance = 100;
    restated.rules.animalMoveCost = 0.002f;
    restated.ruleSettings = {"mutation.symmetric=1"};
    ASSERT_TRUE(runWhole(restated, said)) << said;
    ASSERT_EQ(contents(loaded.csvFile), contents(restated.csvFile));
    EXPECT_EQ(contents(loaded.selectionFile), contents(restated.selectionFile))
        << "the shadows of the plain resume drew under the defaults, not the saved rules";
}
