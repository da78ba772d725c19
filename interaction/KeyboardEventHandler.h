#pragma once

#include <osgGA/GUIEventHandler>

class World;

// The program's only input handler: keys and clicks become requests on the
// World; almost everything is passed on so the camera still moves.
class KeyboardEventHandler : public osgGA::GUIEventHandler {
public:
    explicit KeyboardEventHandler(World* world);

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) override;
    using osgGA::GUIEventHandler::handle;

private:
    bool onPush(const osgGA::GUIEventAdapter& event);
    void onKeyUp(int key);
    void onMove(const osgGA::GUIEventAdapter& event);

    World* world;
};
