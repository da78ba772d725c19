#include "character/DetailChooser.h"

#include "character/Model.h"

#include <osg/CullStack>

namespace character {

void DetailChooser::operator()(osg::Node* node, osg::NodeVisitor* visitor) {
    if (auto* cull = dynamic_cast<osg::CullStack*>(visitor)) {
        const float pixels = cull->clampedPixelSize(node->getBound());
        static_cast<Model*>(node)->showDetail(pixels >= coarseBelowPixels ? Model::Detail::fine
                                              : pixels >= farBelowPixels  ? Model::Detail::coarse
                                                                          : Model::Detail::far);
    }
    traverse(node, visitor);
}

} // namespace character
