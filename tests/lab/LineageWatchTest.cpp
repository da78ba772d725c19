// The lab's watch over a lineage: descendants found after the fact, followed as they are born, and
// still marked once their ancestor and the organisms between have died.
#include "WorldFixture.h"

#include "lab/LineageWatch.h"

using LineageWatchTest = WorldFixture;

TEST_F(LineageWatchTest, FindsAndMarksTheLivingDescendantsThroughDeadAncestors) {
    LineageWatch watch;
    watch.attach(*world);
    Animal* founder = spawnAnimal(KIND_HERBIVORE, osg::Vec3d(100, 100, 0));
    Animal* stranger = spawnAnimal(KIND_HERBIVORE, osg::Vec3d(120, 100, 0));
    const auto offspring = [this](Animal* parent) {
        noMutationNext();
        tile(0, 0)->spawnAnimal(KIND_HERBIVORE, parent->getPosition(), 20, 20, 20, 50, 50, 1, parent);
        return static_cast<Animal*>(tile(0, 0)->getAnimals().back());
    };
    Animal* child = offspring(founder);
    Animal* grandchild = offspring(child);
    offspring(stranger);
    watch.follow(founder->getId());
    EXPECT_EQ(watch.livingDescendants(*world), 2) << "found from the parents known so far";
    offspring(grandchild);
    EXPECT_EQ(watch.livingDescendants(*world), 3) << "a birth in the lineage joins it at once";

    // The founder and its child die: the two below them still count and are still marked.
    const int grandchildId = grandchild->getId();
    // Dying ends in the organism's removal, so its id is taken before, never read from it after.
    for (Animal* dying : {founder, child}) {
        const int id = dying->getId();
        while (world->getLives().count(id) != 0)
            dying->die();
    }
    EXPECT_EQ(watch.livingDescendants(*world), 2);
    watch.drawMarks(*world);
    const auto* geode = watch.getMarks()->asGeode();
    const auto* points =
        static_cast<const osg::Vec3Array*>(geode->getDrawable(0)->asGeometry()->getVertexArray());
    ASSERT_EQ(points->size(), 4u) << "a pin of two points each";
    EXPECT_FLOAT_EQ((*points)[1].z() - (*points)[0].z(), LineageWatch::PIN_HEIGHT);
    EXPECT_EQ(world->getLives().count(grandchildId), 1u);

    watch.follow(stranger->getId());
    EXPECT_EQ(watch.livingDescendants(*world), 1);
    watch.follow(-1);
    watch.drawMarks(*world);
    EXPECT_EQ(points->size(), 0u) << "nothing followed, nothing marked";
}
