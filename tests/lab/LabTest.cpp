// The lab's pieces that need no window: its command line, its speeds and pacing, its keys
// beside the sandbox's, the population history and chart, and the HUD's additions.
#include "NoAction.h"
#include "presentation/DrawnWorldFixture.h"

#include "interaction/KeyboardEventHandler.h"
#include "lab/LabKeyHandler.h"
#include "lab/LabOptions.h"
#include "lab/LabSaver.h"
#include "lab/LabSpeed.h"
#include "lab/PopulationChart.h"
#include "lab/PopulationHistory.h"
#include "save/SavedWorld.h"

#include <osgGA/EventQueue>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Outcome = SimulationOptions::Outcome;

Outcome parseLab(std::vector<const char*> words, LabOptions& options, std::string& error, int size = 7) {
    words.insert(words.begin(), "sylvara-lab");
    return LabOptions::parse(static_cast<int>(words.size()), words.data(), size, options, error);
}

} // namespace

TEST(LabOptions, DefaultsToTheSandboxWorldAndReadsWorldOptionsAsTheHeadlessRunnerDoes) {
    LabOptions plain;
    std::string error;
    ASSERT_EQ(parseLab({}, plain, error, 7), Outcome::Run) << error;
    EXPECT_EQ(plain.world.size, 7) << "the settings file's size";
    EXPECT_TRUE(plain.world.tilesToPopulate().empty()) << "an empty board, as the sandbox starts";
    EXPECT_FALSE(plain.world.seeded);
    EXPECT_EQ(plain.ahead, 0);

    LabOptions chosen;
    ASSERT_EQ(parseLab({"--size", "9", "--genesis=8,8;0,1", "--seed", "42", "--ahead=20000"}, chosen, error),
              Outcome::Run)
        << error;
    EXPECT_EQ(chosen.world.size, 9);
    EXPECT_EQ(chosen.world.tilesToPopulate(), (std::vector<std::pair<int, int>>{{8, 8}, {0, 1}}));
    EXPECT_TRUE(chosen.world.seeded);
    EXPECT_EQ(chosen.world.seed, 42u);
    EXPECT_EQ(chosen.ahead, 20000);

    // A genesis tile is checked against the settings' size when --size is not given.
    LabOptions settingsSize;
    EXPECT_EQ(parseLab({"--genesis", "6,6"}, settingsSize, error, 7), Outcome::Run) << error;
    EXPECT_EQ(parseLab({"--genesis", "6,6"}, settingsSize, error, 5), Outcome::Error);
    EXPECT_NE(error.find("off a board of 5"), std::string::npos) << error;

    LabOptions loaded;
    ASSERT_EQ(parseLab({"--load", "world.sylvara", "--ahead", "5"}, loaded, error), Outcome::Run) << error;
    EXPECT_EQ(loaded.world.loadFile, "world.sylvara");
    EXPECT_TRUE(loaded.world.tilesToPopulate().empty());
    EXPECT_EQ(parseLab({"-h"}, loaded, error), Outcome::Help);
    EXPECT_EQ(parseLab({"--ahead", "5", "--version"}, loaded, error), Outcome::Version);
}

