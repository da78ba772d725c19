#include "world/World.h"

#include "life/Animal.h"
#include "life/LifeList.h"
#include "plants/Plant.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/WorldTile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

// A trait drawn for a spawned organism: 1..most, one draw from the generator.
int drawTrait(int most) {
    return std::rand() % most + 1;
}

// Below 1 the default board, above the largest the largest, each said in one line.
int checkedSize(int size) {
    constexpr int DEFAULT_SIZE = 5;
    if (size < 1) {
        std::printf("Settings: size \"%d\" is not a number of at least 1; using %d.\n", size, DEFAULT_SIZE);
        return DEFAULT_SIZE;
    }
    if (size > World::MAX_SIZE) {
        std::printf("Settings: size \"%d\" is above the maximum of %d; using %d.\n", size, World::MAX_SIZE,
                    World::MAX_SIZE);
        return World::MAX_SIZE;
    }
    return size;
}

} // namespace

World::World(int size) : cursorPoint(0, 0, 0), selectPoint(0, 0, 0) {
    RandomSeed::seedAtStart();
    tickRate = 1;
    tickIntervalMs = 1000;
    tiles = std::make_unique<TileGrid>(this, checkedSize(size));
    lastTickStamp = timer.tick();
    toolMode = TOOL_CAMERA;
    lastFrameStamp = timer.tick();
}

void World::setObserver(std::unique_ptr<WorldObserver> watcher) {
    observer = std::move(watcher);
}

const std::vector<TimedMarker>& World::getTimedMarkers() const {
    static const std::vector<TimedMarker> none;
    const std::vector<TimedMarker>* shown = observer ? observer->timedMarkers() : nullptr;
    return shown ? *shown : none;
}

const std::vector<BeamBatch>& World::getBeamBatches() const {
    return *observer->beamBatches();
}

const World::CursorMarkers& World::getCursorMarkers() const {
    static const CursorMarkers none;
    const CursorMarkers* shown = observer ? observer->cursorMarkers() : nullptr;
    return shown ? *shown : none;
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
    // Nothing to select ("select none", a gone id) lets the shown one go, as a click on no organism does.
    if (observer && selectedLife)
        observer->selectionShown(*selectedLife);
    else if (observer)
        observer->selectionCleared();
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
    if (!observer)
        return;
    for (auto& entry : lives)
        entry.second->pauseAnimation();
}

void World::resumeAnimations() {
    if (!observer)
        return;
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
    const ToolMode before = toolMode;
    toolMode = mode;
    if (observer)
        observer->toolChosen(mode, before);
}

void World::toggleControls() {
    if (observer)
        observer->controlsToggled();
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
            if (observer)
                observer->selectionCleared();
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
    if (observer)
        observer->cursorMoved();
}

void World::clearCursor() {
    clearCursorMarkers();
    cursorOnGround = false;
}

void World::pickUnderCursor() {
    osg::Vec3d hit;
    const bool found = observer && observer->pick(mouseX, mouseY, hit);
    clearCursorMarkers();
    cursorOnGround = false;
    if (!found)
        return;
    setCursorPoint(hit);
}

void World::clearCursorMarkers() {
    if (observer)
        observer->cursorCleared();
}

void World::placeGroundMarker(const osg::Vec3d& p, int ticks) {
    if (observer)
        observer->groundMarker(p, ticks);
}

void World::placeArrow(const osg::Vec3d& point, int ticks) {
    if (observer)
        observer->arrow(point, ticks);
}

void World::resolveSelection() {
    selectedId = targetTile->findNearestLife(selectPoint);
    auto found = lives.find(selectedId);
    if (selectedId < 0 || found == lives.end()) {
        releaseSelection();
        return;
    }
    selectedLife = found->second;
    placeGroundMarker(selectedLife->getPosition(), 1);
    if (observer)
        observer->selectionShown(*selectedLife);
}

void World::followSelection() {
    if (selectedId < 0)
        return;
    if (lives.count(selectedId) != 0 && selectedLife)
        placeGroundMarker(selectedLife->getPosition(), 1);
    else
        releaseSelection();
}

void World::releaseSelection() {
    selectedLife = nullptr;
    if (observer)
        observer->selectionCleared();
}

// Markers only show: a headless world has none.
void World::lifePing(const osg::Vec3d& position, const osg::Vec3f& colour, int ticks) {
    if (observer)
        observer->lifePing(position, colour, ticks);
}

void World::deathPing(const osg::Vec3d& position, int ticks) {
    if (observer)
        observer->deathPing(position, ticks);
}

void World::addTimedBeam(const osg::Vec3d& from, const osg::Vec3d& to, float width, const osg::Vec3f& colour,
                         float alpha, int ticks) {
    if (observer)
        observer->beam(from, to, width, colour, alpha, ticks);
}

void World::addTimedRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                         float alpha, int ticks) {
    if (observer)
        observer->timedRect(x0, y0, x1, y1, z, colour, alpha, ticks);
}

void World::addCursorRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                          float alpha) {
    if (observer)
        observer->cursorRect(x0, y0, x1, y1, z, colour, alpha);
}

void World::flashTile(const osg::Vec3f& colour, float alpha, int ticks) {
    const int c = cursorTile->getColumn();
    const int r = cursorTile->getRow();
    addTimedRect(c * TileGrid::TILE_SIZE, r * TileGrid::TILE_SIZE, (c + 1) * TileGrid::TILE_SIZE,
                 (r + 1) * TileGrid::TILE_SIZE, 0.5f, colour, alpha, ticks);
}

void World::ageTimedMarkers() {
    if (observer)
        observer->markersAged();
}

void World::releaseSpareMarkers() {
    if (observer)
        observer->tickEnded();
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
