#pragma once

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

// A marker that disappears after a number of unpaused ticks.
struct TimedMarker {
    int ticksLeft;
    osg::ref_ptr<osg::PositionAttitudeTransform> node;
    // Chase beams come back to the World's pool when they expire, to be reshaped for the next chase.
    bool beam = false;
};