TEST(LabOptions, EveryBadStartIsOneLineNamingTheProblem) {
    const struct {
        std::vector<const char*> words;
        const char* says;
    } bad[] = {
        {{"--ticks", "5"}, "unknown option \"--ticks\""},
        {{"--csv=a.csv"}, "unknown option \"--csv\""},
        {{"world.sylvara"}, "unexpected argument"},
        {{"--size", "0"}, "--size: 0 is out of range"},
        {{"--size", "many"}, "--size: \"many\" is not a whole number"},
        {{"--ahead", "-1"}, "--ahead: -1 is out of range"},
        {{"--ahead", "lots"}, "--ahead: \"lots\" is not a whole number"},
        {{"--ahead"}, "--ahead needs a value"},
        {{"--load", "--ahead", "4"}, "--load needs a value"},
        {{"--load="}, "--load: the file name is empty"},
        {{"--seed", "4294967296"}, "--seed: 4294967296 is out of range"},
        {{"--genesis", "middle"}, "--genesis: \"middle\" is not a tile"},
        {{"--load", "w.sylvara", "--size", "5"}, "--size cannot go with --load"},
        {{"--genesis", "all", "--load", "w.sylvara"}, "--genesis cannot go with --load"},
        {{"--keep", "herbivores"}, "--keep herbivores: give the least number to keep, as in herbivores=50"},
        {{"--keep", "herbivores=50", "--keep", "herbivores=10"}, "the floor of herbivores is given twice"},
        {{"--rules", "a.toml", "--rules", "b.toml"}, "--rules is given twice"},
        {{"--size", "3", "--size", "4"}, "--size is given twice"},
        {{"--ahead", "3", "--ahead", "4"}, "--ahead is given twice"},
        {{"--set", "animal.birthEnergy=0.9"}, "animal.birthEnergy=0.9 is above animal.breedAt=0.8"},
    };
    for (const auto& each : bad) {
        LabOptions options;
        std::string error;
        EXPECT_EQ(parseLab(each.words, options, error), Outcome::Error) << each.says;
        EXPECT_NE(error.find(each.says), std::string::npos) << "got: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_NE(LabOptions::usage("sylvara-lab").find("--ahead TICKS"), std::string::npos);
}

TEST(LabSpeed, StepsFromTheSandboxRateUpToFlatOutAndDownToOneATick) {
    LabSpeed speed;
    EXPECT_EQ(speed.getRate(), 16);
    EXPECT_EQ(speed.describe(), "16 ticks/s");
    int previous = speed.getRate();
    for (int i = 0; i < 8; ++i) {
        speed.faster(0);
        EXPECT_GT(speed.getRate(), previous);
        previous = speed.getRate();
    }
    while (!speed.isFlatOut())
        speed.faster(0);
    EXPECT_EQ(speed.describe(), "flat out");
    speed.faster(0);
    EXPECT_TRUE(speed.isFlatOut()) << "flat out is the top";
    speed.slower(0);
    EXPECT_GE(speed.getRate(), 1024) << "one step below flat out is a fast rate";
    for (int i = 0; i < 30; ++i)
        speed.slower(0);
    EXPECT_EQ(speed.getRate(), 1) << "the slowest is one tick a second";
    speed.normal(0);
    EXPECT_EQ(speed.getRate(), LabSpeed::NORMAL);
}

TEST(LabSpeed, OwesTicksAtItsRateDropsALagAndBudgetsTheFrame) {
    LabSpeed speed;
    speed.restart(100.0);
    EXPECT_EQ(speed.due(100.0), 0);
    EXPECT_EQ(speed.due(100.25), 4) << "16 a second";
    speed.ran(4);
    EXPECT_EQ(speed.due(100.25), 0);
    EXPECT_EQ(speed.due(100.4), 2);
    speed.ran(2);
    EXPECT_EQ(speed.due(100.9), 8) << "slow frames: what is owed is made up";
    speed.ran(8);
    // Ten seconds behind: only a second is made up, and the pace goes on from there.
    EXPECT_EQ(speed.due(111.0), 16);
    speed.ran(16);
    EXPECT_EQ(speed.due(111.0), 0);
    EXPECT_EQ(speed.due(111.25), 4);

    for (int i = 0; i < 6; ++i)
        speed.faster(200.0);
    EXPECT_EQ(speed.getRate(), 1024);
    EXPECT_EQ(speed.due(200.1), 102) << "a change of speed starts the count afresh";
    while (!speed.isFlatOut())
        speed.faster(200.0);
    EXPECT_GT(speed.due(200.0), 1000000) << "flat out owes whatever fits in the frame";

    // Frames at least ten a second while drawing allows it: a slower drawing leaves less time for ticks.
    EXPECT_LT(LabSpeed::tickBudget(0.0), LabSpeed::FRAME_BUDGET);
    EXPECT_GT(LabSpeed::tickBudget(0.0), 0.05);
    EXPECT_LT(LabSpeed::tickBudget(0.06), LabSpeed::tickBudget(0.02));
    EXPECT_LE(0.02 + LabSpeed::tickBudget(0.02), LabSpeed::FRAME_BUDGET);
    EXPECT_LE(0.08 + LabSpeed::tickBudget(0.08), LabSpeed::FRAME_BUDGET);
    // Drawing alone too slow for ten a second: the ticks get a third of the frame, not a sliver.
    EXPECT_NEAR(LabSpeed::tickBudget(0.12), 0.06, 1e-9);
    EXPECT_NEAR(LabSpeed::tickBudget(0.3), 0.15, 1e-9);
}

TEST_F(DrawnWorldFixture, LabKeysAndSandboxKeysNeverOverlap) {
    osg::ref_ptr<osgGA::EventQueue> queue = new osgGA::EventQueue;
    NoAction action;
    osg::ref_ptr<KeyboardEventHandler> sandbox = new KeyboardEventHandler(world.get());
    osg::ref_ptr<LabKeyHandler> lab = new LabKeyHandler;
    const auto keyUp = [&](osgGA::GUIEventHandler& handler, int key) {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = queue->createEvent();
        event->setEventType(osgGA::GUIEventAdapter::KEYUP);
        event->setKey(key);
        return handler.handle(*event, action);
    };
    for (int key : {'1', '2', 'c', 'e', 'f', 'g', 'h', 'k', 'm', 'p', 'r', 's', 'w', ' '}) {
        EXPECT_FALSE(keyUp(*lab, key)) << "every key is passed on";
        EXPECT_TRUE(lab->take().empty()) << "the sandbox's key " << char(key);
    }
    const bool controls = hud->areControlsShown();
    for (int key : {'+', '=', '-', 'n', 't', 'l', 'v', 'x', 'a'}) {
        EXPECT_FALSE(keyUp(*sandbox, key));
        EXPECT_FALSE(keyUp(*lab, key));
        EXPECT_EQ(lab->take().size(), 1u) << "the lab's key " << char(key);
    }
    EXPECT_FALSE(world->pauseRequested || world->spawnHerbivoreRequested || world->spawnCarnivoreRequested ||
                 world->spawnPlantRequested || world->spawnPredatorRequested || world->spawnPreyRequested);
    EXPECT_EQ(world->getToolMode(), TOOL_CAMERA);
    EXPECT_EQ(hud->areControlsShown(), controls);

    // Every press counts, in its order, however many come before the frame takes them.
    for (int key : {'-', '-', 'v', 'l', 'x', '+'})
        keyUp(*lab, key);
    using Request = LabKeyHandler::Request;
    EXPECT_EQ(lab->take(),
              (std::vector<Request>{LabKeyHandler::SLOWER, LabKeyHandler::SLOWER, LabKeyHandler::CHART_VIEW,
                                    LabKeyHandler::CHART, LabKeyHandler::SAVE, LabKeyHandler::FASTER}));
    EXPECT_TRUE(lab->take().empty()) << "taken once";
    keyUp(*lab, 'L');
    EXPECT_TRUE(lab->take().empty()) << "uppercase letters are not commands";
}

TEST_F(WorldFixture, PopulationHistoryCountsTheLivingAndKeepsTheLastTicks) {
    Animal* herbivore = spawnAnimal(KIND_HERBIVORE, {100, 100, 0});
    spawnAnimal(KIND_HERBIVORE, {120, 100, 0});
    spawnAnimal(KIND_CARNIVORE, {300, 300, 0});
    spawnPlant({200, 200, 0});
    PopulationHistory::Counts counts = PopulationHistory::countLiving(world->getLives());
    EXPECT_EQ(counts, (PopulationHistory::Counts{2, 1, 1}));
    herbivore->setEnergy(0);
    world->tick();
    counts = PopulationHistory::countLiving(world->getLives());
    EXPECT_EQ(counts[OrganismKind::HERBIVORES], 1) << "one playing its death is not counted";

    PopulationHistory history(3);
    for (int tick = 1; tick <= 5; ++tick)
        history.record(tick, {tick, 10 * tick, 0});
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history.firstTick(), 3);
    EXPECT_EQ(history.lastTick(), 5);
    EXPECT_EQ(history.countAt(0, OrganismKind::CARNIVORES), 30);
    EXPECT_EQ(history.latest()[OrganismKind::HERBIVORES], 5);
    EXPECT_EQ(history.largest(), 50);

    EXPECT_EQ(PopulationHistory::scaleTop(0), 10);
    EXPECT_EQ(PopulationHistory::scaleTop(10), 10);
    EXPECT_EQ(PopulationHistory::scaleTop(11), 20);
    EXPECT_EQ(PopulationHistory::scaleTop(21), 50);
    EXPECT_EQ(PopulationHistory::scaleTop(51), 100);
    EXPECT_EQ(PopulationHistory::scaleTop(4321), 5000);
    EXPECT_GE(PopulationHistory::scaleTop(2000000000), 2000000000);
}

