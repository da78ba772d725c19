#include "presentation/WorldScene.h"

#include "app/Settings.h"
#include "app/Viewer.h"
#include "life/Animal.h"
#include "plants/Plant.h"
#include "presentation/EmissiveState.h"
#include "presentation/Hud.h"
#include "presentation/IndexedGroup.h"
#include "presentation/MarkerGeometry.h"
#include "presentation/MarkerReader.h"
#include "presentation/ModelCatalogue.h"
#include "presentation/OrganismNode.h"
#include "presentation/SceneFile.h"
#include "presentation/SharedNodeFanout.h"
#include "presentation/SoundBank.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <osg/LineSegment>
#include <osgUtil/IntersectVisitor>

namespace {

constexpr float DEGREES = 0.01745f;
constexpr float LOOP_WEIGHT = 1.0f;
constexpr float LOOP_DELAY = 0.1f;
// The model faces a quarter turn (as written) off the heading.
constexpr double BIRTH_TURN = 1.5705;
// The stem's factor is the single-precision tenth, widened: one segment scales by 2.0000000298023224.
constexpr double TENTH = static_cast<double>(0.1f);
constexpr double SEGMENT = Plant::PLANT_SEGMENT_HEIGHT;
const osg::Vec3d UNRIPE_SEED(0.2, 1.0, 1.0);
const osg::Vec3d RIPE_SEED(0.5, 1.0, 1.0);
const osg::Vec3d UP(0, 0, 1);

const char* statusText(ToolMode mode) {
    switch (mode) {
    case TOOL_KILL:
        return "using tile killer tool.";
    case TOOL_GENESIS:
        return "using tile genesis tool.";
    case TOOL_FERTILIZE:
        return "using tile fertilizer tool.";
    case TOOL_SELECT:
        return "using select tool.";
    case TOOL_CAMERA:
        break;
    }
    return "using camera only tool.";
}

// The first surface met by a segment under a node, if any.
bool firstHit(osg::Node* node, const osg::Vec3& start, const osg::Vec3& end, osg::Vec3d& hit) {
    osg::ref_ptr<osg::LineSegment> segment = new osg::LineSegment(start, end);
    osgUtil::IntersectVisitor visitor;
    visitor.addLineSegment(segment.get());
    node->accept(visitor);
    osgUtil::IntersectVisitor::HitList hits = visitor.getHitList(segment.get());
    if (hits.empty())
        return false;
    hit = hits.front().getWorldIntersectPoint();
    return true;
}

Animal& asAnimal(Life& life) {
    return static_cast<Animal&>(life);
}

Plant& asPlant(Life& life) {
    return static_cast<Plant&>(life);
}

} // namespace

std::unique_ptr<World> WorldScene::build(int size, Hud* hud, osg::Group* root, Viewer* viewer) {
    auto world = std::make_unique<World>(size);
    world->setObserver(std::make_unique<WorldScene>(*world, hud, root, viewer));
    return world;
}

WorldScene::WorldScene(World& world, Hud* hud, osg::Group* root, Viewer* viewer)
    : world(world), shownHud(hud), viewer(viewer), parent(root), board(new IndexedGroup),
      markers(new IndexedGroup) {
    const TileGrid& grid = *world.getTiles();
    const osg::ref_ptr<osg::Node> ground =
        SceneFile::read("../models/groundtile.osg", "the ground is not drawn.");
    const osg::ref_ptr<osg::StateSet> shared = EmissiveState::get(osg::Vec4(0.7f, 0.7f, 0.7f, 1.0f));
    tiles.reserve(grid.getTiles().size());
    for (const WorldTile* tile : grid.getTiles()) {
        osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
        transform->setPosition(osg::Vec3d(tile->getColumn() * TileGrid::TILE_SIZE + 75.0,
                                          tile->getRow() * TileGrid::TILE_SIZE + 75.0, 0));
        if (ground)
            transform->addChild(ground.get());
        transform->setScale(osg::Vec3d(15, 15, 15));
        transform->setStateSet(tile->getEmission() == osg::Vec4(0.7f, 0.7f, 0.7f, 1.0f)
                                   ? shared.get()
                                   : EmissiveState::get(tile->getEmission()).get());
        board->addChild(transform.get());
        tiles.push_back(transform);
    }
    root->addChild(board.get());
    root->addChild(markers.get());
    catalogue = std::make_unique<ModelCatalogue>();
    // Culled ahead of the organisms, so the far ones can join their crowd.
    root->insertChild(root->getChildIndex(board.get()), catalogue->getCrowds().get());
    soundBank = std::make_unique<SoundBank>(Settings::readAudio(Settings::FILE));
    if (shownHud) {
        shownHud->setStatus(statusText(world.getToolMode()));
        shownHud->refreshTitle();
    }
}

