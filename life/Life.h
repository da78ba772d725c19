#pragma once

#include "life/LifePool.h"
#include "life/LifeRecord.h"
#include "life/LifeState.h"
#include "world/ScenePrefetch.h"

#include <osg/PositionAttitudeTransform>
#include <osg/Referenced>
#include <osg/ref_ptr>

#include <cstdint>

class WorldObserver;
class WorldTile;

// The common base of every organism: state, energy, id, tile, where it stands and which way it
// faces. The node that shows it is its watcher's, not part of it; a headless organism has none.
class Life : public osg::Referenced {
public:
    Life(int id, WorldTile* tile, osg::Vec3d position, int spawnEfficiency, int size);

    // Organisms come from their own pool, close to each other (see LifePool).
    static void* operator new(std::size_t bytes) { return LifePool::take(bytes); }
    static void operator delete(void* slot, std::size_t bytes) { LifePool::give(slot, bytes); }

    virtual void reproduce() {}
    virtual void die() {}
    virtual void onHunted(float heading, Life* hunter);
    virtual int getSize() { return size; }

    void loseEnergy(float amount);
    void gainEnergy(float amount);

    int getId() const { return id; }
    int getCategory() const { return category; }
    int getState() const { return state; }
    void setState(int s) { state = static_cast<std::int8_t>(s); }
    int getSpawnEfficiency() const { return spawnEfficiency; }
    float getAdrenalineLevel() const { return adrenalineLevel; }
    float getEnergy() const { return energy; }
    float getMaxEnergy() const { return maxEnergy; }
    float getFoodValue() const { return foodValue; }
    int getGenomeSize() const { return size; }
    WorldTile* getTile() const { return tile; }
    // Steps from a genesis or user-made ancestor; read by the census, changes no draw.
    int getGeneration() const { return generation; }
    void setGeneration(int g) { generation = g; }
    // Who it descends from, kept for the lineage records; none of it changes a draw.
    static constexpr int NO_PARENT = LifeRecord::NO_PARENT;
    int getParentId() const { return parentId; }
    long getBirthTick() const { return birthTick; }
    int getGenotypeId() const { return genotypeId; }
    void setLineage(int parent, long bornAt, int genotype) {
        parentId = parent;
        birthTick = bornAt;
        genotypeId = genotype;
    }
    void setTile(WorldTile* t) { tile = t; }
    // Where it stands; a plant's height is that of its top segment.
    const osg::Vec3d& getPosition() const { return position; }
    void setPosition(const osg::Vec3d& p);
    // An animal's direction of travel; the turn a plant was born with.
    float getHeading() const { return heading; }
    // The pace of its animations, from its genome and the tick rate.
    float getTimeScale() const { return timeScale; }
    // The node that shows it, kept by its watcher; null when nobody draws it.
    osg::PositionAttitudeTransform* getTransform() const;
    bool isShown() const { return shown; }
    void setShown(bool on) { shown = on; }
    bool isValid() const { return id >= 0; }

    void pauseAnimation();
    void resumeAnimation();

    // Keeps a world position inside the world, coming in at the opposite edge.
    void wrapPosition(osg::Vec3d& p) const;

    // Ahead of a walk, in three steps each needing the one before: ask for this organism, then
    // for the scene parts its update writes, then for what it reaches through other organisms.
    void prefetch() const { ScenePrefetch::range(this, 4 * 64); }
    virtual void prefetchParts() const;
    virtual void prefetchReach() const {}

protected:
    // Rebuilds the common part of a saved organism as it was.
    Life(const LifeRecord& record, WorldTile* tile);
    ~Life() override;

    // The common part as plain values; the heading and the listing are the caller's to fill.
    LifeRecord recordLife() const;

    // The end of the dying countdown: off the tile, out of the scene, out of the World,
    // which may destroy this organism. Nothing may touch it afterwards.
    void leaveWorld();
    // Who watches this organism's world; null when nobody does.
    WorldObserver* watcher() const;

    // Ordered so that no field waits for alignment: a board holds hundreds of thousands of these.
    // The state and category are a few small enumerators each.
    std::int8_t state;
    std::int8_t category = CATEGORY_PLANT;
    // Whether its watcher shows it: only then is it told what this organism does after its birth.
    bool shown = false;
    // Whether its tile holds it among those that may stand off it (see WorldTile::addStray).
    bool strayed = false;
    WorldTile* tile;
    osg::Vec3d position;
    long birthTick = 0;
    float heading = 0.0f;
    int size;
    int spawnEfficiency;
    int id;
    float timeScale = 0.0f;
    float energy = 0.0f;
    float maxEnergy = 0.0f;
    float adrenalineLevel;
    float foodValue;
    int generation = 0;
    int parentId = NO_PARENT;
    int genotypeId = -1;

private:
    friend class LifeList;
    friend class WorldTile;
    // Where this organism stands in its tile's list, kept by the list.
    int listSlot = -1;
};
