// Bad input and extreme worlds: settings of every shape, each asset missing,
// cut short or replaced with garbage, and boards at the limits of size and
// population. Nothing may crash or hang; whatever is rejected is named.
#include "presentation/DrawnWorldFixture.h"
#include "presentation/OrganismNode.h"
#include "presentation/WorldScene.h"

#include "app/Settings.h"
#include "character/CoreModel.h"
#include "character/Model.h"
#include "presentation/Hud.h"
#include "presentation/ModelCatalogue.h"
#include "presentation/SoundBank.h"

#include <cal3d/coremodel.h>
#include <gtest/gtest.h>
#include <osgDB/Registry>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::string garbage(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

// A private copy of the run tree, worked in from its bin folder for as long as
// it lives: the loaders find "../models", "../data" and "../sounds" there.
class RunTreeCopy {
public:
    RunTreeCopy() {
        std::string pattern = (fs::temp_directory_path() / "sylvara-robust-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no scratch folder");
        root = pattern;
        for (const char* folder : {"data", "models", "sounds"})
            fs::copy(fs::path(SYLVARA_STAGE_DIR) / folder, root / folder, fs::copy_options::recursive);
        fs::create_directory(root / "bin");
        previous = fs::current_path();
        fs::current_path(root / "bin");
    }
    ~RunTreeCopy() {
        fs::current_path(previous);
        fs::remove_all(root);
    }
    fs::path operator/(const std::string& relative) const { return root / relative; }

private:
    fs::path root;
    fs::path previous;
};

enum class Damage { Missing, Truncated, Garbage };
const char* const DAMAGE_NAMES[] = {"missing", "truncated", "garbage"};

// Applies the damage to a file and puts the original back when it goes.
class Damaged {
public:
    Damaged(fs::path file, Damage damage) : file(std::move(file)), original(readAll(this->file)) {
        if (damage == Damage::Missing)
            fs::remove(this->file);
        else if (damage == Damage::Truncated)
            writeAll(this->file, original.substr(0, original.size() / 2));
        else
            writeAll(this->file, garbage(original.size(), static_cast<unsigned>(original.size())));
    }
    ~Damaged() { writeAll(file, original); }

private:
    fs::path file;
    std::string original;
};

struct Printed {
    std::string out, err;
    std::string both() const { return out + err; }
};

template <typename Run> Printed printedBy(Run run) {
    CaptureStdout();
    CaptureStderr();
    run();
    Printed printed;
    printed.err = GetCapturedStderr();
    printed.out = GetCapturedStdout();
    return printed;
}

} // namespace

