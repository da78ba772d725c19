#pragma once

#include "lab/LabConsole.h"

#include <osgGA/GUIEventHandler>

#include <vector>

// The lab's own keys, none of which the sandbox uses. Like the sandbox's handler it only
// raises requests, which the lab's frame loop carries out, and passes every event on.
class LabKeyHandler : public osgGA::GUIEventHandler {
public:
    enum Request { FASTER, SLOWER, NORMAL_SPEED, STEP, CHART, CHART_VIEW, SAVE, SOUND, DESCENDANTS };

    // The keys and what they do, as the help panel lists them.
    static const char* const HELP_TEXT;

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) override;
    using osgGA::GUIEventHandler::handle;

    // The requests raised since the last call, one for each key released and in their order:
    // two presses within one slow frame are two speed steps, or a chart shown and hidden again.
    std::vector<Request> take();
    // While this console is open, its keys are its own.
    void setConsole(const LabConsole* typing) { console = typing; }

private:
    std::vector<Request> requests;
    const LabConsole* console = nullptr;
};
