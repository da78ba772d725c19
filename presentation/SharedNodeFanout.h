#pragma once

#include <osg/Group>
#include <osg/ref_ptr>

#include <vector>

// Thousands of plants show the same stem and seed nodes. A node keeps a list of
// its parents that every removal searches, so hanging one node under every
// plant makes each death cost as much as the whole meadow. Each plant takes a
// small holder group instead: the shared node has a few holders as parents and
// each holder a bounded number of plants.
class SharedNodeFanout {
public:
    static constexpr unsigned PARENTS_PER_HOLDER = 32;

    // A holder of the shared node with room for one more parent (the node itself when null).
    static osg::Node* holderFor(osg::Node* shared);

private:
    explicit SharedNodeFanout(osg::Node* shared) : shared(shared) {}
    osg::Group* holder();

    osg::ref_ptr<osg::Node> shared;
    std::vector<osg::ref_ptr<osg::Group>> holders;
    size_t current = 0;
};
