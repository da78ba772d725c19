#include "presentation/SharedNodeFanout.h"

#include <map>
#include <memory>

osg::Node* SharedNodeFanout::holderFor(osg::Node* shared) {
    if (!shared)
        return nullptr;
    static std::map<const osg::Node*, std::unique_ptr<SharedNodeFanout>> fanouts;
    std::unique_ptr<SharedNodeFanout>& fanout = fanouts[shared];
    if (!fanout)
        fanout.reset(new SharedNodeFanout(shared));
    return fanout->holder();
}

osg::Group* SharedNodeFanout::holder() {
    for (size_t tried = 0; tried < holders.size(); ++tried) {
        osg::Group* candidate = holders[current].get();
        if (candidate->getNumParents() < PARENTS_PER_HOLDER)
            return candidate;
        current = (current + 1) % holders.size();
    }
    osg::ref_ptr<osg::Group> fresh = new osg::Group;
    fresh->addChild(shared.get());
    holders.push_back(fresh);
    current = holders.size() - 1;
    return fresh.get();
}