TEST(PopulationChart, PlacesTheCountsOnItsScaleAcrossTheTicksItHolds) {
    PopulationChart chart;
    PopulationHistory history(101);
    for (int tick = 1000; tick <= 1050; ++tick)
        history.record(tick, {tick - 1000, 0, 80});
    chart.draw(history, "state");
    // The scale's top is 100 for a largest count of 80; the ticks held span the width.
    const osg::Vec2 first = chart.place(1000, 0);
    const osg::Vec2 last = chart.place(1025, 50);
    const osg::Vec2 plants = chart.place(1050, 80);
    EXPECT_FLOAT_EQ(first.x(), PopulationChart::PLOT_LEFT);
    EXPECT_FLOAT_EQ(first.y(), PopulationChart::PLOT_BOTTOM);
    EXPECT_NEAR(last.x(), (PopulationChart::PLOT_LEFT + PopulationChart::PLOT_RIGHT) / 2, 0.01);
    EXPECT_NEAR(last.y(), (PopulationChart::PLOT_BOTTOM + PopulationChart::PLOT_TOP) / 2, 0.01);
    EXPECT_NEAR(plants.y(),
                PopulationChart::PLOT_BOTTOM +
                    0.8 * (PopulationChart::PLOT_TOP - PopulationChart::PLOT_BOTTOM),
                0.01);

    EXPECT_FLOAT_EQ(chart.place(1050, 0).x(), PopulationChart::PLOT_RIGHT);

    for (int tick = 1051; tick <= 1300; ++tick)
        history.record(tick, {0, 0, 300});
    chart.draw(history, "state");
    EXPECT_FLOAT_EQ(chart.place(1200, 0).x(), PopulationChart::PLOT_LEFT)
        << "full: the oldest held at the left";
    EXPECT_FLOAT_EQ(chart.place(1300, 0).x(), PopulationChart::PLOT_RIGHT) << "the newest at the right";
    EXPECT_FLOAT_EQ(chart.place(1300, 300).y(),
                    PopulationChart::PLOT_BOTTOM +
                        0.6f * (PopulationChart::PLOT_TOP - PopulationChart::PLOT_BOTTOM))
        << "rescaled to 500";
}

