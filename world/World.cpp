#include "world/World.h"

#include "app/Settings.h"
#include "app/Viewer.h"
#include "life/Animal.h"
#include "life/LifeList.h"
#include "plants/Plant.h"
#include "presentation/EmissiveState.h"
#include "presentation/Hud.h"
#include "presentation/MarkerGeometry.h"
#include "presentation/ModelCatalogue.h"
#include "presentation/SharedNodeFanout.h"
#include "presentation/SoundBank.h"
#include "world/IndexedGroup.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/WorldTile.h"

#include <osg/LineSegment>
#include <osgUtil/IntersectVisitor>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// A trait drawn for a spawned organism: 1..most, one draw from the generator.
int drawTrait(int most) {
    return std::rand() % most + 1;
}

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

} // namespace

World::World(int size, Hud* hud, osg::Group* root, Viewer* viewer, Scene scene)
    : hud(hud), viewer(viewer), cursorPoint(0, 0, 0), selectPoint(0, 0, 0), sceneRoot(root),
      markerGroup(new IndexedGroup), scene(scene) {
    RandomSeed::seedAtStart();
    tickRate = 1;
    tickIntervalMs = 1000;
    tiles = std::make_unique<TileGrid>(this, Settings::checkedSize(size));
    sceneRoot->addChild(tiles->getRoot());
    sceneRoot->addChild(markerGroup.get());
    lastTickStamp = timer.tick();
    models = std::make_unique<ModelCatalogue>();
    // Culled ahead of the organisms, so the far ones can join their crowd.
    sceneRoot->insertChild(sceneRoot->getChildIndex(tiles->getRoot()), models->getCrowds().get());
    sound = std::make_unique<SoundBank>(Settings::readAudio(Settings::FILE));
    toolMode = TOOL_CAMERA;
    if (hud) {
        hud->setStatus(statusText(TOOL_CAMERA));
        hud->refreshTitle();
    }
    lastFrameStamp = timer.tick();
}

World::~World() = default;

void World::tick() {
    if (pickRequested) {
        pickUnderCursor();
        pickRequested = false;
    }
    if (pauseRequested) {
        pauseRequested = false;
        paused = !paused;
        if (paused)
            pauseAnimations();
        else
            resumeAnimations();
    }
    if (selectRequested) {
        resolveSelection();
        selectRequested = false;
    }
    if (paused)
        return;

    if (spawnPredatorRequested) {
        spawnPredatorForSelection();
        spawnPredatorRequested = false;
    }
    if (spawnPreyRequested) {
        spawnPreyForSelection();
        spawnPreyRequested = false;
    }
    if (spawnCarnivoreRequested) {
        spawnRandomCarnivore();
        spawnCarnivoreRequested = false;
    }
    if (spawnHerbivoreRequested) {
        spawnRandomHerbivore();
        spawnHerbivoreRequested = false;
    }
    if (spawnPlantRequested) {
        spawnRandomPlant();
        spawnPlantRequested = false;
    }
    if (killTileRequested) {
        targetTile->killAll();
        killTileRequested = false;
    }
    if (genesisTileRequested) {
        targetTile->genesis();
        genesisTileRequested = false;
    }
    if (fertilizeTileRequested) {
        targetTile->toggleFertilized();
        fertilizeTileRequested = false;
    }
    ageTimedMarkers();
    LifeList::setLookAhead(lives.size() > lookAheadFrom);
    tiles->huntAll();
    tiles->updateAll();
    tiles->migrateAll();
    if (keep[0] > 0 || keep[1] > 0 || keep[2] > 0)
        rescue();
    releaseSpareMarkers();
    followSelection();
    ++tickNumber;
    lastTickStamp = timer.tick();
    reseed();
}

void World::rescue() {
    Floors living{};
    for (const auto& entry : lives) {
        const Life& life = *entry.second;
        if (life.getState() == STATE_DEAD)
            continue;
        if (life.getCategory() == CATEGORY_PLANT)
            living[OrganismKind::PLANTS] += 1;
        else
            living[OrganismKind::ofAnimal(static_cast<const Animal&>(life).getKind())] += 1;
    }
    const int side = tiles->getTilesPerSide();
    for (int kind = 0; kind < OrganismKind::COUNT; ++kind) {
        for (int missing = keep[kind] - living[kind]; missing > 0; --missing) {
            const int column = std::rand() % side;
            WorldTile* tile = tiles->tileAt(column, std::rand() % side);
            tile->populate(kind == OrganismKind::HERBIVORES, kind == OrganismKind::CARNIVORES,
                           kind == OrganismKind::PLANTS, true);
            inserted[kind] += 1;
        }
    }
}

