// The lab's command layer without a window: the keys and clicks it turns into actions, the console's
// line, the log's lines, and the options that name a command file and a log.
#include "NoAction.h"
#include "ScratchFolder.h"
#include "presentation/DrawnWorldFixture.h"

#include "common/CommandFile.h"
#include "interaction/KeyboardEventHandler.h"
#include "lab/LabConsole.h"
#include "lab/LabInput.h"
#include "lab/LabKeyHandler.h"
#include "lab/LabLog.h"
#include "lab/LabOptions.h"
#include "lab/LabSaver.h"
#include "lab/LabSpeed.h"

#include <osgGA/EventQueue>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

Command parsed(const std::string& text) {
    Command command;
    std::string error;
    EXPECT_TRUE(Command::parse(text, command, error)) << error;
    return command;
}

class LabInputTest : public DrawnWorldFixture {
protected:
    osg::ref_ptr<osgGA::EventQueue> queue = new osgGA::EventQueue;
    NoAction action;
    LabConsole console;
    osg::ref_ptr<KeyboardEventHandler> sandbox;
    osg::ref_ptr<LabInput> input;
    osg::ref_ptr<LabKeyHandler> keys = new LabKeyHandler;

    void SetUp() override {
        WorldFixture::SetUp();
        sandbox = new KeyboardEventHandler(world.get());
        input = new LabInput(sandbox.get(), console);
        keys->setConsole(&console);
    }
    // The event through both of the lab's handlers, as the viewer passes it along.
    void send(osgGA::GUIEventAdapter::EventType type, int key, int button = 0) {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = queue->createEvent();
        event->setEventType(type);
        event->setKey(key);
        event->setButton(button);
        input->handle(*event, action);
        keys->handle(*event, action);
    }
    void press(int key) {
        send(osgGA::GUIEventAdapter::KEYDOWN, key);
        send(osgGA::GUIEventAdapter::KEYUP, key);
    }
};

} // namespace

TEST_F(LabInputTest, TheSandboxsWorldKeysAndClickBecomeActionsAndRaiseNothingOnTheWorld) {
    using A = LabInput::Action;
    for (int key : {'w', 'e', 'r', '1', '2', 'c', 's', 'k', 'g', 'f', 'm', 'p'})
        press(key);
    send(osgGA::GUIEventAdapter::PUSH, 0, osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON);
    std::vector<A> actions;
    for (const LabInput::Event& event : input->take())
        actions.push_back(event.action);
    EXPECT_EQ(actions, (std::vector<A>{A::SpawnHerbivore, A::SpawnCarnivore, A::SpawnPlant, A::Predator,
                                       A::Prey, A::ToolCamera, A::ToolSelect, A::ToolKiller, A::ToolGenesis,
                                       A::ToolFertilizer, A::Apply, A::Pause, A::Apply}));
    EXPECT_FALSE(world->pauseRequested || world->spawnHerbivoreRequested || world->spawnCarnivoreRequested ||
                 world->spawnPlantRequested || world->spawnPredatorRequested || world->spawnPreyRequested ||
                 world->killTileRequested || world->selectRequested)
        << "only the command layer acts on the world";
    EXPECT_EQ(world->getToolMode(), TOOL_CAMERA);
    EXPECT_TRUE(keys->take().empty()) << "none of them is a lab key";
    // The help key is still the sandbox's.
    const bool controls = hud->areControlsShown();
    press('h');
    EXPECT_NE(hud->areControlsShown(), controls);
    EXPECT_TRUE(input->take().empty());
}

TEST_F(LabInputTest, ReturnOpensTheConsoleWhichTakesEveryKeyUntilEscape) {
    using A = LabInput::Action;
    send(osgGA::GUIEventAdapter::KEYUP, osgGA::GUIEventAdapter::KEY_Return);
    ASSERT_TRUE(console.isOpen());
    for (char c : std::string("wtx set a=1"))
        press(c);
    press(osgGA::GUIEventAdapter::KEY_BackSpace);
    press(osgGA::GUIEventAdapter::KEY_Tab);
    EXPECT_EQ(console.getText(), "wtx set a=");
    press(osgGA::GUIEventAdapter::KEY_Return);
    EXPECT_EQ(console.getText(), "") << "the line is handed over";
    EXPECT_TRUE(keys->take().empty()) << "t and x typed are no step and no save";
    std::vector<LabInput::Event> events = input->take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], (LabInput::Event{A::Line, "wtx set a="}));
    EXPECT_TRUE(console.isOpen()) << "open for the next line";
    EXPECT_FALSE(world->spawnHerbivoreRequested);

    press(osgGA::GUIEventAdapter::KEY_Escape);
    EXPECT_FALSE(console.isOpen());
    events = input->take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].action, A::ConsoleClosed);
    press('t');
    EXPECT_EQ(keys->take(), std::vector<LabKeyHandler::Request>{LabKeyHandler::STEP})
        << "the lab's keys are back";
}

TEST(LabConsole, KeepsOnlyPrintableCharactersUpToItsLength) {
    LabConsole console;
    console.show();
    std::string line;
    for (int key : {int('a'), 0x7f, 0x01, 0xe9, int(' '), int('b')})
        EXPECT_EQ(console.type(key, line), LabConsole::Typed::Nothing);
    EXPECT_EQ(console.getText(), "a b");
    for (size_t i = 0; i < LabConsole::MAX_LENGTH + 10; ++i)
        console.type('z', line);
    EXPECT_EQ(console.getText().size(), LabConsole::MAX_LENGTH);
    EXPECT_EQ(console.type(osgGA::GUIEventAdapter::KEY_KP_Enter, line), LabConsole::Typed::Line);
    EXPECT_EQ(line.substr(0, 4), "a bz");
    console.answer("console: unknown command \"zz\"");
    EXPECT_EQ(console.getAnswer(), "console: unknown command \"zz\"");
}

