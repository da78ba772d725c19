#include "NoAction.h"
#include "presentation/DrawnWorldFixture.h"

#include "app/Viewer.h"
#include "interaction/KeyboardEventHandler.h"

#include <osgGA/KeySwitchMatrixManipulator>
#include <osgGA/TrackballManipulator>

#include <osgGA/EventQueue>

class InputFixture : public DrawnWorldFixture {
protected:
    bool send(osgGA::GUIEventAdapter* event) { return handler->handle(*event, action); }
    bool keyUp(int key) {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = queue->createEvent();
        event->setEventType(osgGA::GUIEventAdapter::KEYUP);
        event->setKey(key);
        return send(event.get());
    }
    bool push(int button) {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = queue->createEvent();
        event->setEventType(osgGA::GUIEventAdapter::PUSH);
        event->setButton(button);
        return send(event.get());
    }
    void SetUp() override {
        DrawnWorldFixture::SetUp();
        handler = new KeyboardEventHandler(world.get());
        queue = new osgGA::EventQueue;
    }
    osg::ref_ptr<KeyboardEventHandler> handler;
    osg::ref_ptr<osgGA::EventQueue> queue;
    NoAction action;
};

TEST_F(InputFixture, KeysRaiseRequestsOnReleaseOnly) {
    // With Caps Lock on, W arrives as 'W': it is not the herbivore key.
    EXPECT_FALSE(keyUp('W'));
    EXPECT_FALSE(keyUp('E'));
    EXPECT_FALSE(world->spawnHerbivoreRequested) << "uppercase letters are not commands";
    EXPECT_FALSE(world->spawnCarnivoreRequested);
    EXPECT_FALSE(keyUp('w'));
    EXPECT_TRUE(world->spawnHerbivoreRequested);
    for (int key : {'e', 'r', 'p', '1', '2'})
        EXPECT_FALSE(keyUp(key));
    EXPECT_TRUE(world->spawnCarnivoreRequested && world->spawnPlantRequested && world->pauseRequested &&
                world->spawnPredatorRequested && world->spawnPreyRequested);
    EXPECT_FALSE(keyUp(osgGA::GUIEventAdapter::KEY_Escape)) << "Escape reaches the viewer";

    osg::ref_ptr<osgGA::GUIEventAdapter> down = queue->createEvent();
    down->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    down->setKey('g');
    EXPECT_FALSE(send(down.get()));
    EXPECT_EQ(world->getToolMode(), TOOL_CAMERA);
    keyUp('g');
    EXPECT_EQ(hud->getTitleText(), "Sylvara 0.6.4 Beta: using tile genesis tool.");
}

// m applies the tool as a left click does: in the killer tool it marks the tile under the cursor.
TEST_F(InputFixture, MAppliesTheActiveTool) {
    world->setCursorPoint({100, 100, 0});
    keyUp('m');
    EXPECT_FALSE(world->killTileRequested) << "the camera tool does nothing";
    keyUp('k');
    const size_t flashes = world->getTimedMarkers().size();
    keyUp('m');
    EXPECT_TRUE(world->killTileRequested);
    EXPECT_EQ(world->getTargetTile(), tile(0, 0));
    EXPECT_EQ(world->getTimedMarkers().size(), flashes + 1) << "the tile flashes";
    world->tick();
    EXPECT_FALSE(world->killTileRequested);
}

// Leaving the camera tool hands the mouse back to the trackball; switching between other tools does not.
TEST_F(InputFixture, OnlyLeavingTheCameraToolReselectsTheTrackball) {
    osg::ref_ptr<Viewer> viewer = new Viewer;
    viewer->setUpViewer(Viewer::TRACKBALL_MANIPULATOR);
    auto* switcher = static_cast<osgGA::KeySwitchMatrixManipulator*>(viewer->getCameraManipulator());
    switcher->addMatrixManipulator('1', "Other", new osgGA::TrackballManipulator);
    testing::internal::CaptureStdout();
    const std::unique_ptr<World> built = WorldScene::build(2, nullptr, root.get(), viewer.get());
    World& viewed = *built;
    testing::internal::GetCapturedStdout();
    const auto current = [switcher] { return switcher->getCurrentMatrixManipulator(); };
    osgGA::CameraManipulator* trackball = switcher->getMatrixManipulatorWithIndex(0);
    osgGA::CameraManipulator* other = switcher->getMatrixManipulatorWithIndex(1);

    switcher->selectMatrixManipulator(1);
    viewed.setTool(TOOL_SELECT);
    EXPECT_EQ(current(), trackball) << "left the camera tool";
    switcher->selectMatrixManipulator(1);
    viewed.setTool(TOOL_KILL);
    EXPECT_EQ(current(), other) << "from the select tool nothing is reselected";
    viewed.setTool(TOOL_CAMERA);
    EXPECT_EQ(current(), other) << "nor when entering the camera tool";
}

