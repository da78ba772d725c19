#pragma once

#include "life/Life.h"
#include "plants/PlantRecord.h"

#include <osg/Vec3f>

// A plant: draws nourishment from its tile, grows its stem segment by segment,
// ripens a ring of seeds and scatters them.
class Plant : public Life {
public:
    static constexpr float PLANT_SEGMENT_HEIGHT = 20.0f;

    Plant(int id, WorldTile* tile, const osg::Vec3d& position, int offspring, int spawnRadius,
          int spawnEfficiency, int size, int tickRate, bool viable);
    // Rebuilds a saved plant as it was, stem, bloom and seed ring included, without the birth's
    // draw, ping, sound or animation.
    Plant(const PlantRecord& record, WorldTile* tile, int tickRate);

    PlantRecord record() const;

    void reproduce() override;
    void die() override;
    int getSize() override { return static_cast<int>(grownSize); }

    void update();
    void forceGrowth();

    int getSpawnRadius() const { return spawnRadius; }
    int getOffspring() const { return offspring; }
    int getSegments() const { return segments; }
    int getMaxSegments() const { return maxSegments; }
    int getSeedsPerBatch() const { return seedsPerBatch; }
    int getRipeSeeds() const { return ripeSeeds; }
    int getCountdown() const { return countdown; }
    float getGrownSize() const { return grownSize; }
    osg::Vec3f getColour() const {
        return osg::Vec3f(spawnRadius / 100.0f + 0.5f, offspring / 100.0f + 0.5f,
                          spawnEfficiency / 100.0f + 0.5f);
    }
    // The bloom's height scale as it grows and shrinks with the energy, and its width.
    float getBloomHeight() const { return bloomHeight; }
    float getBloomWidth() const { return static_cast<float>(size * 1.6 + 1.0); }
    bool isSeedRingBuilt() const { return seedRingBuilt; }
    bool isWithered() const { return withered; }
    void setEnergy(float e) { energy = e; }

protected:
    ~Plant() override;

private:
    void absorb();
    void growSegment();
    void seedStep();
    void wither();
    void buildSeedRing();
    void updateSeedRing(int ripe);

    // The flags first: they fill the bytes the common part leaves before the next word.
    bool seedRingBuilt = false;
    bool withered = false;
    int countdown = 0;
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
};
