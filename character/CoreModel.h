#pragma once

#include <osg/Referenced>

#include <memory>
#include <string>

class CalCoreModel;

namespace character {

// The shared part of an animated character: skeleton, animations, meshes and
// materials, loaded once and used by every Model made from it.
class CoreModel : public osg::Referenced {
public:
    explicit CoreModel(const std::string& name);

    // Each loader prints one line naming the file and Cal3D's reason when it fails.
    bool loadSkeleton(const std::string& file);
    // Returns the animation id (0, 1, 2, ... in load order) or -1.
    int loadAnimation(const std::string& file, const std::string& name);
    int loadMesh(const std::string& file);
    int loadMaterial(const std::string& file);
    bool loadAllTextures(const std::string& folder);

    // True when a skeleton and at least one mesh loaded and no load failed.
    bool isUsable() const;
    CalCoreModel* getCalCoreModel() const;

protected:
    ~CoreModel() override;

private:
    std::unique_ptr<CalCoreModel> core;
    bool failed = false;
    bool hasSkeleton = false;
    int meshCount = 0;
};

} // namespace character
