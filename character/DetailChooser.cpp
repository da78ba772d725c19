#include "character/DetailChooser.h"

#include "character/Model.h"

#include <osg/CullStack>

namespace character {

void DetailChooser::operator()(osg::Node* node, osg::NodeVisitor* visitor) {
    if (auto* cull = dynamic_cast<osg::CullStack*>(visitor))
        static_cast<Model*>(node)->showDetail(cull->clampedPixelSize(node->getBound()) >= coarseBelowPixels);
    traverse(node, visitor);
}

} // namespace character
