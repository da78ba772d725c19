#pragma once

#include "common/BoardSize.h"
#include "common/Rules.h"
#include "life/GenotypeTable.h"
#include "life/Life.h"
#include "life/Lives.h"
#include "world/TimedMarker.h"
#include "world/ToolMode.h"
#include "world/WorldObserver.h"

#include <osg/Timer>
#include <osg/ref_ptr>

#include <array>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <vector>

class TileGrid;
class WorldTile;

// The one simulation object: ground, living things, tools, selection and the pacing of the frame
// loop. Input only raises requests; tick carries them out. It draws nothing: what can be seen or
// heard it reports to its observer, which the window's side sets; without one it is headless.
class World {
public:
    static constexpr int MAX_SIZE = BoardSize::MAX_TILES_PER_SIDE;
    // Beyond this many lives they no longer fit in the cache, and the tick's walks ask for them
    // ahead of time; below it, asking would only cost.
    static constexpr size_t LOOK_AHEAD_LIVES = 5000;
    using CursorMarkers = std::list<osg::ref_ptr<osg::PositionAttitudeTransform>>;

    // The living organisms of each kind, dying ones not counted.
    struct LivingCounts {
        int herbivores = 0;
        int carnivores = 0;
        int plants = 0;
        int total() const { return herbivores + carnivores + plants; }
    };

    explicit World(int size);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void tick();
    void pickIfRequested();

    // The watcher of everything visible, owned by the World; set before the first organism.
    void setObserver(std::unique_ptr<WorldObserver> watcher);
    WorldObserver* getObserver() const { return observer.get(); }
    // The art and sounds the window's side keeps; null when headless.
    ModelCatalogue* getModels() const { return observer ? observer->models() : nullptr; }
    SoundBank* getSound() const { return observer ? observer->sound() : nullptr; }
    Lives& getLives() { return lives; }
    int getTickRate() const { return tickRate; }
    // The rules every tick reads; the window program keeps the defaults.
    const Rules& getRules() const { return rules; }
    void setRules(const Rules& r) { rules = r; }
    // Rescue: at the end of every tick, a kind (herbivores, carnivores, plants, in that order) with
    // fewer living than its floor gets new ones, made as the genesis makes them, up to the floor;
    // a rescued animal keeps the kind it is made for.
    // By kind, indexed by OrganismKind::Value.
    using Floors = std::array<int, OrganismKind::COUNT>;
    using Insertions = std::array<long, OrganismKind::COUNT>;
    void setKeep(const Floors& floors) { keep = floors; }
    const Floors& getKeep() const { return keep; }
    // The organisms rescue has made since the world began.
    const Insertions& getInserted() const { return inserted; }
    void restoreInserted(const Insertions& counts) { inserted = counts; }
    // Unpaused ticks run since the world began.
    long getTickNumber() const { return tickNumber; }
    // The last id handed out: the next one is the first free id after it.
    int getLastId() const { return lastId; }
    int newId();
    // Lists a new or restored organism under its id.
    void addLife(Life* life);
    void removeLife(Life* life);
    // A newborn's parent, birth tick and genotype; no draw.
    void recordBirth(Life& born, const Life* parent, const Genome& genome);
    GenotypeTable& getGenotypes() { return genotypes; }
    // Told of every birth after it is recorded (the lab follows a lineage with it).
    void setBirthWatcher(std::function<void(const Life&)> watcher) { birthWatcher = std::move(watcher); }
    // Told of every organism that stops counting among the living, as the census stops counting it.
    void setDeathWatcher(std::function<void(const Life&)> watcher) { deathWatcher = std::move(watcher); }
    const GenotypeTable& getGenotypes() const { return genotypes; }
    // An organism that starts its dying: it no longer counts among the living, nor in its genotype.
    void lifeDied(const Life& life);
    // Kept up to date as organisms are born, die and leave, so nobody needs to walk them all.
    const LivingCounts& getLiving() const { return living; }
    bool isDrawn() const { return observer != nullptr; }
    osg::Vec3d spawnPosition();

    // Tools and picking.
    void setTool(ToolMode mode);
    void applyTool();
    void toggleControls();
    void pickUnderCursor();
    void placeGroundMarker(const osg::Vec3d& point, int ticks);
    void clearCursorMarkers();

