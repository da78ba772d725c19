#pragma once

#include <array>
#include <map>

#include <osgGA/EventQueue>

// Shares the window's mouse and keys between the panels and the world. Called once a frame before
// the viewer reads its events: those meant for a panel (a press on it, and its drag and release; keys
// while a panel's text field has the focus) go to Dear ImGui and are taken out of the queue, so the
// world and the camera never see them. The rest stay, in their order. F1 shows and hides the panels.
class PanelInput {
public:
    // Returns true when F1 was pressed. shown: whether the panels are on screen now.
    bool route(osgGA::EventQueue& queue, bool shown, int width, int height);

private:
    bool feed(const osgGA::GUIEventAdapter& event, int width, int height);
    void feedKey(const osgGA::GUIEventAdapter& event, bool down);

    static constexpr int BUTTONS = 3;
    // Whether the button now down was pressed on a panel.
    std::array<bool, BUTTONS> panelPress{};
    // A press and its release in one frame: the release waits a frame, so the panel sees the click.
    std::array<bool, BUTTONS> pressedNow{};
    std::array<bool, BUTTONS> releaseLater{};
    std::array<bool, 512> keyPressedNow{};
    std::array<bool, 512> keyReleaseLater{};
    // An edit key (Return, an arrow, Backspace...) went to a panel this frame; the events after it wait.
    bool editKeyFed = false;
    // A whole click went to a panel this frame; the events after it (another click) wait a frame.
    bool clickFed = false;
    // The events left to the world at the last call; a viewer that has not taken them yet leaves them
    // in the queue, and they are not judged twice.
    osgGA::EventQueue::Events passed;
    // The keys held down, and whether their press went to a panel.
    std::map<int, bool> panelKeys;
    osgGA::EventQueue::Events held;
};
