#include "lab/PanelInput.h"

#include <algorithm>

#include <imgui.h>
#include <imgui_internal.h>
#include <osgGA/EventQueue>
#include <osgGA/GUIEventAdapter>

namespace {

using Key = osgGA::GUIEventAdapter::KeySymbol;

// The keys a text field needs, in ImGui's key map and at their index in KeysDown.
struct Mapped {
    ImGuiKey_ imgui;
    int osg;
    int slot;
};
const Mapped KEYS[] = {
    {ImGuiKey_Tab, Key::KEY_Tab, 1},
    {ImGuiKey_LeftArrow, Key::KEY_Left, 2},
    {ImGuiKey_RightArrow, Key::KEY_Right, 3},
    {ImGuiKey_UpArrow, Key::KEY_Up, 4},
    {ImGuiKey_DownArrow, Key::KEY_Down, 5},
    {ImGuiKey_Home, Key::KEY_Home, 6},
    {ImGuiKey_End, Key::KEY_End, 7},
    {ImGuiKey_Delete, Key::KEY_Delete, 8},
    {ImGuiKey_Backspace, Key::KEY_BackSpace, 9},
    {ImGuiKey_Enter, Key::KEY_Return, 10},
    {ImGuiKey_KeyPadEnter, Key::KEY_KP_Enter, 11},
    {ImGuiKey_Escape, Key::KEY_Escape, 12},
    {ImGuiKey_A, 'a', 13},
    {ImGuiKey_C, 'c', 14},
    {ImGuiKey_V, 'v', 15},
    {ImGuiKey_X, 'x', 16},
};

int slotOf(int key) {
    for (const Mapped& mapped : KEYS)
        if (mapped.osg == key)
            return mapped.slot;
    return -1;
}

// Whether a panel drawn at the last frame covers the point. A press is judged where it is made,
// not by where the pointer was when the last frame was drawn: a slow frame may lie between.
bool overPanel(const ImVec2& point) {
    const ImGuiContext* context = ImGui::GetCurrentContext();
    for (const ImGuiWindow* window : context->Windows)
        if (window->WasActive && !window->Hidden && window->Rect().Contains(point))
            return true;
    return false;
}

// Normalised with +1 at the top whatever way the window counts its rows.
ImVec2 pointOf(const osgGA::GUIEventAdapter& event, int width, int height) {
    return ImVec2(static_cast<float>((event.getXnormalized() + 1.0) * 0.5 * width),
                  static_cast<float>((1.0 - event.getYnormalized()) * 0.5 * height));
}

int buttonOf(const osgGA::GUIEventAdapter& event) {
    switch (event.getButton()) {
    case osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON:
        return 0;
    case osgGA::GUIEventAdapter::RIGHT_MOUSE_BUTTON:
        return 1;
    case osgGA::GUIEventAdapter::MIDDLE_MOUSE_BUTTON:
        return 2;
    default:
        return -1;
    }
}

} // namespace

bool PanelInput::route(osgGA::EventQueue& queue, bool shown, int width, int height) {
    ImGuiIO& io = ImGui::GetIO();
    if (io.KeyMap[ImGuiKey_Tab] != KEYS[0].slot)
        for (const Mapped& mapped : KEYS)
            io.KeyMap[mapped.imgui] = mapped.slot;
    // A frame has passed since the last call: the releases held back can be seen now.
    bool released = false;
    for (int b = 0; b < BUTTONS; ++b) {
        if (releaseLater[b]) {
            io.MouseDown[b] = false;
            released = true;
        }
        releaseLater[b] = pressedNow[b] = false;
    }
    for (size_t k = 0; k < keyReleaseLater.size(); ++k) {
        if (keyReleaseLater[k])
            io.KeysDown[k] = false;
        keyReleaseLater[k] = keyPressedNow[k] = false;
    }
    bool toggled = false;
    editKeyFed = false;
    clickFed = false;
    osgGA::EventQueue::Events events;
    osgGA::EventQueue::Events kept;
    events.swap(held);
    queue.takeEvents(events);
    for (const osg::ref_ptr<osgGA::Event>& each : events) {
        // A panel sees a key only as it stands at a frame: after one edit key, the rest wait a frame, in
        // order.
        if (editKeyFed || clickFed) {
            held.push_back(each);
            continue;
        }
        const osgGA::GUIEventAdapter* event = each->asGUIEventAdapter();
        const bool key = event && (event->getEventType() == osgGA::GUIEventAdapter::KEYDOWN ||
                                   event->getEventType() == osgGA::GUIEventAdapter::KEYUP);
        // A release seen only now needs a frame of its own: a press on a panel after it waits one more.
        if (released && shown && event &&
            (event->getEventType() == osgGA::GUIEventAdapter::PUSH ||
             event->getEventType() == osgGA::GUIEventAdapter::DOUBLECLICK) &&
            overPanel(pointOf(*event, width, height))) {
            clickFed = true;
            held.push_back(each);
            continue;
        }
        if (key && event->getKey() == Key::KEY_F1) {
            toggled = toggled || event->getEventType() == osgGA::GUIEventAdapter::KEYDOWN;
            continue;
        }
        const bool judged = std::find(passed.begin(), passed.end(), each) != passed.end();
        if (judged || !event || !shown || !feed(*event, width, height))
            kept.push_back(each);
    }
    passed = kept;
    if (!shown) {
        // Hidden panels hold nothing down.
        panelPress.fill(false);
        for (bool& down : io.MouseDown)
            down = false;
    }
    queue.appendEvents(kept);
    return toggled;
}