void World::genesis(const std::vector<std::pair<int, int>>& tilesToPopulate, const TileDone& tileDone) {
    long done = 0;
    for (const auto& tile : tilesToPopulate) {
        tiles->tileAt(tile.first, tile.second)->genesis();
        if (tileDone)
            tileDone(++done);
    }
    reseed();
}

void World::reseed() {
    RandomSeed::reseed(static_cast<unsigned>(timer.tick() & 0xffffffffu), tickNumber);
}

void World::restoreClock(long ticksRun, int lastIdGiven) {
    tickNumber = ticksRun;
    lastId = lastIdGiven;
}

void World::restoreSelection(int id) {
    selectedId = id;
    const auto found = lives.find(id);
    selectedLife = found == lives.end() ? nullptr : found->second;
    if (hud && selectedLife)
        hud->showSelection(selectedLife);
}

void World::restorePaused(bool pausedNow) {
    const bool wasPaused = paused;
    paused = pausedNow;
    if (paused)
        pauseAnimations();
    else if (wasPaused)
        resumeAnimations();
}

void World::pickIfRequested() {
    if (!pickRequested)
        return;
    pickUnderCursor();
    pickRequested = false;
}

void World::pauseAnimations() {
    for (auto& entry : lives)
        entry.second->pauseAnimation();
}

void World::resumeAnimations() {
    for (auto& entry : lives)
        entry.second->resumeAnimation();
}

int World::newId() {
    do {
        lastId = lastId == INT_MAX ? 0 : lastId + 1;
    } while (lives.count(lastId) != 0);
    return lastId;
}

void World::addLife(Life* life) {
    // Ids mostly rise: the end is nearly always the place, and a board of 300,000 fills in linear time.
    lives.insert_or_assign(lives.end(), life->getId(), life);
    if (life->getState() != STATE_DEAD)
        if (int* count = livingCountOf(*life))
            *count += 1;
}

void World::removeLife(Life* life) {
    // Organisms leave once their dying is over; one taken out alive is no longer counted either.
    if (life->getState() != STATE_DEAD)
        lifeDied(*life);
    lives.erase(life->getId());
}

void World::lifeDied(const Life& life) {
    if (int* count = livingCountOf(life))
        *count -= 1;
    // A genotype counts its members as the census does: the dying are no longer among them.
    if (lineageRecorded)
        genotypes.death(life.getGenotypeId(), tickNumber);
    if (deathWatcher)
        deathWatcher(life);
}

int* World::livingCountOf(const Life& life) {
    if (life.getCategory() == CATEGORY_PLANT)
        return &living.plants;
    switch (static_cast<const Animal&>(life).getKind()) {
    case KIND_HERBIVORE:
        return &living.herbivores;
    case KIND_CARNIVORE:
        return &living.carnivores;
    default:
        return nullptr;
    }
}

void World::recordBirth(Life& born, const Life* parent, const Genome& genome) {
    if (!lineageRecorded)
        return;
    const int genotype =
        genotypes.birth(parent ? parent->getGenotypeId() : Genotype::NONE, genome, tickNumber);
    born.setLineage(parent ? parent->getId() : Life::NO_PARENT, tickNumber, genotype);
    if (birthWatcher)
        birthWatcher(born);
}

osg::Vec3d World::spawnPosition() {
    const int extent = static_cast<int>(tiles->getTilesPerSide() * TileGrid::TILE_SIZE - 1.0);
    if (cursorOnGround)
        return osg::Vec3d(cursorPoint.x(), cursorPoint.y(), 0);
    const int first = std::rand();
    const int second = std::rand();
    return osg::Vec3d(second % extent + 1, first % extent + 1, 0);
}

WorldTile* World::tileUnder(const osg::Vec3d& point) const {
    return tiles->tileUnder(point.x(), point.y());
}

void World::spawnRandomAnimal(int kind) {
    const osg::Vec3d p = spawnPosition();
    const int preySize = drawTrait(100);
    const int size = drawTrait(100);
    const int spawnEfficiency = drawTrait(50);
    const int adrenaline = drawTrait(50);
    const int speed = drawTrait(50);
    tileUnder(p)->spawnAnimal(kind, p, speed, adrenaline, spawnEfficiency, size, preySize);
}

void World::spawnRandomHerbivore() {
    spawnRandomAnimal(KIND_HERBIVORE);
}

void World::spawnRandomCarnivore() {
    spawnRandomAnimal(KIND_CARNIVORE);
}

