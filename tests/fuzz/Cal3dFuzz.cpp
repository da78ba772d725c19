// Feeds arbitrary bytes, as a Cal3D file, through character::CoreModel's loaders
// and on into a Model that is posed and skinned. The first byte picks what the
// file is (its low two bits: skeleton, animation, mesh or material); the other
// parts of the character are small valid files written once at start.
//
// Only the XML formats, which are what Sylvara ships: Cal3D's binary loaders
// trust the counts in their headers and allocate for them before reading, so a
// few garbage bytes there cost gigabytes inside Cal3D, out of our reach.
//
// SYLVARA_CAL3D_SEEDS=DIR ./cal3d_fuzz writes a seed of each kind into DIR and ends.
#include "character/CoreModel.h"
#include "character/Model.h"

#include <osg/Notify>

#include <cal3d/cal3d.h>
#include <cal3d/corekeyframe.h>
#include <cal3d/coretrack.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using character::CoreModel;
using character::Model;

namespace {

const char* const KINDS[] = {"skeleton", "animation", "mesh", "material"};
const char* const XML_EXTENSIONS[] = {".xsf", ".xaf", ".xmf", ".xrf"};

std::string folder;

// Two bones in a row; the mesh is a strip skinned to both.
CalCoreSkeletonPtr makeSkeleton() {
    CalCoreSkeletonPtr skeleton = new CalCoreSkeleton;
    for (int i = 0; i < 2; ++i) {
        const char* name = i == 0 ? "root" : "tip";
        auto* bone = new CalCoreBone(name);
        bone->setParentId(i - 1);
        bone->setTranslation(CalVector(i == 0 ? 0.0f : 1.0f, 0, 0));
        bone->setRotation(CalQuaternion(0, 0, 0, 1));
        bone->setTranslationBoneSpace(CalVector(-float(i), 0, 0));
        bone->setRotationBoneSpace(CalQuaternion(0, 0, 0, 1));
        bone->setCoreSkeleton(skeleton.get());
        skeleton->addCoreBone(bone);
        skeleton->mapCoreBoneName(i, name);
        if (i > 0)
            skeleton->getCoreBone(0)->addChildId(1);
    }
    return skeleton;
}

CalCoreAnimationPtr makeAnimation() {
    CalCoreAnimationPtr animation = new CalCoreAnimation;
    animation->setDuration(1.0f);
    auto* track = new CalCoreTrack;
    track->create();
    track->setCoreBoneId(1);
    for (int i = 0; i < 3; ++i) {
        auto* key = new CalCoreKeyframe;
        key->create();
        key->setTime(0.5f * i);
        key->setTranslation(CalVector(1, 0, 0));
        const float half = 0.5f * (i == 1 ? 1.0f : 0.0f);
        key->setRotation(CalQuaternion(0, 0, std::sin(half), std::cos(half)));
        track->addCoreKeyframe(key);
    }
    animation->addCoreTrack(track);
    return animation;
}

CalCoreMeshPtr makeMesh() {
    CalCoreMeshPtr mesh = new CalCoreMesh;
    auto* submesh = new CalCoreSubmesh;
    submesh->reserve(4, 1, 2, 0);
    submesh->setCoreMaterialThreadId(0);
    for (int i = 0; i < 4; ++i) {
        CalCoreSubmesh::Vertex vertex;
        vertex.position = CalVector(float(i / 2) * 2.0f, float(i % 2), 0);
        vertex.normal = CalVector(0, 0, 1);
        vertex.collapseId = -1;
        vertex.faceCollapseCount = 0;
        vertex.vectorInfluence = {{i / 2, 0.75f}, {1 - i / 2, 0.25f}};
        submesh->setVertex(i, vertex);
        submesh->setTextureCoordinate(i, 0, {float(i / 2), float(i % 2)});
    }
    submesh->setFace(0, {{0, 1, 2}});
    submesh->setFace(1, {{2, 1, 3}});
    mesh->addCoreSubmesh(submesh);
    return mesh;
}

CalCoreMaterialPtr makeMaterial() {
    CalCoreMaterialPtr material = new CalCoreMaterial;
    material->setAmbientColor({50, 50, 50, 255});
    material->setDiffuseColor({200, 200, 200, 255});
    material->setSpecularColor({0, 0, 0, 255});
    material->reserve(1);
    material->setMap(0, {"skin.png", nullptr});
    return material;
}

// Saves one part; the file's extension tells Cal3D which format.
bool save(int kind, const std::string& file) {
    switch (kind) {
    case 0:
        return CalSaver::saveCoreSkeleton(file, makeSkeleton().get());
    case 1: {
        // Cal3D leaves an animation's tracks to whoever made them.
        CalCoreAnimationPtr animation = makeAnimation();
        const bool saved = CalSaver::saveCoreAnimation(file, animation.get());
        for (CalCoreTrack* track : animation->getListCoreTrack()) {
            track->destroy();
            delete track;
        }
        animation->getListCoreTrack().clear();
        return saved;
    }
    case 2:
        return CalSaver::saveCoreMesh(file, makeMesh().get());
    default:
        return CalSaver::saveCoreMaterial(file, makeMaterial().get());
    }
}

std::string validFile(int kind) { return folder + "valid" + XML_EXTENSIONS[kind]; }

void writeSeeds(const std::string& into) {
    for (int kind = 0; kind < 4; ++kind) {
        std::ifstream in(validFile(kind), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(into + "/" + KINDS[kind], std::ios::binary) << char(kind) << bytes;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string tmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string pattern = tmp + "/sylvara-fuzz-cal3d-XXXXXX";
    if (!mkdtemp(pattern.data()))
        std::abort();
    folder = pattern + "/";
    for (int kind = 0; kind < 4; ++kind)
        if (!save(kind, validFile(kind)))
            std::abort();
    // The loaders' one line per failure, and the image reader's complaints about
    // missing maps, would drown the fuzzer's own report.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    osg::setNotifyLevel(osg::FATAL);
    if (const char* seeds = std::getenv("SYLVARA_CAL3D_SEEDS")) {
        writeSeeds(seeds);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int kind = data[0] & 3;
    const std::string file = folder + "input" + XML_EXTENSIONS[kind];
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    const auto pick = [&](int part) { return part == kind ? file : validFile(part); };

    osg::ref_ptr<CoreModel> core = new CoreModel("fuzz");
    core->loadSkeleton(pick(0));
    const int walk = core->loadAnimation(pick(1), "walk");
    core->loadMesh(pick(2));
    core->loadMaterial(pick(3));
    core->loadAllTextures(folder);

    osg::ref_ptr<Model> model = new Model;
    model->create(core.get());
    model->setTimeScale(1.0f);
    model->startLoop(walk, 1.0f, 0.1f);
    model->startAction(walk, 0.1f, 0.1f);
    for (int step = 0; step < 4; ++step)
        model->advance(0.3);
    model->stopLoop(walk, 0.0f);
    model->advance(0.3);
    (void)model->getBound();
    std::remove(file.c_str());
    return 0;
}
