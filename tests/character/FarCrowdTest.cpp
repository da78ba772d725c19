#include "presentation/DrawnWorldFixture.h"

#include "character/CardAtlas.h"
#include "character/CoreModel.h"
#include "character/FarCrowd.h"
#include "character/MeshCrowd.h"
#include "character/SkinData.h"
#include "presentation/EmissiveState.h"
#include "presentation/ModelCatalogue.h"

#include <osg/FrameStamp>
#include <osg/Material>
#include <osgUtil/IntersectVisitor>
#include <osgUtil/SceneView>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using character::CardAtlas;
using character::FarCrowd;
using character::Model;

namespace {

class FarCrowdTest : public DrawnWorldFixture {
protected:
    void SetUp() override {
        DrawnWorldFixture::SetUp();
        character::CrowdBatch::assumeCapableContext(true);
    }
    void TearDown() override {
        character::CrowdBatch::assumeCapableContext(false);
        DrawnWorldFixture::TearDown();
    }

    // Culls the whole scene as the window would, looking at a point from a distance.
    void cullFrom(const osg::Vec3d& target, double distance) {
        view = new osgUtil::SceneView;
        view->setDefaults();
        view->setSceneData(root.get());
        view->setViewport(0, 0, 800, 600);
        view->setProjectionMatrixAsPerspective(30.0, 800.0 / 600.0, 1.0, 100000.0);
        viewMatrix =
            osg::Matrixd::lookAt(target + osg::Vec3d(0, -distance, distance), target, osg::Vec3d(0, 0, 1));
        view->setViewMatrix(viewMatrix);
        osg::ref_ptr<osg::FrameStamp> stamp = new osg::FrameStamp;
        stamp->setFrameNumber(++frame);
        view->setFrameStamp(stamp.get());
        view->cull();
    }

    FarCrowd* crowdOf(Life* life) { return WorldScene::modelOf(*life)->getFarCrowd(); }

