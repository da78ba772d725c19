#pragma once

#include <osg/Timer>
#include <osgViewer/Viewer>

namespace osgGA {
class KeySwitchMatrixManipulator;
}

// The program's viewer: a trackball camera, Escape ends it, and the frame
// split into update (input and update traversal) and frame (drawing).
class Viewer : public osgViewer::Viewer {
public:
    static constexpr unsigned TRACKBALL_MANIPULATOR = 1;
    static constexpr unsigned ESCAPE_SETS_DONE = 1024;

    Viewer();

    void setUpViewer(unsigned options);
    // Looks at the whole board of the given extent from above at an angle; space returns here.
    void setHomeOverBoard(double extent);
    // Looks at the centre from the eye, now and whenever the view is sent home.
    void setHome(const osg::Vec3d& eye, const osg::Vec3d& centre);
    void selectCameraManipulator(unsigned number);
    // The world points under a mouse position (normalised -1..1) on the near and far planes.
    bool computeNearFarPoints(float x, float y, unsigned camera, osg::Vec3& nearPoint, osg::Vec3& farPoint);
    void setWindowRectangle(int x, int y, int width, int height);
    void setWindowTitle(const std::string& title);

    void sync() {}
    void update();
    // Draws the frame. A software renderer fills and frees large buffers every frame, and a burst
    // of them (a genesis raising a ping over every organism) leaves the heap holding hundreds of
    // megabytes nothing uses: at most once a second, what is free goes back to the system.
    void frame();

private:
    osg::ref_ptr<osgGA::KeySwitchMatrixManipulator> manipulators;
    osg::Timer_t lastReturned = 0;
};
