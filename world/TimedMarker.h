#pragma once

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

// A marker that disappears after a number of unpaused ticks.
struct TimedMarker {
    int ticksLeft;
    osg::ref_ptr<osg::PositionAttitudeTransform> node;
};
