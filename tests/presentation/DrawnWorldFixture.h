#pragma once

#include "WorldFixture.h"
#include "presentation/Hud.h"
#include "presentation/OrganismNode.h"
#include "presentation/WorldScene.h"

#include <osg/Group>

// The fixture's World drawn by the window's scene, with its HUD and no viewer (so picks find
// nothing): for the scene's own tests, the only unit tests that load the staged art.
class DrawnWorldFixture : public WorldFixture {
protected:
    ~DrawnWorldFixture() override {
        // The scene points at the HUD, which this class owns and would free first.
        world.reset();
    }
    std::unique_ptr<World> buildWorld(int size) override {
        root = new osg::Group;
        hud = std::make_unique<Hud>("Sylvara 0.6.4 Beta");
        root->addChild(hud->getCamera());
        return WorldScene::build(size, hud.get(), root.get(), nullptr);
    }

    osg::ref_ptr<osg::Group> root;
    std::unique_ptr<Hud> hud;
};
