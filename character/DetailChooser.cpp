#include "character/DetailChooser.h"

#include "character/FarCrowd.h"
#include "character/Model.h"

#include <osgUtil/CullVisitor>

namespace character {

namespace {

bool joinedCrowd(Model& model, osgUtil::CullVisitor& cull) {
    FarCrowd* crowd = model.getFarCrowd();
    const osg::FrameStamp* stamp = cull.getFrameStamp();
    if (!crowd || !stamp || !crowd->isGathering(stamp->getFrameNumber()))
        return false;
    crowd->join(cull, model);
    return true;
}

} // namespace

void DetailChooser::operator()(osg::Node* node, osg::NodeVisitor* visitor) {
    if (auto* cull = dynamic_cast<osgUtil::CullVisitor*>(visitor)) {
        Model* model = static_cast<Model*>(node);
        const float pixels = cull->clampedPixelSize(node->getBound());
        if (pixels < farBelowPixels && joinedCrowd(*model, *cull))
            return;
        model->catchUp();
        model->showDetail(pixels >= coarseBelowPixels ? Model::Detail::fine
                          : pixels >= farBelowPixels  ? Model::Detail::coarse
                                                      : Model::Detail::far);
    }
    traverse(node, visitor);
}

} // namespace character