WorldScene::~WorldScene() {
    osg::ref_ptr<osg::Group> root;
    if (!parent.lock(root))
        return;
    root->removeChild(board.get());
    root->removeChild(markers.get());
    root->removeChild(catalogue->getCrowds().get());
}

OrganismNode* WorldScene::nodeOf(const Life& life) {
    return static_cast<OrganismNode*>(life.getTransform());
}

osg::PositionAttitudeTransform* WorldScene::lifeNode(const Life& life) const {
    const auto found = organisms.find(&life);
    return found == organisms.end() ? nullptr : found->second.get();
}

// Of a plant's parts only the bloom changes every tick; its own node only when it grows a segment
// or withers. An animal's node moves and turns.
void WorldScene::prefetchLifeNode(const Life& life) const {
    const auto found = organisms.find(&life);
    if (found == organisms.end())
        return;
    const OrganismNode* node = found->second.get();
    ScenePrefetch::transform(life.getCategory() == CATEGORY_PLANT ? node->bloom.get() : node);
}

character::Model* WorldScene::modelOf(const Life& life) {
    OrganismNode* node = nodeOf(life);
    return node ? node->model.get() : nullptr;
}

OrganismNode* WorldScene::makeNode(Life& life) {
    osg::ref_ptr<OrganismNode> node = new OrganismNode;
    node->setPosition(life.getPosition());
    organisms[&life] = node;
    life.setShown(true);
    return node.get();
}

void WorldScene::buildAnimal(Animal& animal, OrganismNode& node) {
    node.model = new character::Model;
    node.model->create(animal.getKind() == KIND_HERBIVORE ? catalogue->getHerbivoreCore()
                                                          : catalogue->getCarnivoreCore());
    node.model->setStateSet(EmissiveState::get(osg::Vec4(animal.getColour(), 1.0f)).get());
    node.model->setTimeScale(animal.getTimeScale());
    node.addChild(node.model.get());
}

void WorldScene::buildPlant(Plant& plant, OrganismNode& node) {
    const float t = plant.getBloomWidth();
    node.stem = new osg::PositionAttitudeTransform;
    node.stem->setScale(osg::Vec3d(t * TENTH, t * TENTH, TENTH * SEGMENT));
    node.bloom = new osg::PositionAttitudeTransform;
    node.bloom->setScale(osg::Vec3d(t, t, t));
    node.model = new character::Model;
    node.model->create(catalogue->getPlantCore());
    node.model->setStateSet(EmissiveState::get(osg::Vec4(plant.getColour(), 1.0f)).get());
    node.model->setTimeScale(plant.getTimeScale());
    node.bloom->addChild(node.model.get());
    node.bloom->setPosition(osg::Vec3d(0, 0, SEGMENT));
    node.addChild(node.bloom.get());
    node.addChild(node.stem.get());
    // Stems and seeds are shared by every plant and always draw white.
    const osg::ref_ptr<osg::StateSet> white = EmissiveState::get(osg::Vec4(1, 1, 1, 1));
    const osg::ref_ptr<osg::Node> stemNode = catalogue->getStemNode();
    const osg::ref_ptr<osg::Node> seedNode = catalogue->getSeedNode();
    for (osg::Node* shared : {stemNode.get(), seedNode.get()})
        if (shared && shared->getStateSet() != white.get())
            shared->setStateSet(white.get());
    if (stemNode)
        node.stem->addChild(SharedNodeFanout::holderFor(stemNode.get()));
}

