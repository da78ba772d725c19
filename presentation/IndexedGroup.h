#pragma once

#include <osg/Group>

#include <unordered_map>

// A group that removes a child in constant time: the last child takes the
// removed one's place. Thousands of organisms and markers come and go every
// second, and osg::Group's own removal searches and shifts the whole list.
// Child order carries no meaning here.
class IndexedGroup : public osg::Group {
public:
    IndexedGroup() = default;

    bool addChild(osg::Node* child) override;
    bool insertChild(unsigned int index, osg::Node* child) override;
    bool removeChildren(unsigned int pos, unsigned int count) override;
    bool replaceChild(osg::Node* original, osg::Node* replacement) override;
    bool setChild(unsigned int index, osg::Node* node) override;
    using osg::Group::removeChild;
    bool removeChild(osg::Node* child) override;
    unsigned int getChildIndex(const osg::Node* node) const;
    bool containsNode(const osg::Node* node) const;

protected:
    ~IndexedGroup() override = default;

private:
    void reindexFrom(unsigned int pos);

    std::unordered_map<const osg::Node*, unsigned int> index;
};
