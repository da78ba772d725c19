#pragma once

#include <osg/Camera>

#include <functional>
#include <vector>

class VideoRecorder;

// Drawn after the whole scene, the HUD included: the lab's panels (Dear ImGui through its OpenGL 3
// backend), and the window's image handed to the recorder, taken before the panels or after them.
class LabOverlay : public osg::Camera::DrawCallback {
public:
    // Builds the panels for one frame, between ImGui's NewFrame and Render.
    using Build = std::function<void()>;

    LabOverlay();

    void setBuild(Build build) { this->build = std::move(build); }
    void setShown(bool shown) { this->shown = shown; }
    bool isShown() const { return shown; }
    // The recorder that takes the window's images, and whether they leave the panels out.
    void setRecorder(VideoRecorder* recorder, bool clean);
    void setClean(bool clean) { this->clean = clean; }
    // Seconds on the clock the recorder's frames are timed by.
    void setClock(std::function<double()> clock) { this->clock = std::move(clock); }

    // Drawn after the panels: a screenshot's callback, say.
    void setAfter(osg::Camera::DrawCallback* callback) { after = callback; }

    void operator()(osg::RenderInfo& renderInfo) const override;

private:
    void capture(const osg::Camera& camera) const;
    void drawPanels(const osg::Camera& camera) const;

    Build build;
    osg::ref_ptr<osg::Camera::DrawCallback> after;
    bool shown = false;
    VideoRecorder* recorder = nullptr;
    bool clean = false;
    std::function<double()> clock;
    mutable bool backendReady = false;
    mutable double lastDrawn = 0.0;
    mutable std::vector<unsigned char> pixels;
};
