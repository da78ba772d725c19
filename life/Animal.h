#pragma once

#include "life/AnimalRecord.h"
#include "life/Life.h"
#include "world/WorldTile.h"

// A herbivore or carnivore: walks, hunts, flees, reproduces and dies.
class Animal : public Life {
public:
    Animal(int id, WorldTile* tile, int kind, const osg::Vec3d& position, int speed, int adrenaline,
           int spawnEfficiency, int size, int preySize, int tickRate);
    // Rebuilds a saved animal as it was, without the birth's draw, ping, sound or animation. Its
    // target comes back once every organism is back.
    Animal(const AnimalRecord& record, WorldTile* tile, int tickRate);

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
    // A carnivore fed past animal.huntBelow leaves the herbivores alone until it is hungry again.
    bool isSated() const;
    // Under animal.smallerPrey the window has no floor: anything below its top is prey.
    bool takesSmaller() const;
    bool isRested() const { return adrenalineLevel > adrenaline * tile->rules().animalRestedAt; }
    void chase(Life* prey);
    void flee(float h, Life* from);
    void attack(Life* prey);

    int getKind() const { return kind; }
    int getSpeed() const { return speed; }
    int getAdrenaline() const { return adrenaline; }
    int getPreySize() const { return preySize; }
    Life* getTarget() const { return target; }
    int getDeathCountdown() const { return deathCountdown; }
    bool isWalking() const { return walking; }
    bool isRunning() const { return running; }
    bool isExhausted() const { return exhausted; }

    // Test seams for the energy and reserve bookkeeping.
    void setEnergy(float e) { energy = e; }
    void setAdrenalineLevel(float level) { adrenalineLevel = level; }

    // How it is drawn: its body's scale across, and its colour, from its genome.
    float bodyScale() const { return size * 0.05f + 0.1f; }
    osg::Vec3f getColour() const {
        return osg::Vec3f(adrenaline / 100.0f + 0.5f, speed / 100.0f + 0.5f, spawnEfficiency / 100.0f + 0.5f);
    }

private:
    void showEnergy();
    void releasePrey();
    void gaitChanged();

    // The flags first: they fill the bytes the common part leaves before the next word.
    bool running = false;
    bool walking = false;
    bool exhausted = false;
    int preySize;
    int speed;
    int adrenaline;
    int kind;
    int deathCountdown = 0;
    Life* target = nullptr;
};
