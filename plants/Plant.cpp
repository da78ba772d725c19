#include "plants/Plant.h"

#include "world/ScenePrefetch.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr float DEGREES = 0.01745f;

World* worldOf(WorldTile* tile) {
    return tile->getGrid()->getWorld();
}

} // namespace

Plant::Plant(int id, WorldTile* tile, const osg::Vec3d& position, int offspring, int spawnRadius,
             int spawnEfficiency, int size, int tickRate, bool viable)
    : Life(id, tile, position, spawnEfficiency, size), spawnRadius(spawnRadius), offspring(offspring) {
    category = CATEGORY_PLANT;
    const Rules& rules = tile->rules();
    if (this->size < rules.plantMinSize)
        this->size = rules.plantMinSize;
    maxSegments = std::max(this->size / rules.plantSegmentSize, 1);
    segments = 1;
    const float f = static_cast<float>((1.0 / maxSegments) * this->size);
    grownSize = maxEnergy = f;
    energy = f * rules.plantBirthEnergy;
    foodValue = rules.plantFoodValue;
    seedsPerBatch = offspring / rules.plantSeedsPer + 1;
    bloomHeight = getBloomWidth();
    timeScale = static_cast<float>(tickRate * 3.0 * 0.0625);
    heading = static_cast<float>(tile->random() % 360) * DEGREES;
    if (WorldObserver* observer = worldOf(tile)->getObserver())
        observer->lifeBorn(*this);

    state = STATE_IDLE;
    if (!viable)
        wither();
}

Plant::Plant(const PlantRecord& record, WorldTile* tile, int tickRate) : Life(record.life, tile) {
    SYLVARA_PLANT_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_MEMBER_FROM_RECORD)
    category = CATEGORY_PLANT;
    const Rules& rules = tile->rules();
    maxSegments = std::max(size / rules.plantSegmentSize, 1);
    maxEnergy = grownSize;
    foodValue = rules.plantFoodValue;
    seedsPerBatch = offspring / rules.plantSeedsPer + 1;
    timeScale = static_cast<float>(tickRate * 3.0 * 0.0625);
    if (WorldObserver* observer = worldOf(tile)->getObserver())
        observer->lifeRestored(*this);
}

PlantRecord Plant::record() const {
    PlantRecord r;
    r.life = recordLife();
    SYLVARA_PLANT_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_RECORD_FROM_MEMBER)
    return r;
}

Plant::~Plant() = default;

void Plant::update() {
    const float t = maxEnergy * tile->rules().plantGrowAt;
    switch (state) {
    case STATE_REPRODUCE:
        seedStep();
        return;
    case STATE_WITHERING:
        wither();
        return;
    case STATE_DEAD:
        die();
        return;
    case STATE_FORCED_GROWTH:
        forceGrowth();
        return;
    default:
        break;
    }
    if (segments < maxSegments) {
        if (energy >= t)
            growSegment();
    } else {
        buildSeedRing();
        if (energy >= t)
            seedStep();
        else
            updateSeedRing(static_cast<int>(energy / t * seedsPerBatch));
    }
    absorb();
    if (state != STATE_DEAD) {
        bloomHeight = getBloomWidth() * energy / maxEnergy;
        if (shown)
            watcher()->plantBloomChanged(*this);
    }
}

void Plant::absorb() {
    gainEnergy(tile->nutrientShare(static_cast<float>(size)));
}

void Plant::growSegment() {
    segments += 1;
    if (segments > maxSegments) {
        segments = maxSegments;
        return;
    }
    position.z() += PLANT_SEGMENT_HEIGHT;
    if (segments >= 2 && segments <= maxSegments) {
        if (shown)
            watcher()->plantGrewSegment(*this);
    } else {
        std::printf("WARNING: current segments exceeding max or Current Segments < 2!\n");
    }
    if (segments < 1) {
        std::printf("WARNING: current planet segments < 1!\n");
        segments = 1;
    }
    grownSize = maxEnergy = static_cast<float>(static_cast<long double>(segments) / maxSegments * size);
}

void Plant::seedStep() {
    reproduce();
    seedsReleased += 1;
    if (seedsReleased >= seedsPerBatch) {
        state = STATE_IDLE;
        seedsReleased = 0;
        energy = energy - tile->rules().plantSeedCost * energy / segments;
    }
}

void Plant::buildSeedRing() {
    if (seedRingBuilt)
        return;
    seedRingBuilt = true;
    ripeSeeds = 0;
    if (shown)
        watcher()->plantSeedRingBuilt(*this);
}

void Plant::updateSeedRing(int ripe) {
    if (ripe == ripeSeeds)
        return;
    ripeSeeds = ripe;
    if (shown)
        watcher()->plantSeedsRipened(*this);
}

void Plant::wither() {
    if (state == STATE_WITHERING) {
        countdown -= 1;
        if (countdown <= 0)
            die();
        return;
    }
    state = STATE_WITHERING;
    withered = true;
    countdown = tile->rules().plantWitherTicks;
    if (shown)
        watcher()->plantWithered(*this);
}

void Plant::die() {
    if (state != STATE_DEAD) {
        state = STATE_DEAD;
        countdown = tile->rules().plantDeathTicks;
        worldOf(tile)->lifeDied(*this);
        if (shown)
            watcher()->lifeDying(*this);
        return;
    }
    countdown -= 1;
    if (countdown > 0)
        return;
    leaveWorld();
}

void Plant::forceGrowth() {
    if (state != STATE_FORCED_GROWTH) {
        state = STATE_FORCED_GROWTH;
        return;
    }
    growSegment();
    if (segments >= maxSegments) {
        state = STATE_IDLE;
        energy = maxEnergy * tile->rules().plantBirthEnergy;
    }
}

void Plant::reproduce() {
    const int d = tile->random() % (spawnRadius * tile->rules().plantSpread) + 1;
    const float a = static_cast<float>(tile->random() % 360) * DEGREES;
    osg::Vec3d point = getPosition();
    point.x() += std::cos(a) * d;
    point.y() += std::sin(a) * d;
    point.z() = 0;
    wrapPosition(point);
    tile->spawnPlant(point, offspring, spawnRadius, spawnEfficiency, size, generation + 1, this);
    if (shown)
        watcher()->plantSeeded(*this);
}