void WorldScene::buildSeedRing(Plant& plant, OrganismNode& node) {
    const int count = plant.getSeedsPerBatch();
    const osg::ref_ptr<osg::Node> seedNode = catalogue->getSeedNode();
    node.seeds.reserve(count);
    const float step = static_cast<float>(360 / count) * DEGREES;
    float angle = 0.0f;
    for (int i = 0; i < count; ++i) {
        osg::ref_ptr<osg::PositionAttitudeTransform> seed = new osg::PositionAttitudeTransform;
        node.seeds.push_back(seed);
        if (seedNode)
            seed->addChild(SharedNodeFanout::holderFor(seedNode.get()));
        seed->setAttitude(seed->getAttitude() * osg::Quat(angle, UP));
        seed->setScale(UNRIPE_SEED);
        node.bloom->addChild(seed.get());
        angle += step;
    }
}

void WorldScene::lifeBorn(Life& life) {
    OrganismNode& node = *makeNode(life);
    if (life.getCategory() == CATEGORY_ANIMAL) {
        Animal& animal = asAnimal(life);
        buildAnimal(animal, node);
        const float s = animal.bodyScale();
        node.setScale(osg::Vec3d(s, s, s * 0.5f));
        node.setAttitude(osg::Quat(BIRTH_TURN, UP) * osg::Quat(animal.getHeading(), UP));
        lifePing(life.getPosition(), animal.getColour(), World::PING_TICKS);
        soundBank->playLife(life.getGenomeSize(), 100);
        node.model->startAction(ANIM_BIRTH, 0.0f, 1.0f);
    } else {
        Plant& plant = asPlant(life);
        buildPlant(plant, node);
        node.setAttitude(node.getAttitude() * osg::Quat(plant.getHeading(), UP));
        lifePing(life.getPosition(), plant.getColour(), World::PING_TICKS);
        soundBank->playLife(life.getGenomeSize(), 100);
        node.model->startAction(ANIM_BIRTH, 0.5f, 1.0f);
    }
    board->addChild(&node);
}

void WorldScene::lifeRestored(Life& life) {
    OrganismNode& node = *makeNode(life);
    if (life.getCategory() == CATEGORY_ANIMAL) {
        Animal& animal = asAnimal(life);
        buildAnimal(animal, node);
        const float s = animal.bodyScale();
        node.setScale(osg::Vec3d(s, s, s * (animal.getEnergy() + 0.01f) / animal.getMaxEnergy()));
        node.setAttitude(osg::Quat(BIRTH_TURN, UP) * osg::Quat(animal.getHeading(), UP));
        if (animal.getState() == STATE_DEAD)
            node.model->startLoop(ANIM_DIE, LOOP_WEIGHT, LOOP_DELAY);
        else if (animal.isWalking())
            node.model->startLoop(ANIM_WALK, LOOP_WEIGHT, LOOP_DELAY);
        else if (animal.isRunning())
            node.model->startLoop(ANIM_RUN, LOOP_WEIGHT, LOOP_DELAY);
    } else {
        Plant& plant = asPlant(life);
        buildPlant(plant, node);
        // The stem's foot stays on the ground while the bloom rises a segment at a time.
        const int segments = plant.getSegments();
        node.stem->setPosition(osg::Vec3d(0, 0, -(segments - 1) * SEGMENT));
        osg::Vec3d stemScale = node.stem->getScale();
        stemScale.z() = segments * TENTH * SEGMENT;
        node.stem->setScale(stemScale);
        const float t = plant.getBloomWidth();
        node.bloom->setScale(osg::Vec3d(t, t, plant.getBloomHeight()));
        node.setAttitude(osg::Quat(plant.getHeading(), UP));
        if (plant.isSeedRingBuilt()) {
            buildSeedRing(plant, node);
            plantSeedsRipened(plant);
        }
        if (plant.isWithered())
            node.setStateSet(EmissiveState::get(osg::Vec4(1, 0, 0, 1)).get());
        if (plant.getState() == STATE_DEAD)
            node.model->startLoop(PLANT_ANIM_DIE, 1.0f, 0.1f);
    }
    board->addChild(&node);
}

void WorldScene::lifeMoved(Life& life) {
    OrganismNode* node = nodeOf(life);
    node->setPosition(life.getPosition());
    node->dirtyBound();
}

