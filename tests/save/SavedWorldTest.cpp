// Saved worlds: what the loader refuses, what comes back beyond the organisms, atomic saves under
// SIGKILL, and sylvara-sim's options for them.
#include "ScratchFolder.h"
#include "WorldFixture.h"

#include "save/SavedWorld.h"
#include "sim/SavePattern.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <sqlite3.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs SQL on a copy of a saved world, for a file spoiled in one way.
std::string spoiled(const ScratchFolder& scratch, const std::string& good, const std::string& name,
                    const std::string& sql) {
    const std::string copy = scratch.file(name);
    std::filesystem::copy_file(good, copy, std::filesystem::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    sqlite3_open(copy.c_str(), &db);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    return copy;
}

} // namespace

class SavedWorldTest : public WorldFixture {
protected:
    // A small lively world: three tiles seeded, some ticks run.
    void liven(int ticksRun = 60) {
        tile(0, 0)->populate(10, 10, 10);
        tile(1, 0)->populate(10, 10, 10);
        tile(2, 2)->populate(0, 0, 10);
        world->reseed();
        testing::internal::CaptureStdout();
        ticks(ticksRun);
        testing::internal::GetCapturedStdout();
    }
    std::string save(const std::string& file) {
        std::string error;
        EXPECT_TRUE(SavedWorld::capture(*world).write(file, error)) << error;
        return file;
    }
    ScratchFolder scratch{"sylvara-saved"};
};

