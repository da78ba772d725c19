#pragma once

#include <osg/Node>
#include <osg/NodeCallback>

namespace character {

// A Model's cull callback, met only by characters in view. A crowd seen from afar is most of
// the triangles of a frame, and a software renderer pays for every one: a character that
// covers few pixels is drawn with the coarse triangles its core keeps for it, and one that
// covers fewer still joins its core's far crowd as a card, without animating at all. The
// others bring their animation up to date before they are drawn.
class DetailChooser : public osg::NodeCallback {
public:
    // Below this many pixels across, the coarse triangles are drawn; below the second, a card.
    static constexpr float coarseBelowPixels = 60.0f;
    static constexpr float farBelowPixels = 48.0f;

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;
};

} // namespace character