bool PanelInput::feed(const osgGA::GUIEventAdapter& event, int width, int height) {
    using Event = osgGA::GUIEventAdapter;
    ImGuiIO& io = ImGui::GetIO();
    const Event::EventType type = event.getEventType();
    const bool pointer = type == Event::PUSH || type == Event::RELEASE || type == Event::DRAG ||
                         type == Event::MOVE || type == Event::SCROLL || type == Event::DOUBLECLICK;
    if (pointer)
        io.MousePos = pointOf(event, width, height);
    const int button = buttonOf(event);
    switch (type) {
    case Event::PUSH:
    case Event::DOUBLECLICK:
        if (button < 0)
            return false;
        panelPress[button] = overPanel(io.MousePos);
        if (!panelPress[button])
            return false;
        io.MouseDown[button] = true;
        pressedNow[button] = true;
        return true;
    case Event::RELEASE: {
        if (button < 0 || !panelPress[button])
            return false;
        panelPress[button] = false;
        if (pressedNow[button]) {
            releaseLater[button] = true;
            clickFed = true;
        } else
            io.MouseDown[button] = false;
        return true;
    }
    case Event::DRAG:
        for (bool held : panelPress)
            if (held)
                return true;
        return false;
    case Event::SCROLL:
        if (!overPanel(io.MousePos))
            return false;
        io.MouseWheel += event.getScrollingMotion() == Event::SCROLL_UP     ? 1.0f
                         : event.getScrollingMotion() == Event::SCROLL_DOWN ? -1.0f
                                                                            : 0.0f;
        return true;
    case Event::KEYDOWN:
    case Event::KEYUP: {
        // Escape still ends the lab; everything else typed into a field stays there. A key's release
        // goes where its press went, so neither side sees half a key.
        const int key = event.getKey();
        const bool down = type == Event::KEYDOWN;
        bool toPanel = io.WantTextInput && key != Key::KEY_Escape;
        const auto pressed = panelKeys.find(key);
        if (!down && pressed != panelKeys.end())
            toPanel = pressed->second;
        if (down)
            panelKeys[key] = toPanel;
        else
            panelKeys.erase(key);
        if (!toPanel)
            return false;
        feedKey(event, down);
        return true;
    }
    default:
        return false;
    }
}

void PanelInput::feedKey(const osgGA::GUIEventAdapter& event, bool down) {
    ImGuiIO& io = ImGui::GetIO();
    const int mask = event.getModKeyMask();
    io.KeyCtrl = (mask & osgGA::GUIEventAdapter::MODKEY_CTRL) != 0;
    io.KeyShift = (mask & osgGA::GUIEventAdapter::MODKEY_SHIFT) != 0;
    io.KeyAlt = (mask & osgGA::GUIEventAdapter::MODKEY_ALT) != 0;
    const int key = event.getKey();
    const int slot = slotOf(key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key);
    if (slot >= 0) {
        if (down) {
            io.KeysDown[slot] = true;
            keyPressedNow[slot] = true;
            editKeyFed = true;
        } else if (keyPressedNow[slot]) {
            keyReleaseLater[slot] = true;
        } else {
            io.KeysDown[slot] = false;
        }
    }
    if (down && key >= 32 && key < 127 && !io.KeyCtrl)
        io.AddInputCharacter(static_cast<unsigned>(key));
}