TEST(LabLog, WritesEachActionAsALineThatReadsBackAndTheWindowsOwnAsComments) {
    ScratchFolder scratch("lab-log");
    LabLog log;
    std::string error;
    ASSERT_TRUE(log.open(scratch.file("session.log"), "# heading\n", error)) << error;
    Command spawn = parsed("spawn herbivore 93.88971984386444,163.81673097610474");
    log.write(68, spawn);
    // Flushed as written: a lab killed now leaves the line.
    EXPECT_EQ(wholeFile(scratch.file("session.log")),
              "# heading\n@68 spawn herbivore 93.88971984386444,163.81673097610474\n");
    log.write(70, parsed("chart herbivores"));
    log.write(70, parsed("speed max"));
    log.write(71, parsed("set animal.moveCost=0.004"));
    log.write(90, parsed("quit"));
    std::vector<Command> read;
    ASSERT_TRUE(CommandFile::read(scratch.file("session.log"), read, error)) << error;
    ASSERT_EQ(read.size(), 3u) << "the window's commands are comments";
    EXPECT_EQ(read[0].tick, 68);
    EXPECT_EQ(read[0].x, spawn.x);
    EXPECT_EQ(read[0].y, spawn.y);
    EXPECT_EQ(read[1].text(), "@71 set animal.moveCost=0.004");
    EXPECT_EQ(read[2].text(), "@90 quit");
    EXPECT_EQ(LabLog::line(70, parsed("chart herbivores")), "# @70 chart herbivores");
    // A load names its world's content beside it; the line reads back to the load and the digest.
    Command load = parsed("load /w/a.sylvara");
    EXPECT_EQ(LabLog::line(80, load), "@80 load /w/a.sylvara");
    load.digest = std::string(64, 'c');
    Command loaded;
    bool empty = true;
    ASSERT_TRUE(CommandFile::readLine(LabLog::line(80, load), 0, loaded, empty, error)) << error;
    EXPECT_EQ(loaded.text(), "@80 load /w/a.sylvara");
    EXPECT_EQ(loaded.digest, load.digest);

    LabLog refused;
    EXPECT_FALSE(refused.open(scratch.file("no/such/folder.log"), "", error));
    EXPECT_EQ(error,
              "cannot write the log " + scratch.file("no/such/folder.log") + ": No such file or directory");
    EXPECT_FALSE(refused.isOpen());
}

TEST(LabSpeed, TakesAnyRateAndStepsToTheLadderFromIt) {
    LabSpeed speed;
    speed.setRate(100, 0);
    EXPECT_EQ(speed.getRate(), 100);
    EXPECT_EQ(speed.due(1.0), 100);
    speed.faster(0);
    EXPECT_EQ(speed.getRate(), 128);
    speed.setRate(100, 0);
    speed.slower(0);
    EXPECT_EQ(speed.getRate(), 64);
    speed.setRate(3, 0);
    speed.slower(0);
    EXPECT_EQ(speed.getRate(), 2);
    speed.flatOut(0);
    EXPECT_TRUE(speed.isFlatOut());
    speed.setRate(64, 0);
    speed.faster(0);
    EXPECT_EQ(speed.getRate(), 128);
}

TEST(LabOptions, NamesACommandFileAndALogOnceEach) {
    const auto parse = [](std::vector<const char*> words, LabOptions& options, std::string& error) {
        words.insert(words.begin(), "sylvara-lab");
        return LabOptions::parse(static_cast<int>(words.size()), words.data(), 3, options, error);
    };
    LabOptions options;
    std::string error;
    ASSERT_EQ(parse({"--commands", "-", "--log=s.log", "--seed", "4"}, options, error),
              SimulationOptions::Outcome::Run)
        << error;
    EXPECT_EQ(options.commandsFile, "-");
    EXPECT_EQ(options.logFile, "s.log");
    EXPECT_EQ(options.arguments, (std::vector<std::string>{"--commands", "-", "--log=s.log", "--seed", "4"}));
    LabOptions twice;
    EXPECT_EQ(parse({"--log", "a", "--log", "b"}, twice, error), SimulationOptions::Outcome::Error);
    EXPECT_EQ(error, "--log is given twice");
    LabOptions empty;
    EXPECT_EQ(parse({"--commands="}, empty, error), SimulationOptions::Outcome::Error);
    EXPECT_EQ(error, "--commands needs a file name");
}

class LabSaverCommands : public WorldFixture {};

TEST_F(LabSaverCommands, ASaveAskedForWhileTheLastIsWrittenWaitsAndTakesTheNextNameAndABadOneSavesNothing) {
    ScratchFolder scratch("lab-saves");
    world->getTiles()->tileAt(0, 0)->populate(3, 3, 3);
    LabSaver saver;
    saver.setFolder(scratch.file(""));
    std::string error;
    for (int i = 0; i < 3; ++i) {
        // As the lab's key does: named once the last one is written.
        saver.wait();
        const std::string name = LabSaver::nextName(saver.pathOf("."));
        testing::internal::CaptureStdout();
        ASSERT_TRUE(saver.saveAs(*world, name, error)) << error;
        saver.wait();
        testing::internal::GetCapturedStdout();
    }
    for (const char* name : {"world-0001.sylvara", "world-0002.sylvara", "world-0003.sylvara"})
        EXPECT_EQ(access(scratch.file(name).c_str(), F_OK), 0) << name;
    EXPECT_FALSE(saver.saveAs(*world, "no/such/folder.sylvara", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_NE(access(scratch.file("world-0004.sylvara").c_str(), F_OK), 0);
}
