#pragma once

#include "character/CoreModel.h"

#include <osg/Geode>
#include <osg/ref_ptr>

#include <memory>

class CalModel;

namespace character {

// One animated instance of a CoreModel. It is a scene-graph node: hang it under
// a transform. It advances its animation once per frame and skins its meshes
// into vertex and normal arrays that are updated in place.
class Model : public osg::Geode {
public:
    Model();

    // Builds the instance from a core; a null or unusable core gives a model that draws nothing.
    bool create(CoreModel* core);

    void startAction(int id, float delayIn, float delayOut);
    void startLoop(int id, float weight, float delay);
    void stopLoop(int id, float delay);
    void setTimeScale(float scale);
    float getTimeScale() const { return timeScale; }

    // Advances the animation by seconds × time scale and re-skins. Called once
    // per frame by the model's own update callback; tests may call it directly.
    void advance(double seconds);

protected:
    ~Model() override;

private:
    osg::ref_ptr<CoreModel> coreModel;
    std::unique_ptr<CalModel> calModel;
    float timeScale = 1.0f;
};

} // namespace character