    osg::ref_ptr<osgUtil::SceneView> view;
    osg::Matrixd viewMatrix;
    unsigned frame = 0;
};

// The columns of covered texels of one atlas frame.
std::pair<int, int> coveredColumns(const CardAtlas& atlas, int column, int row) {
    int first = CardAtlas::framePixels, last = -1;
    for (int y = 0; y < CardAtlas::framePixels; ++y)
        for (int x = 0; x < CardAtlas::framePixels; ++x)
            if (atlas.getImage()->data(column * CardAtlas::framePixels + x,
                                       row * CardAtlas::framePixels + y)[3]) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

} // namespace

namespace {

void expectFramesShowTheMesh(character::CoreModel& model) {
    character::CoreModel* core = &model;
    osg::ref_ptr<character::SkinData> mesh = new character::SkinData(*core->getCalCoreModel());
    const character::SkinData& skin = *mesh;
    const CardAtlas& atlas = core->getFarCrowd()->getAtlas();
    const osg::Vec3 centre = atlas.getBound().center();
    const float toPixels = CardAtlas::framePixels * 0.5f / atlas.getBound().radius();
    for (int row = 0; row < CardAtlas::rows; ++row)
        for (int column = 0; column < CardAtlas::columns; ++column) {
            const CardAtlas::View v = CardAtlas::view(column, row);
            EXPECT_NEAR(v.dir * v.right, 0.0f, 1e-5f);
            EXPECT_NEAR(v.dir * v.up, 0.0f, 1e-5f);
            EXPECT_NEAR(v.up.length(), 1.0f, 1e-5f);
            EXPECT_GT(v.up.z(), 0.0f) << "the picture stands upright";
            // The outline spans exactly what the mesh spans across this direction.
            float low = 1e9f, high = -1e9f;
            for (const auto& submesh : skin.getSubmeshes())
                for (const osg::Vec3& p : *submesh.bindVertices) {
                    low = std::min(low, (p - centre) * v.right);
                    high = std::max(high, (p - centre) * v.right);
                }
            const auto [first, last] = coveredColumns(atlas, column, row);
            EXPECT_NEAR(first, CardAtlas::framePixels * 0.5f + low * toPixels, 3.0f) << column << "," << row;
            EXPECT_NEAR(last + 1, CardAtlas::framePixels * 0.5f + high * toPixels, 3.0f)
                << column << "," << row;
        }
}

} // namespace

TEST_F(FarCrowdTest, AtlasFramesShowTheMeshFromTheirOwnSide) {
    for (const auto& core : {world->getModels()->getHerbivoreCore(), world->getModels()->getCarnivoreCore(),
                             world->getModels()->getPlantCore()})
        expectFramesShowTheMesh(*core);
}

TEST_F(FarCrowdTest, FarCharactersJoinTheirCrowdInTheirOwnColourAndNearOnesDrawThemselves) {
    const osg::Vec3d at(300, 300, 0);
    Animal* herbivore = spawnAnimal(KIND_HERBIVORE, at, 30, 10, 40);
    const osg::Vec4 genome(10 / 100.0f + 0.5f, 30 / 100.0f + 0.5f, 40 / 100.0f + 0.5f, 1.0f);
    FarCrowd* crowd = crowdOf(herbivore);
    ASSERT_TRUE(crowd);

    cullFrom(at, 4000);
    ASSERT_EQ(crowd->getCount(), 1u);
    EXPECT_EQ(crowd->getEmission(0), genome);
    // The card stands where the animal does: the rows carry its origin into eye space.
    const osg::Vec3d eye = herbivore->getPosition() * viewMatrix;
    for (int r = 0; r < 3; ++r)
        EXPECT_NEAR(crowd->getRow(0, r).w(), eye[r], 1e-3) << "row " << r;
    // What the pick ray walks is still there, in the same place.
    osg::ref_ptr<osg::LineSegment> ray =
        new osg::LineSegment(at + osg::Vec3d(0, 0, 200), at - osg::Vec3d(0, 0, 1));
    osgUtil::IntersectVisitor picker;
    picker.addLineSegment(ray.get());
    herbivore->getTransform()->accept(picker);
    EXPECT_FALSE(picker.getHitList(ray.get()).empty());

    // Each frame starts a new batch: a character met again is not counted twice.
    cullFrom(at, 4000);
    EXPECT_EQ(crowd->getCount(), 1u);

    cullFrom(at, 150);
    EXPECT_EQ(crowd->getCount(), 0u);
    EXPECT_EQ(WorldScene::modelOf(*herbivore)->getDetail(), Model::Detail::fine);

    character::CrowdBatch::assumeCapableContext(false);
    cullFrom(at, 4000);
    EXPECT_EQ(crowd->getCount(), 0u) << "without a context able to draw the batch";
    EXPECT_EQ(WorldScene::modelOf(*herbivore)->getDetail(), Model::Detail::far);
}

TEST_F(FarCrowdTest, EachCoreHasItsOwnCrowdAheadOfTheOrganisms) {
    Animal* herbivore = spawnAnimal(KIND_HERBIVORE, {100, 100, 0});
    Animal* carnivore = spawnAnimal(KIND_CARNIVORE, {120, 100, 0});
    Plant* plant = spawnPlant({140, 100, 0});
    const std::set<FarCrowd*> crowds = {crowdOf(herbivore), crowdOf(carnivore), crowdOf(plant)};
    EXPECT_EQ(crowds.size(), 3u);
    cullFrom({120, 100, 0}, 5000);
    for (FarCrowd* crowd : crowds)
        EXPECT_EQ(crowd->getCount(), 1u);
    const unsigned crowdsAt = root->getChildIndex(world->getModels()->getCrowds().get());
    EXPECT_LT(crowdsAt, root->getChildIndex(world->getTiles()->getRoot()));
}

// The shared shapes' batches in the order the catalogue makes them: each near one, then its far one.
struct SharedBatches {
    character::MeshCrowd *stems, *farStems, *seeds, *farSeeds, *lifePings, *farLifePings, *deathPings,
        *farDeathPings;
};

SharedBatches sharedBatches(const ModelCatalogue& models) {
    std::vector<character::MeshCrowd*> found;
    const osg::ref_ptr<osg::Group> crowds = models.getCrowds();
    for (unsigned i = 0; i < crowds->getNumChildren(); ++i)
        if (auto* mesh = dynamic_cast<character::MeshCrowd*>(crowds->getChild(i)))
            found.push_back(mesh);
    EXPECT_EQ(found.size(), 8u) << "stems, seeds, life and death pings, each near and far";
    found.resize(8, nullptr);
    return {found[0], found[1], found[2], found[3], found[4], found[5], found[6], found[7]};
}

TEST_F(FarCrowdTest, StemsAndSeedsJoinTheirBatchesInWhiteAndStayWhereThePickRayFindsThem) {
    const osg::Vec3d at(500, 500, 0);
    Plant* plant = spawnPlant(at);
    const SharedBatches batches = sharedBatches(*world->getModels());
    ASSERT_TRUE(batches.farDeathPings);
    EXPECT_EQ(batches.stems->getNumDrawables(),
              world->getModels()->getStemNode()->asGeode()->getNumDrawables());

    cullFrom(at, 30);
    ASSERT_EQ(batches.stems->getCount(), 1u) << "a stem seen from close by has all its sides";
    EXPECT_EQ(batches.farStems->getCount(), 0u);
    EXPECT_EQ(batches.stems->getEmission(0), osg::Vec4(1, 1, 1, 1));
    osg::ref_ptr<osg::LineSegment> ray =
        new osg::LineSegment(at + osg::Vec3d(0.5, 0, 3), at + osg::Vec3d(0.5, 0, 1) + osg::Vec3d(0, 200, 0));
    osgUtil::IntersectVisitor picker;
    picker.addLineSegment(ray.get());
    plant->getTransform()->accept(picker);
    EXPECT_FALSE(picker.getHitList(ray.get()).empty()) << "the stem is still there to be picked";

    cullFrom(at, 5000);
    EXPECT_EQ(batches.stems->getCount(), 0u);
    ASSERT_EQ(batches.farStems->getCount(), 1u) << "a stem a few pixels wide, in a few triangles";
    EXPECT_EQ(batches.farStems->getEmission(0), osg::Vec4(1, 1, 1, 1));
    const osg::Vec3d eye = plant->getPosition() * viewMatrix;
    EXPECT_NEAR(batches.farStems->getRow(0, 2).w(), eye.z(), 1.0) << "where the stem stands";

    character::CrowdBatch::assumeCapableContext(false);
    cullFrom(at, 300);
    EXPECT_EQ(batches.stems->getCount() + batches.farStems->getCount(), 0u)
        << "without a context able to draw the batch";
}

TEST_F(FarCrowdTest, PingsJoinTranslucentBatchesInTheirOwnColourFarthestFirst) {
    const osg::Vec3d at(500, 500, 0);
    const SharedBatches batches = sharedBatches(*world->getModels());
    ASSERT_TRUE(batches.farDeathPings);
    EXPECT_TRUE(batches.lifePings->isTranslucent() && batches.farDeathPings->isTranslucent());
    EXPECT_FALSE(batches.stems->isTranslucent() || batches.farSeeds->isTranslucent());

    // Two births, the second nearer the camera, which looks from -y; and a death.
    const osg::Vec3f first(0.9f, 0.2f, 0.1f), second(0.1f, 0.3f, 0.9f);
    world->lifePing(at + osg::Vec3d(0, 40, 0), first);
    world->lifePing(at - osg::Vec3d(0, 40, 0), second);
    world->deathPing(at);
    cullFrom(at, 6000);
    EXPECT_EQ(batches.lifePings->getCount(), 0u);
    ASSERT_EQ(batches.farLifePings->getCount(), 2u);
    ASSERT_EQ(batches.farDeathPings->getCount(), 1u);
    osg::Vec4 own = character::CrowdBatch::emissionAlong({world->getModels()->getDeathPingNode().get()});
    EXPECT_EQ(batches.farDeathPings->getEmission(0), own) << "the death ping's own glow";

    batches.farLifePings->putFarthestFirst();
    EXPECT_EQ(batches.farLifePings->getEmission(0), osg::Vec4(first, 1)) << "the farther one first";
    EXPECT_EQ(batches.farLifePings->getEmission(1), osg::Vec4(second, 1));
    EXPECT_LT(batches.farLifePings->getRow(0, 2).w(), batches.farLifePings->getRow(1, 2).w());

    cullFrom(at, 60);
    EXPECT_EQ(batches.farLifePings->getCount(), 0u);
    EXPECT_EQ(batches.lifePings->getCount(), 2u) << "close by, the pings have all their sides";
}

TEST(CrowdBatchTest, TheOutermostOverridingMaterialGivesTheColour) {
    osg::ref_ptr<osg::Group> outer = new osg::Group, inner = new osg::Group;
    osg::ref_ptr<osg::Node> leaf = new osg::Node;
    const osg::NodePath path = {outer.get(), inner.get(), leaf.get()};
    EXPECT_EQ(character::CrowdBatch::emissionAlong(path), osg::Vec4(0, 0, 0, 1)) << "no material at all";
    leaf->setStateSet(EmissiveState::make(osg::Vec4(0.6f, 0.7f, 0.8f, 1)).get());
    EXPECT_EQ(character::CrowdBatch::emissionAlong(path), osg::Vec4(0.6f, 0.7f, 0.8f, 1));
    osg::ref_ptr<osg::Material> plain = new osg::Material;
    plain->setEmission(osg::Material::FRONT_AND_BACK, osg::Vec4(0, 0, 1, 1));
    inner->getOrCreateStateSet()->setAttribute(plain.get());
    EXPECT_EQ(character::CrowdBatch::emissionAlong(path), osg::Vec4(0.6f, 0.7f, 0.8f, 1))
        << "a plain parent gives way";
    outer->setStateSet(EmissiveState::make(osg::Vec4(1, 0, 0, 1)).get());
    EXPECT_EQ(character::CrowdBatch::emissionAlong(path), osg::Vec4(1, 0, 0, 1))
        << "a withering plant shows red";
}
