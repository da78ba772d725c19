#pragma once

#include <osg/Node>
#include <osg/PositionAttitudeTransform>

#include <cstddef>

// Asks for the memory of scene nodes a tick is about to write, ahead of time: on a crowded board
// the nodes lie all over memory and each one met unasked costs a trip to it.
class ScenePrefetch {
public:
    // The lines of the bytes from begin on.
    static void range(const void* begin, std::size_t bytes);
    // The lines a move, a bound change, showing, hiding or recolouring of the node touch.
    static void node(const osg::Node* node);
    // Those, and the transform's position, attitude and scale.
    static void transform(const osg::PositionAttitudeTransform* transform);
};
