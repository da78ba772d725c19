#include "lab/LabKeyHandler.h"

const char* const LabKeyHandler::HELP_TEXT = "lab:\n[+]/[-]->speed\n[N]->16 ticks/s\n[T]->one "
                                             "tick\n[L]->chart\n[V]->chart view\n[X]->save world\n[A]->sound "
                                             "on/off\n[D]->mark descendants";

bool LabKeyHandler::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter&) {
    // A key typed at the console is not the lab's.
    if (event.getEventType() != osgGA::GUIEventAdapter::KEYUP || (console && console->isOpen()))
        return false;
    // As in the sandbox, keys act when released and only lowercase letters count.
    switch (event.getKey()) {
    case '+':
    case '=':
    case osgGA::GUIEventAdapter::KEY_KP_Add:
        requests.push_back(FASTER);
        break;
    case '-':
    case osgGA::GUIEventAdapter::KEY_KP_Subtract:
        requests.push_back(SLOWER);
        break;
    case 'n':
        requests.push_back(NORMAL_SPEED);
        break;
    case 't':
        requests.push_back(STEP);
        break;
    case 'l':
        requests.push_back(CHART);
        break;
    case 'v':
        requests.push_back(CHART_VIEW);
        break;
    case 'x':
        requests.push_back(SAVE);
        break;
    case 'a':
        requests.push_back(SOUND);
        break;
    case 'd':
        requests.push_back(DESCENDANTS);
        break;
    default:
        break;
    }
    return false;
}

std::vector<LabKeyHandler::Request> LabKeyHandler::take() {
    std::vector<Request> taken;
    taken.swap(requests);
    return taken;
}
