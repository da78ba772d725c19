#pragma once

#include <osgGA/GUIActionAdapter>

// An action adapter for handlers given events without a window: it asks nothing of any.
struct NoAction : osgGA::GUIActionAdapter {
    void requestRedraw() override {}
    void requestContinuousUpdate(bool) override {}
    void requestWarpPointer(float, float) override {}
};
