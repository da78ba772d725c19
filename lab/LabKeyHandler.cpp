#include "lab/LabKeyHandler.h"

const char* const LabKeyHandler::HELP_TEXT = "lab:\n[+]/[-]->speed\n[N]->16 ticks/s\n[T]->one "
                                             "tick\n[L]->chart\n[V]->chart view\n[X]->save world\n[A]->sound "
                                             "on/off\n[D]->mark descendants";

bool LabKeyHandler::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter&) {
    if (event.getEventType() != osgGA::GUIEventAdapter::KEYUP)
        return false;
    // As in the sandbox, keys act when released and only lowercase letters count.
    switch (event.getKey()) {
    case '+':
    case '=':
    case osgGA::GUIEventAdapter::KEY_KP_Add:
        requests.faster = true;
        break;
    case '-':
    case osgGA::GUIEventAdapter::KEY_KP_Subtract:
        requests.slower = true;
        break;
    case 'n':
        requests.normalSpeed = true;
        break;
    case 't':
        requests.step = true;
        break;
    case 'l':
        requests.chart = true;
        break;
    case 'v':
        requests.chartView = true;
        break;
    case 'x':
        requests.save = true;
        break;
    case 'a':
        requests.sound = true;
        break;
    case 'd':
        requests.descendants = true;
        break;
    default:
        break;
    }
    return false;
}

LabKeyHandler::Requests LabKeyHandler::take() {
    const Requests taken = requests;
    requests = Requests();
    return taken;
}
