#include "plants/Plant.h"

#include "presentation/EmissiveState.h"
#include "presentation/SharedNodeFanout.h"
#include "presentation/SoundBank.h"
#include "world/ScenePrefetch.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr float DEGREES = 0.01745f;
// The stem's factor is the single-precision tenth, widened: one segment scales by 2.0000000298023224.
constexpr double TENTH = static_cast<double>(0.1f);
const osg::Vec3d UNRIPE_SEED(0.2, 1.0, 1.0);
const osg::Vec3d RIPE_SEED(0.5, 1.0, 1.0);

osg::ref_ptr<osg::StateSet> emissive(const osg::Vec4& emission) {
    return EmissiveState::get(emission);
}

World* worldOf(WorldTile* tile) {
    return tile->getGrid()->getWorld();
}

} // namespace

Plant::Plant(int id, osg::ref_ptr<character::CoreModel> core, osg::ref_ptr<osg::Node> stem,
             osg::ref_ptr<osg::Node> seed, WorldTile* tile, const osg::Vec3d& position, int offspring,
             int spawnRadius, int spawnEfficiency, int size, int tickRate, bool viable)
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
    seedTransforms.reserve(seedsPerBatch);

    buildBody(core.get(), stem, seed, tickRate);

    const float turn = static_cast<float>(tile->random() % 360) * DEGREES;
    transform->setAttitude(transform->getAttitude() * osg::Quat(turn, osg::Vec3d(0, 0, 1)));

    World* world = worldOf(tile);
    world->lifePing(position, colour);
    world->getSound()->playLife(this->size, 100);
    if (model)
        model->startAction(ANIM_BIRTH, 0.5f, 1.0f);

    state = STATE_IDLE;
    if (!viable)
        wither();
}

Plant::Plant(const PlantRecord& record, osg::ref_ptr<character::CoreModel> core, osg::ref_ptr<osg::Node> stem,
             osg::ref_ptr<osg::Node> seed, WorldTile* tile, int tickRate)
    : Life(record.life, tile), countdown(record.countdown), grownSize(record.grownSize),
      segments(record.segments), spawnRadius(record.spawnRadius), offspring(record.offspring),
      seedsReleased(record.seedsReleased) {
    category = CATEGORY_PLANT;
    const Rules& rules = tile->rules();
    maxSegments = std::max(size / rules.plantSegmentSize, 1);
    maxEnergy = grownSize;
    foodValue = rules.plantFoodValue;
    seedsPerBatch = offspring / rules.plantSeedsPer + 1;
    seedTransforms.reserve(seedsPerBatch);
    buildBody(core.get(), stem, seed, tickRate);

    // The stem's foot stays on the ground while the bloom rises a segment at a time.
    stemTransform->setPosition(osg::Vec3d(0, 0, -(segments - 1) * static_cast<double>(PLANT_SEGMENT_HEIGHT)));
    osg::Vec3d stemScale = stemTransform->getScale();
    stemScale.z() = segments * TENTH * PLANT_SEGMENT_HEIGHT;
    stemTransform->setScale(stemScale);
    const float t = static_cast<float>(size * 1.6 + 1.0);
    bloomHeight = record.bloomHeight;
    bloomTransform->setScale(osg::Vec3d(t, t, bloomHeight));
    transform->setAttitude(osg::Quat(record.life.heading, osg::Vec3d(0, 0, 1)));
    if (record.seedRingBuilt) {
        buildSeedRing();
        updateSeedRing(record.ripeSeeds);
    }
    ripeSeeds = record.ripeSeeds;
    if (record.withered) {
        withered = true;
        if (model)
            transform->setStateSet(emissive(osg::Vec4(1, 0, 0, 1)).get());
    }
    if (state == STATE_DEAD && model)
        model->startLoop(PLANT_ANIM_DIE, 1.0f, 0.1f);
}

void Plant::buildBody(character::CoreModel* core, osg::ref_ptr<osg::Node> stem, osg::ref_ptr<osg::Node> seed,
                      int tickRate) {
    stemNode = stem;
    seedNode = seed;

    const float t = static_cast<float>(this->size * 1.6 + 1.0);
    stemTransform = new osg::PositionAttitudeTransform;
    stemTransform->setScale(osg::Vec3d(t * TENTH, t * TENTH, TENTH * PLANT_SEGMENT_HEIGHT));
    bloomTransform = new osg::PositionAttitudeTransform;
    bloomHeight = t;
    bloomTransform->setScale(osg::Vec3d(t, t, t));

    colour.set(spawnRadius / 100.0f + 0.5f, offspring / 100.0f + 0.5f, spawnEfficiency / 100.0f + 0.5f);
    timeScale = static_cast<float>(tickRate * 3.0 * 0.0625);
    if (worldOf(tile)->isDrawn()) {
        model = new character::Model;
        model->create(core);
        model->setStateSet(emissive(osg::Vec4(colour, 1.0f)).get());
        model->setTimeScale(timeScale);
        bloomTransform->addChild(model.get());
    }
    bloomTransform->setPosition(osg::Vec3d(0, 0, PLANT_SEGMENT_HEIGHT));
    transform->addChild(bloomTransform.get());
    transform->addChild(stemTransform.get());
    if (model)
        showStem();
}