void World::spawnRandomPlant() {
    const osg::Vec3d p = spawnPosition();
    const int size = drawTrait(50);
    const int spawnEfficiency = drawTrait(50);
    const int spawnRadius = drawTrait(50);
    const int offspring = drawTrait(50);
    tileUnder(p)->spawnPlant(p, offspring, spawnRadius, spawnEfficiency, size);
}

void World::spawnPredatorForSelection() {
    if (!selectedLife)
        return;
    const osg::Vec3d p = spawnPosition();
    const int q = selectedLife->getSize();
    int kind = KIND_HERBIVORE;
    int speed;
    if (selectedLife->getCategory() == CATEGORY_ANIMAL) {
        kind = KIND_CARNIVORE;
        speed = static_cast<Animal*>(selectedLife.get())->getSpeed() + 10 + std::rand() % 10;
    } else {
        speed = drawTrait(50);
    }
    const int size = drawTrait(100);
    const int spawnEfficiency = drawTrait(50);
    const int adrenaline = drawTrait(50);
    tileUnder(p)->spawnAnimal(kind, p, speed, adrenaline, spawnEfficiency, size, q);
}

void World::spawnPreyForSelection() {
    if (!selectedLife || selectedLife->getCategory() == CATEGORY_PLANT)
        return;
    const osg::Vec3d p = spawnPosition();
    Animal* hunter = static_cast<Animal*>(selectedLife.get());
    const int size = hunter->getPreySize();
    const int speed = std::clamp(hunter->getSpeed() - 10 - std::rand() % 10, 1, 100);
    WorldTile* tile = tileUnder(p);
    if (hunter->getKind() == KIND_CARNIVORE) {
        const int kind = std::rand() % 2 == 1 ? KIND_CARNIVORE : KIND_HERBIVORE;
        const int preySize = drawTrait(100);
        const int spawnEfficiency = drawTrait(50);
        const int adrenaline = drawTrait(50);
        tile->spawnAnimal(kind, p, speed, adrenaline, spawnEfficiency, size, preySize);
    } else {
        const int first = drawTrait(50);
        const int second = drawTrait(50);
        const int third = drawTrait(50);
        tile->spawnPlant(p, third, second, first, size);
    }
}

void World::setTool(ToolMode mode) {
    if (toolMode == TOOL_CAMERA && viewer)
        viewer->selectCameraManipulator(0);
    toolMode = mode;
    if (hud) {
        hud->setStatus(statusText(mode));
        hud->refreshTitle();
    }
}

void World::toggleControls() {
    if (hud)
        hud->toggleControls();
}

void World::applyTool() {
    const auto applyTileTool = [this](bool& request) {
        targetTile = cursorTile;
        request = true;
    };
    switch (toolMode) {
    case TOOL_KILL:
        if (!cursorOnGround)
            return;
        addTimedRect(cursorTile->getColumn() * TileGrid::TILE_SIZE,
                     cursorTile->getRow() * TileGrid::TILE_SIZE,
                     (cursorTile->getColumn() + 1) * TileGrid::TILE_SIZE,
                     (cursorTile->getRow() + 1) * TileGrid::TILE_SIZE, 0.5f, osg::Vec3f(1, 0, 0), 0.5f, 16);
        applyTileTool(killTileRequested);
        return;
    case TOOL_GENESIS:
        if (!cursorOnGround)
            return;
        flashTile(osg::Vec3f(0, 1, 0), 0.5f, 16);
        applyTileTool(genesisTileRequested);
        return;
    case TOOL_FERTILIZE:
        if (!cursorOnGround)
            return;
        flashTile(osg::Vec3f(0, 0, 1), 0.5f, 16);
        applyTileTool(fertilizeTileRequested);
        return;
    case TOOL_SELECT:
        if (!cursorOnGround) {
            if (hud)
                hud->clearSelection();
            return;
        }
        targetTile = cursorTile;
        selectPoint = cursorPoint;
        selectRequested = true;
        return;
    case TOOL_CAMERA:
        return;
    }
}

void World::setCursorPoint(const osg::Vec3d& point) {
    clearCursorMarkers();
    cursorOnGround = true;
    cursorPoint = point;
    cursorTile = tileUnder(cursorPoint);
    drawCursorMarkers();
}

void World::clearCursor() {
    clearCursorMarkers();
    cursorOnGround = false;
}

void World::pickUnderCursor() {
    osg::Vec3 nearPoint(0, 0, 0);
    osg::Vec3 farPoint(0, 0, 0);
    if (viewer)
        viewer->computeNearFarPoints(mouseX, mouseY, 0, nearPoint, farPoint);
    osg::Vec3d hit;
    const bool found = viewer && firstHit(tiles->getRoot(), nearPoint, farPoint, hit);
    clearCursorMarkers();
    cursorOnGround = false;
    if (!found)
        return;
    setCursorPoint(hit);
}

