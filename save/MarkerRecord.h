#pragma once

#include <osg/Vec3d>
#include <osg/Vec3f>

// A timed marker as plain values, with the ticks it has left.
struct MarkerRecord {
    enum class Kind { lifePing, deathPing, arrow, rect, beam };

    Kind kind = Kind::lifePing;
    int ticksLeft = 1;
    // A ping's or an arrow's position; a beam's start; a rectangle's first corner (x, y) and height (z).
    osg::Vec3d from;
    // A beam's end; a rectangle's opposite corner.
    osg::Vec3d to;
    float width = 0.0f;
    osg::Vec3f colour = osg::Vec3f(1, 1, 1);
    float alpha = 1.0f;
};