TEST_F(WorldFixture, PopulationHistoryKeepsEachKindsTraitMeans) {
    spawnAnimal(KIND_HERBIVORE, {100, 100, 0}, 30, 10, 40, 60, 20);
    spawnAnimal(KIND_HERBIVORE, {120, 100, 0}, 50, 20, 60, 80, 40);
    spawnPlant({200, 200, 0}, 11, 22, 33, 44);
    PopulationHistory history(2);
    history.record(7, PopulationCensus::of(world->getLives()));
    EXPECT_EQ(history.latest(), (PopulationHistory::Counts{2, 0, 1}));
    const float herbivores[] = {40, 15, 50, 70, 30};
    for (int trait = 0; trait < CensusColumns::ANIMAL_TRAITS; ++trait)
        EXPECT_FLOAT_EQ(history.meanAt(0, OrganismKind::HERBIVORES, trait), herbivores[trait]) << trait;
    const float plants[] = {11, 22, 33, 44};
    for (int trait = 0; trait < CensusColumns::PLANT_TRAITS; ++trait)
        EXPECT_FLOAT_EQ(history.meanAt(0, OrganismKind::PLANTS, trait), plants[trait]) << trait;
}

TEST(PopulationChart, TraitViewsDrawALinePerTraitOnAFixedScaleAndBreakWhereAKindIsGone) {
    PopulationChart::View view = PopulationChart::POPULATIONS;
    const PopulationChart::View order[] = {PopulationChart::HERBIVORE_TRAITS,
                                           PopulationChart::CARNIVORE_TRAITS, PopulationChart::PLANT_TRAITS,
                                           PopulationChart::POPULATIONS};
    for (PopulationChart::View expected : order)
        EXPECT_EQ(view = PopulationChart::next(view), expected);

    // Ticks 0..9: herbivores at 0..4 and 7..9 only, carnivores never, plants throughout.
    PopulationHistory history(10);
    for (int tick = 0; tick < 10; ++tick) {
        PopulationHistory::Means means{};
        means[OrganismKind::HERBIVORES] = {10, 20, 30, 40, 50};
        means[OrganismKind::PLANTS] = {25, 50, 75, 100};
        const int herbivores = tick == 5 || tick == 6 ? 0 : 300;
        history.record(tick, {herbivores, 0, 900}, means);
    }
    PopulationChart chart;
    chart.setView(PopulationChart::HERBIVORE_TRAITS);
    chart.draw(history, "state");
    const float height = PopulationChart::PLOT_TOP - PopulationChart::PLOT_BOTTOM;
    for (int trait = 0; trait < CensusColumns::ANIMAL_TRAITS; ++trait) {
        const osg::Vec3Array& points = chart.linePoints(trait);
        ASSERT_EQ(points.size(), 8u) << "no point where there were no herbivores";
        const float y = PopulationChart::PLOT_BOTTOM + (trait + 1) * 0.1f * height;
        EXPECT_NEAR(points[0].y(), y, 0.01) << "on 0..100, not scaled to the counts";
        EXPECT_NEAR(chart.place(9, 10.0 * (trait + 1)).y(), y, 0.01);
        EXPECT_FLOAT_EQ(points[5].x(), chart.place(7, 0).x()) << "the line goes on after the gap";
    }
    EXPECT_EQ(chart.lineRuns(0), 2u) << "a gap, not a line across it";

    chart.setView(PopulationChart::CARNIVORE_TRAITS);
    chart.draw(history, "state");
    for (int trait = 0; trait < CensusColumns::MAX_TRAITS; ++trait)
        EXPECT_EQ(chart.linePoints(trait).size() + chart.lineRuns(trait), 0u)
            << "no carnivores, no line at 0";

    chart.setView(PopulationChart::PLANT_TRAITS);
    chart.draw(history, "state");
    EXPECT_NEAR(chart.linePoints(3).back().y(), PopulationChart::PLOT_TOP, 0.01);
    EXPECT_EQ(chart.linePoints(4).size(), 0u) << "plants have four traits";

    chart.setView(PopulationChart::POPULATIONS);
    chart.draw(history, "state");
    EXPECT_NEAR(chart.linePoints(OrganismKind::PLANTS).back().y(),
                PopulationChart::PLOT_BOTTOM + 0.9f * height, 0.01)
        << "back to the counts' scale of 1000";
    EXPECT_EQ(chart.linePoints(OrganismKind::HERBIVORES).size(), 10u) << "a count of 0 is drawn";
    EXPECT_EQ(chart.linePoints(3).size(), 0u);
}