void World::drawCursorMarkers() {
    const double x = cursorPoint.x();
    const double y = cursorPoint.y();
    const float z = static_cast<float>(cursorPoint.z());
    if (toolMode == TOOL_SELECT) {
        const osg::Vec3f grey(0.4f, 0.4f, 0.4f);
        addCursorRect(x - 10, y - 10, x + 10, y + 10, 0, grey, 0.2f);
        addCursorRect(x - 10, y - 10, x + 10, y + 10, z, grey, 0.4f);
        return;
    }
    osg::Vec3f colour;
    if (toolMode == TOOL_KILL)
        colour.set(1.0f, 0.5f, 0.5f);
    else if (toolMode == TOOL_GENESIS)
        colour.set(0.5f, 1.0f, 0.5f);
    else if (toolMode == TOOL_FERTILIZE)
        colour.set(0.5f, 0.5f, 1.0f);
    else
        return;
    const int c = cursorTile->getColumn();
    const int r = cursorTile->getRow();
    addCursorRect(c * TileGrid::TILE_SIZE, r * TileGrid::TILE_SIZE, (c + 1) * TileGrid::TILE_SIZE,
                  (r + 1) * TileGrid::TILE_SIZE, 0, colour, 0.2f);
    addCursorRect(c * TileGrid::TILE_SIZE, r * TileGrid::TILE_SIZE, (c + 1) * TileGrid::TILE_SIZE,
                  (r + 1) * TileGrid::TILE_SIZE, z, colour, 0.4f);
}

void World::clearCursorMarkers() {
    for (auto& marker : cursorMarkers)
        markerGroup->removeChild(marker.get());
    cursorMarkers.clear();
}

void World::placeGroundMarker(const osg::Vec3d& p, int ticks) {
    osg::Vec3d point = p + osg::Vec3d(0, 0, 1.0);
    osg::Vec3d hit;
    const osg::Vec3 top(static_cast<float>(p.x()), static_cast<float>(p.y()), 1000.0f);
    const osg::Vec3 bottom(static_cast<float>(p.x()), static_cast<float>(p.y()), -10.0f);
    if (firstHit(tiles->getRoot(), top, bottom, hit))
        point = hit + osg::Vec3d(0, 0, 1.0);
    placeArrow(point, ticks);
}

void World::placeArrow(const osg::Vec3d& point, int ticks) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    addTimedNode(models->getDownArrowNode().get(), ticks, transform.get(), MarkerKind::arrow);
    transform->setPosition(point);
    transform->setScale(osg::Vec3d(40, 40, 40));
}

void World::resolveSelection() {
    selectedId = targetTile->findNearestLife(selectPoint);
    auto found = lives.find(selectedId);
    if (selectedId < 0 || found == lives.end()) {
        releaseSelection();
        return;
    }
    selectedLife = found->second;
    placeGroundMarker(selectedLife->getTransform()->getPosition(), 1);
    if (hud)
        hud->showSelection(selectedLife);
}

void World::followSelection() {
    if (selectedId < 0)
        return;
    if (lives.count(selectedId) != 0 && selectedLife)
        placeGroundMarker(selectedLife->getTransform()->getPosition(), 1);
    else
        releaseSelection();
}

void World::releaseSelection() {
    selectedLife = nullptr;
    if (hud)
        hud->clearSelection();
}

void World::addTimedNode(osg::Node* content, int ticks, osg::PositionAttitudeTransform* transform,
                         MarkerKind kind) {
    timedMarkers.push_back(TimedMarker{ticks, transform, kind});
    if (content)
        transform->addChild(content);
    markerGroup->addChild(transform);
}

osg::ref_ptr<osg::PositionAttitudeTransform> World::reuseMarker(MarkerKind kind, int ticks) {
    // Markers that expired in this tick's ageing step are still in the marker group, hidden.
    MarkerStock& stock = markerStocks[static_cast<size_t>(kind)];
    osg::ref_ptr<osg::PositionAttitudeTransform> transform;
    if (!stock.spare.empty()) {
        transform = std::move(stock.spare.back());
        stock.spare.pop_back();
    } else if (!stock.detached.empty()) {
        transform = std::move(stock.detached.back());
        stock.detached.pop_back();
        markerGroup->addChild(transform.get());
    } else {
        return nullptr;
    }
    transform->setNodeMask(~0u);
    timedMarkers.push_back(TimedMarker{ticks, transform, kind});
    return transform;
}

