#pragma once

#include "world/ToolMode.h"

#include <osg/PositionAttitudeTransform>
#include <osg/Vec3d>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <cstddef>
#include <list>
#include <vector>

class Animal;
class BeamBatch;
class Hud;
class Life;
class ModelCatalogue;
class Plant;
class SoundBank;
class WorldTile;
struct MarkerRecord;
struct TimedMarker;

// What watches a World: told of everything that can be seen or heard, at the moment it happens,
// so the organisms' own draws stay where they are. The World itself draws nothing; a World with
// no observer is headless. Every call has a default that does nothing, so a watcher takes only
// what it wants. An organism is reported born (or restored); the reports about it after that
// come while the watcher shows it, that is once it has handed the organism a node
// (Life::setShown): a headless organism costs its tick no call at all.
class WorldObserver {
public:
    virtual ~WorldObserver() = default;

    // Organisms. Born: the new one is complete and placed, at the moment of its birth ping.
    // Restored: a saved one rebuilt as it was, without ping, sound or animation.
    virtual void lifeBorn(Life&) {}
    virtual void lifeRestored(Life&) {}
    // The node that shows an organism it shows, and a request to fetch ahead the parts of that
    // node an update of the organism writes.
    virtual osg::PositionAttitudeTransform* lifeNode(const Life&) const { return nullptr; }
    virtual void prefetchLifeNode(const Life&) const {}
    virtual void lifeMoved(Life&) {}
    // Turned by the angle given, about the vertical.
    virtual void lifeTurned(Life&, float) {}
    // Started its dying: it no longer counts among the living.
    virtual void lifeDying(Life&) {}
    // Its dying is over: it leaves the World right after.
    virtual void lifeLeft(Life&) {}
    virtual void lifePaused(Life&, bool) {}
    // Walks or runs now, as its flags say.
    virtual void animalGaitChanged(Animal&) {}
    virtual void animalEnergyShown(Animal&) {}
    virtual void plantGrewSegment(Plant&) {}
    virtual void plantBloomChanged(Plant&) {}
    virtual void plantSeedRingBuilt(Plant&) {}
    virtual void plantSeedsRipened(Plant&) {}
    virtual void plantWithered(Plant&) {}
    // Has scattered one seed.
    virtual void plantSeeded(Plant&) {}
    virtual void tileShaded(WorldTile&) {}

    // Markers that live a number of ticks.
    virtual void lifePing(const osg::Vec3d&, const osg::Vec3f&, int) {}
    virtual void deathPing(const osg::Vec3d&, int) {}
    virtual void beam(const osg::Vec3d&, const osg::Vec3d&, float, const osg::Vec3f&, float, int) {}
    virtual void timedRect(double, double, double, double, float, const osg::Vec3f&, float, int) {}
    virtual void cursorRect(double, double, double, double, float, const osg::Vec3f&, float) {}
    virtual void arrow(const osg::Vec3d&, int) {}
    // The arrow on the ground under a point.
    virtual void groundMarker(const osg::Vec3d&, int) {}
    virtual void markersAged() {}
    // Every unpaused tick ends with it.
    virtual void tickEnded() {}

    // The tools, the cursor and the selection, for the window's side.
    virtual void toolChosen(ToolMode, ToolMode) {}
    virtual void controlsToggled() {}
    virtual void cursorMoved() {}
    virtual void cursorCleared() {}
    virtual void selectionShown(Life&) {}
    virtual void selectionCleared() {}
    // The ground point under the mouse, if the window has one.
    virtual bool pick(float, float, osg::Vec3d&) { return false; }

    // What the window's side keeps, for the World's operations of these names.
    virtual ModelCatalogue* models() const { return nullptr; }
    virtual SoundBank* sound() const { return nullptr; }
    virtual Hud* hud() const { return nullptr; }
    virtual osg::Group* markerGroup() const { return nullptr; }
    virtual osg::Group* boardRoot() const { return nullptr; }
    virtual osg::PositionAttitudeTransform* tileTransform(const WorldTile&) const { return nullptr; }
    virtual const std::vector<TimedMarker>* timedMarkers() const { return nullptr; }
    virtual const std::vector<BeamBatch>* beamBatches() const { return nullptr; }
    virtual std::size_t timedMarkerCount() const { return 0; }
    virtual const std::list<osg::ref_ptr<osg::PositionAttitudeTransform>>* cursorMarkers() const {
        return nullptr;
    }
    // The timed markers shown, as a saved world keeps them.
    virtual void recordMarkers(std::vector<MarkerRecord>&) const {}
};