TEST_F(SavedWorldTest, TheLoaderRefusesEveryKindOfBadFileInOneLineNamingIt) {
    liven();
    const std::string good = save(scratch.file("good.sylvara"));
    SavedWorld saved;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(good, saved, error)) << error;

    std::ofstream(scratch.file("garbage")) << "these are not the pages of a database, just words\n";
    const std::string whole = contents(good);
    std::ofstream(scratch.file("cut"), std::ios::binary) << whole.substr(0, whole.size() / 2);
    const int someAnimal = saved.getRecord().animals.front().life.id;
    const std::string animal = " WHERE id = " + std::to_string(someAnimal);
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {scratch.file("absent"), "no such file"},
        {scratch.folder.string(), "not a file"},
        {scratch.file("garbage"), "not an SQLite database"},
        {scratch.file("cut"), "damaged or cut short"},
        {spoiled(scratch, good, "version", "UPDATE world SET schema_version = 4"), "schema version 4"},
        {spoiled(scratch, good, "no-lineage", "DROP TABLE genotypes"), "the table genotypes is missing"},
        {spoiled(
             scratch, good, "cycle",
             "UPDATE genotypes SET parent_id = (SELECT MAX(id) FROM genotypes) WHERE id = (SELECT MIN(id) "
             "FROM genotypes); UPDATE genotypes SET parent_id = (SELECT MIN(id) FROM genotypes) WHERE id = "
             "(SELECT MAX(id) FROM genotypes)"),
         "descends from itself"},
        {spoiled(scratch, good, "orphan",
                 "UPDATE genotypes SET parent_id = 999999 WHERE id = (SELECT MAX(id) FROM genotypes)"),
         "descends from genotype 999999, which is missing"},
        {spoiled(scratch, good, "living",
                 "UPDATE genotypes SET living_organisms = living_organisms + 1 WHERE id = (SELECT MIN(id) "
                 "FROM genotypes)"),
         "living organisms, but"},
        {spoiled(scratch, good, "stray", "UPDATE ancestry SET genotype_id = 999999" + animal),
         "belongs to genotype 999999, which is missing"},
        {spoiled(scratch, good, "no-table", "DROP TABLE markers"), "the table markers is missing"},
        {spoiled(scratch, good, "view", "DROP TABLE markers; CREATE VIEW markers AS SELECT * FROM tiles"),
         "the table markers is missing"},
        {spoiled(scratch, good, "no-column", "ALTER TABLE animals DROP COLUMN prey_size"),
         "the table animals lacks the column prey_size"},
        {spoiled(scratch, good, "speed", "UPDATE animals SET speed = 101" + animal),
         "animal " + std::to_string(someAnimal) + ": speed 101 is out of range (1..100)"},
        {spoiled(scratch, good, "small-plant", "UPDATE plants SET size = 3"),
         "size 3 is out of range (4..100)"},
        {spoiled(scratch, good, "text-speed", "UPDATE animals SET speed = 'fast'" + animal),
         "speed is not a whole number"},
        {spoiled(scratch, good, "state", "UPDATE plants SET state = 'chase'"), "\"chase\" is not a state"},
        {spoiled(scratch, good, "newline", "UPDATE plants SET state = 'idle' || char(10) || 'x'"),
         "\"idle?x\" is not a state"},
        {spoiled(scratch, good, "kind", "UPDATE animals SET kind = 'omnivore'" + animal),
         "kind \"omnivore\""},
        {spoiled(scratch, good, "energy", "UPDATE animals SET energy = 1e300" + animal),
         "energy is too large"},
        {spoiled(scratch, good, "target", "UPDATE animals SET target_id = 999999" + animal),
         "targets 999999, which is not alive"},
        {spoiled(scratch, good, "chase", "UPDATE animals SET state = 'chase', target_id = NULL" + animal),
         "chases nobody"},
        {spoiled(scratch, good, "tile", "UPDATE animals SET tile_column = 4, place = 9999" + animal),
         "is listed on tile 4,"},
        {spoiled(scratch, good, "twice", "UPDATE plants SET place = 0"), "share place 0"},
        {spoiled(scratch, good, "big", "UPDATE world SET size = 101"), "board size 101 is outside 1..100"},
        {spoiled(scratch, good, "none", "UPDATE world SET size = 0"), "board size 0 is outside 1..100"},
        {spoiled(scratch, good, "tiles", "DELETE FROM tiles WHERE tile_row = 4"),
         "has 20 tiles instead of 25"},
        {spoiled(scratch, good, "rows", "INSERT INTO world SELECT * FROM world"), "2 rows instead of one"},
        // Values play never makes: each countdown beyond the one it starts from, and so on.
        {spoiled(scratch, good, "dying", "UPDATE animals SET death_countdown = 2000000000" + animal),
         "death_countdown 2000000000 is out of range (0..15)"},
        {spoiled(scratch, good, "withering", "UPDATE plants SET state = 'withering', countdown = 31"),
         "countdown 31 is out of range (0..30)"},
        {spoiled(scratch, good, "dead-plant", "UPDATE plants SET state = 'dead', countdown = 11"),
         "countdown 11 is out of range (0..10)"},
        {spoiled(scratch, good, "ping",
                 "INSERT INTO markers VALUES (9999, 'life ping', 17, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1)"),
         "ticks_left 17 is out of range (1..16)"},
        {spoiled(scratch, good, "beam",
                 "INSERT INTO markers VALUES (9999, 'beam', 2, 0, 0, 0, 1, 1, 1, 5, 0, 0, 0, 0.1)"),
         "ticks_left 2 is out of range (1..1)"},
        {spoiled(scratch, good, "ripe", "UPDATE plants SET ripe_seeds = -1"),
         "ripe_seeds -1 is out of range (0.."},
        {spoiled(scratch, good, "overfull", "UPDATE plants SET energy = grown_size + 1"),
         "is above its grown_size"},
        {spoiled(scratch, good, "selected", "UPDATE world SET selected_id = last_id + 1"), "was never given"},
        {spoiled(scratch, good, "unselected", "UPDATE world SET selected_id = -2"),
         "selected_id -2 is out of range"},
    };
    for (const auto& bad : cases) {
        SavedWorld out;
        error.clear();
        EXPECT_FALSE(SavedWorld::read(bad.file, out, error)) << bad.file;
        EXPECT_EQ(error.rfind(bad.file + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(bad.says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_TRUE(out.getRecord().animals.empty()) << "nothing is handed out from a bad file";
    }

    // A file another program holds locked is said to be locked, not damaged.
    sqlite3* holder = nullptr;
    sqlite3_open(good.c_str(), &holder);
    ASSERT_EQ(
        sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE world SET paused = paused", nullptr, nullptr, nullptr),
        SQLITE_OK);
    EXPECT_FALSE(SavedWorld::read(good, saved, error));
    EXPECT_NE(error.find("is locked by another program"), std::string::npos) << error;
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    // Earlier saves kept the id of a selected organism that had since gone: no selection.
    int gone = 0;
    for (const AnimalRecord& a : saved.getRecord().animals)
        gone = std::max(gone, a.life.id + 1);
    for (const PlantRecord& p : saved.getRecord().plants)
        gone = std::max(gone, p.life.id + 1);
    const std::string stale = spoiled(scratch, good, "stale",
                                      "UPDATE world SET selected_id = " + std::to_string(gone) +
                                          ", last_id = " + std::to_string(gone));
    ASSERT_TRUE(SavedWorld::read(stale, saved, error)) << error;
    EXPECT_EQ(saved.getRecord().selectedId, -1);
}

// Each genotype counts its members as the census does, the dying not among them, and may end before
// they leave; saves of version 2 counted the dying too, and first-schema ones kept no genotypes: all
// load counted anew.
TEST_F(SavedWorldTest, LoadedGenotypesCountTheLivingAsTheCensusDoesWhateverTheSaveCounted) {
    world->getGenotypes().setPruned(false);
    liven();
    // A whole tile starts its dying: some genotypes are left with none but the dying.
    tile(0, 0)->killAll();
    const std::string whole = save(scratch.file("whole.sylvara"));
    world->getGenotypes().setPruned(true);
    const std::string good = save(scratch.file("good.sylvara"));
    const std::string older =
        spoiled(scratch, whole, "older",
                "UPDATE world SET schema_version = 2; UPDATE genotypes SET living_organisms = (SELECT "
                "COUNT(*) FROM ancestry WHERE ancestry.genotype_id = genotypes.id); UPDATE genotypes SET "
                "destruction_time = NULL WHERE living_organisms > 0");
    std::string error;
    SavedWorld pruned;
    ASSERT_TRUE(SavedWorld::read(good, pruned, error)) << error;
    std::set<int> kept;
    for (const Genotype& g : pruned.getRecord().genotypes)
        kept.insert(g.id);
    long ended = 0;
    for (const AnimalRecord& a : pruned.getRecord().animals)
        ended += kept.count(a.life.genotypeId) == 0;
    EXPECT_GT(ended, 0) << "dying animals whose genotype ended with them";
    SavedWorld counted;
    EXPECT_FALSE(SavedWorld::read(
        spoiled(scratch, whole, "v2-uncounted", "UPDATE world SET schema_version = 2"), counted, error))
        << "a version 2 file counts the dying";
    const std::string first = spoiled(
        scratch, std::string(SYLVARA_TEST_DATA) + "/schema1-size2-seed4-tick40.sylvara", "first",
        "UPDATE animals SET state = 'dead', death_countdown = 5, target_id = NULL WHERE tile_column = 0 "
        "AND tile_row = 0");
    // Saved by the runner of version 2 at tick 500 of seed 4 on 2 x 2: one genotype lives only in a dying
    // animal.
    const std::string second = std::string(SYLVARA_TEST_DATA) + "/schema2-size2-seed4-tick500.sylvara";
    for (const std::string& file : {good, older, second, first}) {
        SavedWorld saved;
        ASSERT_TRUE(SavedWorld::read(file, saved, error)) << error;
        long dying = 0;
        for (const AnimalRecord& a : saved.getRecord().animals)
            dying += a.life.state == STATE_DEAD;
        ASSERT_GT(dying, 0) << file;
        makeWorld(saved.getSize());
        world->getGenotypes().setPruned(false);
        saved.restore(*world);
        std::map<int, int> members;
        for (const auto& entry : world->getLives())
            if (entry.second->getState() != STATE_DEAD)
                members[entry.second->getGenotypeId()] += 1;
        long counted = 0;
        for (const auto& entry : world->getGenotypes().all()) {
            EXPECT_EQ(entry.second.living, members[entry.first]) << file << ": genotype " << entry.first;
            // One left with only dying members has ended, at the latest at the loaded tick.
            if (entry.second.living == 0) {
                EXPECT_NE(entry.second.destruction, Genotype::NONE) << file << ": genotype " << entry.first;
            }
            counted += entry.second.living;
        }
        EXPECT_EQ(counted, world->getLiving().total()) << file;
    }
}

TEST_F(SavedWorldTest, SelectionPauseAndTilesComeBackWithoutNewDraws) {
    liven(3);
    // Select the first animal, fertilize a tile and pause.
    Animal* chosen = static_cast<Animal*>(tile(0, 0)->getAnimals().front());
    world->setTool(TOOL_SELECT);
    world->setCursorPoint(chosen->getPosition());
    world->applyTool();
    testing::internal::CaptureStdout();
    world->tick();
    world->setTool(TOOL_FERTILIZE);
    world->setCursorPoint(osg::Vec3d(375, 375, 0));
    world->applyTool();
    world->tick();
    world->pauseRequested = true;
    world->tick();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(world->isPaused());
    const int selected = world->getSelectedId();
    ASSERT_GE(selected, 0);
    const std::string file = save(scratch.file("paused.sylvara"));
    const long tickNumber = world->getTickNumber();
    const int lastId = world->getLastId();

    SavedWorld saved;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(file, saved, error)) << error;
    makeWorld(saved.getSize());
    saved.restore(*world);
    const int drawn = std::rand();
    std::srand(RandomSeed::seedAfter(1234, tickNumber));
    EXPECT_EQ(drawn, std::rand())
        << "restoring draws nothing and leaves the generator seeded for the next tick";
    EXPECT_TRUE(world->isPaused());
    EXPECT_EQ(world->getSelectedId(), selected);
    ASSERT_NE(world->getSelectedLife(), nullptr);
    EXPECT_EQ(world->getSelectedLife()->getId(), selected);
    EXPECT_EQ(world->getTickNumber(), tickNumber);
    EXPECT_EQ(world->getLastId(), lastId);
    EXPECT_TRUE(tile(2, 2)->isFertilized());
    EXPECT_EQ(tile(2, 2)->getEmission(), osg::Vec4(0.8f, 0.8f, 1.0f, 1.0f));
    RandomSeed::release();
}

TEST_F(SavedWorldTest, AKilledSaveLeavesEitherTheOldWorldOrTheNewNeverADamagedOne) {
    liven(40);
    const SavedWorld older = SavedWorld::capture(*world);
    testing::internal::CaptureStdout();
    ticks(7);
    testing::internal::GetCapturedStdout();
    const SavedWorld newer = SavedWorld::capture(*world);
    const std::string target = scratch.file("target.sylvara");
    std::string error;
    ASSERT_TRUE(older.write(target, error)) << error;

    std::mt19937 random(99);
    int caughtWriting = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                std::string ignored;
                if (!newer.write(target, ignored) || !older.write(target, ignored))
                    _exit(3);
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(1000, 60000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process was still saving when killed";
        SavedWorld back;
        ASSERT_TRUE(SavedWorld::read(target, back, error)) << "round " << round << ": " << error;
        const long tick = back.getRecord().tickNumber;
        EXPECT_TRUE(tick == older.getRecord().tickNumber || tick == newer.getRecord().tickNumber) << tick;
        const auto strays = [&] {
            int found = 0;
            for (const auto& entry : std::filesystem::directory_iterator(scratch.folder))
                found += entry.path().string().find(".saving-") != std::string::npos;
            return found;
        };
        caughtWriting += strays();
        // The next save clears what the killed one left.
        ASSERT_TRUE(older.write(target, error)) << error;
        EXPECT_EQ(strays(), 0) << "round " << round;
    }
    EXPECT_GT(caughtWriting, 5) << "most kills fell in the middle of a save";

    // A save still running elsewhere keeps its file.
    const std::string running = target + ".saving-" + std::to_string(getppid()) + "-0";
    std::ofstream(running) << "being written";
    ASSERT_TRUE(older.write(target, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(running));
    std::filesystem::remove(running);
}

TEST(SavePattern, TakesExactlyOneWholeNumberConversion) {
    SavePattern pattern;
    std::string error;
    ASSERT_TRUE(SavePattern::parse("run-%06d.sylvara", pattern, error)) << error;
    EXPECT_EQ(pattern.fileFor(1200), "run-001200.sylvara");
    ASSERT_TRUE(SavePattern::parse("100%%-%u", pattern, error)) << error;
    EXPECT_EQ(pattern.fileFor(3000000000L), "100%-3000000000");
    ASSERT_TRUE(SavePattern::parse("%-5i|", pattern, error)) << error;
    EXPECT_EQ(pattern.fileFor(7), "7    |");
    for (const char* bad :
         {"run.sylvara", "%d-%d", "%s", "%n", "%*d", "%123d", "%ld", "run-%", "%%d", "%x"}) {
        error.clear();
        EXPECT_FALSE(SavePattern::parse(bad, pattern, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    // A width beyond two digits is said as such: the conversion is a whole number.
    for (const char* wide : {"%100d", "%.123d", "%5.100i"}) {
        EXPECT_FALSE(SavePattern::parse(wide, pattern, error)) << wide;
        EXPECT_NE(error.find("wider than two digits"), std::string::npos) << error;
    }
}

TEST(SimulationOptionsSaved, LoadRefusesSizeAndGenesisAndSaveEveryWantsANumberAndAPattern) {
    const auto parse = [](std::vector<std::string> words, SimulationOptions& options, std::string& error) {
        std::vector<const char*> argv{"sylvara-sim"};
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        return SimulationOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error);
    };
    SimulationOptions options;
    std::string error;
    ASSERT_EQ(parse({"--load", "w.sylvara", "--save", "end.sylvara", "--save-every", "500", "r-%04d",
                     "--ticks", "9"},
                    options, error),
              SimulationOptions::Outcome::Run)
        << error;
    EXPECT_EQ(options.loadFile, "w.sylvara");
    EXPECT_EQ(options.saveFile, "end.sylvara");
    EXPECT_EQ(options.saveEvery, 500);
    EXPECT_EQ(options.savePattern, "r-%04d");
    EXPECT_EQ(options.ticks, 9);
    EXPECT_TRUE(options.tilesToPopulate().empty()) << "a loaded world gets no genesis";
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--load", "w", "--size", "5"},
                                               {"--genesis", "all", "--load", "w"},
                                               {"--save-every", "10"},
                                               {"--save-every", "0", "a-%d"},
                                               {"--save-every", "10", "a-%s"},
                                               {"--save", ""}}) {
        SimulationOptions o;
        error.clear();
        EXPECT_EQ(parse(bad, o, error), SimulationOptions::Outcome::Error) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimulationRunnerSaved, APausedRunSavedAndLoadedWritesTheSameCensusByteForByte) {
    ScratchFolder scratch{"sylvara-saved"};
    const auto run = [&](const std::string& csv, int ticks, const std::string& load,
                         const std::string& save) {
        SimulationOptions options;
        options.size = 3;
        options.ticks = ticks;
        options.interval = 50;
        options.seeded = load.empty();
        options.seed = 31;
        options.csvFile = scratch.file(csv);
        options.plotFile.clear();
        options.traitsFile.clear();
        options.traitsFile.clear();
        options.loadFile = load;
        options.saveFile = save;
        options.saveEvery = 200;
        options.savePattern = scratch.file("every-%05d.sylvara");
        std::ostringstream out;
        SimulationRunner runner(options, out);
        std::string error;
        EXPECT_TRUE(runner.start(error)) << error;
        runner.runAll();
        EXPECT_TRUE(runner.finish()) << out.str();
        return runner.getStartTick();
    };
    run("one.csv", 1000, "", "");
    run("first.csv", 425, "", scratch.file("at-425.sylvara"));
    EXPECT_TRUE(std::filesystem::exists(scratch.file("every-00400.sylvara")));
    EXPECT_FALSE(std::filesystem::exists(scratch.file("every-00425.sylvara")));
    EXPECT_EQ(run("second.csv", 575, scratch.file("at-425.sylvara"), ""), 425)
        << "the census starts at the loaded tick";
    std::vector<std::string> joined = lines(scratch.file("first.csv"));
    joined.pop_back(); // the last row, at 425, is no interval row of the single run
    const std::vector<std::string> second = lines(scratch.file("second.csv"));
    ASSERT_EQ(second.at(1).rfind("425,", 0), 0u);
    joined.insert(joined.end(), second.begin() + 2, second.end());
    EXPECT_EQ(joined, lines(scratch.file("one.csv")));
    SavedWorld at400;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(scratch.file("every-00400.sylvara"), at400, error)) << error;
    EXPECT_EQ(at400.getRecord().tickNumber, 400);
    EXPECT_TRUE(at400.getRecord().seedFixed);
    EXPECT_EQ(at400.getRecord().seed, 31u);
}

TEST(SimulationRunnerSaved, RefusesABadLoadOrAnUnwritableSaveBeforeTheRun) {
    ScratchFolder scratch{"sylvara-saved"};
    SimulationOptions options;
    options.csvFile = scratch.file("run.csv");
    options.plotFile.clear();
    options.traitsFile.clear();
    options.loadFile = scratch.file("absent.sylvara");
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_NE(error.find("absent.sylvara: cannot open"), std::string::npos) << error;
    options.loadFile.clear();
    options.saveFile = scratch.file("missing/end.sylvara");
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_NE(error.find("missing/end.sylvara"), std::string::npos) << error;
    options.saveFile = scratch.folder.string();
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    options.saveFile.clear();
    options.saveEvery = 10;
    options.savePattern = scratch.file("gone/r-%d");
    EXPECT_FALSE(SimulationRunner(options, out).start(error));
    EXPECT_NE(error.find("gone/r-10"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(options.csvFile)) << "nothing ran";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.folder), {}), 0)
        << "the probes left nothing";
}

TEST(SylvaraSimSaved, ABadSavedWorldEndsTheProgramWithOneLineAndExitCodeTwo) {
    ScratchFolder scratch{"sylvara-saved"};
    std::ofstream(scratch.file("bad.sylvara")) << "no world here\n";
    const auto run = [](const std::string& arguments, std::string& said) {
        return shellOutput("./sylvara-sim " + arguments + " 2>&1 >/dev/null", said);
    };
    std::string said;
    EXPECT_EQ(run("--load " + scratch.file("bad.sylvara") + " --csv " + scratch.file("r.csv"), said), 2);
    EXPECT_EQ(said, "sylvara-sim: " + scratch.file("bad.sylvara") +
                        ": not a saved world: the file is not an SQLite database\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.file("r.csv")));
    EXPECT_EQ(run("--load " + scratch.file("bad.sylvara") + " --size 3", said), 2);
    EXPECT_NE(said.find("--size cannot go with --load"), std::string::npos) << said;
}
