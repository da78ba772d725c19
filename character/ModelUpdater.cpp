#include "character/ModelUpdater.h"

#include "character/Model.h"

#include <osg/FrameStamp>
#include <osg/NodeVisitor>

namespace character {

void ModelUpdater::operator()(osg::Node* node, osg::NodeVisitor* visitor) {
    const osg::FrameStamp* stamp = visitor->getFrameStamp();
    auto* model = dynamic_cast<Model*>(node);
    if (model && stamp) {
        const double now = stamp->getSimulationTime();
        // A model under two parents is visited twice a frame: let the time pass once.
        if (!started || stamp->getFrameNumber() != lastFrame) {
            const double seconds = started ? now - lastTime : 0.0;
            started = true;
            lastTime = now;
            lastFrame = stamp->getFrameNumber();
            model->elapse(seconds > 0 ? seconds : 0.0);
        }
    }
    traverse(node, visitor);
}

} // namespace character