TEST(Robustness, SettingsOfEveryShapeGiveSaneSizesAndOneLinePerRejectedValue) {
    struct Case {
        const char* what;
        std::string text;
        int size;
        int lines; // printed lines: one for a rejected value, none otherwise
    };
    const std::string oneMegabyte(1 << 20, 'x');
    const std::vector<Case> cases = {
        {"empty", "", Settings::DEFAULT_SIZE, 0},
        {"binary garbage only", garbage(4096, 1), Settings::DEFAULT_SIZE, 0},
        {"garbage, then a good line", garbage(4096, 2) + "\nsize: 7\n", 7, 0},
        {"a good line, then garbage", "size: 7\n" + garbage(4096, 3), 7, 0},
        {"garbage as the value", "size: \x01\xff\x7f\n", Settings::DEFAULT_SIZE, 1},
        {"a NUL inside the value", std::string("size: 6\0 7\n", 11), 6, 0},
        {"a 1 MB line before the key", oneMegabyte + "\nsize: 12\n", 12, 0},
        {"a 1 MB value", "size: " + std::string(1 << 20, '9') + "\n", World::MAX_SIZE, 1},
        {"a 1 MB line with the key at its end", oneMegabyte + "size: 9", 9, 0},
        {"no newline at the end", "audio: a\nsize: 12", 12, 0},
        {"CRLF", "size: 8\r\naudio: deep\r\n", 8, 0},
        {"CRLF, rejected", "size: 0\r\n", Settings::DEFAULT_SIZE, 1},
        {"a lone CR at the end", "size: 3\r", 3, 0},
        {"blank CRLF lines around", "\r\n\r\nsize: 4\r\n\r\n", 4, 0},
        {"a key with no value", "size:\n", Settings::DEFAULT_SIZE, 1},
        {"below the int range", "size: -99999999999999999999\n", Settings::DEFAULT_SIZE, 1},
    };
    const std::string file = testing::TempDir() + "/robust-settings.ini";
    for (const Case& c : cases) {
        writeAll(file, c.text);
        const Printed printed = printedBy([&] { EXPECT_EQ(Settings::readSize(file), c.size) << c.what; });
        EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\n'), c.lines)
            << c.what << ": " << printed.out;
        EXPECT_LT(printed.out.size(), 200u) << c.what;
        EXPECT_TRUE(std::all_of(printed.out.begin(), printed.out.end(),
                                [](char ch) { return ch == '\n' || (ch >= 32 && ch <= 126); }))
            << c.what << ": the line is printable";
        if (c.lines == 1) {
            EXPECT_NE(printed.out.find("Settings: size"), std::string::npos) << printed.out;
        }
    }
    writeAll(file, "audio: deep\r\n");
    EXPECT_EQ(Settings::readAudio(file), " deep");

    // Not a regular file: a folder, or a pipe that would block a reader for ever.
    const fs::path folder = fs::path(testing::TempDir()) / "robust-settings-folder";
    const fs::path pipe = fs::path(testing::TempDir()) / "robust-settings-pipe";
    fs::create_directories(folder);
    fs::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& odd : {folder, pipe}) {
        const Printed printed = printedBy([&] {
            EXPECT_EQ(Settings::readSize(odd.string()), Settings::DEFAULT_SIZE) << odd;
            EXPECT_EQ(Settings::readAudio(odd.string()), "") << odd;
        });
        EXPECT_EQ(printed.out, "");
    }
    fs::remove(pipe);
}

TEST(Robustness, AnAudioFolderOfGarbageLeavesTheBankSilent) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    for (const std::string& folder :
         {garbage(300, 4), std::string(1 << 20, 'a'), std::string("../../../..")}) {
        printedBy([&] {
            SoundBank bank(folder);
            EXPECT_EQ(bank.getLifeCount(), 0);
            EXPECT_EQ(bank.getDeathCount(), 0);
            bank.playLife(50, 100);
            bank.playDeath(50, 100);
        });
    }
}

// Each Cal3D file missing, cut short or garbage: one line from CoreModel names it. A core
// without its skeleton, mesh or material draws nothing; one without an animation draws.
TEST(Robustness, EachCharacterFileDamagedIsNamedAndAnAnimationAloneSparesTheCore) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(tree / "models"))
        if (entry.path().extension().string().rfind(".x", 0) == 0)
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 12u);
    for (const std::string& file : files) {
        for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
            const std::string what = file + " " + DAMAGE_NAMES[int(damage)];
            Damaged damaged(tree / ("models/" + file), damage);
            const bool animal = file.rfind("bloom", 0) != 0;
            const std::string mesh = file.find("mesh") != std::string::npos ? file
                                     : animal                               ? "herbivore_mesh.xmf"
                                                                            : "bloom_mesh.xmf";
            osg::ref_ptr<character::CoreModel> core;
            const Printed printed = printedBy([&] {
                if (animal)
                    core = ModelCatalogue::loadCore(
                        "../models/animal.xsf",
                        {"../models/animal_Birth.xaf", "birth", "../models/animal_Walk.xaf", "walk",
                         "../models/animal_Run.xaf", "run", "../models/animal_Damaged.xaf", "damaged",
                         "../models/animal_Die.xaf", "die"},
                        "../models/" + mesh, "../models/animal_material.xrf");
                else
                    core = ModelCatalogue::loadCore(
                        "../models/bloom.xsf",
                        {"../models/bloom_birth.xaf", "birth", "../models/bloom_death.xaf", "die"},
                        "../models/" + mesh, "../models/bloom_material.xrf");
            });
            EXPECT_EQ(printed.out.find("Cal3D: cannot load "), 0u) << what << ":\n" << printed.both();
            EXPECT_NE(printed.out.find("../models/" + file + ": "), std::string::npos) << what << ":\n"
                                                                                       << printed.out;
            // Without one of its motions a character is still drawn; without its body it is not.
            const bool motion = file.find(".xaf") != std::string::npos;
            EXPECT_EQ(core->isUsable(), motion) << what;
            osg::ref_ptr<character::Model> model = new character::Model;
            EXPECT_EQ(model->create(core.get()), motion) << what;
            for (int id = 0; id < 5; ++id)
                model->startLoop(id, 1.0f, 0.1f);
            model->advance(0.5);
            EXPECT_EQ(model->getNumDrawables() > 0, motion) << what;
        }
    }
}

