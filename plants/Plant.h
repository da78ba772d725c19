#pragma once

#include "life/Life.h"
#include "plants/PlantRecord.h"

#include <osg/Node>

#include <vector>

// A plant: draws nourishment from its tile, grows its stem segment by segment,
// ripens a ring of seeds and scatters them.
class Plant : public Life {
public:
    static constexpr float PLANT_SEGMENT_HEIGHT = 20.0f;

    Plant(int id, osg::ref_ptr<character::CoreModel> core, osg::ref_ptr<osg::Node> stem,
          osg::ref_ptr<osg::Node> seed, WorldTile* tile, const osg::Vec3d& position, int offspring,
          int spawnRadius, int spawnEfficiency, int size, int tickRate, bool viable);
    // Rebuilds a saved plant as it was, stem, bloom and seed ring included, without the birth's
    // draw, ping, sound or animation.
    Plant(const PlantRecord& record, osg::ref_ptr<character::CoreModel> core, osg::ref_ptr<osg::Node> stem,
          osg::ref_ptr<osg::Node> seed, WorldTile* tile, int tickRate);

    PlantRecord record() const;

    void reproduce() override;
    void die() override;
    int getSize() override { return static_cast<int>(grownSize); }

    void update();
    void forceGrowth();
    void prefetchParts() const override;

    int getSpawnRadius() const { return spawnRadius; }
    int getOffspring() const { return offspring; }
    int getSegments() const { return segments; }
    int getMaxSegments() const { return maxSegments; }
    int getSeedsPerBatch() const { return seedsPerBatch; }
    int getRipeSeeds() const { return ripeSeeds; }
    int getCountdown() const { return countdown; }
    float getGrownSize() const { return grownSize; }
    const osg::Vec3f& getColour() const { return colour; }
    osg::PositionAttitudeTransform* getStemTransform() const { return stemTransform.get(); }
    osg::PositionAttitudeTransform* getBloomTransform() const { return bloomTransform.get(); }
    const std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>>& getSeedTransforms() const {
        return seedTransforms;
    }
    void setEnergy(float e) { energy = e; }

protected:
    ~Plant() override;

private:
    // The bloom in its genome's colour and pace, and the stem, under the transform.
    void buildBody(character::CoreModel* core, osg::ref_ptr<osg::Node> stem, osg::ref_ptr<osg::Node> seed,
                   int tickRate);
    // The shared stem and seed nodes, drawn white, under a drawn plant.
    void showStem();
    void absorb();
    void growSegment();
    void seedStep();
    void wither();
    void buildSeedRing();
    void updateSeedRing(int ripe);
    osg::Vec3d getPosition() const { return transform->getPosition(); }

    osg::ref_ptr<osg::Node> stemNode;
    osg::ref_ptr<osg::Node> seedNode;
    osg::ref_ptr<osg::PositionAttitudeTransform> stemTransform;
    osg::ref_ptr<osg::PositionAttitudeTransform> bloomTransform;
    std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>> seedTransforms;
    int countdown = 0;
    osg::Vec3f colour;
    float grownSize = 0.0f;
    // The bloom's height scale as it grows and shrinks with the energy.
    float bloomHeight = 0.0f;
    int segments = 1;
    int maxSegments = 1;
    int spawnRadius;
    int offspring;
    int seedsPerBatch = 1;
    int seedsReleased = 0;
    int ripeSeeds = 0;
    bool seedRingBuilt = false;
    bool withered = false;
};
