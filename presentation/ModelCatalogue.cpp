#include "presentation/ModelCatalogue.h"

#include "character/FarCrowd.h"
#include "character/MeshCrowd.h"
#include "presentation/SceneFile.h"

namespace {

osg::ref_ptr<osg::Node> readShared(const char* file) {
    return SceneFile::read(file, "it is not drawn.");
}

} // namespace

osg::ref_ptr<character::CoreModel>
ModelCatalogue::loadCore(const std::string& skeleton, const std::initializer_list<const char*>& animations,
                         const std::string& mesh, const std::string& material) {
    osg::ref_ptr<character::CoreModel> core = new character::CoreModel("dummy");
    core->loadSkeleton(skeleton);
    for (auto it = animations.begin(); it != animations.end() && it + 1 != animations.end(); it += 2)
        core->loadAnimation(*it, *(it + 1));
    core->loadMesh(mesh);
    core->loadMaterial(material);
    core->loadAllTextures("../models/");
    return core;
}

ModelCatalogue::ModelCatalogue() {
    plantCore = loadCore("../models/bloom.xsf",
                         {"../models/bloom_birth.xaf", "birth", "../models/bloom_death.xaf", "die"},
                         "../models/bloom_mesh.xmf", "../models/bloom_material.xrf");
    stemNode = readShared("../models/stem.osg");
    seedNode = readShared("../models/seed.osg");
    lifePingNode = readShared("../models/lifeping.osg");
    deathPingNode = readShared("../models/deathping.osg");
    downArrowNode = readShared("../models/downarrow.osg");
    crowds = new osg::Group;
    for (const auto& core : {getHerbivoreCore(), getCarnivoreCore(), plantCore})
        if (character::FarCrowd* crowd = core ? core->getFarCrowd() : nullptr)
            crowds->addChild(crowd);
    for (const auto& shared : {stemNode, seedNode})
        if (shared)
            crowds->addChild(new character::MeshCrowd(shared.get()));
}