void WorldScene::lifeTurned(Life& life, float by) {
    OrganismNode* node = nodeOf(life);
    node->setAttitude(node->getAttitude() * osg::Quat(by, UP));
    node->dirtyBound();
}

void WorldScene::lifeDying(Life& life) {
    OrganismNode* node = nodeOf(life);
    if (life.getCategory() == CATEGORY_ANIMAL) {
        node->model->stopLoop(ANIM_WALK, LOOP_DELAY);
        node->model->stopLoop(ANIM_RUN, LOOP_DELAY);
        node->model->startLoop(ANIM_DIE, LOOP_WEIGHT, LOOP_DELAY);
    } else {
        node->model->startLoop(PLANT_ANIM_DIE, 1.0f, 0.1f);
    }
    deathPing(life.getPosition(), World::PING_TICKS);
    soundBank->playDeath(life.getGenomeSize(), 100);
}

void WorldScene::lifeLeft(Life& life) {
    const auto found = organisms.find(&life);
    if (found == organisms.end())
        return;
    board->removeChild(found->second.get());
    organisms.erase(found);
    life.setShown(false);
}

void WorldScene::lifePaused(Life& life, bool paused) {
    if (character::Model* model = modelOf(life))
        model->setTimeScale(paused ? 0.0f : life.getTimeScale());
}

void WorldScene::animalGaitChanged(Animal& animal) {
    character::Model* model = modelOf(animal);
    if (animal.isWalking()) {
        model->stopLoop(ANIM_RUN, LOOP_DELAY);
        model->startLoop(ANIM_WALK, LOOP_WEIGHT, LOOP_DELAY);
    } else if (animal.isRunning()) {
        model->stopLoop(ANIM_WALK, LOOP_DELAY);
        model->startLoop(ANIM_RUN, LOOP_WEIGHT, LOOP_DELAY);
    }
}

void WorldScene::animalEnergyShown(Animal& animal) {
    OrganismNode* node = nodeOf(animal);
    const float s = animal.bodyScale();
    node->setScale(osg::Vec3d(s, s, s * (animal.getEnergy() + 0.01f) / animal.getMaxEnergy()));
    node->dirtyBound();
}

void WorldScene::plantGrewSegment(Plant& plant) {
    OrganismNode* node = nodeOf(plant);
    node->setPosition(plant.getPosition());
    osg::Vec3d stemPosition = node->stem->getPosition();
    stemPosition.z() -= SEGMENT;
    node->stem->setPosition(stemPosition);
    osg::Vec3d scale = node->stem->getScale();
    scale.z() = plant.getSegments() * TENTH * SEGMENT;
    node->stem->setScale(scale);
    lifePing(plant.getPosition(), osg::Vec3f(1, 1, 1), World::PING_TICKS);
    soundBank->playLife(plant.getGenomeSize(), 100);
    node->model->startAction(ANIM_BIRTH, 0.5f, 1.0f);
    node->dirtyBound();
}

void WorldScene::plantBloomChanged(Plant& plant) {
    const float t = plant.getBloomWidth();
    nodeOf(plant)->bloom->setScale(osg::Vec3d(t, t, plant.getBloomHeight()));
}

void WorldScene::plantSeedRingBuilt(Plant& plant) {
    buildSeedRing(plant, *nodeOf(plant));
}

void WorldScene::plantSeedsRipened(Plant& plant) {
    const std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>>& seeds = nodeOf(plant)->seeds;
    const int ripe = plant.getRipeSeeds();
    for (size_t i = 0; i < seeds.size(); ++i)
        seeds[i]->setScale(static_cast<int>(i) < ripe ? RIPE_SEED : UNRIPE_SEED);
}

void WorldScene::plantWithered(Plant& plant) {
    nodeOf(plant)->setStateSet(EmissiveState::get(osg::Vec4(1, 0, 0, 1)).get());
}

void WorldScene::plantSeeded(Plant& plant) {
    nodeOf(plant)->model->startAction(ANIM_BIRTH, 0.5f, 1.0f);
}

void WorldScene::tileShaded(WorldTile& tile) {
    tileTransform(tile)->setStateSet(EmissiveState::get(tile.getEmission()).get());
}

