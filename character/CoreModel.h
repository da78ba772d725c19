#pragma once

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <memory>
#include <string>
#include <vector>

class CalCoreModel;
class CalCoreMesh;

namespace osg {
class Texture2D;
}

namespace character {

class FarCrowd;
class Model;
class SkinData;

// The shared part of an animated character: skeleton, animations, meshes and
// materials, loaded once and used by every Model made from it.
class CoreModel : public osg::Referenced {
public:
    explicit CoreModel(const std::string& name);

    // Each loader prints one line naming the file and Cal3D's reason when it fails.
    bool loadSkeleton(const std::string& file);
    // Returns the animation id (0, 1, 2, ... in load order) or -1. An animation that fails keeps
    // its id, empty, and leaves the core usable: the character is drawn without that motion.
    int loadAnimation(const std::string& file, const std::string& name);
    int loadMesh(const std::string& file);
    int loadMaterial(const std::string& file);
    // Loads the images the materials' maps name; a missing one is reported and
    // leaves that mesh untextured, it does not make the core unusable.
    bool loadAllTextures(const std::string& folder);

    // True when a skeleton and at least one mesh loaded and no load but an animation's failed.
    bool isUsable() const;
    CalCoreModel* getCalCoreModel() const;
    // The batch that draws this core's far characters; null while the core is unusable.
    FarCrowd* getFarCrowd();

protected:
    ~CoreModel() override;

private:
    friend class Model;

    // Built on first use and shared by every Model; any later load rebuilds it.
    const SkinData* getSkinData();
    // Reports the file and makes the core unusable.
    void fail(const char* what, const std::string& file, const std::string& reason);
    void report(const char* what, const std::string& file, const std::string& reason);
    // Reports the file and keeps its id empty; returns -1.
    int skipAnimation(const std::string& file, const std::string& reason);
    // Empty when every influence names a bone of the skeleton and every face a vertex.
    std::string meshProblem(CalCoreMesh& mesh) const;

    std::unique_ptr<CalCoreModel> core;
    osg::ref_ptr<SkinData> skinData;
    osg::ref_ptr<FarCrowd> farCrowd;
    std::vector<osg::ref_ptr<osg::Texture2D>> textures;
    std::vector<std::string> meshFiles;
    bool failed = false;
    bool hasSkeleton = false;
    int meshCount = 0;
};

} // namespace character
