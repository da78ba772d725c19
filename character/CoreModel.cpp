#include "character/CoreModel.h"

#include "character/SkinData.h"

#include <osg/Image>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

#include <cal3d/cal3d.h>
#include <cal3d/coretrack.h>

#include <cstdio>
#include <fstream>

namespace character {

namespace {

// Cal3D keeps one global "last error"; clear it so a stale one is never reported.
void clearCalError() { CalError::setLastError(CalError::OK, "", 0, ""); }

std::string calReason(const std::string& file) {
    if (CalError::getLastErrorCode() == CalError::OK)
        return "unknown error";
    std::string reason = CalError::getLastErrorDescription();
    const std::string& text = CalError::getLastErrorText();
    if (!text.empty() && text != file)
        reason += " (" + text + ")";
    // Cal3D's XML loader says "not found" for a file it cannot parse.
    if (CalError::getLastErrorCode() == CalError::FILE_NOT_FOUND && std::ifstream(file).good())
        reason += " (the file is there, so it is unreadable or malformed)";
    return reason;
}

} // namespace

CoreModel::CoreModel(const std::string& name) : core(new CalCoreModel(name)) {}

CoreModel::~CoreModel() = default;

void CoreModel::fail(const char* what, const std::string& file, const std::string& reason) {
    failed = true;
    std::printf("Cal3D: cannot load %s %s: %s\n", what, file.c_str(), reason.c_str());
    std::fflush(stdout);
}

std::string CoreModel::meshProblem(CalCoreMesh& mesh) const {
    const CalCoreSkeleton* skeleton = core->getCoreSkeleton();
    const int bones = skeleton ? int(const_cast<CalCoreSkeleton*>(skeleton)->getVectorCoreBone().size()) : -1;
    for (CalCoreSubmesh* submesh : mesh.getVectorCoreSubmesh()) {
        const auto& vertices = submesh->getVectorVertex();
        for (const auto& face : submesh->getVectorFace())
            for (CalIndex index : face.vertexId)
                if (index < 0 || size_t(index) >= vertices.size())
                    return "a face uses vertex " + std::to_string(index) + " of " + std::to_string(vertices.size());
        if (bones < 0)
            continue;
        for (const auto& vertex : vertices)
            for (const auto& influence : vertex.vectorInfluence)
                if (influence.boneId < 0 || influence.boneId >= bones)
                    return "an influence names bone " + std::to_string(influence.boneId) + " but the skeleton has " +
                           std::to_string(bones);
    }
    return {};
}

bool CoreModel::loadSkeleton(const std::string& file) {
    if (hasSkeleton) {
        // Instances already made point into the old skeleton; never swap it under them.
        fail("skeleton", file, "this core already has a skeleton");
        return false;
    }
    clearCalError();
    CalCoreSkeletonPtr skeleton = CalLoader::loadCoreSkeleton(file);
    if (!skeleton) {
        fail("skeleton", file, calReason(file));
        return false;
    }
    core->setCoreSkeleton(skeleton.get());
    hasSkeleton = true;
    skinData = nullptr;
    // Meshes loaded before the skeleton could not be checked against it.
    for (int id = 0; id < core->getCoreMeshCount(); ++id) {
        const std::string problem = meshProblem(*core->getCoreMesh(id));
        if (!problem.empty())
            fail("mesh", meshFiles[id], problem);
    }
    return true;
}

int CoreModel::loadAnimation(const std::string& file, const std::string& name) {
    if (!hasSkeleton) {
        fail("animation", file, "no skeleton loaded before it");
        return -1;
    }
    clearCalError();
    CalCoreSkeleton* skeleton = core->getCoreSkeleton();
    CalCoreAnimationPtr animation = CalLoader::loadCoreAnimation(file, skeleton);
    if (!animation) {
        fail("animation", file, calReason(file));
        return -1;
    }
    const int bones = int(skeleton->getVectorCoreBone().size());
    for (CalCoreTrack* track : animation->getListCoreTrack())
        if (track->getCoreBoneId() < 0 || track->getCoreBoneId() >= bones) {
            fail("animation", file,
                 "a track moves bone " + std::to_string(track->getCoreBoneId()) + " but the skeleton has " +
                     std::to_string(bones));
            return -1;
        }
    animation->setName(name);
    animation->setFilename(file);
    const int id = core->addCoreAnimation(animation.get());
    if (id >= 0)
        core->addAnimationName(name, id);
    return id;
}

int CoreModel::loadMesh(const std::string& file) {
    clearCalError();
    CalCoreMeshPtr mesh = CalLoader::loadCoreMesh(file);
    if (!mesh) {
        fail("mesh", file, calReason(file));
        return -1;
    }
    const std::string problem = meshProblem(*mesh);
    if (!problem.empty()) {
        fail("mesh", file, problem);
        return -1;
    }
    mesh->setFilename(file);
    const int id = core->addCoreMesh(mesh.get());
    if (id < 0) {
        fail("mesh", file, calReason(file));
        return -1;
    }
    meshFiles.resize(id + 1);
    meshFiles[id] = file;
    ++meshCount;
    skinData = nullptr;
    return id;
}

int CoreModel::loadMaterial(const std::string& file) {
    clearCalError();
    CalCoreMaterialPtr material = CalLoader::loadCoreMaterial(file);
    if (!material) {
        fail("material", file, calReason(file));
        return -1;
    }
    material->setFilename(file);
    const int id = core->addCoreMaterial(material.get());
    if (id < 0) {
        fail("material", file, calReason(file));
        return -1;
    }
    // Material thread n, set 0, is material n: what setMaterialSet(0) picks.
    core->createCoreMaterialThread(id);
    core->setCoreMaterialId(id, 0, id);
    skinData = nullptr;
    return id;
}

bool CoreModel::loadAllTextures(const std::string& folder) {
    bool ok = true;
    for (int id = 0; id < core->getCoreMaterialCount(); ++id) {
        CalCoreMaterial* material = core->getCoreMaterial(id);
        for (int map = 0; material && map < material->getMapCount(); ++map) {
            const std::string& name = material->getMapFilename(map);
            if (name.empty() || material->getMapUserData(map))
                continue;
            const bool joined = folder.empty() || folder.back() == '/';
            const std::string file = joined ? folder + name : folder + "/" + name;
            osg::ref_ptr<osg::Image> image = osgDB::readRefImageFile(file);
            if (!image) {
                // Not fatal: the mesh simply draws untextured.
                std::printf("Cal3D: cannot load texture %s: no such image or unreadable\n", file.c_str());
                std::fflush(stdout);
                ok = false;
                continue;
            }
            osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
            texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
            texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
            textures.push_back(texture);
            material->setMapUserData(map, texture.get());
        }
    }
    skinData = nullptr;
    return ok;
}

bool CoreModel::isUsable() const { return hasSkeleton && meshCount > 0 && !failed; }

CalCoreModel* CoreModel::getCalCoreModel() const { return core.get(); }

const SkinData* CoreModel::getSkinData() {
    if (!isUsable())
        return nullptr;
    if (!skinData)
        skinData = new SkinData(*core);
    return skinData.get();
}

} // namespace character
