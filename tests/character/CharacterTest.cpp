#include "character/CoreModel.h"
#include "character/Model.h"

#include <osg/FrameStamp>
#include <osg/Geometry>
#include <osg/Texture2D>
#include <osg/Uniform>
#include <osgDB/WriteFile>
#include <osgUtil/LineSegmentIntersector>
#include <osgUtil/UpdateVisitor>

#include <cal3d/cal3d.h>
#include <cal3d/corekeyframe.h>
#include <cal3d/coretrack.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using character::CoreModel;
using character::Model;

namespace {

CalQuaternion aroundZ(float degrees) {
    const float half = degrees * float(M_PI) / 360.0f;
    return CalQuaternion(0, 0, std::sin(half), std::cos(half));
}

// A leg along +x: hip at 0, knee at 1, foot at 2, skin out to x = 3.
void writeSkeleton(const std::string& file) {
    CalCoreSkeletonPtr skeleton = new CalCoreSkeleton;
    const char* names[] = {"hip", "knee", "foot"};
    for (int i = 0; i < 3; ++i) {
        auto* bone = new CalCoreBone(names[i]);
        bone->setParentId(i - 1);
        bone->setTranslation(CalVector(i == 0 ? 0.0f : 1.0f, 0, 0));
        bone->setRotation(CalQuaternion(0, 0, 0, 1));
        bone->setTranslationBoneSpace(CalVector(-float(i), 0, 0));
        bone->setRotationBoneSpace(CalQuaternion(0, 0, 0, 1));
        bone->setCoreSkeleton(skeleton.get());
        skeleton->addCoreBone(bone);
        skeleton->mapCoreBoneName(i, names[i]);
        if (i > 0)
            skeleton->getCoreBone(i - 1)->addChildId(i);
    }
    ASSERT_TRUE(CalSaver::saveCoreSkeleton(file, skeleton.get()));
}

// Bends one bone by the given angles at evenly spaced times.
void writeAnimation(const std::string& file, int bone, float duration, const std::vector<float>& degrees) {
    CalCoreAnimationPtr animation = new CalCoreAnimation;
    animation->setDuration(duration);
    auto* track = new CalCoreTrack;
    track->create();
    track->setCoreBoneId(bone);
    for (size_t i = 0; i < degrees.size(); ++i) {
        auto* key = new CalCoreKeyframe;
        key->create();
        key->setTime(duration * float(i) / float(degrees.size() - 1));
        key->setTranslation(CalVector(1, 0, 0));
        key->setRotation(aroundZ(degrees[i]));
        track->addCoreKeyframe(key);
    }
    animation->addCoreTrack(track);
    EXPECT_TRUE(CalSaver::saveCoreAnimation(file, animation.get()));
    // Cal3D 0.11 leaves an animation's tracks to whoever made them.
    track->destroy();
    delete track;
    animation->getListCoreTrack().clear();
}

// A square tube of rings every half unit; joints blend their two bones.
void writeMesh(const std::string& file, int boneOffset = 0, bool mapped = false) {
    CalCoreMeshPtr mesh = new CalCoreMesh;
    auto* submesh = new CalCoreSubmesh;
    const int rings = 7, sides = 4;
    submesh->reserve(rings * sides, mapped ? 1 : 0, (rings - 1) * sides * 2, 0);
    submesh->setCoreMaterialThreadId(0);
    for (int r = 0; r < rings; ++r) {
        const float x = 0.5f * r;
        for (int s = 0; s < sides; ++s) {
            CalCoreSubmesh::Vertex vertex;
            const float dy = (s == 0 || s == 3) ? 0.1f : -0.1f, dz = s < 2 ? 0.1f : -0.1f;
            vertex.position = CalVector(x, dy, dz);
            vertex.normal = CalVector(0, dy, dz);
            vertex.normal.normalize();
            vertex.collapseId = -1;
            vertex.faceCollapseCount = 0;
            if (r == 2 || r == 4)
                vertex.vectorInfluence = {{r / 2 - 1 + boneOffset, 0.5f}, {r / 2 + boneOffset, 0.5f}};
            else
                vertex.vectorInfluence = {{std::min(r / 2, 2) + boneOffset, 1.0f}};
            submesh->setVertex(r * sides + s, vertex);
            if (mapped)
                submesh->setTextureCoordinate(r * sides + s, 0, {r / 6.0f, s / 4.0f});
        }
    }
    int face = 0;
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            const int a = r * sides + s, b = r * sides + (s + 1) % sides;
            submesh->setFace(face++, {{a, b, b + sides}});
            submesh->setFace(face++, {{a, b + sides, a + sides}});
        }
    mesh->addCoreSubmesh(submesh);
    ASSERT_TRUE(CalSaver::saveCoreMesh(file, mesh.get()));
}

