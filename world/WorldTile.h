#pragma once

#include <osg/PositionAttitudeTransform>
#include <osg/Vec4>

#include "common/Rules.h"
#include "life/LifeList.h"

class Life;
class TileGrid;

// One square of ground: its shade, and a bucket of the organisms standing on it.
class WorldTile {
public:
    WorldTile(TileGrid* grid, int column, int row);
    virtual ~WorldTile();
    WorldTile(const WorldTile&) = delete;
    WorldTile& operator=(const WorldTile&) = delete;

    void registerLife(Life* life);
    void unregisterLife(Life* life);
    // Notes a listed animal that may stand off this tile: the move between tiles looks at those only.
    void addStray(Life* animal);
    // Whether an animal listed here may stand off the tile.
    bool hasStrays() const { return !strays.empty(); }
    void updateColour();
    void toggleFertilized();
    // A saved tile's flag, plant mass and shade, once its organisms are registered again.
    void restore(bool fertilizedNow, float mass, const osg::Vec4& shade);
    void killAll();
    void migrateAnimals();
    void updateAnimals();
    void updatePlants();
    void huntStep();
    // The passes of a tick over the tiles, each reading its own part of every organism.
    enum class Pass { hunt, update };
    // Ahead of a pass that will come to this tile, each step once the one before has come: ask
    // for where the tile keeps its lists, for the lists, for what the pass reads of the lives,
    // and for an update, for the scene parts the lives write and what they reach through others.
    void prefetchLists() const;
    void prefetchSlots() const;
    void prefetchLives(Pass pass) const;
    void prefetchParts() const;
    void prefetchReach() const;
    int findNearestLife(const osg::Vec3d& point) const;
    float nutrientShare(float plantSize) const;
    osg::Vec3d randomPoint();
    int random();
    int getExtent() const;

    void mutateAnimalGenome(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size,
                            int& preySize);
    // An offspring passes its generation and itself as the parent; genesis and user-made organisms
    // are generation 0 and have no parent. Its genome drifts, kind included unless kindKept.
    void spawnAnimal(int kind, const osg::Vec3d& position, int speed, int adrenaline, int spawnEfficiency,
                     int size, int preySize, int generation = 0, const Life* parent = nullptr,
                     bool kindKept = false);
    // Made as the genesis makes them; rescued ones keep the kind they are made for, so that a floor
    // is met with the kind it asks for.
    void populate(int herbivores, int carnivores, int plants, bool rescued = false);
    // The genesis: as many of each kind as the rules say.
    void genesis();
    void mutatePlantGenome(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size);
    void spawnPlant(const osg::Vec3d& point, int offspring, int spawnRadius, int spawnEfficiency, int size,
                    int generation = 0, const Life* parent = nullptr);

    // The rules in force, the World's own.
    const Rules& rules() const { return *worldRules; }
    int getRow() const { return row; }
    int getColumn() const { return column; }
    TileGrid* getGrid() const { return grid; }
    const LifeList& getAnimals() const { return animals; }
    const LifeList& getPlants() const { return plants; }
    int getAnimalCount() const { return animalCount; }
    float getPlantMass() const { return plantMass; }
    bool isFertilized() const { return fertilized; }
    // The node the window draws the tile with; null when nobody draws it.
    osg::PositionAttitudeTransform* getTransform() const;
    // The shade the tile is drawn in: grey, lighter with more animals, blue when fertilized.
    osg::Vec4 getEmission() const { return shade; }
    // Whether the point's column and row, truncated and not clamped, are this tile's.
    bool contains(const osg::Vec3d& point) const {
        return point.x() >= firstX && point.x() < pastX && point.y() >= firstY && point.y() < pastY;
    }
    // The first coordinate whose truncated quotient by the tile's size is index or more.
    static double firstAt(int index);

private:
    // Tells the watcher, if any, that the shade changed.
    void shaded();
    void growPlant(const osg::Vec3d& point, int offspring, int spawnRadius, int spawnEfficiency, int size,
                   int generation, const Life* parent);

    bool fertilized = false;
    // Whether the last hunt here read the plants: only then are they asked for ahead of the next.
    bool plantsHunted = true;
    TileGrid* grid;
    const Rules* worldRules;
    LifeList animals;
    LifeList plants;
    // Listed animals that have stepped off the tile since its last move between tiles, each once,
    // with its strayed flag set.
    std::vector<Life*> strays;
    osg::Vec4 shade{0.7f, 0.7f, 0.7f, 1.0f};
    int row;
    int column;
    // The coordinates whose truncated quotients are the tile's column and row, from the first to
    // before the past one: comparing with them asks no division.
    double firstX;
    double pastX;
    double firstY;
    double pastY;
    int animalCount = 0;
    float plantMass = 0.0f;
};
