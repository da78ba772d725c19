#include "character/Model.h"
#include "character/SkinData.h"
#include "presentation/ModelCatalogue.h"

#include <osg/Geometry>

#include <gtest/gtest.h>

#include <cmath>

using character::Model;
using character::SkinData;

namespace {

struct Mesh {
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
};

// A closed unit sphere of rings × sides quads, counter-clockwise seen from outside.
Mesh sphere(int rings, int sides) {
    Mesh m;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < sides; ++s) {
            const double a = M_PI * r / rings, b = 2 * M_PI * s / sides;
            const osg::Vec3 p(std::sin(a) * std::cos(b), std::sin(a) * std::sin(b), std::cos(a));
            m.vertices->push_back(p);
            m.normals->push_back(p);
        }
    auto at = [&](int r, int s) { return unsigned(r * sides + (s % sides)); };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            for (unsigned i : {at(r, s), at(r + 1, s), at(r + 1, s + 1)})
                m.triangles->push_back(i);
            for (unsigned i : {at(r, s), at(r + 1, s + 1), at(r, s + 1)})
                m.triangles->push_back(i);
        }
    return m;
}

} // namespace

TEST(DetailTest, CoarseTrianglesKeepTheShapeOnFewerFacesAndSmallMeshesStayAsTheyAre) {
    const Mesh fine = sphere(40, 48);
    const osg::ref_ptr<osg::DrawElementsUInt> coarse =
        SkinData::coarsen(*fine.vertices, *fine.normals, *fine.triangles);
    ASSERT_TRUE(coarse);
    EXPECT_LE(coarse->size() * 2, fine.triangles->size());
    EXPECT_GT(coarse->size(), fine.triangles->size() / 20) << "still a surface, not a handful of faces";
    osg::BoundingBox kept;
    size_t outwards = 0;
    for (size_t i = 0; i + 2 < coarse->size(); i += 3) {
        const unsigned a = (*coarse)[i], b = (*coarse)[i + 1], c = (*coarse)[i + 2];
        ASSERT_LT(std::max({a, b, c}), fine.vertices->size());
        EXPECT_TRUE(a != b && b != c && a != c) << "no flat triangles";
        const osg::Vec3 &pa = (*fine.vertices)[a], &pb = (*fine.vertices)[b], &pc = (*fine.vertices)[c];
        outwards += ((pb - pa) ^ (pc - pa)) * (pa + pb + pc) > 0;
        kept.expandBy(pa);
    }
    // Merging may fold a sliver over near the poles; the surface as a whole still faces out.
    EXPECT_GT(outwards * 3 * 100, coarse->size() * 95);
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_GT(kept._max[axis] - kept._min[axis], 1.8f) << "the sphere keeps its size along axis " << axis;

    const Mesh small = sphere(6, 8);
    EXPECT_FALSE(SkinData::coarsen(*small.vertices, *small.normals, *small.triangles));
}

TEST(DetailTest, ACharacterSwapsToItsCoarseAndFarTrianglesAndBack) {
    ModelCatalogue catalogue;
    for (const auto& core :
         {catalogue.getHerbivoreCore(), catalogue.getCarnivoreCore(), catalogue.getPlantCore()}) {
        osg::ref_ptr<Model> model = new Model;
        ASSERT_TRUE(model->create(core.get()));
        const osg::Geometry* geometry = model->getDrawable(0)->asGeometry();
        const osg::PrimitiveSet* fine = geometry->getPrimitiveSet(0);
        EXPECT_EQ(model->getDetail(), Model::Detail::fine);
        model->showDetail(Model::Detail::coarse);
        const osg::PrimitiveSet* coarse = geometry->getPrimitiveSet(0);
        EXPECT_LT(coarse->getNumIndices() * 2, fine->getNumIndices());
        model->showDetail(Model::Detail::far);
        const osg::PrimitiveSet* far = geometry->getPrimitiveSet(0);
        EXPECT_LT(far->getNumIndices() * 2, coarse->getNumIndices());
        EXPECT_GE(far->getNumIndices(), 3u * 40) << "still an outline, not a few shards";
        model->showDetail(Model::Detail::fine);
        EXPECT_EQ(geometry->getPrimitiveSet(0), fine);
    }

    osg::ref_ptr<Model> broken = new Model;
    EXPECT_FALSE(broken->create(nullptr));
    broken->showDetail(Model::Detail::far); // draws nothing either way
    EXPECT_EQ(broken->getNumDrawables(), 0u);
}