void writeMaterial(const std::string& file, const std::string& map) {
    CalCoreMaterialPtr material = new CalCoreMaterial;
    material->setAmbientColor({50, 50, 50, 255});
    material->setDiffuseColor({200, 200, 200, 255});
    material->setSpecularColor({0, 0, 0, 255});
    material->reserve(1);
    material->setMap(0, {map, nullptr});
    ASSERT_TRUE(CalSaver::saveCoreMaterial(file, material.get()));
}

class CharacterTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = testing::TempDir() + "sylvara-character-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
        writeSkeleton(folder + "leg.xsf");
        writeAnimation(folder + "leg_Walk.xaf", 1, 1.0f, {0, 60, 0});
        writeAnimation(folder + "leg_Kick.xaf", 2, 0.5f, {90, 90});
        writeMesh(folder + "leg.xmf");
        writeMesh(folder + "leg_badbone.xmf", 5);
        writeMesh(folder + "leg_mapped.xmf", 0, true);
        writeMaterial(folder + "leg.xrf", "skin.png");
        writeMaterial(folder + "leg_lost.xrf", "lost.png");
        osg::ref_ptr<osg::Image> skin = new osg::Image;
        skin->allocateImage(4, 4, 1, GL_RGB, GL_UNSIGNED_BYTE);
        ASSERT_TRUE(osgDB::writeImageFile(*skin, folder + "skin.png"));
        std::ofstream(folder + "garbage.xmf")
            << "<HEADER MAGIC=\"XMF\" VERSION=\"919\"><MESH NUMSUBMESH=\"1\"><SUB";
    }
    void TearDown() override { Model::setSkinning(Model::Skinning::Automatic); }

    osg::ref_ptr<CoreModel> loadLeg() {
        osg::ref_ptr<CoreModel> core = new CoreModel("leg");
        EXPECT_TRUE(core->loadSkeleton(folder + "leg.xsf"));
        EXPECT_EQ(core->loadAnimation(folder + "leg_Walk.xaf", "Walk"), walk);
        EXPECT_EQ(core->loadAnimation(folder + "leg_Kick.xaf", "Kick"), kick);
        EXPECT_EQ(core->loadMesh(folder + "leg.xmf"), 0);
        EXPECT_TRUE(core->isUsable());
        return core;
    }

    static const osg::Vec3Array& vertices(const Model& model) {
        return *static_cast<const osg::Vec3Array*>(model.getDrawable(0)->asGeometry()->getVertexArray());
    }
    static float largestMove(const std::vector<osg::Vec3>& a, const osg::Vec3Array& b) {
        float most = 0;
        for (size_t i = 0; i < a.size(); ++i)
            most = std::max(most, (a[i] - b[i]).length());
        return most;
    }
    static std::vector<osg::Vec3> copy(const Model& model) {
        return {vertices(model).begin(), vertices(model).end()};
    }

    static inline std::string folder;
    static constexpr int walk = 0, kick = 1;
};

