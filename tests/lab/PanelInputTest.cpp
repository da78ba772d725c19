// The panels' share of the mouse and keys: what lands on a panel never reaches the world, the rest
// reaches it unchanged and in order, and keys pressed faster than frames are drawn are not lost.
#include "lab/PanelInput.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <osgGA/EventQueue>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 400;
constexpr int HEIGHT = 300;

// A Dear ImGui context with one panel over the window's top left quarter and, when asked, a text field
// on it holding the focus.
class PanelFrames {
public:
    PanelFrames() {
        context = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(WIDTH, HEIGHT);
        unsigned char* pixels = nullptr;
        int w = 0;
        int h = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
    }
    ~PanelFrames() { ImGui::DestroyContext(context); }

    // One frame; returns the lines the field gave on Return.
    void frame(bool focusField = false) {
        ImGuiIO& io = ImGui::GetIO();
        io.DeltaTime = 1.0f / 30;
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(WIDTH / 2, HEIGHT / 2));
        ImGui::Begin("panel");
        if (focusField)
            ImGui::SetKeyboardFocusHere();
        const auto recall = [](ImGuiInputTextCallbackData* data) -> int {
            auto* self = static_cast<PanelFrames*>(data->UserData);
            data->DeleteChars(0, data->BufTextLen);
            data->InsertChars(0, self->submitted.empty() ? "" : self->submitted.back().c_str());
            return 0;
        };
        if (ImGui::InputText("##line", line.data(), line.size(),
                             ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_CallbackHistory,
                             recall, this)) {
            submitted.emplace_back(line.data());
            line.fill('\0');
            ImGui::SetKeyboardFocusHere(-1);
        }
        ImGui::End();
        ImGui::Render();
    }

    std::vector<std::string> submitted;

private:
    ImGuiContext* context;
    std::array<char, 128> line{};
};

// The events the queue still holds, as their types.
std::vector<osgGA::GUIEventAdapter::EventType> left(osgGA::EventQueue& queue) {
    osgGA::EventQueue::Events events;
    queue.takeEvents(events);
    std::vector<osgGA::GUIEventAdapter::EventType> types;
    for (const auto& each : events)
        types.push_back(each->asGUIEventAdapter()->getEventType());
    return types;
}

using Event = osgGA::GUIEventAdapter;

// The window: its event queue, the panels' share of it and the frames drawn.
struct Window {
    PanelFrames frames;
    PanelInput input;
    osg::ref_ptr<osgGA::EventQueue> queue = new osgGA::EventQueue;

    Window() {
        queue->getCurrentEventState()->setInputRange(0, 0, WIDTH, HEIGHT);
        queue->getCurrentEventState()->setMouseYOrientation(Event::Y_INCREASING_DOWNWARDS);
    }
    // The events routed that the panels left to the world, with the panels shown or hidden.
    std::vector<Event::EventType> route(bool shown = true) {
        input.route(*queue, shown, WIDTH, HEIGHT);
        return left(*queue);
    }
    // The pointer moved to x,y, then two frames drawn: ImGui hovers a new window from the frame after it
    // was first drawn. What the move left to the world.
    std::vector<Event::EventType> hover(int x, int y) {
        queue->mouseMotion(x, y);
        const std::vector<Event::EventType> routed = route();
        frames.frame();
        frames.frame();
        return routed;
    }
};

} // namespace

TEST(PanelInput, APressOnAPanelAndItsDragAndReleaseNeverReachTheWorldAndOneElsewhereDoes) {
    Window window;
    // The pointer comes over the panel, and ImGui sees it there.
    EXPECT_EQ(window.hover(50, 50), std::vector<Event::EventType>{Event::MOVE});
    ASSERT_TRUE(ImGui::GetIO().WantCaptureMouse);
    window.queue->mouseButtonPress(50, 50, 1);
    window.queue->mouseMotion(300, 250);
    window.queue->mouseButtonRelease(300, 250, 1);
    EXPECT_TRUE(window.route().empty())
        << "the press began on the panel: its drag and release are the panel's";
    // A press and release in one frame still make a click the panel sees.
    EXPECT_TRUE(ImGui::GetIO().MouseDown[0]);
    window.frames.frame();
    window.route();
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);

    // Off the panel: the world's, in order.
    window.queue->mouseMotion(300, 250);
    window.route();
    window.frames.frame();
    ASSERT_FALSE(ImGui::GetIO().WantCaptureMouse);
    window.queue->mouseButtonPress(300, 250, 1);
    window.queue->mouseMotion(60, 60);
    window.queue->mouseButtonRelease(60, 60, 1);
    EXPECT_EQ(window.route(), (std::vector<Event::EventType>{Event::PUSH, Event::DRAG, Event::RELEASE}));

    // Hidden panels take nothing, even over where they were.
    window.queue->mouseButtonPress(50, 50, 1);
    window.queue->mouseButtonRelease(50, 50, 1);
    EXPECT_EQ(window.route(false).size(), 2u);
}

