#include "world/TileGrid.h"

#include "life/LifeList.h"

#include "world/World.h"
#include "world/WorldTile.h"

#include <algorithm>
#include <cstdio>

TileGrid::TileGrid(World* world, int tilesPerSide) : world(world), tilesPerSide(tilesPerSide) {
    tiles.reserve(static_cast<size_t>(tilesPerSide) * tilesPerSide);
    for (int row = 0; row < tilesPerSide; ++row)
        for (int column = 0; column < tilesPerSide; ++column)
            tiles.push_back(new WorldTile(this, column, row));
    withStrays.assign(tiles.size(), 0);
}

osg::Group* TileGrid::getRoot() const {
    return world && world->getObserver() ? world->getObserver()->boardRoot() : nullptr;
}

TileGrid::~TileGrid() {
    for (WorldTile* tile : tiles)
        delete tile;
}

WorldTile* TileGrid::tileAt(int x, int y) const {
    x = std::clamp(x, 0, tilesPerSide - 1);
    y = std::clamp(y, 0, tilesPerSide - 1);
    return tiles[static_cast<size_t>(y) * tilesPerSide + x];
}

WorldTile* TileGrid::tileUnder(double x, double y) const {
    // Clamp before converting: a far-off or non-finite coordinate must not overflow the int.
    const double extent = static_cast<double>(tilesPerSide) * TILE_SIZE;
    const auto index = [extent](double v) {
        if (!(v > 0.0))
            return 0;
        return static_cast<int>(std::min(v, extent) / TILE_SIZE);
    };
    return tileAt(index(x), index(y));
}

template <typename Visit> void TileGrid::eachTile(WorldTile::Pass pass, Visit visit) {
    // Tiles ahead of the pass for each step of asking: each step reads what the one before brought.
    constexpr size_t LISTS_AHEAD = 7;
    constexpr size_t SLOTS_AHEAD = 5;
    constexpr size_t LIVES_AHEAD = 3;
    constexpr size_t PARTS_AHEAD = 2;
    constexpr size_t REACH_AHEAD = 1;
    const size_t count = tiles.size();
    const bool ahead = LifeList::looksAhead();
    const bool update = pass == WorldTile::Pass::update;
    for (size_t i = 0; i < count; ++i) {
        if (ahead) {
            if (i + LISTS_AHEAD < count)
                tiles[i + LISTS_AHEAD]->prefetchLists();
            if (i + SLOTS_AHEAD < count)
                tiles[i + SLOTS_AHEAD]->prefetchSlots();
            if (i + LIVES_AHEAD < count)
                tiles[i + LIVES_AHEAD]->prefetchLives(pass);
            if (update && i + PARTS_AHEAD < count)
                tiles[i + PARTS_AHEAD]->prefetchParts();
            if (update && i + REACH_AHEAD < count)
                tiles[i + REACH_AHEAD]->prefetchReach();
        }
        visit(tiles[i]);
    }
}

void TileGrid::huntAll() {
    eachTile(WorldTile::Pass::hunt, [](WorldTile* tile) { tile->huntStep(); });
}

void TileGrid::updateAll() {
    eachTile(WorldTile::Pass::update, [](WorldTile* tile) {
        tile->updateAnimals();
        tile->updatePlants();
    });
}

void TileGrid::strayed(const WorldTile& tile) {
    withStrays[static_cast<size_t>(tile.getRow()) * tilesPerSide + tile.getColumn()] = 1;
}

void TileGrid::migrateAll() {
    // A tile the move reaches again (an animal off the board listed on it anew) waits for the next.
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (!withStrays[i])
            continue;
        withStrays[i] = 0;
        tiles[i]->migrateAnimals();
    }
}
