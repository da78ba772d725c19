#pragma once

#include "world/WorldTile.h"

#include <osg/Group>

#include <vector>

class World;

// The N x N board of ground tiles.
class TileGrid {
public:
    static constexpr int TILE_SIZE = 150;

    TileGrid(World* world, int tilesPerSide);
    ~TileGrid();
    TileGrid(const TileGrid&) = delete;
    TileGrid& operator=(const TileGrid&) = delete;

    // Clamps both indices into the grid, so it never fails.
    WorldTile* tileAt(int x, int y) const;
    // The tile under a world position, brought to an edge tile when outside.
    WorldTile* tileUnder(double x, double y) const;

    int getTilesPerSide() const { return tilesPerSide; }
    // The group the window draws the tiles and every organism under; null when nobody draws them.
    osg::Group* getRoot() const;
    World* getWorld() const { return world; }
    static int getTileSize() { return TILE_SIZE; }
    const std::vector<WorldTile*>& getTiles() const { return tiles; }

    void huntAll();
    void updateAll();
    // Moves the animals that stepped off their tiles to the tiles under them, tile by tile in order.
    void migrateAll();
    // Told by a tile that it lists an animal that may stand off it.
    void strayed(const WorldTile& tile);

private:
    // Runs a pass over every tile in grid order, asking for what it will read some tiles ahead.
    template <typename Visit> void eachTile(WorldTile::Pass pass, Visit visit);

    World* world;
    int tilesPerSide;
    std::vector<WorldTile*> tiles;
    // By tile, whether it lists an animal that may stand off it.
    std::vector<unsigned char> withStrays;
};