TEST(Robustness, AnAnimationMovingABoneTheSkeletonLacksIsNamedWithThatBone) {
    RunTreeCopy tree;
    std::string walk = readAll(tree / "models/animal_Walk.xaf");
    const std::string first = "BONEID=\"1\"";
    ASSERT_NE(walk.find(first), std::string::npos);
    walk.replace(walk.find(first), first.size(), "BONEID=\"99\"");
    writeAll(tree / "models/animal_Walk.xaf", walk);
    osg::ref_ptr<character::CoreModel> core = new character::CoreModel("test");
    int id = 0;
    const Printed printed = printedBy([&] {
        core->loadSkeleton("../models/animal.xsf");
        id = core->loadAnimation("../models/animal_Walk.xaf", "walk");
    });
    EXPECT_EQ(id, -1);
    EXPECT_NE(printed.out.find("a track moves bone 99 but the skeleton has 15"), std::string::npos)
        << printed.both();
}

// Each scene file or image damaged: our loaders name the .osg files, the
// scene-graph library the images they use.
TEST(Robustness, EachSceneFileDamagedIsNamed) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(tree / "models"))
        if (entry.path().extension() == ".osg" || entry.path().extension() == ".png")
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const std::string& file : files) {
        for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
            const std::string what = file + " " + DAMAGE_NAMES[int(damage)];
            Damaged damaged(tree / ("models/" + file), damage);
            const Printed printed = printedBy([] {
                osg::ref_ptr<osg::Group> root = new osg::Group;
                WorldScene::build(1, nullptr, root.get(), nullptr);
            });
            EXPECT_NE(printed.both().find(file), std::string::npos) << what << " is named:\n"
                                                                    << printed.both();
        }
    }
}

// A string in a scene file may hold a quote, written \". The check for a file cut short must
// not take it for the string's end, for the shared nodes and the ground alike.
TEST(Robustness, ASceneFileWhoseStringHoldsAQuoteIsRead) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    const auto quoteInName = [&](const std::string& file, const std::string& name) {
        std::string text = readAll(tree / ("models/" + file));
        const std::string line = "name \"" + name + "\"";
        EXPECT_NE(text.find(line), std::string::npos) << file;
        text.replace(text.find(line), line.size(), "name \"the \\\"" + name + " {\"");
        writeAll(tree / ("models/" + file), text);
        return text;
    };
    const std::string arrow = quoteInName("downarrow.osg", "downarrow");
    quoteInName("groundtile.osg", "groundtile");
    osg::ref_ptr<osg::Node> read;
    const Printed printed = printedBy([&] {
        ModelCatalogue models;
        read = models.getDownArrowNode();
        osg::ref_ptr<osg::Group> root = new osg::Group;
        const std::unique_ptr<World> world = WorldScene::build(1, nullptr, root.get(), nullptr);
        EXPECT_EQ(world->getTiles()->getTiles()[0]->getTransform()->getNumChildren(), 1u)
            << "the ground is drawn";
    });
    EXPECT_EQ(printed.out.find("Warning"), std::string::npos) << printed.out;
    ASSERT_TRUE(read);
    EXPECT_EQ(read->getName(), "the \"downarrow {");

    // Cut short inside that string, it is refused.
    writeAll(tree / "models/downarrow.osg", arrow.substr(0, arrow.find("downarrow {") + 11));
    const Printed cut = printedBy([&] {
        ModelCatalogue models;
        EXPECT_FALSE(models.getDownArrowNode());
    });
    EXPECT_NE(cut.out.find("downarrow.osg: it is cut short"), std::string::npos) << cut.out;
}

