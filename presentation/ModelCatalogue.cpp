#include "presentation/ModelCatalogue.h"

#include "character/FarCrowd.h"
#include "character/MeshCrowd.h"

#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// The scene-graph library reads a cut-off .osg file without a word and keeps
// whatever came before the cut: its braces then no longer pair up.
bool isCutShort(const char* file) {
    std::ifstream in(file, std::ios::binary);
    int depth = 0;
    bool quoted = false;
    for (std::istreambuf_iterator<char> c(in), end; c != end; ++c) {
        if (*c == '"')
            quoted = !quoted;
        else if (!quoted)
            depth += *c == '{' ? 1 : *c == '}' ? -1 : 0;
    }
    return depth != 0 || quoted;
}

osg::ref_ptr<osg::Node> readShared(const char* file) {
    osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(file, osgDB::Registry::instance()->getOptions());
    if (node && isCutShort(file)) {
        std::printf("Warning: could not read %s: it is cut short; it is not drawn.\n", file);
        return nullptr;
    }
    if (!node)
        std::printf("Warning: could not read %s; it is not drawn.\n", file);
    return node;
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