    // Markers.
    static constexpr int PING_TICKS = 16;
    void lifePing(const osg::Vec3d& position, const osg::Vec3f& colour, int ticks = PING_TICKS);
    void deathPing(const osg::Vec3d& position, int ticks = PING_TICKS);
    // The selection arrow at a point already found on the ground.
    void placeArrow(const osg::Vec3d& point, int ticks);
    void addTimedBeam(const osg::Vec3d& from, const osg::Vec3d& to, float width, const osg::Vec3f& colour,
                      float alpha, int ticks);
    void addTimedRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                      float alpha, int ticks);
    void addCursorRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                       float alpha);
    void flashTile(const osg::Vec3f& colour, float alpha, int ticks);
    void ageTimedMarkers();
    // Takes the expired pings this tick did not need again out of the marker group;
    // every tick ends with it.
    void releaseSpareMarkers();

    // The genesis of a new world: each tile, given as (column, row), gets 10 herbivores, 10 carnivores
    // and 10 plants in that order; then the first tick starts from the seed for its number, as any other.
    // Told after each tile how many are done.
    using TileDone = std::function<void(long tiles)>;
    void genesis(const std::vector<std::pair<int, int>>& tilesToPopulate, const TileDone& tileDone = nullptr);
    // The end of every unpaused tick: the random generator is seeded for the next one.
    void reseed();
    // Loading a saved world into this fresh one: the ticks run, the last id given, the selection
    // and the pause, set as they were, with no request, marker or sound.
    void restoreClock(long ticksRun, int lastIdGiven);
    void restoreSelection(int id);
    void restorePaused(bool pausedNow);

    // Pacing.
    void setTickRate(int n);
    void setFrameRate(int n);
    bool isTickDue() const;
    bool isFrameDue() const;
    void markFrame();
    int getTickIntervalMs() const { return tickIntervalMs; }
    int getFrameIntervalMs() const { return frameIntervalMs; }
    // Milliseconds until the next frame is due (0 when it is due).
    double msUntilFrame() const;

    // Spawners.
    void spawnRandomHerbivore();
    void spawnRandomCarnivore();
    void spawnRandomPlant();
    void spawnPredatorForSelection();
    void spawnPreyForSelection();

    // Read access for the display, tools and tests; the markers are the window's.
    TileGrid* getTiles() const { return tiles.get(); }
    osg::Group* getMarkerGroup() const { return observer ? observer->markerGroup() : nullptr; }
    // The timed markers but the beams, and the beams by their look (a drawn world's only).
    const std::vector<TimedMarker>& getTimedMarkers() const;
    const std::vector<BeamBatch>& getBeamBatches() const;
    // Every timed marker shown, beams included.
    size_t getTimedMarkerCount() const { return observer ? observer->timedMarkerCount() : 0; }
    const CursorMarkers& getCursorMarkers() const;
    ToolMode getToolMode() const { return toolMode; }
    bool isPaused() const { return paused; }
    bool isCursorOnGround() const { return cursorOnGround; }
    const osg::Vec3d& getCursorPoint() const { return cursorPoint; }
    WorldTile* getCursorTile() const { return cursorTile; }
    WorldTile* getTargetTile() const { return targetTile; }
    int getSelectedId() const { return selectedId; }
    Life* getSelectedLife() const { return selectedLife.get(); }
    Hud* getHud() const { return observer ? observer->hud() : nullptr; }
    // Puts the cursor on a ground point as a pick would, without a viewer.
    void setCursorPoint(const osg::Vec3d& point);
    // Takes the cursor off the ground, as a pick that found nothing.
    void clearCursor();
    // Seam for the benchmark that weighs the lineage records: off, births and deaths record nothing.
    void setLineageRecorded(bool on) { lineageRecorded = on; }
    // Seam for tests and benchmarks: the number of lives beyond which the walks look ahead.
    void setLookAheadFrom(size_t lives) { lookAheadFrom = lives; }

    // Requests, raised by input and carried out once by the next tick that handles them.
    bool pauseRequested = false;
    bool spawnHerbivoreRequested = false;
    bool spawnCarnivoreRequested = false;
    bool spawnPlantRequested = false;
    bool pickRequested = false;
    bool killTileRequested = false;
    bool genesisTileRequested = false;
    bool fertilizeTileRequested = false;
    bool selectRequested = false;
    bool spawnPredatorRequested = false;
    bool spawnPreyRequested = false;
    float mouseX = 0.0f;
    float mouseY = 0.0f;

private:
    void pauseAnimations();
    void resumeAnimations();
    void resolveSelection();
    void followSelection();
    void releaseSelection();
    void spawnRandomAnimal(int kind);
    void rescue();
    WorldTile* tileUnder(const osg::Vec3d& point) const;
    int* livingCountOf(const Life& life);

    // First, so that it is the last to go: the organisms' scene parts go before their watcher.
    std::unique_ptr<WorldObserver> observer;
    Rules rules;
    Floors keep{};
    Insertions inserted{};
    osg::ref_ptr<Life> selectedLife;
    int selectedId = -1;
    osg::Vec3d cursorPoint;
    osg::Vec3d selectPoint;
    ToolMode toolMode = TOOL_CAMERA;
    bool paused = false;
    bool cursorOnGround = false;
    std::unique_ptr<TileGrid> tiles;
    WorldTile* cursorTile = nullptr;
    WorldTile* targetTile = nullptr;
    int tickRate = 1;
    int tickIntervalMs = 1000;
    int frameIntervalMs = 13;
    osg::Timer timer;
    osg::Timer_t lastTickStamp = 0;
    osg::Timer_t lastFrameStamp = 0;
    int lastId = 0;
    long tickNumber = 0;
    size_t lookAheadFrom = LOOK_AHEAD_LIVES;
    Lives lives;
    GenotypeTable genotypes;
    bool lineageRecorded = true;
    std::function<void(const Life&)> birthWatcher;
    std::function<void(const Life&)> deathWatcher;
    LivingCounts living;
};
