#include "character/DetailChooser.h"

#include "character/FarCrowd.h"
#include "character/Model.h"

#include <osg/Material>
#include <osgUtil/CullVisitor>

namespace character {

namespace {

bool joinedCrowd(Model& model, osgUtil::CullVisitor& cull) {
    FarCrowd* crowd = model.getFarCrowd();
    const osg::FrameStamp* stamp = cull.getFrameStamp();
    if (!crowd || !stamp || !crowd->isGathering(stamp->getFrameNumber()))
        return false;
    crowd->add(*cull.getModelViewMatrix(), DetailChooser::emissionAlong(cull.getNodePath()));
    return true;
}

} // namespace

osg::Vec4 DetailChooser::emissionAlong(const osg::NodePath& path) {
    const osg::Material* nearest = nullptr;
    for (const osg::Node* node : path) {
        const osg::StateSet* state = node->getStateSet();
        const osg::StateSet::RefAttributePair* pair =
            state ? state->getAttributePair(osg::StateAttribute::MATERIAL) : nullptr;
        if (!pair)
            continue;
        nearest = static_cast<const osg::Material*>(pair->first.get());
        if (pair->second & osg::StateAttribute::OVERRIDE)
            break;
    }
    return nearest ? nearest->getEmission(osg::Material::FRONT) : osg::Vec4(0, 0, 0, 1);
}

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
