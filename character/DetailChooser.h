#pragma once

#include <osg/NodeCallback>

namespace character {

// A Model's cull callback, met only by characters in view: it brings the
// character's animation up to date, and one that covers few pixels is drawn
// with the coarse or far triangles its core keeps for it. A crowd seen from
// afar is most of the triangles of a frame, and a software renderer pays for
// every one.
class DetailChooser : public osg::NodeCallback {
public:
    // Below this many pixels across, the coarse triangles are drawn; below the second, the far ones.
    static constexpr float coarseBelowPixels = 60.0f;
    static constexpr float farBelowPixels = 25.0f;

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;
};

} // namespace character
