#pragma once

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

#include <cstddef>
#include <vector>

// The timed beams of one colour and translucency, drawn as one shape. Every chasing hunter draws
// a beam on every tick: as a scene node each, a crowded board spent a third of its tick on them.
class BeamBatch {
public:
    BeamBatch(const osg::Vec3f& colour, float alpha);

    bool hasLook(const osg::Vec3f& colour, float alpha) const {
        return colour == this->colour && alpha == this->alpha;
    }
    // A band from one point to another, shown for the given number of ticks.
    void add(const osg::Vec3d& from, const osg::Vec3d& to, float width, int ticks);
    // One tick passes: the beams whose time is up go, the others keep their order.
    void age();

    std::size_t size() const { return ticksLeft.size(); }
    const osg::Vec3f& getColour() const { return colour; }
    float getAlpha() const { return alpha; }
    int getTicksLeft(std::size_t beam) const { return ticksLeft[beam]; }
    osg::Geode* getNode() const { return geode.get(); }
    // Four corners per beam, in the order the beams came.
    const osg::Vec3Array& getCorners() const { return *corners; }

private:
    void reshaped();

    osg::Vec3f colour;
    float alpha;
    osg::ref_ptr<osg::Geode> geode;
    osg::ref_ptr<osg::Geometry> geometry;
    osg::ref_ptr<osg::Vec3Array> corners;
    osg::ref_ptr<osg::DrawArrays> quads;
    std::vector<int> ticksLeft;
};
