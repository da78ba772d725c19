#pragma once

#include <osg/Camera>

#include <mutex>
#include <string>
#include <vector>

// Writes the window's picture to the files asked for, as the next frame is drawn: a callback on the
// viewer's camera, drawn last.
class LabScreenshot : public osg::Camera::DrawCallback {
public:
    // Whether the file's kind is one a picture can be written as (.png, .jpg, .jpeg, .bmp).
    static bool knownKind(const std::string& file);
    void request(const std::string& file);
    void operator()(osg::RenderInfo& info) const override;

private:
    mutable std::mutex guard;
    mutable std::vector<std::string> files;
};
