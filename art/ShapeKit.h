#pragma once

#include <osg/Geometry>
#include <osg/Matrix>
#include <osg/ref_ptr>

#include <vector>

// Builds smooth, textured osg::Geometry pieces for the plain models.
class ShapeKit {
public:
    // One point of a lathe profile: radius from the axis and height along it.
    struct ProfilePoint {
        float radius;
        float height;
    };

    // Turns the profile about the z axis with the given number of sides, then
    // applies the placement. Texture u runs around (0..1), v along the profile
    // (0 at the first point, 1 at the last). Normals follow the profile's slope.
    static osg::ref_ptr<osg::Geometry> lathe(const std::vector<ProfilePoint>& profile, int sides,
                                             const osg::Matrix& placement = osg::Matrix::identity());

    // A curved blade in the xz plane growing along +x: length, widest half-width,
    // how far its tip droops in z and how much it cups across. u across, v along, in the given
    // number of strips each way.
    static osg::ref_ptr<osg::Geometry> leaf(float length, float halfWidth, float droop, float cup,
                                            const osg::Matrix& placement, int columns = 3, int rows = 6);

    // Drops the triangles with two corners in one place, as a lathe makes where its profile
    // meets the axis: they show nothing and still cost a renderer its setup.
    static void dropFlatTriangles(osg::Geometry& geometry);
};