TEST_F(CharacterTest, LoopMovesTheSkinAndTimeScaleZeroFreezesIt) {
    osg::ref_ptr<CoreModel> core = loadLeg();
    osg::ref_ptr<Model> model = new Model;
    ASSERT_TRUE(model->create(core.get()));
    ASSERT_EQ(model->getNumDrawables(), 1u);
    const std::vector<osg::Vec3> bind = copy(*model);
    model->startLoop(walk, 1.0f, 0.0f);
    model->advance(0.0); // Cal3D's mixer only starts a loop's clock on the update after
    model->advance(0.25);
    EXPECT_FALSE(model->isSkinnedOnGpu()) << "no context here, so the CPU path";
    EXPECT_GT(largestMove(bind, vertices(*model)), 0.3f);
    for (const osg::Vec3& v : vertices(*model))
        EXPECT_TRUE(model->getBound().contains(v));

    model->setTimeScale(0);
    const std::vector<osg::Vec3> frozen = copy(*model);
    for (int i = 0; i < 3; ++i)
        model->advance(0.1);
    EXPECT_EQ(largestMove(frozen, vertices(*model)), 0.0f);

    // Its own update callback lets the frame stamp's simulation time pass; the model moves
    // when it is next drawn, by the time at the scale of each frame.
    model->setTimeScale(1);
    osg::ref_ptr<osg::FrameStamp> stamp = new osg::FrameStamp;
    osgUtil::UpdateVisitor update;
    update.setFrameStamp(stamp.get());
    for (int frame = 0; frame < 3; ++frame) {
        stamp->setFrameNumber(frame);
        stamp->setSimulationTime(5.0 + 0.2 * frame);
        model->accept(update);
        model->setTimeScale(frame == 0 ? 1 : 0); // the last frame's time passes frozen
    }
    EXPECT_EQ(largestMove(frozen, vertices(*model)), 0.0f) << "not drawn, not animated";
    model->catchUp();
    EXPECT_GT(largestMove(frozen, vertices(*model)), 0.1f);
    osg::ref_ptr<Model> twin = new Model;
    ASSERT_TRUE(twin->create(core.get()));
    twin->startLoop(walk, 1.0f, 0.0f);
    for (double seconds : {0.0, 0.25, 0.2})
        twin->advance(seconds);
    EXPECT_LT(largestMove(copy(*twin), vertices(*model)), 1e-4f)
        << "the pose of a model advanced by the time that ran";
}

TEST_F(CharacterTest, ActionEndsByItselfAndBadIdsDoNothing) {
    osg::ref_ptr<CoreModel> core = loadLeg();
    osg::ref_ptr<Model> model = new Model;
    ASSERT_TRUE(model->create(core.get()));
    const std::vector<osg::Vec3> bind = copy(*model);
    for (int id : {-1, 2, 99}) {
        model->startAction(id, 0.1f, 0.1f);
        model->startLoop(id, 1.0f, 0.1f);
        model->stopLoop(id, 0.1f);
    }
    model->advance(0.1);
    EXPECT_LT(largestMove(bind, vertices(*model)), 1e-5f);

    model->startAction(kick, 0.05f, 0.05f);
    model->advance(0.2);
    EXPECT_GT(largestMove(bind, vertices(*model)), 0.5f) << "the foot bends while the action runs";
    for (int i = 0; i < 10; ++i)
        model->advance(0.1);
    EXPECT_LT(largestMove(bind, vertices(*model)), 1e-4f) << "and is straight again once it is over";
}

TEST_F(CharacterTest, CpuSkinningMatchesCal3dsRenderer) {
    osg::ref_ptr<CoreModel> core = loadLeg();
    osg::ref_ptr<Model> model = new Model;
    ASSERT_TRUE(model->create(core.get()));
    CalModel reference(core->getCalCoreModel());
    reference.attachMesh(0);
    model->startLoop(walk, 1.0f, 0.0f);
    model->startAction(kick, 0.1f, 0.1f);
    reference.getMixer()->blendCycle(walk, 1.0f, 0.0f);
    reference.getMixer()->executeAction(kick, 0.1f, 0.1f);
    const auto* geometry = model->getDrawable(0)->asGeometry();
    for (int frame = 0; frame < 6; ++frame) {
        model->advance(0.07);
        reference.update(0.07f);
        CalRenderer* renderer = reference.getRenderer();
        ASSERT_TRUE(renderer->beginRendering());
        ASSERT_TRUE(renderer->selectMeshSubmesh(0, 0));
        std::vector<float> calVertices(3 * renderer->getVertexCount()), calNormals(calVertices.size());
        renderer->getVertices(calVertices.data());
        renderer->getNormals(calNormals.data());
        renderer->endRendering();
        const auto& ours = *static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
        const auto& ourNormals = *static_cast<const osg::Vec3Array*>(geometry->getNormalArray());
        ASSERT_EQ(ours.size() * 3, calVertices.size());
        for (size_t v = 0; v < ours.size(); ++v)
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(ours[v][c], calVertices[3 * v + c], 1e-5f);
                EXPECT_NEAR(ourNormals[v][c], calNormals[3 * v + c], 1e-5f);
            }
    }
}

