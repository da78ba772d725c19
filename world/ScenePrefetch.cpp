#include "world/ScenePrefetch.h"

namespace {

// Reaches the node's bound flag, which every move clears, without reading the node.
struct BoundFlag : osg::Node {
    static const bool* of(const osg::Node* node) { return &(node->*(&BoundFlag::_boundingSphereComputed)); }
};

} // namespace

void ScenePrefetch::node(const osg::Node* node) {
    if (!node)
        return;
    __builtin_prefetch(node);
    __builtin_prefetch(BoundFlag::of(node));
}

void ScenePrefetch::transform(const osg::PositionAttitudeTransform* transform) {
    if (!transform)
        return;
    node(transform);
    __builtin_prefetch(&transform->getPosition());
    __builtin_prefetch(&transform->getAttitude());
    __builtin_prefetch(&transform->getScale());
}