osg::PositionAttitudeTransform* WorldScene::tileTransform(const WorldTile& tile) const {
    const size_t side = static_cast<size_t>(world.getTiles()->getTilesPerSide());
    return tiles[static_cast<size_t>(tile.getRow()) * side + static_cast<size_t>(tile.getColumn())].get();
}

void WorldScene::addTimedNode(osg::Node* content, int ticks, osg::PositionAttitudeTransform* transform,
                              MarkerKind kind) {
    timed.push_back(TimedMarker{ticks, transform, kind});
    if (content)
        transform->addChild(content);
    markers->addChild(transform);
}

osg::ref_ptr<osg::PositionAttitudeTransform> WorldScene::reuseMarker(MarkerKind kind, int ticks) {
    // Markers that expired in this tick's ageing step are still in the marker group, hidden.
    MarkerStock& stock = stocks[static_cast<size_t>(kind)];
    osg::ref_ptr<osg::PositionAttitudeTransform> transform;
    if (!stock.spare.empty()) {
        transform = std::move(stock.spare.back());
        stock.spare.pop_back();
    } else if (!stock.detached.empty()) {
        transform = std::move(stock.detached.back());
        stock.detached.pop_back();
        markers->addChild(transform.get());
    } else {
        return nullptr;
    }
    transform->setNodeMask(~0u);
    timed.push_back(TimedMarker{ticks, transform, kind});
    return transform;
}

osg::ref_ptr<osg::PositionAttitudeTransform> WorldScene::newPing(MarkerKind kind, osg::Node* content,
                                                                 int ticks) {
    // Births and deaths come by the thousand: a ping that dies and is made anew would take the
    // shared ping node's parent list apart and put it together again.
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = reuseMarker(kind, ticks);
    if (transform)
        return transform;
    transform = new osg::PositionAttitudeTransform;
    transform->setScale(osg::Vec3d(40, 40, 200));
    addTimedNode(SharedNodeFanout::holderFor(content), ticks, transform.get(), kind);
    return transform;
}

void WorldScene::lifePing(const osg::Vec3d& position, const osg::Vec3f& colour, int ticks) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform =
        newPing(MarkerKind::lifePing, catalogue->getLifePingNode().get(), ticks);
    transform->setPosition(position);
    transform->setStateSet(EmissiveState::get(osg::Vec4(colour, 1.0f)).get());
}

void WorldScene::deathPing(const osg::Vec3d& position, int ticks) {
    newPing(MarkerKind::deathPing, catalogue->getDeathPingNode().get(), ticks)->setPosition(position);
}

void WorldScene::beam(const osg::Vec3d& from, const osg::Vec3d& to, float width, const osg::Vec3f& colour,
                      float alpha, int ticks) {
    for (BeamBatch& batch : beams) {
        if (batch.hasLook(colour, alpha)) {
            batch.add(from, to, width, ticks);
            return;
        }
    }
    beams.emplace_back(colour, alpha);
    markers->addChild(beams.back().getNode());
    beams.back().add(from, to, width, ticks);
}

void WorldScene::timedRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                           float alpha, int ticks) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    addTimedNode(MarkerGeometry::makeRect(x0, y0, x1, y1, z, colour, alpha).get(), ticks, transform.get(),
                 MarkerKind::rect);
}

void WorldScene::cursorRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                            float alpha) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    cursor.push_back(transform);
    transform->addChild(MarkerGeometry::makeRect(x0, y0, x1, y1, z, colour, alpha).get());
    markers->addChild(transform.get());
}

void WorldScene::arrow(const osg::Vec3d& point, int ticks) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    addTimedNode(catalogue->getDownArrowNode().get(), ticks, transform.get(), MarkerKind::arrow);
    transform->setPosition(point);
    transform->setScale(osg::Vec3d(40, 40, 40));
}

void WorldScene::groundMarker(const osg::Vec3d& p, int ticks) {
    osg::Vec3d point = p + osg::Vec3d(0, 0, 1.0);
    osg::Vec3d hit;
    const osg::Vec3 top(static_cast<float>(p.x()), static_cast<float>(p.y()), 1000.0f);
    const osg::Vec3 bottom(static_cast<float>(p.x()), static_cast<float>(p.y()), -10.0f);
    if (firstHit(board.get(), top, bottom, hit))
        point = hit + osg::Vec3d(0, 0, 1.0);
    arrow(point, ticks);
}

