#pragma once

#include <osg/NodeCallback>

namespace character {

// A Model's update callback: lets the frame stamp's simulation time since the
// frame before pass for it, once per frame.
class ModelUpdater : public osg::NodeCallback {
public:
    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;

private:
    double lastTime = 0;
    unsigned lastFrame = 0;
    bool started = false;
};

} // namespace character