TEST_F(CharacterTest, PickingRayHitsTheSkinnedShape) {
    osg::ref_ptr<CoreModel> core = loadLeg();
    osg::ref_ptr<Model> model = new Model;
    ASSERT_TRUE(model->create(core.get()));
    // The middle of the foot: the centre of the ring of four vertices at x = 2.5.
    auto footCentre = [&] {
        osg::Vec3 sum;
        for (int v = 20; v < 24; ++v)
            sum += vertices(*model)[v];
        return sum / 4.0f;
    };
    const osg::Vec3 bindFoot = footCentre();
    model->startLoop(walk, 1.0f, 0.0f);
    model->advance(0.0);
    model->advance(0.5); // knee bent 60 degrees: the foot has swung aside
    const osg::Vec3 foot = footCentre();
    ASSERT_GT((foot - bindFoot).length(), 1.0f);

    auto hits = [&](const osg::Vec3& point) {
        osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
            new osgUtil::LineSegmentIntersector(point + osg::Vec3(0, 0, 5), point - osg::Vec3(0, 0, 5));
        osgUtil::IntersectionVisitor visitor(ray.get());
        model->accept(visitor);
        return ray->containsIntersections();
    };
    EXPECT_TRUE(hits(foot));
    EXPECT_FALSE(hits(bindFoot));
}