// One animation missing: the animals are still drawn and play the motions that loaded.
TEST(Robustness, AnAnimalWithoutOneAnimationIsDrawnAndPlaysTheOthers) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    fs::remove(tree / "models/animal_Walk.xaf");
    osg::ref_ptr<osg::Group> root = new osg::Group;
    Hud hud("one animation short");
    std::unique_ptr<World> world;
    const Printed printed = printedBy([&] { world = WorldScene::build(1, &hud, root.get(), nullptr); });
    // Said once for each animal core that wanted it, and nothing more about the models.
    const std::string line = "Cal3D: cannot load animation ../models/animal_Walk.xaf: ";
    EXPECT_EQ(printed.out.find(line), 0u) << printed.out;
    const size_t second = printed.out.find(line, 1);
    EXPECT_NE(second, std::string::npos) << printed.out;
    EXPECT_EQ(printed.out.find("Cal3D", second + 1), std::string::npos) << printed.out;

    CalCoreModel* herbivore = world->getModels()->getHerbivoreCore()->getCalCoreModel();
    EXPECT_EQ(herbivore->getCoreAnimationId("run"), 2) << "the motions after it keep their places";
    EXPECT_EQ(herbivore->getCoreAnimationId("die"), 4);
    WorldTile* t = world->getTiles()->tileAt(0, 0);
    t->populate(3, 3, 0);
    for (int i = 0; i < 20; ++i)
        world->tick();
    for (Life* life : t->getAnimals()) {
        EXPECT_GT(WorldScene::modelOf(*life)->getNumDrawables(), 0u);
        EXPECT_TRUE(WorldScene::modelOf(*life)->getBound().valid());
    }
}

TEST(Robustness, ADamagedFontOrSoundIsNamedAndTheWorldGoesOn) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    struct Case {
        std::string file;
        Damage damage;
    };
    const std::vector<Case> cases = {
        {"data/arial.ttf", Damage::Missing},     {"data/arial.ttf", Damage::Truncated},
        {"data/arial.ttf", Damage::Garbage},     {"sounds/life-0.wav", Damage::Garbage},
        {"sounds/death-4.wav", Damage::Garbage},
    };
    for (const Case& c : cases) {
        const std::string what = c.file + " " + DAMAGE_NAMES[int(c.damage)];
        Damaged damaged(tree / c.file, c.damage);
        // osgText keeps each font it read: forget the one of the case before.
        osgDB::Registry::instance()->clearObjectCache();
        const Printed printed = printedBy([] {
            osg::ref_ptr<osg::Group> root = new osg::Group;
            Hud hud("damaged");
            const std::unique_ptr<World> drawn = WorldScene::build(1, &hud, root.get(), nullptr);
            World& world = *drawn;
            world.getTiles()->tileAt(0, 0)->populate(3, 3, 3);
            for (int i = 0; i < 40; ++i)
                world.tick();
        });
        const std::string name = fs::path(c.file).filename().string();
        EXPECT_NE(printed.both().find(name), std::string::npos) << what << " is named:\n" << printed.both();
    }
    // A missing sound ends the numbered set where it stands; the rest go unplayed.
    fs::remove(tree / "sounds/life-2.wav");
    printedBy([] {
        SoundBank bank("");
        EXPECT_EQ(bank.getLifeCount(), 2);
        EXPECT_EQ(bank.getDeathCount(), 5);
    });
}

