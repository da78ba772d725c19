#pragma once

#include "life/AnimalRecord.h"
#include "life/Life.h"
#include "world/WorldTile.h"

// A herbivore or carnivore: walks, hunts, flees, reproduces and dies.
class Animal : public Life {
public:
    Animal(int id, osg::ref_ptr<character::CoreModel> core, WorldTile* tile, int kind,
           const osg::Vec3d& position, int speed, int adrenaline, int spawnEfficiency, int size, int preySize,
           int tickRate);
    // Rebuilds a saved animal as it was, without the birth's draw, ping, sound or animation. Its
    // target comes back once every organism is back.
    Animal(const AnimalRecord& record, osg::ref_ptr<character::CoreModel> core, WorldTile* tile,
           int tickRate);

    AnimalRecord record() const;
    void restoreTarget(Life* prey) { target = prey; }

    void reproduce() override;
    void die() override;
    void onHunted(float heading, Life* hunter) override;

    void update();
    void prefetchParts() const override;
    void prefetchReach() const override;
    void move(float h, bool hurry);
    void walkStep();
    void runStep();
    void setHeading(float h);

    bool isPrey(Life* candidate);
    // Whether the rules keep this hunter off the candidate because it is of the same kind.
    bool spares(const Life* candidate) const;
    // Rested enough to start a hunt.
    bool isRested() const { return adrenalineLevel > adrenaline * tile->rules().animalRestedAt; }
    void chase(Life* prey);
    void flee(float h, Life* from);
    void attack(Life* prey);

    int getKind() const { return kind; }
    int getSpeed() const { return speed; }
    int getAdrenaline() const { return adrenaline; }
    int getPreySize() const { return preySize; }
    float getHeading() const { return heading; }
    Life* getTarget() const { return target; }
    const osg::Vec3d& getPosition() const { return position; }
    int getDeathCountdown() const { return deathCountdown; }
    bool isWalking() const { return walking; }
    bool isRunning() const { return running; }
    bool isExhausted() const { return exhausted; }

    // Test seams for the energy and reserve bookkeeping.
    void setEnergy(float e) { energy = e; }
    void setAdrenalineLevel(float level) { adrenalineLevel = level; }
    void setPosition(const osg::Vec3d& p);

private:
    float bodyScale() const { return size * 0.05f + 0.1f; }
    // The model in its genome's colour and pace, under the transform; returns the colour.
    osg::Vec3f buildBody(character::CoreModel* core, int tickRate);
    void showEnergy();
    void releasePrey();

    float heading = 0.0f;
    int preySize;
    int speed;
    int adrenaline;
    Life* target = nullptr;
    int kind;
    bool running = false;
    bool walking = false;
    bool exhausted = false;
    osg::Vec3d position;
    int deathCountdown = 0;
};
