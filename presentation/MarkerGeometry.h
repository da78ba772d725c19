#pragma once

#include <osg/Array>
#include <osg/Geode>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

// Flat translucent shapes for the markers: bands between two points and
// rectangles on the ground, each lifted 0.5 above its height.
class MarkerGeometry {
public:
    static constexpr float HEIGHT_LIFT = 0.5f;

    // A translucent shape of one colour drawn from the corners as the quads say.
    static osg::ref_ptr<osg::Geode> makeShape(osg::Vec3Array* corners, osg::PrimitiveSet* quads,
                                              const osg::Vec3f& colour, float alpha);
    // Adds the four corners of a band of the given width from one point to another.
    static void appendBeam(osg::Vec3Array& corners, const osg::Vec3d& from, const osg::Vec3d& to,
                           float width);
    static osg::ref_ptr<osg::Geode> makeRect(double x0, double y0, double x1, double y1, float z,
                                             const osg::Vec3f& colour, float alpha);
};
