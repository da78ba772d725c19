#include "presentation/IndexedGroup.h"

bool IndexedGroup::addChild(osg::Node* child) {
    if (!child || index.count(child))
        return false;
    if (!osg::Group::addChild(child))
        return false;
    index[child] = getNumChildren() - 1;
    return true;
}

bool IndexedGroup::insertChild(unsigned int at, osg::Node* child) {
    if (!child || index.count(child))
        return false;
    if (!osg::Group::insertChild(at, child))
        return false;
    reindexFrom(std::min(at, getNumChildren() - 1));
    return true;
}

bool IndexedGroup::removeChild(osg::Node* child) {
    auto found = index.find(child);
    if (found == index.end())
        return false;
    const unsigned int pos = found->second;
    const unsigned int last = getNumChildren() - 1;
    index.erase(found);
    if (pos != last) {
        osg::ref_ptr<osg::Node> moved = getChild(last);
        // The moved child stands twice for a moment; dropping the tail entry leaves it once, at pos.
        osg::Group::setChild(pos, moved.get());
        index[moved.get()] = pos;
    }
    return osg::Group::removeChildren(last, 1);
}

bool IndexedGroup::removeChildren(unsigned int pos, unsigned int count) {
    if (pos >= getNumChildren() || count == 0)
        return false;
    const unsigned int end = std::min(pos + count, getNumChildren());
    for (unsigned int i = pos; i < end; ++i)
        index.erase(getChild(i));
    const bool removed = osg::Group::removeChildren(pos, end - pos);
    reindexFrom(pos);
    return removed;
}

bool IndexedGroup::replaceChild(osg::Node* original, osg::Node* replacement) {
    auto found = index.find(original);
    if (found == index.end() || !replacement || index.count(replacement))
        return false;
    return setChild(found->second, replacement);
}

bool IndexedGroup::setChild(unsigned int at, osg::Node* node) {
    if (at >= getNumChildren() || !node || index.count(node))
        return false;
    index.erase(getChild(at));
    if (!osg::Group::setChild(at, node))
        return false;
    index[node] = at;
    return true;
}

unsigned int IndexedGroup::getChildIndex(const osg::Node* node) const {
    auto found = index.find(node);
    return found == index.end() ? getNumChildren() : found->second;
}

bool IndexedGroup::containsNode(const osg::Node* node) const {
    return index.count(node) != 0;
}

void IndexedGroup::reindexFrom(unsigned int pos) {
    for (unsigned int i = pos; i < getNumChildren(); ++i)
        index[getChild(i)] = i;
}
