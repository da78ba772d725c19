#pragma once

#include "common/RecordFields.h"

#include <osg/Vec3d>
#include <osg/Vec3f>

// A marker's table after its place, column by column. From is a ping's or an arrow's position, a
// beam's start, a rectangle's first corner (x, y) and height (z); to is a beam's end, a rectangle's
// opposite corner.
#define SYLVARA_MARKER_FIELDS(OWN)                                                                           \
    OWN(MarkerRecord::Kind, kind, MarkerRecord::Kind::lifePing, "kind", MarkerKind)                          \
    OWN(int, ticksLeft, 1, "ticks_left", Whole, 1, MarkerRecord::lifetime(r.kind))                           \
    OWN(osg::Vec3d, from, osg::Vec3d(), "", Point)                                                           \
    OWN(osg::Vec3d, to, osg::Vec3d(), "to_", Point)                                                          \
    OWN(float, width, 0.0f, "width", Single)                                                                 \
    OWN(osg::Vec3f, colour, osg::Vec3f(1, 1, 1), "", Colour)                                                 \
    OWN(float, alpha, 1.0f, "alpha", Single)

// A timed marker as plain values, with the ticks it has left.
struct MarkerRecord {
    enum class Kind { lifePing, deathPing, arrow, rect, beam };

    SYLVARA_MARKER_FIELDS(SYLVARA_RECORD_MEMBER)

    // The ticks a new marker of a kind is given.
    static int lifetime(Kind kind) { return kind == Kind::arrow || kind == Kind::beam ? 1 : 16; }
};
