#include "lab/LabInput.h"

#include <osgViewer/ViewerBase>

LabInput::LabInput(osgGA::GUIEventHandler* sandboxHandler, LabConsole& labConsole)
    : sandbox(sandboxHandler), console(labConsole) {}

bool LabInput::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) {
    using Adapter = osgGA::GUIEventAdapter;
    if (console.isOpen())
        return typed(event, action);
    if (event.getEventType() == Adapter::KEYUP) {
        // As in the sandbox, keys act when released and only lowercase letters count.
        switch (event.getKey()) {
        case Adapter::KEY_Return:
        case Adapter::KEY_KP_Enter:
            console.show();
            // Escape closes the console now, not the window.
            if (auto* viewer = dynamic_cast<osgViewer::ViewerBase*>(&action))
                viewer->setKeyEventSetsDone(0);
            return true;
        case 'w':
            events.push_back({Action::SpawnHerbivore, ""});
            return false;
        case 'e':
            events.push_back({Action::SpawnCarnivore, ""});
            return false;
        case 'r':
            events.push_back({Action::SpawnPlant, ""});
            return false;
        case '1':
            events.push_back({Action::Predator, ""});
            return false;
        case '2':
            events.push_back({Action::Prey, ""});
            return false;
        case 'c':
            events.push_back({Action::ToolCamera, ""});
            return false;
        case 's':
            events.push_back({Action::ToolSelect, ""});
            return false;
        case 'k':
            events.push_back({Action::ToolKiller, ""});
            return false;
        case 'g':
            events.push_back({Action::ToolGenesis, ""});
            return false;
        case 'f':
            events.push_back({Action::ToolFertilizer, ""});
            return false;
        case 'm':
            events.push_back({Action::Apply, ""});
            return false;
        case 'p':
            events.push_back({Action::Pause, ""});
            return false;
        default:
            break;
        }
    }
    if (event.getEventType() == Adapter::PUSH && event.getButton() == Adapter::LEFT_MOUSE_BUTTON) {
        events.push_back({Action::Apply, ""});
        return false;
    }
    // The help key, the mouse's moves and its other buttons, as the sandbox has them.
    return sandbox->handle(event, action);
}

bool LabInput::typed(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action) {
    using Adapter = osgGA::GUIEventAdapter;
    // Typed on the way down, so a fast typist's keys keep their order; Escape closes on the way
    // up, so its release does not reach the viewer, which ends on it.
    if (event.getEventType() == Adapter::KEYDOWN && event.getKey() != Adapter::KEY_Escape) {
        std::string line;
        if (console.type(event.getKey(), line) == LabConsole::Typed::Line)
            events.push_back({Action::Line, line});
        return true;
    }
    if (event.getEventType() == Adapter::KEYUP) {
        std::string unused;
        if (event.getKey() == Adapter::KEY_Escape &&
            console.type(event.getKey(), unused) == LabConsole::Typed::Closed)
            events.push_back({Action::ConsoleClosed, ""});
        return true;
    }
    // The mouse still points, so a typed spawn can go under it.
    if (event.getEventType() == Adapter::MOVE)
        return sandbox->handle(event, action);
    return false;
}

std::vector<LabInput::Event> LabInput::take() {
    std::vector<Event> taken;
    taken.swap(events);
    return taken;
}
