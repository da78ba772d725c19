// The generated art, read back the way the program reads it (from bin/, under ../models).
#include <cal3d/cal3d.h>
#include <cal3d/corekeyframe.h>
#include <cal3d/coretrack.h>

#include "art/CalArt.h"
#include "art/SkinnedShape.h"

#include <gtest/gtest.h>

#include <osg/BlendFunc>
#include <osg/ComputeBoundsVisitor>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace {

const std::string kModels = "../models/";

struct Bounds {
    float lo[3] = {1e9f, 1e9f, 1e9f};
    float hi[3] = {-1e9f, -1e9f, -1e9f};
    void add(float x, float y, float z) {
        const float p[3] = {x, y, z};
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    float radiusXY() const {
        return std::max(std::max(-lo[0], hi[0]), std::max(-lo[1], hi[1]));
    }
};

// A core model loaded from the files; the ids must come out in load order.
std::unique_ptr<CalCoreModel> loadCore(const std::string& skeleton, const std::vector<std::string>& animations,
                                       const std::string& mesh, const std::string& material) {
    auto core = std::make_unique<CalCoreModel>("art");
    EXPECT_TRUE(core->loadCoreSkeleton(kModels + skeleton)) << skeleton << ": " << CalError::getLastErrorText();
    for (std::size_t i = 0; i < animations.size(); ++i)
        EXPECT_EQ(core->loadCoreAnimation(kModels + animations[i]), static_cast<int>(i)) << animations[i];
    EXPECT_EQ(core->loadCoreMesh(kModels + mesh), 0) << mesh << ": " << CalError::getLastErrorText();
    EXPECT_EQ(core->loadCoreMaterial(kModels + material), 0) << material;
    return core;
}

std::unique_ptr<CalCoreModel> loadAnimal(const std::string& mesh) {
    return loadCore("animal.xsf",
                    {"animal_Birth.xaf", "animal_Walk.xaf", "animal_Run.xaf", "animal_Damaged.xaf", "animal_Die.xaf"},
                    mesh, "animal_material.xrf");
}

std::unique_ptr<CalCoreModel> loadBloom() {
    return loadCore("bloom.xsf", {"bloom_birth.xaf", "bloom_death.xaf"}, "bloom_mesh.xmf", "bloom_material.xrf");
}

// Skinned vertex bounds after playing one animation for the given time
// (negative id: the resting pose).
Bounds posed(CalCoreModel& core, int animation, bool loop, float seconds) {
    CalModel model(&core);
    EXPECT_TRUE(model.attachMesh(0));
    if (animation >= 0) {
        if (loop)
            model.getMixer()->blendCycle(animation, 1.0f, 0.0f);
        else
            model.getMixer()->executeAction(animation, 0.0f, 0.0f, 1.0f, true);
    }
    for (float t = 0; t < seconds; t += 0.05f)
        model.update(std::min(0.05f, seconds - t));
    model.update(0.0f);
    CalRenderer* renderer = model.getRenderer();
    EXPECT_TRUE(renderer->beginRendering());
    Bounds bounds;
    for (int mesh = 0; mesh < renderer->getMeshCount(); ++mesh)
        for (int sub = 0; sub < renderer->getSubmeshCount(mesh); ++sub) {
            renderer->selectMeshSubmesh(mesh, sub);
            std::vector<float> vertices(3 * renderer->getVertexCount());
            renderer->getVertices(vertices.data());
            for (std::size_t i = 0; i < vertices.size(); i += 3)
                bounds.add(vertices[i], vertices[i + 1], vertices[i + 2]);
        }
    renderer->endRendering();
    return bounds;
}

// Normals of unit length, weights that sum to one, faces that name real vertices.
void expectSoundMesh(CalCoreModel& core, const std::string& what) {
    const int bones = static_cast<int>(core.getCoreSkeleton()->getVectorCoreBone().size());
    CalCoreMesh* mesh = core.getCoreMesh(0);
    ASSERT_NE(mesh, nullptr) << what;
    for (CalCoreSubmesh* sub : mesh->getVectorCoreSubmesh()) {
        const auto& vertices = sub->getVectorVertex();
        ASSERT_GT(vertices.size(), 100u) << what;
        int bad = 0;
        for (const auto& v : vertices) {
            float sum = 0;
            for (const auto& influence : v.vectorInfluence) {
                sum += influence.weight;
                bad += influence.boneId < 0 || influence.boneId >= bones || influence.weight <= 0;
            }
            bad += v.vectorInfluence.empty() || std::fabs(sum - 1) > 1e-4f;
            bad += std::fabs(v.normal.length() - 1) > 1e-3f;
        }
        EXPECT_EQ(bad, 0) << what << ": vertices with a bad normal or weights";
        for (const auto& face : sub->getVectorFace())
            for (int k = 0; k < 3; ++k)
                ASSERT_LT(face.vertexId[k], static_cast<int>(vertices.size())) << what;
    }
}

osg::BoundingBox boundsOf(const std::string& file) {
    osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(kModels + file);
    EXPECT_TRUE(node.valid()) << file;
    osg::ComputeBoundsVisitor visitor;
    if (node)
        node->accept(visitor);
    return visitor.getBoundingBox();
}

} // namespace