osg::ref_ptr<osg::PositionAttitudeTransform> World::newPing(MarkerKind kind, osg::Node* content, int ticks) {
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

// Pings and beams only show: a headless world, never drawn, has none.
void World::lifePing(const osg::Vec3d& position, const osg::Vec3f& colour, int ticks) {
    if (!isDrawn())
        return;
    osg::ref_ptr<osg::PositionAttitudeTransform> transform =
        newPing(MarkerKind::lifePing, models->getLifePingNode().get(), ticks);
    transform->setPosition(position);
    transform->setStateSet(EmissiveState::get(osg::Vec4(colour, 1.0f)).get());
}

void World::deathPing(const osg::Vec3d& position, int ticks) {
    if (!isDrawn())
        return;
    newPing(MarkerKind::deathPing, models->getDeathPingNode().get(), ticks)->setPosition(position);
}

void World::addTimedBeam(const osg::Vec3d& from, const osg::Vec3d& to, float width, const osg::Vec3f& colour,
                         float alpha, int ticks) {
    if (!isDrawn())
        return;
    for (BeamBatch& batch : beamBatches) {
        if (batch.hasLook(colour, alpha)) {
            batch.add(from, to, width, ticks);
            return;
        }
    }
    beamBatches.emplace_back(colour, alpha);
    markerGroup->addChild(beamBatches.back().getNode());
    beamBatches.back().add(from, to, width, ticks);
}

size_t World::getTimedMarkerCount() const {
    size_t count = timedMarkers.size();
    for (const BeamBatch& batch : beamBatches)
        count += batch.size();
    return count;
}

void World::addTimedRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                         float alpha, int ticks) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    addTimedNode(MarkerGeometry::makeRect(x0, y0, x1, y1, z, colour, alpha).get(), ticks, transform.get(),
                 MarkerKind::rect);
}

void World::addCursorRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                          float alpha) {
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    cursorMarkers.push_back(transform);
    transform->addChild(MarkerGeometry::makeRect(x0, y0, x1, y1, z, colour, alpha).get());
    markerGroup->addChild(transform.get());
}

void World::flashTile(const osg::Vec3f& colour, float alpha, int ticks) {
    const int c = cursorTile->getColumn();
    const int r = cursorTile->getRow();
    addTimedRect(c * TileGrid::TILE_SIZE, r * TileGrid::TILE_SIZE, (c + 1) * TileGrid::TILE_SIZE,
                 (r + 1) * TileGrid::TILE_SIZE, 0.5f, colour, alpha, ticks);
}

void World::ageTimedMarkers() {
    // Compacted in place, in order: the markers that live on close up behind each other.
    size_t kept = 0;
    for (size_t i = 0; i < timedMarkers.size(); ++i) {
        TimedMarker& marker = timedMarkers[i];
        marker.ticksLeft -= 1;
        if (marker.ticksLeft > 0) {
            if (kept != i)
                timedMarkers[kept] = std::move(marker);
            ++kept;
            continue;
        }
        if (isPing(marker.kind)) {
            // Hidden but left in place: this tick will most likely need one of its kind again.
            marker.node->setNodeMask(0);
            markerStocks[static_cast<size_t>(marker.kind)].spare.push_back(std::move(marker.node));
        } else {
            markerGroup->removeChild(marker.node.get());
        }
    }
    timedMarkers.resize(kept);
    for (BeamBatch& batch : beamBatches)
        batch.age();
}

void World::releaseSpareMarkers() {
    for (MarkerStock& stock : markerStocks) {
        for (osg::ref_ptr<osg::PositionAttitudeTransform>& transform : stock.spare) {
            markerGroup->removeChild(transform.get());
            stock.detached.push_back(std::move(transform));
        }
        stock.spare.clear();
    }
}

void World::setTickRate(int n) {
    tickRate = n;
    tickIntervalMs = 1000 / n;
}

void World::setFrameRate(int n) {
    frameIntervalMs = 1000 / n;
}

bool World::isTickDue() const {
    const double elapsed = (timer.tick() - lastTickStamp) * timer.getSecondsPerTick() * 1000.0;
    return tickIntervalMs < elapsed;
}

bool World::isFrameDue() const {
    return msUntilFrame() <= 0.0;
}

double World::msUntilFrame() const {
    const double elapsed = (timer.tick() - lastFrameStamp) * timer.getSecondsPerTick() * 1000.0;
    return elapsed > frameIntervalMs ? 0.0 : frameIntervalMs - elapsed + 1e-3;
}

void World::markFrame() {
    lastFrameStamp = timer.tick();
}
