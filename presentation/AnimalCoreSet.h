#pragma once

#include "character/CoreModel.h"

#include <osg/ref_ptr>

// The two animal core models: same skeleton and animations, different meshes.
class AnimalCoreSet {
public:
    AnimalCoreSet();

    osg::ref_ptr<character::CoreModel> getCarnivoreCore() const { return carnivore; }
    osg::ref_ptr<character::CoreModel> getHerbivoreCore() const { return herbivore; }

private:
    osg::ref_ptr<character::CoreModel> carnivore;
    osg::ref_ptr<character::CoreModel> herbivore;
};