TEST(ArtTest, AnimalsLoadBackStandOnTheGroundAndFaceMinusY) {
    std::unique_ptr<CalCoreModel> herbivore = loadAnimal("herbivore_mesh.xmf");
    std::unique_ptr<CalCoreModel> carnivore = loadAnimal("carnivore_mesh.xmf");
    expectSoundMesh(*herbivore, "herbivore");
    expectSoundMesh(*carnivore, "carnivore");
    for (CalCoreModel* core : {herbivore.get(), carnivore.get()}) {
        const Bounds rest = posed(*core, -1, false, 0);
        EXPECT_NEAR(rest.lo[2], 0.0f, 0.05f) << "feet on the ground";
        const float length = rest.hi[1] - rest.lo[1];
        EXPECT_GT(length, 8.0f);
        EXPECT_LT(length, 14.0f);
        EXPECT_LT(rest.hi[0] - rest.lo[0], 4.5f) << "narrower than long";
        EXPECT_GT(rest.hi[2], 6.5f) << "drawn tall, for the height squash";
    }
    // The head end (the highest point, ears or horns) lies towards -y.
    CalCoreSubmesh* sub = herbivore->getCoreMesh(0)->getCoreSubmesh(0);
    float topY = 0, topZ = -1;
    for (const auto& v : sub->getVectorVertex())
        if (v.position.z > topZ) {
            topZ = v.position.z;
            topY = v.position.y;
        }
    EXPECT_LT(topY, -2.0f);
    // The hunter is the leaner and the longer (its jaw and tail).
    const Bounds h = posed(*herbivore, -1, false, 0), c = posed(*carnivore, -1, false, 0);
    EXPECT_LT(c.hi[0] - c.lo[0], h.hi[0] - h.lo[0]);
    EXPECT_GT(c.hi[1] - c.lo[1], h.hi[1] - h.lo[1]);
}