TEST_F(CharacterTest, BrokenFilesSayWhyInOneLineAndDrawNothing) {
    struct Case {
        std::string file, kind;
    };
    const std::vector<Case> cases = {{folder + "nothing-here.xsf", "skeleton"},
                                     {folder + "garbage.xmf", "mesh"},
                                     {folder + "leg_badbone.xmf", "mesh"},
                                     {folder + "nothing-here.xaf", "animation"}};
    for (const Case& c : cases) {
        osg::ref_ptr<CoreModel> core = new CoreModel("broken");
        testing::internal::CaptureStdout();
        if (c.kind == "skeleton") {
            EXPECT_FALSE(core->loadSkeleton(c.file));
            core->loadMesh(folder + "leg.xmf");
        } else {
            core->loadSkeleton(folder + "leg.xsf");
            if (c.kind == "mesh")
                EXPECT_EQ(core->loadMesh(c.file), -1);
            else
                EXPECT_EQ(core->loadAnimation(c.file, "Walk"), -1);
        }
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(said.rfind("Cal3D: cannot load " + c.kind + " " + c.file + ": ", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_GT(said.size(), c.file.size() + 30) << "and gives a reason: " << said;
        EXPECT_FALSE(core->isUsable());

        osg::ref_ptr<Model> model = new Model;
        EXPECT_FALSE(model->create(core.get()));
        model->startLoop(walk, 1.0f, 0.0f);
        model->startAction(kick, 0.1f, 0.1f);
        model->stopLoop(walk, 0.0f);
        model->advance(0.5);
        EXPECT_EQ(model->getNumDrawables(), 0u);
        EXPECT_FALSE(model->getBound().valid());
    }
    osg::ref_ptr<Model> model = new Model;
    EXPECT_FALSE(model->create(nullptr));
    model->advance(0.1);
}

TEST_F(CharacterTest, TexturesComeFromTheMaterialMapsAndAMissingOneIsNotFatal) {
    for (const std::string material : {"leg.xrf", "leg_lost.xrf"}) {
        osg::ref_ptr<CoreModel> core = new CoreModel("mapped");
        core->loadSkeleton(folder + "leg.xsf");
        core->loadMesh(folder + "leg_mapped.xmf");
        ASSERT_EQ(core->loadMaterial(folder + material), 0);
        testing::internal::CaptureStdout();
        const bool loaded = core->loadAllTextures(folder);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(core->isUsable());
        osg::ref_ptr<Model> model = new Model;
        ASSERT_TRUE(model->create(core.get()));
        const bool found = material == "leg.xrf";
        EXPECT_EQ(loaded, found);
        EXPECT_EQ(said.empty(), found) << said;
        if (!found) {
            EXPECT_EQ(said,
                      "Cal3D: cannot load texture " + folder + "lost.png: no such image or unreadable\n");
            EXPECT_EQ(model->getDrawable(0)->getStateSet(), nullptr);
            continue;
        }
        for (Model::Skinning path : {Model::Skinning::Cpu, Model::Skinning::Gpu}) {
            Model::setSkinning(path);
            model->advance(0.1);
            const osg::Geometry* geometry = model->getDrawable(0)->asGeometry();
            ASSERT_NE(geometry->getTexCoordArray(0), nullptr);
            EXPECT_EQ(geometry->getTexCoordArray(0)->getNumElements(),
                      geometry->getVertexArray()->getNumElements());
            EXPECT_FLOAT_EQ(static_cast<const osg::Vec2Array&>(*geometry->getTexCoordArray(0))[5].y(), 0.25f);
            ASSERT_NE(geometry->getStateSet(), nullptr);
            EXPECT_NE(geometry->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXTURE), nullptr);
        }
    }
}

TEST_F(CharacterTest, VertexProgramFormulaMatchesCpuSkinning) {
    osg::ref_ptr<CoreModel> core = loadLeg();
    osg::ref_ptr<Model> cpu = new Model, gpu = new Model;
    ASSERT_TRUE(cpu->create(core.get()));
    ASSERT_TRUE(gpu->create(core.get()));
    const std::vector<osg::Vec3> bind = copy(*gpu);
    for (Model* model : {cpu.get(), gpu.get()}) {
        model->startLoop(walk, 1.0f, 0.2f);
        model->startAction(kick, 0.1f, 0.1f);
    }
    for (int frame = 0; frame < 8; ++frame) {
        Model::setSkinning(Model::Skinning::Cpu);
        cpu->advance(0.09);
        Model::setSkinning(Model::Skinning::Gpu);
        gpu->advance(0.09);
        ASSERT_TRUE(gpu->isSkinnedOnGpu());
        ASSERT_FALSE(cpu->isSkinnedOnGpu());

        // What the vertex program does, on the CPU, with the palette it is given.
        const osg::Geometry* geometry = gpu->getDrawable(0)->asGeometry();
        ASSERT_NE(geometry->getStateSet(), nullptr);
        const osg::Uniform* uniform = geometry->getStateSet()->getUniform(Model::paletteUniformName);
        ASSERT_NE(uniform, nullptr);
        const osg::FloatArray& palette = *uniform->getFloatArray();
        const auto& slots =
            *static_cast<const osg::Vec4Array*>(geometry->getVertexAttribArray(Model::boneSlotAttribute));
        const auto& weights =
            *static_cast<const osg::Vec4Array*>(geometry->getVertexAttribArray(Model::boneWeightAttribute));
        const osg::Vec3Array& bindPose = vertices(*gpu);
        const osg::BoundingBox& bound = geometry->getBoundingBox();
        for (size_t v = 0; v < bindPose.size(); ++v) {
            const osg::Vec4 p(bindPose[v], 1.0f);
            osg::Vec3 skinned;
            for (int i = 0; i < 4; ++i) {
                const float* m = &palette[12 * int(slots[v][i] + 0.5f)];
                skinned +=
                    osg::Vec3(osg::Vec4(m[0], m[1], m[2], m[3]) * p, osg::Vec4(m[4], m[5], m[6], m[7]) * p,
                              osg::Vec4(m[8], m[9], m[10], m[11]) * p) *
                    weights[v][i];
            }
            EXPECT_LT((skinned - vertices(*cpu)[v]).length(), 1e-4f) << "frame " << frame << " vertex " << v;
            EXPECT_TRUE(bound.contains(skinned, 1e-4f)) << "frame " << frame << " vertex " << v;
        }
    }
    EXPECT_EQ(largestMove(bind, vertices(*gpu)), 0.0f) << "the GPU path leaves the arrays in bind pose";

    // Back on the CPU the same model skins into its arrays again.
    Model::setSkinning(Model::Skinning::Cpu);
    gpu->advance(0.05);
    cpu->advance(0.05);
    EXPECT_FALSE(gpu->isSkinnedOnGpu());
    EXPECT_EQ(gpu->getDrawable(0)->getStateSet(), nullptr) << "and drops the program";
    EXPECT_LT(largestMove(copy(*cpu), vertices(*gpu)), 1e-4f);
}

} // namespace

// Cal3D's own parser gives up on a repeated attribute and leaves a half-read element that
// its loader then dereferences: such a file is refused before Cal3D sees it.
TEST_F(CharacterTest, ARepeatedAttributeIsRefusedBeforeCal3DReadsIt) {
    const std::string file = folder + "repeated.xaf";
    std::ofstream(file)
        << "<ANIMATION VERSION=\"2200\" DURATION=\"0\" NX=\"1\" DURATION=\"1\" NUMTRACKS=\"1\">\n"
           "  </=\"1\">KE ";
    osg::ref_ptr<CoreModel> core = new CoreModel("repeated");
    core->loadSkeleton(folder + "leg.xsf");
    testing::internal::CaptureStdout();
    EXPECT_EQ(core->loadAnimation(file, "Walk"), -1);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("repeats DURATION"), std::string::npos) << said;
}
