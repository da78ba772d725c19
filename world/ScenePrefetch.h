#pragma once

#include <osg/Node>
#include <osg/PositionAttitudeTransform>

#include <cstddef>

// Asks for the memory of scene nodes a tick is about to write, ahead of time: on a crowded board
// the nodes lie all over memory and each one met unasked costs a trip to it. Inline, since a walk
// asks for several lines of every organism it meets.
class ScenePrefetch {
public:
    // The lines of the bytes from begin on.
    static void range(const void* begin, std::size_t bytes) {
        const char* first = static_cast<const char*>(begin);
        for (std::size_t line = 0; line < bytes; line += 64)
            __builtin_prefetch(first + line);
    }
    // The lines a move, turn or resize of the transform touches: its head, the bound flag that
    // every change clears, and its position, attitude and scale.
    static void transform(const osg::PositionAttitudeTransform* transform) {
        if (!transform)
            return;
        __builtin_prefetch(transform);
        __builtin_prefetch(NodeFields::boundFlag(transform));
        __builtin_prefetch(&transform->getPosition());
        __builtin_prefetch(&transform->getAttitude());
        __builtin_prefetch(&transform->getScale());
    }

private:
    // Reaches a node's bound flag without reading the node.
    struct NodeFields : osg::Node {
        static const bool* boundFlag(const osg::Node* node) {
            return &(node->*(&NodeFields::_boundingSphereComputed));
        }
    };
};
