#pragma once

#include "lab/LabConsole.h"

#include <osg/ref_ptr>
#include <osgGA/GUIEventHandler>

#include <string>
#include <vector>

// The lab's front handler, in place of the sandbox's: the sandbox's keys and clicks that act on the
// world become the lab's actions, for the lab to turn into commands it carries out and logs; the
// mouse's moves and the help key still go to the sandbox's handler. Return opens the console, which
// then takes every key until Escape closes it.
class LabInput : public osgGA::GUIEventHandler {
public:
    enum class Action {
        SpawnHerbivore,
        SpawnCarnivore,
        SpawnPlant,
        Predator,
        Prey,
        ToolCamera,
        ToolSelect,
        ToolKiller,
        ToolGenesis,
        ToolFertilizer,
        // The active tool under the mouse: a left click or the sandbox's m.
        Apply,
        Pause,
        // A line typed at the console.
        Line,
        ConsoleClosed
    };
    struct Event {
        Action action;
        std::string line;
        bool operator==(const Event& other) const { return action == other.action && line == other.line; }
    };

    LabInput(osgGA::GUIEventHandler* sandbox, LabConsole& console);

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) override;
    using osgGA::GUIEventHandler::handle;

    // The sandbox's handler it passes on to, for a world that took the place of another.
    void setSandbox(osgGA::GUIEventHandler* handler) { sandbox = handler; }
    // The events since the last call, in their order.
    std::vector<Event> take();

private:
    bool typed(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action);

    osg::ref_ptr<osgGA::GUIEventHandler> sandbox;
    LabConsole& console;
    std::vector<Event> events;
};
