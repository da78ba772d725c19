#include "world/ScenePrefetch.h"

namespace {

// Reaches fields of a node without reading it: the bound flag, which every move clears, and the
// mask and state set, which showing, hiding and recolouring write.
struct NodeFields : osg::Node {
    static const bool* boundFlag(const osg::Node* node) {
        return &(node->*(&NodeFields::_boundingSphereComputed));
    }
    static const osg::Node::NodeMask* mask(const osg::Node* node) {
        return &(node->*(&NodeFields::_nodeMask));
    }
};

} // namespace

void ScenePrefetch::range(const void* begin, std::size_t bytes) {
    const char* first = static_cast<const char*>(begin);
    for (std::size_t line = 0; line < bytes; line += 64)
        __builtin_prefetch(first + line);
}

void ScenePrefetch::node(const osg::Node* node) {
    if (!node)
        return;
    __builtin_prefetch(node);
    __builtin_prefetch(NodeFields::boundFlag(node));
    __builtin_prefetch(NodeFields::mask(node));
}

void ScenePrefetch::transform(const osg::PositionAttitudeTransform* transform) {
    if (!transform)
        return;
    node(transform);
    __builtin_prefetch(&transform->getPosition());
    __builtin_prefetch(&transform->getAttitude());
    __builtin_prefetch(&transform->getScale());
}