std::size_t WorldScene::timedMarkerCount() const {
    size_t count = timed.size();
    for (const BeamBatch& batch : beams)
        count += batch.size();
    return count;
}

void WorldScene::recordMarkers(std::vector<MarkerRecord>& out) const {
    MarkerReader::read(timed, beams, out);
}

void WorldScene::markersAged() {
    // Compacted in place, in order: the markers that live on close up behind each other.
    size_t kept = 0;
    for (size_t i = 0; i < timed.size(); ++i) {
        TimedMarker& marker = timed[i];
        marker.ticksLeft -= 1;
        if (marker.ticksLeft > 0) {
            if (kept != i)
                timed[kept] = std::move(marker);
            ++kept;
            continue;
        }
        if (isPing(marker.kind)) {
            // Hidden but left in place: this tick will most likely need one of its kind again.
            marker.node->setNodeMask(0);
            stocks[static_cast<size_t>(marker.kind)].spare.push_back(std::move(marker.node));
        } else {
            markers->removeChild(marker.node.get());
        }
    }
    timed.resize(kept);
    for (BeamBatch& batch : beams)
        batch.age();
}

void WorldScene::tickEnded() {
    for (MarkerStock& stock : stocks) {
        for (osg::ref_ptr<osg::PositionAttitudeTransform>& transform : stock.spare) {
            markers->removeChild(transform.get());
            stock.detached.push_back(std::move(transform));
        }
        stock.spare.clear();
    }
}

void WorldScene::toolChosen(ToolMode mode, ToolMode before) {
    if (before == TOOL_CAMERA && viewer)
        viewer->selectCameraManipulator(0);
    if (shownHud) {
        shownHud->setStatus(statusText(mode));
        shownHud->refreshTitle();
    }
}

void WorldScene::controlsToggled() {
    if (shownHud)
        shownHud->toggleControls();
}

void WorldScene::cursorMoved() {
    const osg::Vec3d& at = world.getCursorPoint();
    const double x = at.x();
    const double y = at.y();
    const float z = static_cast<float>(at.z());
    const ToolMode mode = world.getToolMode();
    if (mode == TOOL_SELECT) {
        const osg::Vec3f grey(0.4f, 0.4f, 0.4f);
        cursorRect(x - 10, y - 10, x + 10, y + 10, 0, grey, 0.2f);
        cursorRect(x - 10, y - 10, x + 10, y + 10, z, grey, 0.4f);
        return;
    }
    osg::Vec3f colour;
    if (mode == TOOL_KILL)
        colour.set(1.0f, 0.5f, 0.5f);
    else if (mode == TOOL_GENESIS)
        colour.set(0.5f, 1.0f, 0.5f);
    else if (mode == TOOL_FERTILIZE)
        colour.set(0.5f, 0.5f, 1.0f);
    else
        return;
    const int c = world.getCursorTile()->getColumn();
    const int r = world.getCursorTile()->getRow();
    constexpr int SIZE = TileGrid::TILE_SIZE;
    cursorRect(c * SIZE, r * SIZE, (c + 1) * SIZE, (r + 1) * SIZE, 0, colour, 0.2f);
    cursorRect(c * SIZE, r * SIZE, (c + 1) * SIZE, (r + 1) * SIZE, z, colour, 0.4f);
}

void WorldScene::cursorCleared() {
    for (auto& marker : cursor)
        markers->removeChild(marker.get());
    cursor.clear();
}

void WorldScene::selectionShown(Life& life) {
    if (shownHud)
        shownHud->showSelection(&life);
}

void WorldScene::selectionCleared() {
    if (shownHud)
        shownHud->clearSelection();
}

bool WorldScene::pick(float x, float y, osg::Vec3d& hit) {
    if (!viewer)
        return false;
    osg::Vec3 nearPoint(0, 0, 0);
    osg::Vec3 farPoint(0, 0, 0);
    viewer->computeNearFarPoints(x, y, 0, nearPoint, farPoint);
    return firstHit(board.get(), nearPoint, farPoint, hit);
}
