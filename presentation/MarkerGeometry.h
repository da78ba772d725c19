#pragma once

#include "presentation/BeamParts.h"

#include <osg/Geode>
#include <osg/ref_ptr>

// Flat translucent shapes for the markers: a band between two points and a
// rectangle on the ground, each lifted 0.5 above its height.
class MarkerGeometry {
public:
    static constexpr float HEIGHT_LIFT = 0.5f;

    static osg::ref_ptr<osg::Geode> makeBeam(const osg::Vec3d& from, const osg::Vec3d& to, float width,
                                             const osg::Vec3f& colour, float alpha);
    static BeamParts partsOf(osg::Geode& beam);
    // Gives a beam made by makeBeam a new position, width and colour, reusing its arrays.
    static void reshapeBeam(const BeamParts& beam, const osg::Vec3d& from, const osg::Vec3d& to, float width,
                            const osg::Vec3f& colour, float alpha);
    static osg::ref_ptr<osg::Geode> makeRect(double x0, double y0, double x1, double y1, float z,
                                             const osg::Vec3f& colour, float alpha);
};
