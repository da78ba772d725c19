#pragma once

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

// Pings come back to the World when they expire, to be placed anew for the next
// one of their kind; other markers are thrown away.
enum class MarkerKind { once, lifePing, deathPing };

// A marker that disappears after a number of unpaused ticks.
struct TimedMarker {
    int ticksLeft;
    osg::ref_ptr<osg::PositionAttitudeTransform> node;
    MarkerKind kind = MarkerKind::once;
};
