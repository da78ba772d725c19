// A beam batch draws every beam of one look as one shape: its corners, its bound and its time.
#include "DrawnWorldFixture.h"

#include <algorithm>

// Beams of one look share one shape: each keeps its own corners and its own time, and the
// ones that live on keep their order when others go.
TEST_F(DrawnWorldFixture, BeamsOfOneLookShareAShapeAndLiveTheirTicks) {
    const unsigned children = world->getMarkerGroup()->getNumChildren();
    world->addTimedBeam({0, 0, 0}, {100, 0, 0}, 4.0f, {0, 0, 0}, 0.1f, 1);
    world->addTimedBeam({10, 20, 5}, {10, 120, 5}, 2.0f, {1, 0, 0}, 0.5f, 2);
    world->addTimedBeam({0, 0, 7}, {0, 80, 7}, 4.0f, {0, 0, 0}, 0.1f, 3);
    ASSERT_EQ(world->getBeamBatches().size(), 2u);
    EXPECT_EQ(world->getMarkerGroup()->getNumChildren(), children + 2) << "one shape per look";
    EXPECT_EQ(world->getTimedMarkerCount(), 3u);
    const BeamBatch& black = world->getBeamBatches()[0];
    const BeamBatch& red = world->getBeamBatches()[1];
    ASSERT_EQ(red.getCorners().size(), 4u);
    // Across a beam along +y the half width lies along -x / +x, lifted 0.5 above its height.
    const osg::Vec3Array& v = red.getCorners();
    EXPECT_NEAR(v[0].x(), 11, 1e-4);
    EXPECT_NEAR(v[1].x(), 9, 1e-4);
    EXPECT_NEAR(v[1].y(), 120, 1e-4);
    EXPECT_NEAR(v[3].y(), 20, 1e-4);
    EXPECT_NEAR(v[3].z(), 5.5, 1e-4);
    EXPECT_TRUE(red.getNode()->getBound().contains(osg::Vec3(10, 70, 5.5)));

    world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkerCount(), 2u);
    ASSERT_EQ(black.getCorners().size(), 4u);
    EXPECT_NEAR(black.getCorners()[0].z(), 7.5, 1e-4) << "the longer-lived black beam closed up";
    EXPECT_TRUE(black.getNode()->getBound().contains(osg::Vec3(0, 40, 7.5))) << "the bound follows";
    EXPECT_FALSE(black.getNode()->getBound().contains(osg::Vec3(90, 0, 0.5)));
    world->ageTimedMarkers();
    EXPECT_EQ(red.size(), 0u);
    EXPECT_EQ(red.getNode()->getNodeMask(), 0u) << "an empty shape is not drawn";
    EXPECT_EQ(black.size(), 1u);
    world->ageTimedMarkers();
    EXPECT_EQ(world->getTimedMarkerCount(), 0u);
    world->addTimedBeam({0, 0, 0}, {1, 1, 0}, 1.0f, {1, 0, 0}, 0.5f, 1);
    EXPECT_EQ(world->getBeamBatches().size(), 2u) << "a look seen before reuses its shape";
    EXPECT_NE(red.getNode()->getNodeMask(), 0u);
}

// A beam between two heights lies flat at the first point's height, lifted by 0.5.
TEST_F(DrawnWorldFixture, ABeamLiesAtItsFirstPointsHeight) {
    world->addTimedBeam({0, 0, 3}, {100, 0, 40}, 4.0f, {0, 1, 0}, 0.3f, 1);
    const osg::Vec3Array& corners = world->getBeamBatches().back().getCorners();
    ASSERT_EQ(corners.size(), 4u);
    for (const osg::Vec3& corner : corners)
        EXPECT_FLOAT_EQ(corner.z(), 3.5f);
    EXPECT_NEAR(std::max(corners[0].x(), corners[1].x()), 100, 1e-4) << "and still reaches the second point";
}
