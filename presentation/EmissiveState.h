#pragma once

#include <osg/StateSet>
#include <osg/ref_ptr>

// The look of a glowing organism, tile or ping: a state set whose material has
// colour mode OFF and the given emission on both faces, applied ON | OVERRIDE.
// One state set serves every node of the same colour; it lives while any of
// them does. State sets handed out here must not be changed.
class EmissiveState {
public:
    static osg::ref_ptr<osg::StateSet> get(const osg::Vec4& emission);
    static osg::ref_ptr<osg::StateSet> make(const osg::Vec4& emission);
    static size_t cachedColours();
};
