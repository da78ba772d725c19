#include "life/Life.h"

#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

Life::Life(int id, WorldTile* tile, osg::Vec3d position, int spawnEfficiency, int size)
    : state(STATE_IDLE), tile(tile), position(position), size(size), spawnEfficiency(spawnEfficiency), id(id),
      adrenalineLevel(0.0f), foodValue(1.0f) {}

Life::Life(const LifeRecord& record, WorldTile* tile) : tile(tile) {
    // Where it is listed is the tile's to say: it registers there.
    SYLVARA_LIFE_FIELDS(SYLVARA_MEMBER_FROM_RECORD, SYLVARA_RECORD_SKIP)
    foodValue = 1.0f;
}

LifeRecord Life::recordLife() const {
    LifeRecord r;
    SYLVARA_LIFE_FIELDS(SYLVARA_RECORD_FROM_MEMBER, SYLVARA_RECORD_SKIP)
    return r;
}

Life::~Life() = default;

void Life::onHunted(float, Life*) {}

void Life::loseEnergy(float amount) {
    energy = energy - amount;
    if (!(energy > 0.0f))
        die();
}

void Life::gainEnergy(float amount) {
    energy = amount + energy;
    if (energy > maxEnergy)
        energy = maxEnergy;
}

void Life::pauseAnimation() {
    if (shown)
        watcher()->lifePaused(*this, true);
}

void Life::resumeAnimation() {
    if (shown)
        watcher()->lifePaused(*this, false);
}

void Life::setPosition(const osg::Vec3d& p) {
    position = p;
    // A listed animal that steps off its tile is noted there, so that only those move between tiles.
    if (category == CATEGORY_ANIMAL && !strayed && listSlot >= 0 && !tile->contains(position))
        tile->addStray(this);
    if (shown)
        watcher()->lifeMoved(*this);
}

WorldObserver* Life::watcher() const {
    return tile->getGrid()->getWorld()->getObserver();
}

void Life::wrapPosition(osg::Vec3d& p) const {
    const float extent = static_cast<float>(tile->getExtent());
    float x = static_cast<float>(p.x());
    float y = static_cast<float>(p.y());
    bool xChanged = true;
    if (x < 0.0f)
        x = extent - 1.0f;
    else if (x >= extent)
        x = 1.0f;
    else
        xChanged = false;
    if (y < 0.0f) {
        p.x() = x;
        p.y() = extent - 1.0f;
    } else if (y >= extent) {
        p.x() = x;
        p.y() = 1.0f;
    } else if (xChanged) {
        p.x() = x;
        p.y() = y;
    }
}

osg::PositionAttitudeTransform* Life::getTransform() const {
    return shown ? watcher()->lifeNode(*this) : nullptr;
}

void Life::prefetchParts() const {
    if (shown)
        watcher()->prefetchLifeNode(*this);
}

void Life::leaveWorld() {
    World* world = tile->getGrid()->getWorld();
    tile->unregisterLife(this);
    if (shown)
        world->getObserver()->lifeLeft(*this);
    world->removeLife(this);
}
