#pragma once

#include "presentation/AnimalCoreSet.h"

#include <osg/Group>
#include <osg/Node>
#include <osg/ref_ptr>

#include <string>

// Every asset that many organisms and markers share, loaded once.
class ModelCatalogue {
public:
    ModelCatalogue();

    osg::ref_ptr<character::CoreModel> getCarnivoreCore() const { return animals.getCarnivoreCore(); }
    osg::ref_ptr<character::CoreModel> getHerbivoreCore() const { return animals.getHerbivoreCore(); }
    osg::ref_ptr<character::CoreModel> getPlantCore() const { return plantCore; }
    osg::ref_ptr<osg::Node> getStemNode() const { return stemNode; }
    osg::ref_ptr<osg::Node> getSeedNode() const { return seedNode; }
    osg::ref_ptr<osg::Node> getLifePingNode() const { return lifePingNode; }
    osg::ref_ptr<osg::Node> getDeathPingNode() const { return deathPingNode; }
    osg::ref_ptr<osg::Node> getDownArrowNode() const { return downArrowNode; }
    // The batches that draw far characters, stems and seeds: the scene must cull them ahead of the
    // organisms.
    osg::ref_ptr<osg::Group> getCrowds() const { return crowds; }

    // Builds a core model from its skeleton, animations (file, name), mesh and material.
    static osg::ref_ptr<character::CoreModel> loadCore(const std::string& skeleton,
                                                       const std::initializer_list<const char*>& animations,
                                                       const std::string& mesh, const std::string& material);

private:
    AnimalCoreSet animals;
    osg::ref_ptr<character::CoreModel> plantCore;
    osg::ref_ptr<osg::Node> stemNode;
    osg::ref_ptr<osg::Node> seedNode;
    osg::ref_ptr<osg::Node> lifePingNode;
    osg::ref_ptr<osg::Node> deathPingNode;
    osg::ref_ptr<osg::Node> downArrowNode;
    osg::ref_ptr<osg::Group> crowds;
};
