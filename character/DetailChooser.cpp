#include "character/DetailChooser.h"

#include "character/Model.h"

#include <osg/CullStack>

namespace character {

void DetailChooser::operator()(osg::Node* node, osg::NodeVisitor* visitor) {
    if (auto* cull = dynamic_cast<osg::CullStack*>(visitor)) {
        Model* model = static_cast<Model*>(node);
        model->catchUp();
        const float pixels = cull->clampedPixelSize(node->getBound());
        model->showDetail(pixels >= coarseBelowPixels ? Model::Detail::fine
                          : pixels >= farBelowPixels  ? Model::Detail::coarse
                                                      : Model::Detail::far);
    }
    traverse(node, visitor);
}

} // namespace character
