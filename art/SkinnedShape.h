#pragma once

#include <osg/Quat>
#include <osg/Vec3>

#include <vector>

class CalCoreSubmesh;

// A smooth body made of blended ellipsoids and tapered capsules, each carried
// by one bone or shared between two along its length. polygonize() turns the
// blended surface into a skinned Cal3D submesh with smooth normals and
// normalised bone weights.
class SkinnedShape {
public:
    // An ellipsoid with its own orientation. With a second bone the weights
    // shift from boneA at splitFrom to boneB at splitTo.
    void addEllipsoid(const osg::Vec3& centre, const osg::Vec3& radii, int boneA, float blend,
                      const osg::Quat& orientation = osg::Quat());
    // A capsule tapering from radius ra at a to rb at b.
    void addCapsule(const osg::Vec3& a, float ra, const osg::Vec3& b, float rb, int boneA, float blend);
    // Shares the last added part between its bone and boneB, from one point to another.
    void splitLast(int boneB, const osg::Vec3& splitFrom, const osg::Vec3& splitTo);

    // Signed distance, negative inside; smooth where parts meet.
    float distance(const osg::Vec3& p) const;
    osg::Vec3 gradient(const osg::Vec3& p) const;

    // Meshes the surface on a grid of the given cell size. The caller owns the result.
    CalCoreSubmesh* polygonize(float cell) const;

private:
    struct Part {
        bool capsule;
        osg::Vec3 a, b;
        float ra, rb;
        osg::Vec3 radii;
        osg::Quat inverseOrientation;
        float blend;
        int boneA, boneB;
        osg::Vec3 splitFrom, splitTo;
    };

    float partDistance(const Part& part, const osg::Vec3& p) const;
    void partBounds(const Part& part, osg::Vec3& lo, osg::Vec3& hi) const;
    void weigh(const osg::Vec3& p, std::vector<float>& boneWeights) const;

    std::vector<Part> parts;
    int boneCount = 0;
};
