#include "app/Viewer.h"

#include <osgGA/KeySwitchMatrixManipulator>
#include <osgGA/TrackballManipulator>
#include <osgViewer/ViewerEventHandlers>

#ifdef __GLIBC__
#include <malloc.h>
#endif

Viewer::Viewer() {
    setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
}

void Viewer::setUpViewer(unsigned options) {
    if (options & TRACKBALL_MANIPULATOR) {
        manipulators = new osgGA::KeySwitchMatrixManipulator;
        manipulators->addMatrixManipulator('0', "Trackball", new osgGA::TrackballManipulator);
        setCameraManipulator(manipulators.get());
    }
    setKeyEventSetsDone((options & ESCAPE_SETS_DONE) ? osgGA::GUIEventAdapter::KEY_Escape : 0);
}

void Viewer::setHomeOverBoard(double extent) {
    const osg::Vec3d centre(extent * 0.5, extent * 0.5, 0);
    setHome(centre + osg::Vec3d(0, -extent * 1.3, extent * 1.2), centre);
}

void Viewer::setHome(const osg::Vec3d& eye, const osg::Vec3d& centre) {
    if (!manipulators)
        return;
    manipulators->setHomePosition(eye, centre, osg::Vec3d(0, 0, 1));
    manipulators->setAutoComputeHomePosition(false);
    for (unsigned i = 0; i < manipulators->getNumMatrixManipulators(); ++i) {
        osgGA::CameraManipulator* each = manipulators->getMatrixManipulatorWithIndex(i);
        each->setHomePosition(eye, centre, osg::Vec3d(0, 0, 1));
        each->setAutoComputeHomePosition(false);
        each->home(0.0);
    }
}

void Viewer::selectCameraManipulator(unsigned number) {
    if (manipulators)
        manipulators->selectMatrixManipulator(number);
}

bool Viewer::computeNearFarPoints(float x, float y, unsigned, osg::Vec3& nearPoint, osg::Vec3& farPoint) {
    osg::Camera* view = getCamera();
    if (!view || !view->getViewport())
        return false;
    const osg::Viewport* viewport = view->getViewport();
    const double wx = viewport->x() + (x + 1.0) * 0.5 * viewport->width();
    const double wy = viewport->y() + (y + 1.0) * 0.5 * viewport->height();
    const osg::Matrixd vpw =
        view->getViewMatrix() * view->getProjectionMatrix() * viewport->computeWindowMatrix();
    const osg::Matrixd inverse = osg::Matrixd::inverse(vpw);
    nearPoint = osg::Vec3d(wx, wy, 0.0) * inverse;
    farPoint = osg::Vec3d(wx, wy, 1.0) * inverse;
    return true;
}

void Viewer::setWindowRectangle(int x, int y, int width, int height) {
    setUpViewInWindow(x, y, width, height);
}

void Viewer::setWindowTitle(const std::string& title) {
    Windows windows;
    getWindows(windows);
    for (osgViewer::GraphicsWindow* window : windows)
        window->setWindowName(title);
}

void Viewer::update() {
    advance();
    eventTraversal();
    updateTraversal();
}

void Viewer::frame() {
    renderingTraversals();
    const osg::Timer* timer = osg::Timer::instance();
    const osg::Timer_t now = timer->tick();
    if (timer->delta_s(lastReturned, now) < 1.0)
        return;
    lastReturned = now;
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
