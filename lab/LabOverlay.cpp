#include "lab/LabOverlay.h"

#include "lab/VideoRecorder.h"

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include <osg/GL>
#include <osg/RenderInfo>
#include <osg/Viewport>

LabOverlay::LabOverlay() {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    // The layout is the lab's: nothing is read from or written to an imgui.ini.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().Alpha = 0.94f;
}

void LabOverlay::setRecorder(VideoRecorder* videoRecorder, bool cleanVideo) {
    recorder = videoRecorder;
    clean = cleanVideo;
}

void LabOverlay::operator()(osg::RenderInfo& renderInfo) const {
    const osg::Camera* camera = renderInfo.getCurrentCamera();
    if (!camera || !camera->getViewport())
        return;
    if (clean)
        capture(*camera);
    if (shown && build)
        drawPanels(*camera);
    if (!clean)
        capture(*camera);
    if (after)
        (*after)(renderInfo);
}

void LabOverlay::capture(const osg::Camera& camera) const {
    if (!recorder || !clock || !recorder->isRecording())
        return;
    const double at = clock();
    // Reading the window costs a little: only for a frame the video still needs.
    if (!recorder->wants(at))
        return;
    const osg::Viewport* viewport = camera.getViewport();
    const int width = static_cast<int>(viewport->width());
    const int height = static_cast<int>(viewport->height());
    pixels.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(static_cast<int>(viewport->x()), static_cast<int>(viewport->y()), width, height, GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels.data());
    recorder->offer(pixels.data(), width, height, at);
}

void LabOverlay::drawPanels(const osg::Camera& camera) const {
    if (!backendReady) {
        // The context is current only here, in the draw.
        ImGui_ImplOpenGL3_Init("#version 130");
        backendReady = true;
    }
    const osg::Viewport* viewport = camera.getViewport();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(viewport->width()), static_cast<float>(viewport->height()));
    if (clock) {
        const double at = clock();
        io.DeltaTime = lastDrawn > 0.0 && at > lastDrawn ? static_cast<float>(at - lastDrawn) : 1.0f / 60.0f;
        lastDrawn = at;
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    build();
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}