TEST(ArtTest, AnimalAnimationsLoopRiseFlinchAndCollapse) {
    std::unique_ptr<CalCoreModel> core = loadAnimal("herbivore_mesh.xmf");
    ASSERT_EQ(core->getCoreAnimationCount(), 5);
    // Walk and run: every track ends in the pose it starts with.
    for (int id : {1, 2}) {
        CalCoreAnimation* animation = core->getCoreAnimation(id);
        EXPECT_EQ(animation->getTrackCount(), core->getCoreSkeleton()->getVectorCoreBone().size());
        for (CalCoreTrack* track : animation->getListCoreTrack()) {
            CalCoreKeyframe* first = track->getCoreKeyframe(0);
            CalCoreKeyframe* last = track->getCoreKeyframe(track->getCoreKeyframeCount() - 1);
            EXPECT_NEAR(last->getTime(), animation->getDuration(), 1e-4f);
            EXPECT_NEAR((last->getTranslation() - first->getTranslation()).length(), 0.0f, 1e-5f);
            const CalQuaternion a = first->getRotation(), b = last->getRotation();
            EXPECT_NEAR(std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w), 1.0f, 1e-5f);
        }
    }
    const Bounds rest = posed(*core, -1, false, 0);
    // Walking and running keep the feet near the ground and the body whole.
    for (int id : {1, 2})
        for (float t : {0.15f, 0.4f, 0.77f}) {
            const Bounds b = posed(*core, id, true, t);
            EXPECT_GT(b.lo[2], -0.4f) << "animation " << id << " at " << t;
            EXPECT_LT(b.lo[2], 1.2f) << "animation " << id << " at " << t;
            EXPECT_LT(b.hi[1] - b.lo[1], (rest.hi[1] - rest.lo[1]) * 1.3f);
        }
    // Birth starts low on the ground and ends standing.
    EXPECT_LT(posed(*core, 0, false, 0.02f).hi[2], rest.hi[2] - 1.5f);
    EXPECT_NEAR(posed(*core, 0, false, 1.49f).hi[2], rest.hi[2], 0.1f);
    // The flinch moves it, and it's back at rest when the action is over.
    const Bounds hit = posed(*core, 3, false, 0.1f);
    EXPECT_GT(std::fabs(hit.hi[1] - rest.hi[1]) + std::fabs(hit.hi[2] - rest.hi[2]), 0.2f);
    // Dying: lying down within a second and still lying at the end of the loop.
    for (float t : {1.0f, 4.5f}) {
        const Bounds dead = posed(*core, 4, true, t);
        EXPECT_LT(dead.hi[2], rest.hi[2] * 0.7f) << t;
        EXPECT_GT(dead.lo[2], -0.6f) << t;
    }
}

TEST(ArtTest, BloomLoadsBackOpensAndWilts) {
    std::unique_ptr<CalCoreModel> core = loadBloom();
    ASSERT_EQ(core->getCoreAnimationCount(), 2);
    expectSoundMesh(*core, "bloom");
    const Bounds open = posed(*core, -1, false, 0);
    // Tiny in model space: the program scales it by 7 to 160.
    EXPECT_GT(open.radiusXY(), 0.09f);
    EXPECT_LT(open.radiusXY(), 0.16f);
    EXPECT_LT(open.lo[2], 0.0f) << "reaches down onto the stem's top";
    EXPECT_GT(open.lo[2], -0.02f);
    // A closed bud at the start of birth, and wilting petals hang below the rim.
    EXPECT_LT(posed(*core, 0, false, 0.02f).radiusXY(), open.radiusXY() * 0.7f);
    EXPECT_LT(posed(*core, 1, true, 2.0f).lo[2], open.lo[2] - 0.03f);
}

TEST(ArtTest, SceneNodesHaveThePlacementsTheProgramExpects) {
    // Ground: one 10 x 10 tile, top at z = 0, textured, with normals.
    osg::BoundingBox ground = boundsOf("groundtile.osg");
    EXPECT_NEAR(ground.xMin(), -5, 1e-4);
    EXPECT_NEAR(ground.xMax(), 5, 1e-4);
    EXPECT_NEAR(ground.yMin(), -5, 1e-4);
    EXPECT_NEAR(ground.yMax(), 5, 1e-4);
    EXPECT_NEAR(ground.zMax(), 0, 1e-4);
    EXPECT_GT(ground.zMin(), -0.2);
    osg::ref_ptr<osg::Node> tile = osgDB::readNodeFile(kModels + "groundtile.osg");
    ASSERT_TRUE(tile.valid());
    const osg::Geometry* geometry = tile->asGeode()->getDrawable(0)->asGeometry();
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->getNormalArray()->getNumElements(), geometry->getVertexArray()->getNumElements());
    auto texture = dynamic_cast<const osg::Texture2D*>(
        geometry->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    ASSERT_NE(texture, nullptr);
    EXPECT_NE(texture->getImage(), nullptr) << "groundtile.png found beside the model";

    // Stem: one 10-high segment from z = 0; thin, leaves included.
    osg::BoundingBox stem = boundsOf("stem.osg");
    EXPECT_NEAR(stem.zMin(), 0, 1e-4);
    EXPECT_NEAR(stem.zMax(), 10, 1e-3);
    EXPECT_LT(stem.xMax(), 2.0);

    // Seed: beside the centre along +y, about 0.2 wide in x for the ripeness scale.
    osg::BoundingBox seed = boundsOf("seed.osg");
    EXPECT_GT(seed.yMin(), 0.05);
    EXPECT_LT(seed.yMax(), 0.25);
    EXPECT_NEAR(seed.xMax() - seed.xMin(), 0.2, 0.1);
    EXPECT_NEAR(seed.center().x(), 0, 1e-3);

    // Pings: unit-high beams from the ground; the death ping brings its own look.
    for (const char* file : {"lifeping.osg", "deathping.osg"}) {
        osg::BoundingBox ping = boundsOf(file);
        EXPECT_NEAR(ping.zMin(), 0, 1e-3) << file;
        EXPECT_NEAR(ping.zMax(), 1, 1e-3) << file;
        EXPECT_LT(ping.xMax(), 0.6) << file;
        osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(kModels + file);
        ASSERT_TRUE(node.valid() && node->getStateSet()) << file;
        EXPECT_NE(node->getStateSet()->getAttribute(osg::StateAttribute::BLENDFUNC), nullptr) << file;
        EXPECT_NE(node->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL), nullptr) << file;
    }

    // Arrow: tip at the origin, body above it, half a unit high.
    osg::BoundingBox arrow = boundsOf("downarrow.osg");
    EXPECT_NEAR(arrow.zMin(), 0, 1e-4);
    EXPECT_NEAR(arrow.zMax(), 0.5, 0.02);
    EXPECT_NEAR(arrow.center().x(), 0, 1e-3);
}