TEST(PopulationChart, LabelsOfEveryViewStayApartInsideThePanel) {
    // The widest the labels get: six-digit counts and every mean at 100.0.
    PopulationHistory history(4);
    for (int tick = 0; tick < 4; ++tick) {
        PopulationHistory::Means means{};
        means[OrganismKind::HERBIVORES] = {100, 100, 100, 100, 100};
        means[OrganismKind::CARNIVORES] = {100, 100, 100, 100, 100};
        means[OrganismKind::PLANTS] = {100, 100, 100, 100};
        history.record(tick, {888888, 888888, 888888}, means);
    }
    PopulationChart chart;
    for (PopulationChart::View view : {PopulationChart::POPULATIONS, PopulationChart::HERBIVORE_TRAITS,
                                       PopulationChart::CARNIVORE_TRAITS, PopulationChart::PLANT_TRAITS}) {
        chart.setView(view);
        chart.draw(history, "tick 3 | 16 ticks/s | paused");
        const std::vector<osg::BoundingBox> boxes = chart.labelBoxes();
        const size_t expected = view == PopulationChart::POPULATIONS    ? 4
                                : view == PopulationChart::PLANT_TRAITS ? 6
                                                                        : 7;
        ASSERT_EQ(boxes.size(), expected) << PopulationChart::viewName(view);
        for (size_t a = 0; a < boxes.size(); ++a) {
            EXPECT_GE(boxes[a].xMin(), 0.0f) << PopulationChart::viewName(view) << " label " << a;
            EXPECT_LE(boxes[a].xMax(), PopulationChart::PLOT_RIGHT + 25)
                << PopulationChart::viewName(view) << " label " << a;
            EXPECT_GE(boxes[a].yMin(), PopulationChart::PLOT_TOP)
                << PopulationChart::viewName(view) << " label " << a;
            EXPECT_LE(boxes[a].yMax(), PopulationChart::PANEL_TOP)
                << PopulationChart::viewName(view) << " label " << a;
            for (size_t b = a + 1; b < boxes.size(); ++b) {
                const bool apart = boxes[a].xMax() <= boxes[b].xMin() || boxes[b].xMax() <= boxes[a].xMin() ||
                                   boxes[a].yMax() <= boxes[b].yMin() || boxes[b].yMax() <= boxes[a].yMin();
                EXPECT_TRUE(apart) << PopulationChart::viewName(view) << ": labels " << a << " and " << b
                                   << " overlap";
            }
        }
    }
}

