#include "presentation/ModelCatalogue.h"

#include "character/FarCrowd.h"
#include "character/MeshCrowd.h"
#include "presentation/SceneFile.h"

namespace {

osg::ref_ptr<osg::Node> readShared(const char* file) {
    return SceneFile::read(file, "it is not drawn.");
}

// Where the shared shapes change to their far shapes, in pixels across their bounds. A stem
// segment's bound is about 35 times as wide as the stalk: under 200 pixels the stalk is under
// 6 wide. A seed under 24 pixels across is a pod of a few pixels.
struct FarShape {
    const char* file;
    float belowPixels;
};
constexpr FarShape farStem{"../models/stem_far.osg", 200};
constexpr FarShape farSeed{"../models/seed_far.osg", 24};
// A ping's bound is about 30 times as wide as its beam: under 400 pixels the beam is under 14
// wide, and its halo, a faint ring, under 100.
constexpr FarShape farLifePing{"../models/lifeping_far.osg", 400};
constexpr FarShape farDeathPing{"../models/deathping_far.osg", 400};

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
    // Stems, seeds and pings come by the thousand (a genesis raises a ping over every organism
    // it makes): each kind is drawn in one batch, and those seen from afar in a second.
    for (const auto& [shared, far] :
         {std::pair{stemNode, farStem}, std::pair{seedNode, farSeed}, std::pair{lifePingNode, farLifePing},
          std::pair{deathPingNode, farDeathPing}}) {
        if (!shared)
            continue;
        osg::ref_ptr<character::MeshCrowd> crowd = new character::MeshCrowd(shared.get());
        crowds->addChild(crowd);
        if (osg::ref_ptr<osg::Node> farShape = SceneFile::read(far.file, "far ones are drawn in full."))
            crowds->addChild(crowd->addFarShape(farShape.get(), far.belowPixels));
    }
}
