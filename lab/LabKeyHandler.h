#pragma once

#include <osgGA/GUIEventHandler>

// The lab's own keys, none of which the sandbox uses. Like the sandbox's handler it only
// raises requests, which the lab's frame loop carries out, and passes every event on.
class LabKeyHandler : public osgGA::GUIEventHandler {
public:
    struct Requests {
        bool faster = false;
        bool slower = false;
        bool normalSpeed = false;
        bool step = false;
        bool chart = false;
        bool chartView = false;
        bool save = false;
        bool sound = false;
        bool descendants = false;
    };

    // The keys and what they do, as the help panel lists them.
    static const char* const HELP_TEXT;

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) override;
    using osgGA::GUIEventHandler::handle;

    // The requests raised since the last call.
    Requests take();

private:
    Requests requests;
};