TEST_F(DrawnWorldFixture, TheLabSectionOfTheHelpPanelShowsEveryLineUnderTheSandboxText) {
    // The lab's keys and its rules, then with a long rules file name and every floor: all of it lies
    // in the overlay's lower right, under the sandbox's panel (whose backdrop ends at 250), in columns
    // that never overlap, and stays legible.
    const std::string keys = LabKeyHandler::HELP_TEXT;
    const struct {
        std::string text;
        float smallest;
    } sections[] = {
        {keys + "\nrules: default rules", 32.0f},
        {keys + "\nrules: a-long-named-rules-file-of-mine.toml with 3 --set"
                "\nkeep: herbivores=100, carnivores=100, plants=1000",
         20.0f},
    };
    for (const auto& section : sections) {
        Hud own("Sylvara");
        own.addControlsSection(section.text);
        const auto& columns = own.getControlsSection();
        ASSERT_FALSE(columns.empty());
        std::string shown;
        float left = 0;
        for (const auto& column : columns) {
            shown += (shown.empty() ? "" : "\n") + column->getText().createUTF8EncodedString();
            const osg::BoundingBox box = column->getBoundingBox();
            EXPECT_GE(box.xMin(), std::max(640.0f, left)) << section.text;
            EXPECT_LE(box.xMax(), 1280.0f) << section.text;
            EXPECT_GE(box.yMin(), 0.0f) << section.text;
            EXPECT_LE(box.yMax(), 250.0f) << section.text;
            EXPECT_GE(column->getCharacterHeight(), section.smallest) << section.text;
            left = box.xMax();
        }
        EXPECT_EQ(shown, section.text) << "every line, in order";
    }
}

TEST_F(DrawnWorldFixture, HudAdditionsGoBelowTheSandboxTextAndLeaveItAsItWas) {
    Animal* animal = spawnAnimal(KIND_CARNIVORE, {100, 100, 0});
    hud->showSelection(animal);
    const std::string sandbox = hud->getInfoText();
    hud->setSelectionAppendix("\n\ngeneration: 3");
    EXPECT_EQ(hud->getInfoText(), sandbox + "\n\ngeneration: 3");
    hud->setSelectionAppendix("\n\ngeneration: 4");
    EXPECT_EQ(hud->getInfoText(), sandbox + "\n\ngeneration: 4") << "replaced, not added twice";
    EXPECT_EQ(hud->getInfoGeode()->getNumDrawables(), 3u)
        << "text, backdrop and one backdrop for the appendix";
    hud->showSelection(animal);
    EXPECT_EQ(hud->getInfoText(), sandbox) << "a new selection starts without the old appendix";
    EXPECT_EQ(hud->getInfoGeode()->getNumDrawables(), 2u) << "the sandbox's panel as it was";
}

