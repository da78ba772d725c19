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

TEST_F(LineageWatchTest, ALongRunForgetsTheDeadYetStillFindsTheLivingDescendants) {
    LineageWatch watch;
    watch.attach(*world);
    const auto offspring = [this](Animal* parent) {
        noMutationNext();
        tile(0, 0)->spawnAnimal(KIND_HERBIVORE, parent->getPosition(), 20, 20, 20, 50, 50, 1, parent);
        return static_cast<Animal*>(tile(0, 0)->getAnimals().back());
    };
    const auto remove = [this](Animal* dying) {
        const int id = dying->getId();
        while (world->getLives().count(id) != 0)
            dying->die();
    };
    // Two lines of 20,000 generations each, every parent leaving the board once its child is born;
    // the founder of the first is selected, and one of the second is selected only at the end.
    Animal* founder = spawnAnimal(KIND_HERBIVORE, osg::Vec3d(100, 100, 0));
    Animal* other = spawnAnimal(KIND_HERBIVORE, osg::Vec3d(120, 100, 0));
    watch.follow(founder->getId());
    Animal* first = offspring(founder);
    Animal* second = offspring(other);
    Animal* secondsAncestor = second;
    second = offspring(second);
    for (int generation = 0; generation < 20000; ++generation) {
        Animal* next = offspring(first);
        remove(first);
        first = next;
        next = offspring(second);
        remove(second);
        second = next;
    }
    remove(founder);
    EXPECT_LT(watch.known(), 3u * LineageWatch::FEWEST_PRUNED) << "40,000 dead are not all kept";
    EXPECT_EQ(watch.livingDescendants(*world), 1) << "the founder's line, through 20,000 dead";

    // One still on the board, generations above a living one: found through the dead between.
    Animal* sideline = offspring(second);
    watch.follow(secondsAncestor->getId());
    EXPECT_EQ(watch.livingDescendants(*world), 2) << "the line's last and its newborn";
    EXPECT_EQ(world->getLives().count(sideline->getId()), 1u);
}