TEST(Robustness, OrganismsWithoutAModelLiveOnAndDrawNothing) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RunTreeCopy tree;
    fs::remove(tree / "models/animal.xsf");
    writeAll(tree / "models/bloom_mesh.xmf", garbage(5000, 5));
    osg::ref_ptr<osg::Group> root = new osg::Group;
    Hud hud("no models");
    RandomSeed::fix(21);
    std::unique_ptr<World> world;
    printedBy([&] { world = WorldScene::build(2, &hud, root.get(), nullptr); });
    WorldTile* tile = world->getTiles()->tileAt(0, 0);
    tile->toggleFertilized();
    printedBy([&] { tile->populate(10, 10, 10); });
    std::map<int, osg::Vec3d> start;
    for (Life* animal : tile->getAnimals())
        start[animal->getId()] = static_cast<Animal*>(animal)->getPosition();
    ASSERT_EQ(start.size(), 20u);
    for (int i = 0; i < 200; ++i)
        world->tick();
    int moved = 0, alive = 0;
    for (auto& [id, life] : world->getLives()) {
        ++alive;
        EXPECT_EQ(WorldScene::modelOf(*life)->getNumDrawables(), 0u) << "organism " << id << " draws nothing";
        if (life->getCategory() == CATEGORY_ANIMAL && start.count(id))
            moved += static_cast<Animal*>(life.get())->getPosition() != start[id] ? 1 : 0;
    }
    EXPECT_GT(alive, 0);
    EXPECT_GT(moved, 0) << "the animals still walk";
    RandomSeed::release();
}

// Worlds at the limits, driven tick by tick: every tick must simply complete.
TEST_F(WorldFixture, ExtremeWorldsTickThrough) {
    // The whole ecosystem on one tile.
    makeWorld(1, 31);
    tile(0, 0)->populate(10, 10, 10);
    ticks(1500);
    EXPECT_EQ(world->getTiles()->getTiles().size(), 1u);

    // Beyond the largest board: clamped to it, and a far-off spawn stays on it.
    testing::internal::CaptureStdout();
    world.reset();
    world = std::make_unique<World>(World::MAX_SIZE * 10);
    testing::internal::GetCapturedStdout();
    world->setTickRate(16);
    ASSERT_EQ(world->getTiles()->getTilesPerSide(), World::MAX_SIZE);
    world->setCursorPoint({1e12, -1e12, 0});
    world->spawnHerbivoreRequested = world->spawnCarnivoreRequested = world->spawnPlantRequested = true;
    tile(0, 0)->populate(10, 10, 10);
    tile(World::MAX_SIZE - 1, World::MAX_SIZE - 1)->populate(10, 10, 10);
    ticks(30);
    EXPECT_GE(world->getLives().size(), 30u);

    // Every tile fertilized and seeded.
    makeWorld(5, 32);
    for (WorldTile* t : world->getTiles()->getTiles()) {
        t->toggleFertilized();
        t->populate(10, 10, 10);
    }
    ticks(300);
    EXPECT_FALSE(world->getLives().empty());
}

TEST_F(WorldFixture, APopulationExplosionOnOneTileTicksThrough) {
    makeWorld(3, 33);
    WorldTile* crowded = tile(1, 1);
    crowded->toggleFertilized();
    for (int round = 0; round < 100; ++round)
        crowded->populate(10, 10, 10);
    EXPECT_GE(world->getLives().size(), 2500u);
    ticks(100);
    // Kill the tile while it swarms, then let the dying finish.
    crowded->killAll();
    for (Life* animal : crowded->getAnimals())
        EXPECT_EQ(animal->getState(), STATE_DEAD);
    ticks(30);
}