unsigned trianglesOf(const std::string& file) {
    osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(kModels + file);
    unsigned count = 0;
    const osg::Geode* geode = node ? node->asGeode() : nullptr;
    for (unsigned d = 0; geode && d < geode->getNumDrawables(); ++d) {
        const osg::Geometry* geometry = geode->getDrawable(d)->asGeometry();
        const auto* vertices = static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
        for (unsigned p = 0; p < geometry->getNumPrimitiveSets(); ++p) {
            const osg::PrimitiveSet* set = geometry->getPrimitiveSet(p);
            for (unsigned i = 0; i + 2 < set->getNumIndices(); i += 3) {
                const osg::Vec3 &a = (*vertices)[set->index(i)], &b = (*vertices)[set->index(i + 1)],
                                &c = (*vertices)[set->index(i + 2)];
                count += ((b - a) ^ (c - a)).length2() > 0 ? 1 : 0;
            }
        }
    }
    return count;
}

TEST(ArtTest, FarShapesFillTheNearOnesPlaceInAFewTriangles) {
    for (const auto& [near, far] :
         std::vector<std::pair<std::string, std::string>>{{"stem.osg", "stem_far.osg"},
                                                          {"seed.osg", "seed_far.osg"},
                                                          {"lifeping.osg", "lifeping_far.osg"},
                                                          {"deathping.osg", "deathping_far.osg"}}) {
        osg::BoundingBox a = boundsOf(near);
        const osg::BoundingBox b = boundsOf(far);
        if (near == "seed.osg") {
            // The far seed has no stalk: its pod is where the near one's is.
            osg::ref_ptr<osg::Node> seed = osgDB::readNodeFile(kModels + near);
            a = seed->asGeode()->getDrawable(0)->getBoundingBox();
        }
        ASSERT_TRUE(a.valid() && b.valid()) << far;
        // Within a tenth of the near shape's size on every side.
        for (int axis = 0; axis < 3; ++axis) {
            const float size = std::max(a._max[axis] - a._min[axis], 0.05f);
            EXPECT_NEAR(b._min[axis], a._min[axis], 0.1f * size) << far << " axis " << axis;
            EXPECT_NEAR(b._max[axis], a._max[axis], 0.1f * size) << far << " axis " << axis;
        }
        const unsigned nearTriangles = trianglesOf(near), farTriangles = trianglesOf(far);
        EXPECT_GT(farTriangles, 0u) << far;
        EXPECT_LE(farTriangles * 3, nearTriangles) << far;
        osg::ref_ptr<osg::Node> nearNode = osgDB::readNodeFile(kModels + near);
        osg::ref_ptr<osg::Node> farNode = osgDB::readNodeFile(kModels + far);
        const bool nearTranslucent =
            nearNode->getStateSet() && nearNode->getStateSet()->getAttribute(osg::StateAttribute::BLENDFUNC);
        const bool farTranslucent =
            farNode->getStateSet() && farNode->getStateSet()->getAttribute(osg::StateAttribute::BLENDFUNC);
        EXPECT_EQ(farTranslucent, nearTranslucent) << far;
    }
    // The far stalk, though four-sided, is as wide as the round one on average: wider across
    // its corners than the round one's 0.3 at the foot.
    osg::ref_ptr<osg::Node> farStem = osgDB::readNodeFile(kModels + "stem_far.osg");
    ASSERT_TRUE(farStem.valid() && farStem->asGeode());
    const osg::BoundingBox stalk = farStem->asGeode()->getDrawable(0)->getBoundingBox();
    EXPECT_GT(stalk.xMax() - stalk.xMin(), 0.32f);
    EXPECT_LT(stalk.xMax() - stalk.xMin(), 0.36f);
}

