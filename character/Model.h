#pragma once

#include "character/CoreModel.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/ref_ptr>

#include <memory>
#include <vector>

class CalModel;

namespace osg {
class Geometry;
class Program;
class StateSet;
class Uniform;
} // namespace osg

namespace character {

class FarCrowd;
class SkinData;
class SkinnedBound;

// One animated instance of a CoreModel. It is a scene-graph node: hang it under
// a transform. Each frame in which it is drawn it advances its animation and
// skins its meshes into vertex and normal arrays that are updated in place.
//
// Skinning runs either on the CPU or in a vertex program fed with the bone
// palette. On the GPU path the vertex arrays keep the bind pose, so a picking
// ray that walks triangles hits the bind-pose shape; the bound still follows
// the animation (and includes the bind pose) so culling stays right.
//
// The model installs its own update callback: to add one, use addUpdateCallback.
class Model : public osg::Geode {
public:
    enum class Skinning {
        Automatic, // the vertex program once a graphics context shows GLSL, the CPU otherwise
        Cpu,
        Gpu, // even without a context: for tests and benchmarks
    };
    // Process-wide; models switch at their next advance.
    static void setSkinning(Skinning mode);
    static Skinning getSkinning();

    // Where the vertex program reads each vertex's four bone slots and weights,
    // and the name of its palette: three vec4 rows of a 3x4 matrix per slot.
    // Program and palette sit on each Geometry's own state set, never on the
    // Model's, which belongs to whoever colours the model.
    static constexpr unsigned boneSlotAttribute = 6;
    static constexpr unsigned boneWeightAttribute = 7;
    static const char* const paletteUniformName;

    Model();

    // Builds the instance from a core; a null or unusable core gives a model that draws nothing.
    bool create(CoreModel* core);

    void startAction(int id, float delayIn, float delayOut);
    void startLoop(int id, float weight, float delay);
    void stopLoop(int id, float delay);
    void setTimeScale(float scale);
    float getTimeScale() const { return timeScale; }

    // Advances the animation by seconds × time scale and re-skins.
    void advance(double seconds);
    // Lets seconds × time scale pass without animating: the model's own update callback
    // calls it every frame, and the model catches up when it is next drawn (its cull
    // callback calls catchUp), so characters out of view cost nothing to animate.
    void elapse(double seconds);
    void catchUp();

    bool isSkinnedOnGpu() const { return onGpu; }

    // Fine, coarse or far triangles on the same skinned vertices; the model's cull callback
    // chooses. A level the core has no triangles for shows the next finer one.
    enum class Detail { fine, coarse, far };
    void showDetail(Detail level);
    Detail getDetail() const { return detail; }
    // Where the model's core gathers its far characters; null for a model made from nothing.
    FarCrowd* getFarCrowd() const { return coreModel ? coreModel->getFarCrowd() : nullptr; }

protected:
    ~Model() override;

private:
    struct Part {
        osg::ref_ptr<osg::Geometry> geometry;
        // This instance's own arrays; null while it still shows the shared bind pose.
        osg::ref_ptr<osg::Vec3Array> vertices;
        osg::ref_ptr<osg::Vec3Array> normals;
        osg::ref_ptr<SkinnedBound> bound;
    };

    void clear();
    void advanceAnimation(float step);
    bool wantsGpu() const;
    void useGpu(bool gpu);
    bool animationExists(int id) const;
    void fillPalette();
    void skinOnCpu();
    void boundFromBones();
    static osg::Program* skinningProgram(int slots);

    osg::ref_ptr<CoreModel> coreModel;
    std::unique_ptr<CalModel> calModel;
    osg::ref_ptr<const SkinData> skin;
    std::vector<Part> parts;
    // 12 floats per palette slot: the rows of each bone's 3x4 skinning matrix.
    osg::ref_ptr<osg::FloatArray> palette;
    osg::ref_ptr<osg::Uniform> paletteUniform;
    float timeScale = 1.0f;
    // Animation time let pass since the model was last drawn.
    float pendingStep = 0.0f;
    bool onGpu = false;
    Detail detail = Detail::fine;
    // Something other than time changed the pose since it was last skinned.
    bool poseDirty = true;
};

} // namespace character
