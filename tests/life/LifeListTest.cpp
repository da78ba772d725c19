// A tile's list of lives walks as a linked list does: each successor is taken before the visit.
#include "life/LifeList.h"
#include "life/Life.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

std::vector<osg::ref_ptr<Life>> makeLives(int count) {
    std::vector<osg::ref_ptr<Life>> lives;
    for (int id = 1; id <= count; ++id)
        lives.push_back(new Life(id, nullptr, osg::Vec3d(), 10, 10));
    return lives;
}

std::vector<int> ids(const LifeList& list) {
    std::vector<int> result;
    for (Life* life : list)
        result.push_back(life->getId());
    return result;
}

} // namespace

TEST(LifeList, LeavingAndArrivingDuringAWalkFollowTheLinkedListsRules) {
    const std::vector<osg::ref_ptr<Life>> lives = makeLives(6);
    Life *a = lives[0].get(), *b = lives[1].get(), *c = lives[2].get(), *d = lives[3].get(),
         *e = lives[4].get(), *f = lives[5].get();
    LifeList list;
    for (Life* life : {a, b, c})
        list.push_back(life);

    // a leaves in its own visit; b and c bring newcomers while others follow them, so those are met;
    // e, met last, brings f after the walk has reached its end, so f waits for the next walk.
    const std::map<Life*, Life*> brings{{b, d}, {c, e}, {e, f}};
    std::vector<int> visited;
    list.walk([&](Life* life) {
        visited.push_back(life->getId());
        if (life == a) {
            EXPECT_TRUE(list.remove(a));
        }
        if (brings.count(life))
            list.push_back(brings.at(life));
    });
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ids(list), (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(list.size(), 5u);

    EXPECT_FALSE(list.remove(a)) << "a life not in the list is not found";
    EXPECT_TRUE(list.remove(d));
    EXPECT_EQ(ids(list), (std::vector<int>{2, 3, 5, 6})) << "the others keep their order";
    EXPECT_EQ(list.front(), b);
    EXPECT_EQ(list.back(), f);

    // A visit that takes another life out does not lead the walk to it.
    visited.clear();
    list.walk([&](Life* life) {
        visited.push_back(life->getId());
        if (life == b)
            list.remove(c);
    });
    EXPECT_EQ(visited, (std::vector<int>{2, 5, 6}));

    for (Life* life : {b, e, f})
        EXPECT_TRUE(list.remove(life));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.front(), nullptr);
    EXPECT_EQ(list.back(), nullptr);
    list.walk([](Life*) { ADD_FAILURE() << "an empty list has nothing to visit"; });
}

TEST(LifeList, KnowsWhetherEveryListedIdIsValidAsLivesComeAndGo) {
    std::vector<osg::ref_ptr<Life>> lives = makeLives(2);
    lives.push_back(new Life(-1, nullptr, osg::Vec3d(), 10, 10));
    LifeList list;
    list.push_back(lives[0].get());
    EXPECT_TRUE(list.allValid());
    list.push_back(lives[2].get());
    list.push_back(lives[1].get());
    EXPECT_FALSE(list.allValid());
    // Taken out during a walk, it leaves a hole but no longer counts.
    list.walk([&](Life* life) {
        if (life == lives[2].get())
            list.remove(life);
    });
    EXPECT_TRUE(list.allValid());
    EXPECT_FALSE(list.remove(lives[2].get())) << "gone already: nothing to count again";
    EXPECT_TRUE(list.allValid());
}

TEST(LifeList, AChosenWalkMeetsOnlyListedLivesInListOrder) {
    const std::vector<osg::ref_ptr<Life>> lives = makeLives(5);
    LifeList list;
    for (int i = 0; i < 4; ++i)
        list.push_back(lives[i].get());
    // Chosen out of order, with one that is not listed here at all.
    std::vector<Life*> chosen{lives[3].get(), lives[4].get(), lives[0].get(), lives[2].get()};
    std::vector<int> visited;
    list.walkChosen(chosen, [&](Life* life) {
        visited.push_back(life->getId());
        if (life == lives[0].get()) {
            EXPECT_TRUE(list.remove(life));
        }
    });
    EXPECT_EQ(visited, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ids(list), (std::vector<int>{2, 3, 4}));
    // The hole is closed: list order and places agree again for the next chosen walk.
    chosen = {lives[3].get(), lives[1].get()};
    visited.clear();
    list.walkChosen(chosen, [&](Life* life) { visited.push_back(life->getId()); });
    EXPECT_EQ(visited, (std::vector<int>{2, 4}));
}
