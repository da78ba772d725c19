#pragma once

#include "presentation/BeamBatch.h"
#include "world/TimedMarker.h"
#include "world/WorldObserver.h"

#include <osg/Group>
#include <osg/PositionAttitudeTransform>
#include <osg/observer_ptr>
#include <osg/ref_ptr>

#include <array>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

class Hud;
class ModelCatalogue;
class OrganismNode;
class SoundBank;
class Viewer;
class World;
namespace character {
class Model;
}

// Draws and plays a World: the ground, a character for every organism, the pings, beams and tool
// rectangles, the cursor's markers, the sounds and the HUD. It changes only when the World tells it
// something happened, and reads the World's own fields to show it; it never changes the World.
class WorldScene : public WorldObserver {
public:
    // A World of the size, drawn under root; the HUD and the viewer may be null.
    static std::unique_ptr<World> build(int size, Hud* hud, osg::Group* root, Viewer* viewer);

    WorldScene(World& world, Hud* hud, osg::Group* root, Viewer* viewer);
    // Takes the board, the markers and the crowds out of the root: a world built in this one's place
    // draws alone.
    ~WorldScene() override;

    // The parts that show an organism; null when it is not drawn.
    static OrganismNode* nodeOf(const Life& life);
    static character::Model* modelOf(const Life& life);

    void lifeBorn(Life& life) override;
    void lifeRestored(Life& life) override;
    osg::PositionAttitudeTransform* lifeNode(const Life& life) const override;
    void prefetchLifeNode(const Life& life) const override;
    void lifeMoved(Life& life) override;
    void lifeTurned(Life& life, float by) override;
    void lifeDying(Life& life) override;
    void lifeLeft(Life& life) override;
    void lifePaused(Life& life, bool paused) override;
    void animalGaitChanged(Animal& animal) override;
    void animalEnergyShown(Animal& animal) override;
    void plantGrewSegment(Plant& plant) override;
    void plantBloomChanged(Plant& plant) override;
    void plantSeedRingBuilt(Plant& plant) override;
    void plantSeedsRipened(Plant& plant) override;
    void plantWithered(Plant& plant) override;
    void plantSeeded(Plant& plant) override;
    void tileShaded(WorldTile& tile) override;

    void lifePing(const osg::Vec3d& position, const osg::Vec3f& colour, int ticks) override;
    void deathPing(const osg::Vec3d& position, int ticks) override;
    void beam(const osg::Vec3d& from, const osg::Vec3d& to, float width, const osg::Vec3f& colour,
              float alpha, int ticks) override;
    void timedRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour, float alpha,
                   int ticks) override;
    void cursorRect(double x0, double y0, double x1, double y1, float z, const osg::Vec3f& colour,
                    float alpha) override;
    void arrow(const osg::Vec3d& point, int ticks) override;
    void groundMarker(const osg::Vec3d& point, int ticks) override;
    void markersAged() override;
    void tickEnded() override;

    void toolChosen(ToolMode mode, ToolMode before) override;
    void controlsToggled() override;
    void cursorMoved() override;
    void cursorCleared() override;
    void selectionShown(Life& life) override;
    void selectionCleared() override;
    bool pick(float x, float y, osg::Vec3d& hit) override;

    ModelCatalogue* models() const override { return catalogue.get(); }
    SoundBank* sound() const override { return soundBank.get(); }
    Hud* hud() const override { return shownHud; }
    osg::Group* markerGroup() const override { return markers.get(); }
    osg::Group* boardRoot() const override { return board.get(); }
    osg::PositionAttitudeTransform* tileTransform(const WorldTile& tile) const override;
    const std::vector<TimedMarker>* timedMarkers() const override { return &timed; }
    const std::vector<BeamBatch>* beamBatches() const override { return &beams; }
    std::size_t timedMarkerCount() const override;
    const std::list<osg::ref_ptr<osg::PositionAttitudeTransform>>* cursorMarkers() const override {
        return &cursor;
    }
    void recordMarkers(std::vector<MarkerRecord>& out) const override;

private:
    OrganismNode* makeNode(Life& life);
    void buildAnimal(Animal& animal, OrganismNode& node);
    void buildPlant(Plant& plant, OrganismNode& node);
    void buildSeedRing(Plant& plant, OrganismNode& node);
    void addTimedNode(osg::Node* content, int ticks, osg::PositionAttitudeTransform* transform,
                      MarkerKind kind);
    // An expired marker of the kind, shown and timed again; null when none is left.
    osg::ref_ptr<osg::PositionAttitudeTransform> reuseMarker(MarkerKind kind, int ticks);
    osg::ref_ptr<osg::PositionAttitudeTransform> newPing(MarkerKind kind, osg::Node* content, int ticks);

    World& world;
    Hud* shownHud;
    Viewer* viewer;
    osg::observer_ptr<osg::Group> parent;
    osg::ref_ptr<osg::Group> board;
    osg::ref_ptr<osg::Group> markers;
    std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>> tiles;
    std::unique_ptr<ModelCatalogue> catalogue;
    std::unique_ptr<SoundBank> soundBank;
    std::vector<TimedMarker> timed;
    // Expired markers of one kind: still in the marker group until the tick ends, or taken out.
    struct MarkerStock {
        std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>> spare;
        std::vector<osg::ref_ptr<osg::PositionAttitudeTransform>> detached;
    };
    std::array<MarkerStock, 3> stocks;
    std::vector<BeamBatch> beams;
    std::list<osg::ref_ptr<osg::PositionAttitudeTransform>> cursor;
    // The node of each organism shown, from its birth or restoring until it leaves: the scene's
    // own, so that an organism nobody draws carries nothing of it.
    std::unordered_map<const Life*, osg::ref_ptr<OrganismNode>> organisms;
};
