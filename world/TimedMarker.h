#pragma once

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

// Pings come back to the World when they expire, to be placed anew for the next
// one of their kind; tool rectangles and selection arrows are thrown away.
enum class MarkerKind { rect, lifePing, deathPing, arrow };

inline bool isPing(MarkerKind kind) {
    return kind == MarkerKind::lifePing || kind == MarkerKind::deathPing;
}

// A marker that disappears after a number of unpaused ticks.
struct TimedMarker {
    int ticksLeft;
    osg::ref_ptr<osg::PositionAttitudeTransform> node;
    MarkerKind kind = MarkerKind::rect;
};