TEST_F(InputFixture, ButtonsAndMovesAreMostlyPassedOn) {
    world->setTool(TOOL_KILL);
    world->setCursorPoint({100, 100, 0});
    EXPECT_FALSE(push(osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON));
    EXPECT_TRUE(world->killTileRequested);
    EXPECT_FALSE(push(osgGA::GUIEventAdapter::RIGHT_MOUSE_BUTTON));
    EXPECT_TRUE(push(osgGA::GUIEventAdapter::MIDDLE_MOUSE_BUTTON)) << "the middle button is consumed";

    osg::ref_ptr<osgGA::GUIEventAdapter> move = queue->createEvent();
    move->setEventType(osgGA::GUIEventAdapter::MOVE);
    move->setX(move->getXmax());
    move->setY(move->getYmin());
    EXPECT_FALSE(send(move.get()));
    EXPECT_TRUE(world->pickRequested);
    EXPECT_FLOAT_EQ(world->mouseX, 1.0f);
    move->setX(move->getXmin());
    send(move.get());
    EXPECT_FLOAT_EQ(world->mouseX, 1.0f) << "a pending pick keeps its position";
    world->pickIfRequested();
    EXPECT_FALSE(world->pickRequested);
    EXPECT_FALSE(world->isCursorOnGround()) << "no viewer: the pick finds nothing";
    EXPECT_TRUE(world->getCursorMarkers().empty());
}

TEST_F(InputFixture, HelpTogglesAndSelectionTextsAreExact) {
    EXPECT_EQ(hud->getHintText(), "| [H]->show controls");
    keyUp('h');
    EXPECT_TRUE(hud->areControlsShown());
    EXPECT_EQ(hud->getHintText(), "| [H]->hide controls");
    keyUp('h');
    EXPECT_FALSE(hud->areControlsShown());
    EXPECT_EQ(hud->getHintText(), "| [H]->show controls");

    Animal* animal = spawnAnimal(KIND_CARNIVORE, {100, 100, 0});
    hud->showSelection(animal);
    hud->showSelection(animal);
    EXPECT_EQ(hud->countOnCamera(hud->getInfoGeode()), 1);
    std::ostringstream expected;
    expected << "\n\nSelected: Animal Carnivore\nsize: " << animal->getSize()
             << "\nprey size: " << animal->getPreySize() << "\nadrenaline [red]: " << animal->getAdrenaline()
             << "\nspeed [green]: " << animal->getSpeed()
             << "\nspawn efficiency [blue]: " << animal->getSpawnEfficiency()
             << "\n\n[1]-> spawn a predator.\n[2]->spawn a prey.";
    EXPECT_EQ(hud->getInfoText(), expected.str());

    // Grown to a fifth of 59, 11.8: the size is shown cut to a whole number, not rounded.
    Plant* plant = spawnPlant({300, 300, 0}, 10, 10, 10, 59);
    ASSERT_FLOAT_EQ(plant->getGrownSize(), 11.8f);
    hud->showSelection(plant);
    EXPECT_EQ(hud->getInfoText().rfind("\n\nSelected: Plant\nsize:11\n", 0), 0u) << hud->getInfoText();
    EXPECT_NE(hud->getInfoText().find("\nmax size:" + std::to_string(plant->getGenomeSize())),
              std::string::npos);
    hud->clearSelection();
    EXPECT_FALSE(hud->isSelectionShown());
}
