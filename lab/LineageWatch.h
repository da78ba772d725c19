#pragma once

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>

#include <unordered_map>
#include <unordered_set>

class Life;
class World;

// Follows who descends from whom while the lab runs, so that the selected organism's living
// descendants can be counted and marked on the board even after the organism itself has died.
// Knows the parent of every organism born since the lab began and of those it began with; from time
// to time the dead are dropped and each organism on the board is linked to its nearest ancestor on it.
class LineageWatch {
public:
    // The marks are pins standing this high over each descendant.
    static constexpr float PIN_HEIGHT = 90.0f;
    static const osg::Vec4 PIN_COLOUR;
    // Below this many parents held, nothing is dropped.
    static constexpr size_t FEWEST_PRUNED = 4096;

    LineageWatch();
    // Learns the parents of the world's organisms and is told of every birth from now on.
    void attach(World& world);
    // The organism whose descendants are followed; recomputed when it changes.
    void follow(int id);
    int getFollowed() const { return followed; }
    int livingDescendants(World& world) const;
    // How many organisms' parents are held.
    size_t known() const { return parentOf.size(); }

    osg::Node* getMarks() const { return marks.get(); }
    // Places a pin over every living descendant of the followed organism.
    void drawMarks(World& world);

private:
    void born(const Life& life);
    bool descends(int id) const;
    // Drops the parents of the dead whose lines have all ended, once the map has doubled since the
    // last time: a birth costs little on average however long the lab runs.
    void prune();

    World* world = nullptr;
    size_t pruneAt = FEWEST_PRUNED;

    std::unordered_map<int, int> parentOf;
    std::unordered_set<int> descendants;
    int followed = -1;
    osg::ref_ptr<osg::Geode> marks;
    osg::ref_ptr<osg::Geometry> pins;
};
