#include "interaction/KeyboardEventHandler.h"

#include "world/World.h"

KeyboardEventHandler::KeyboardEventHandler(World* world) : world(world) {}

bool KeyboardEventHandler::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter&) {
    switch (event.getEventType()) {
    case osgGA::GUIEventAdapter::PUSH:
        return onPush(event);
    case osgGA::GUIEventAdapter::KEYUP:
        // Always passed on, so the viewer's own keys (Escape ends the program) still work.
        onKeyUp(event.getKey());
        return false;
    case osgGA::GUIEventAdapter::MOVE:
        onMove(event);
        return false;
    default:
        return false;
    }
}

bool KeyboardEventHandler::onPush(const osgGA::GUIEventAdapter& event) {
    switch (event.getButton()) {
    case osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON:
        world->applyTool();
        return false;
    case osgGA::GUIEventAdapter::RIGHT_MOUSE_BUTTON:
        return false;
    default:
        return true;
    }
}

void KeyboardEventHandler::onKeyUp(int key) {
    switch (key) {
    case '1':
        world->spawnPredatorRequested = true;
        break;
    case '2':
        world->spawnPreyRequested = true;
        break;
    case 'c':
        world->setTool(TOOL_CAMERA);
        break;
    case 'e':
        world->spawnCarnivoreRequested = true;
        break;
    case 'f':
        world->setTool(TOOL_FERTILIZE);
        break;
    case 'g':
        world->setTool(TOOL_GENESIS);
        break;
    case 'h':
        world->toggleControls();
        break;
    case 'k':
        world->setTool(TOOL_KILL);
        break;
    case 'm':
        world->applyTool();
        break;
    case 'p':
        world->pauseRequested = true;
        break;
    case 'r':
        world->spawnPlantRequested = true;
        break;
    case 's':
        world->setTool(TOOL_SELECT);
        break;
    case 'w':
        world->spawnHerbivoreRequested = true;
        break;
    default:
        break;
    }
}

void KeyboardEventHandler::onMove(const osgGA::GUIEventAdapter& event) {
    if (world->pickRequested)
        return;
    world->mouseX = event.getXnormalized();
    world->mouseY = event.getYnormalized();
    world->pickRequested = true;
}
