#pragma once

#include <osg/StateSet>
#include <osg/ref_ptr>

// The look of a glowing organism, tile or ping: a state set whose material has
// colour mode OFF and the given emission on both faces, applied ON | OVERRIDE.
// Nodes of the same colour share state sets; each lives while any of its nodes
// does. A state set keeps a list of its parents that every change of look
// searches, so one colour is spread over several sets of a bounded number of
// parents each. State sets handed out here must not be changed.
class EmissiveState {
public:
    static constexpr unsigned PARENTS_PER_STATE = 64;

    // A state set of the colour with room for one more parent.
    static osg::ref_ptr<osg::StateSet> get(const osg::Vec4& emission);
    static osg::ref_ptr<osg::StateSet> make(const osg::Vec4& emission);
};