TEST(PanelInput, KeysGoToTheWorldUnlessAFieldHasTheFocusAndEscapeAlwaysDoes) {
    Window window;
    window.frames.frame();
    window.frames.frame();
    window.queue->keyPress('p');
    window.queue->keyRelease('p');
    EXPECT_EQ(window.route().size(), 2u) << "no field has the focus: the key is the world's";

    window.frames.frame(true);
    window.frames.frame();
    window.frames.frame();
    ASSERT_TRUE(ImGui::GetIO().WantTextInput);
    for (char c : std::string("pin")) {
        window.queue->keyPress(c);
        window.queue->keyRelease(c);
    }
    window.queue->keyPress(Event::KEY_Escape);
    EXPECT_EQ(window.route(), std::vector<Event::EventType>{Event::KEYDOWN}) << "only Escape";
    // F1 is the lab's own, whatever has the focus.
    window.queue->keyPress(Event::KEY_F1);
    window.queue->keyRelease(Event::KEY_F1);
    EXPECT_TRUE(window.input.route(*window.queue, true, WIDTH, HEIGHT));
    EXPECT_TRUE(left(*window.queue).empty());
}

TEST(PanelInput, EditKeysFasterThanFramesAreEachSeenInTheirOrder) {
    Window window;
    window.frames.frame();
    window.frames.frame(true);
    window.frames.frame();
    window.frames.frame();
    ASSERT_TRUE(ImGui::GetIO().WantTextInput);
    // "go", Return, then Up (recall) and Return, all within one slow frame.
    for (int key : {int('g'), int('o'), int(Event::KEY_Return), int(Event::KEY_Up), int(Event::KEY_Return)}) {
        window.queue->keyPress(key);
        window.queue->keyRelease(key);
    }
    for (int i = 0; i < 8; ++i) {
        window.route();
        window.frames.frame();
    }
    EXPECT_EQ(window.frames.submitted, (std::vector<std::string>{"go", "go"}));
}

TEST(PanelInput, APressIsJudgedWhereItIsMadeEvenWithNoFrameSinceThePointerCame) {
    Window window;
    // Last drawn with the pointer over the board...
    window.hover(300, 250);
    ASSERT_FALSE(ImGui::GetIO().WantCaptureMouse);
    // ...then, within one slow frame, onto the panel and a click there: the panel's.
    window.queue->mouseMotion(50, 50);
    window.queue->mouseButtonPress(50, 50, 1);
    window.queue->mouseButtonRelease(50, 50, 1);
    EXPECT_EQ(window.route().size(), 1u) << "only the motion reaches the world";
    // And the other way: from the panel onto the board and a press there is the world's.
    window.frames.frame();
    window.frames.frame();
    ASSERT_TRUE(ImGui::GetIO().WantCaptureMouse);
    window.queue->mouseMotion(300, 250);
    window.queue->mouseButtonPress(300, 250, 1);
    EXPECT_EQ(window.route().size(), 2u);
}

TEST(PanelInput, TwoClicksOnAPanelWithinOneSlowFrameAreTwoClicksAndLeaveNothingHeld) {
    Window window;
    window.hover(50, 50);
    ASSERT_TRUE(ImGui::GetIO().WantCaptureMouse);
    // Two clicks, then the pointer leaves for the board, all before the next frame is drawn.
    window.queue->mouseButtonPress(50, 50, 1);
    window.queue->mouseButtonRelease(50, 50, 1);
    window.queue->mouseButtonPress(60, 60, 1);
    window.queue->mouseButtonRelease(60, 60, 1);
    window.queue->mouseMotion(300, 250);
    int clicks = 0;
    int released = 0;
    for (int frame = 0; frame < 6; ++frame) {
        window.route();
        window.frames.frame();
        clicks += ImGui::GetIO().MouseClicked[0] ? 1 : 0;
        released += ImGui::GetIO().MouseReleased[0] ? 1 : 0;
    }
    EXPECT_EQ(clicks, 2) << "each press is seen by the panel as a press of its own";
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]) << "no button is left held";
    EXPECT_FALSE(ImGui::GetIO().WantCaptureMouse) << "the pointer's move off the panel arrives too";
}

TEST(PanelInput, EventsTheViewerHasNotTakenYetAreNotJudgedAgain) {
    Window window;
    // No panel drawn yet: a press is the world's. The viewer has not taken it when the panel is
    // drawn under it and the routing runs again; it stays the world's, with its release.
    window.queue->mouseButtonPress(50, 50, 1);
    window.input.route(*window.queue, true, WIDTH, HEIGHT);
    window.frames.frame();
    window.frames.frame();
    window.queue->mouseButtonRelease(50, 50, 1);
    EXPECT_EQ(window.route(), (std::vector<Event::EventType>{Event::PUSH, Event::RELEASE}));
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);
}
