#pragma once

#include <osg/BoundingBox>
#include <osg/Drawable>

namespace character {

// Hands a skinned Geometry the box its Model worked out while skinning, so
// culling and picking never walk the vertices a second time.
class SkinnedBound : public osg::Drawable::ComputeBoundingBoxCallback {
public:
    explicit SkinnedBound(const osg::BoundingBox& initial) : box(initial) {}

    osg::BoundingBox computeBound(const osg::Drawable&) const override { return box; }

    osg::BoundingBox box;
};

} // namespace character
