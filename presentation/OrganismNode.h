#pragma once

#include "character/Model.h"

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

#include <vector>

// What shows one organism: its own transform, which the organism holds for the window, with the
// animated character and, for a plant, the stem, the bloom and the ring of seeds.
class OrganismNode : public osg::PositionAttitudeTransform {
public:
    osg::ref_ptr<character::Model> model;
    osg::ref_ptr<osg::PositionAttitudeTransform> stem;
    osg::ref_ptr<osg::PositionAttitudeTransform> bloom;
    std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>> seeds;

protected:
    ~OrganismNode() override = default;
};