TEST(ArtTest, MesherMakesClosedOutwardSurfacesAndSkinsAcrossJoints) {
    // A ball on one bone: vertices on the true surface, every edge shared by
    // exactly two faces (no holes), and faces wound to face outwards.
    SkinnedShape ball;
    ball.addEllipsoid({0, 0, 1}, {1, 1, 1}, 0, 0.1f);
    std::unique_ptr<CalCoreSubmesh> mesh(ball.polygonize(0.15f));
    const auto& vertices = mesh->getVectorVertex();
    ASSERT_GT(vertices.size(), 200u);
    std::map<std::pair<int, int>, int> edges;
    int inward = 0;
    for (const auto& v : vertices)
        EXPECT_NEAR((v.position - CalVector(0, 0, 1)).length(), 1.0f, 0.01f);
    for (const auto& f : mesh->getVectorFace()) {
        const CalVector a = vertices[f.vertexId[0]].position, b = vertices[f.vertexId[1]].position,
                        c = vertices[f.vertexId[2]].position;
        const CalVector normal = (b - a) % (c - a);
        inward += normal * (a - CalVector(0, 0, 1)) < 0;
        for (int k = 0; k < 3; ++k) {
            const int from = f.vertexId[k], to = f.vertexId[(k + 1) % 3];
            ++edges[{std::min(from, to), std::max(from, to)}];
        }
    }
    EXPECT_EQ(inward, 0);
    int open = 0;
    for (const auto& edge : edges)
        open += edge.second != 2;
    EXPECT_EQ(open, 0);

    // Two capsules on two bones: the far ends follow one bone only, the
    // joint between them is shared.
    SkinnedShape limb;
    limb.addCapsule({0, 0, 0}, 0.3f, {0, 0, 2}, 0.3f, 0, 0.2f);
    limb.addCapsule({0, 0, 2}, 0.3f, {0, 0, 4}, 0.3f, 1, 0.2f);
    std::unique_ptr<CalCoreSubmesh> skinned(limb.polygonize(0.1f));
    int sharedAtJoint = 0, mixedAtEnds = 0;
    for (const auto& v : skinned->getVectorVertex()) {
        if (std::fabs(v.position.z - 2) < 0.1f)
            sharedAtJoint += v.vectorInfluence.size() == 2;
        if (v.position.z < 0.5f || v.position.z > 3.5f)
            mixedAtEnds += v.vectorInfluence.size() != 1 && v.vectorInfluence[0].weight < 0.9f;
    }
    EXPECT_GT(sharedAtJoint, 10);
    EXPECT_EQ(mixedAtEnds, 0);
}

TEST(ArtTest, CalRotationsTurnTheWayTheSceneGraphDoes) {
    // The animations are written as scene-graph rotations; Cal3D must turn a
    // point the same way, or every limb would swing backwards.
    const osg::Quat q = CalArt::turn(30, osg::Vec3(1, 0, 0)) * CalArt::turn(50, osg::Vec3(0, 0, 1));
    const osg::Vec3 expected = q * osg::Vec3(0.3f, -0.5f, -2.0f);
    CalVector v(0.3f, -0.5f, -2.0f);
    v *= CalArt::toCal(q);
    EXPECT_NEAR(v.x, expected.x(), 1e-5f);
    EXPECT_NEAR(v.y, expected.y(), 1e-5f);
    EXPECT_NEAR(v.z, expected.z(), 1e-5f);
}