void Plant::showStem() {
    // Stems and seeds are shared by every plant and always draw white.
    const osg::ref_ptr<osg::StateSet> white = emissive(osg::Vec4(1, 1, 1, 1));
    for (osg::Node* shared : {stemNode.get(), seedNode.get()})
        if (shared && shared->getStateSet() != white.get())
            shared->setStateSet(white.get());
    if (stemNode)
        stemTransform->addChild(SharedNodeFanout::holderFor(stemNode.get()));
}

PlantRecord Plant::record() const {
    PlantRecord r;
    r.life = recordLife();
    double turn = 0.0;
    osg::Vec3d axis;
    transform->getAttitude().getRotate(turn, axis);
    r.life.heading = static_cast<float>(axis.z() < 0.0 ? -turn : turn);
    r.offspring = offspring;
    r.spawnRadius = spawnRadius;
    r.grownSize = grownSize;
    r.segments = segments;
    r.countdown = countdown;
    r.seedsReleased = seedsReleased;
    r.ripeSeeds = ripeSeeds;
    r.seedRingBuilt = seedRingBuilt;
    r.withered = withered;
    r.bloomHeight = bloomHeight;
    return r;
}

Plant::~Plant() {
    seedTransforms.clear();
    bloomTransform = nullptr;
    stemTransform = nullptr;
    seedNode = nullptr;
    stemNode = nullptr;
}

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
        const float s = static_cast<float>(size * 1.6 + 1.0);
        bloomHeight = s * energy / maxEnergy;
        // A headless plant keeps the height alone, to save it; a drawn one shows it.
        if (model)
            bloomTransform->setScale(osg::Vec3d(s, s, bloomHeight));
    }
}

// Of a plant's scene parts only the bloom changes every tick; its own transform only when it
// grows a segment or withers.
void Plant::prefetchParts() const {
    if (model)
        ScenePrefetch::transform(bloomTransform.get());
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
    osg::Vec3d position = transform->getPosition();
    position.z() += PLANT_SEGMENT_HEIGHT;
    transform->setPosition(position);
    if (segments >= 2 && segments <= maxSegments) {
        osg::Vec3d stemPosition = stemTransform->getPosition();
        stemPosition.z() -= PLANT_SEGMENT_HEIGHT;
        stemTransform->setPosition(stemPosition);
        osg::Vec3d scale = stemTransform->getScale();
        scale.z() = segments * TENTH * PLANT_SEGMENT_HEIGHT;
        stemTransform->setScale(scale);
        World* world = worldOf(tile);
        world->lifePing(position, osg::Vec3f(1, 1, 1));
        world->getSound()->playLife(size, 100);
        if (model)
            model->startAction(ANIM_BIRTH, 0.5f, 1.0f);
    } else {
        std::printf("WARNING: current segments exceeding max or Current Segments < 2!\n");
    }
    if (segments < 1) {
        std::printf("WARNING: current planet segments < 1!\n");
        segments = 1;
    }
    grownSize = maxEnergy = static_cast<float>(static_cast<long double>(segments) / maxSegments * size);
    transform->dirtyBound();
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
    // Only a drawn plant shows its seeds; a headless one counts them.
    if (!model)
        return;
    seedTransforms.reserve(seedsPerBatch);
    const float step = static_cast<float>(360 / seedsPerBatch) * DEGREES;
    float angle = 0.0f;
    for (int i = 0; i < seedsPerBatch; ++i) {
        osg::ref_ptr<osg::PositionAttitudeTransform> seed = new osg::PositionAttitudeTransform;
        seedTransforms.push_back(seed);
        if (seedNode)
            seed->addChild(SharedNodeFanout::holderFor(seedNode.get()));
        seed->setAttitude(seed->getAttitude() * osg::Quat(angle, osg::Vec3d(0, 0, 1)));
        seed->setScale(UNRIPE_SEED);
        bloomTransform->addChild(seed.get());
        angle += step;
    }
}

void Plant::updateSeedRing(int ripe) {
    if (ripe == ripeSeeds)
        return;
    ripeSeeds = ripe;
    for (size_t i = 0; i < seedTransforms.size(); ++i)
        seedTransforms[i]->setScale(static_cast<int>(i) < ripe ? RIPE_SEED : UNRIPE_SEED);
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
    if (model)
        transform->setStateSet(emissive(osg::Vec4(1, 0, 0, 1)).get());
}

void Plant::die() {
    if (state != STATE_DEAD) {
        if (model)
            model->startLoop(PLANT_ANIM_DIE, 1.0f, 0.1f);
        state = STATE_DEAD;
        countdown = tile->rules().plantDeathTicks;
        World* world = worldOf(tile);
        world->lifeDied(*this);
        world->deathPing(getPosition());
        world->getSound()->playDeath(size, 100);
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
    if (model)
        model->startAction(ANIM_BIRTH, 0.5f, 1.0f);
}
