#pragma once

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>

// The pieces of a chase beam that reshaping writes, kept beside the beam so a hunter reaches them
// without walking the scene below it (on a crowded board each step of that walk is a trip to memory).
struct BeamParts {
    osg::Geode* geode = nullptr;
    osg::Geometry* geometry = nullptr;
    osg::Vec3Array* corners = nullptr;

    // Ask for the pieces ahead of the reshape that will write them: first the pieces, and once
    // they have come, what they point to.
    void prefetch() const;
    void prefetchContents() const;
};