TEST(LabSaver, NamesTheFirstFreeNumberAndNeverAFileThatIsThere) {
    char folder[] = "/tmp/sylvara-lab-saves-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string at(folder);
    EXPECT_EQ(LabSaver::nextName(at), "world-0001.sylvara");
    for (const char* taken : {"world-0001.sylvara", "world-0002.sylvara", "world-0004.sylvara"})
        std::ofstream(at + "/" + taken) << "taken";
    EXPECT_EQ(LabSaver::nextName(at), "world-0003.sylvara") << "a gap is filled, nothing is overwritten";
    for (const char* taken : {"world-0001.sylvara", "world-0002.sylvara", "world-0004.sylvara"})
        std::remove((at + "/" + taken).c_str());
    rmdir(folder);
}

TEST_F(WorldFixture, LabSaverWritesTheWorldAsItWasWhenTheKeyCame) {
    tile(1, 1)->populate(10, 10, 10);
    ticks(20);
    const long savedTick = world->getTickNumber();
    const size_t organisms = world->getLives().size();
    char folder[] = "/tmp/sylvara-lab-save-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    testing::internal::CaptureStdout();
    {
        LabSaver saver;
        std::string refused;
        ASSERT_TRUE(saver.saveAs(*world, LabSaver::nextName("."), refused)) << refused;
        // The world goes on while the file is written; ending waits for it.
        ticks(5);
    }
    const std::string said = testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(here), 0);
    const std::string file = std::string(folder) + "/world-0001.sylvara";
    EXPECT_NE(said.find("saved world-0001.sylvara: tick " + std::to_string(savedTick)), std::string::npos)
        << said;
    SavedWorld saved;
    std::string error;
    ASSERT_TRUE(SavedWorld::read(file, saved, error)) << error;
    EXPECT_EQ(saved.getRecord().tickNumber, savedTick) << "the snapshot, not the world ticked on";
    EXPECT_EQ(saved.getRecord().animals.size() + saved.getRecord().plants.size(), organisms);
    std::remove(file.c_str());
    rmdir(folder);
}

TEST(LabOptions, TheWindowSizeAndTheRecorderAreReadAndTheirMistakesRefusedInOneLine) {
    LabOptions options;
    std::string error;
    ASSERT_EQ(parseLab({"--window", "1000x740", "--panels", "--record", "v.mp4", "--record-fps", "24",
                        "--record-clean"},
                       options, error),
              Outcome::Run)
        << error;
    EXPECT_EQ(options.width, 1000);
    EXPECT_EQ(options.height, 740);
    EXPECT_TRUE(options.panels);
    EXPECT_EQ(options.recordFile, "v.mp4");
    EXPECT_EQ(options.recordFps, 24);
    EXPECT_TRUE(options.recordClean);

    LabOptions plain;
    ASSERT_EQ(parseLab({}, plain, error), Outcome::Run) << error;
    EXPECT_EQ(plain.width, 800);
    EXPECT_EQ(plain.height, 600);
    EXPECT_FALSE(plain.panels);
    EXPECT_TRUE(plain.recordFile.empty());
    EXPECT_EQ(plain.recordFps, 30);

    const std::vector<std::vector<const char*>> refused = {{"--window", "1000"},
                                                           {"--window", "100x100"},
                                                           {"--window", "axb"},
                                                           {"--record-fps", "30"},
                                                           {"--record-clean"},
                                                           {"--record", "v.mp4", "--record-fps", "0"},
                                                           {"--record", "v.mp4", "--record-fps", "121"},
                                                           {"--record", ""},
                                                           {"--panels", "--panels"},
                                                           {"--record", "a.mp4", "--record", "b.mp4"}};
    for (const auto& words : refused) {
        LabOptions bad;
        error.clear();
        EXPECT_EQ(parseLab(words, bad, error), Outcome::Error) << words[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}
