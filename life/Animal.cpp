#include "life/Animal.h"

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

Animal::Animal(int id, WorldTile* tile, int kind, const osg::Vec3d& position, int speed, int adrenaline,
               int spawnEfficiency, int size, int preySize, int tickRate)
    : Life(id, tile, position, spawnEfficiency, size), preySize(preySize), speed(speed),
      adrenaline(adrenaline), kind(kind) {
    category = CATEGORY_ANIMAL;
    foodValue = tile->rules().animalFoodValue;
    maxEnergy = size + 0.1f;
    energy = maxEnergy * tile->rules().animalBirthEnergy;
    timeScale = speed * 3.0f / 100.0f * tickRate * 0.0625f;
    setHeading((std::rand() % 360) * DEGREES);
    if (WorldObserver* observer = worldOf(tile)->getObserver())
        observer->lifeBorn(*this);
}

Animal::Animal(const AnimalRecord& record, WorldTile* tile, int tickRate) : Life(record.life, tile) {
    SYLVARA_ANIMAL_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_MEMBER_FROM_RECORD, SYLVARA_RECORD_SKIP)
    category = CATEGORY_ANIMAL;
    foodValue = tile->rules().animalFoodValue;
    maxEnergy = size + 0.1f;
    timeScale = speed * 3.0f / 100.0f * tickRate * 0.0625f;
    if (WorldObserver* observer = worldOf(tile)->getObserver())
        observer->lifeRestored(*this);
}

AnimalRecord Animal::record() const {
    AnimalRecord r;
    r.life = recordLife();
    SYLVARA_ANIMAL_FIELDS(SYLVARA_RECORD_SKIP, SYLVARA_RECORD_FROM_MEMBER, SYLVARA_RECORD_SKIP)
    // A dying animal never looks at its target again, and the target may be gone already.
    r.targetId = target && state != STATE_DEAD ? target->getId() : AnimalRecord::NO_TARGET;
    return r;
}

// Only a living animal's update looks at its target: a dead one's may already be gone.
void Animal::prefetchParts() const {
    Life::prefetchParts();
    if (target && state != STATE_DEAD)
        target->prefetch();
}

void Animal::prefetchReach() const {
    // A hunter reads where its prey stands.
    if (target && state == STATE_CHASE)
        __builtin_prefetch(&target->getPosition());
}

void Animal::setHeading(float h) {
    const float delta = h - heading;
    heading = h;
    // The body turns by the step, as it always has: the drawn attitude gathers the turns.
    if (shown)
        watcher()->lifeTurned(*this, delta);
}

void Animal::gaitChanged() {
    if (shown)
        watcher()->animalGaitChanged(*this);
}

void Animal::walkStep() {
    const Rules& rules = tile->rules();
    if (adrenaline >= adrenalineLevel)
        adrenalineLevel += adrenaline * rules.animalRecovery;
    if (!walking) {
        running = false;
        walking = true;
        gaitChanged();
    }
    const float step = speed * rules.animalRunStep * rules.animalWalkStep;
    position.x() += std::cos(heading) * step;
    position.y() += std::sin(heading) * step;
    wrapPosition(position);
    setPosition(position);
}

void Animal::runStep() {
    const Rules& rules = tile->rules();
    adrenalineLevel -= rules.animalRunCost;
    if (!running) {
        walking = false;
        running = true;
        gaitChanged();
    }
    const float step = speed * rules.animalRunStep;
    position.x() += std::cos(heading) * step;
    position.y() += std::sin(heading) * step;
    wrapPosition(position);
    setPosition(position);
}

void Animal::move(float h, bool hurry) {
    const Rules& rules = tile->rules();
    if (h != heading)
        setHeading(h);
    if (hurry && !exhausted) {
        if (adrenalineLevel > 0.0f) {
            runStep();
        } else {
            walkStep();
            exhausted = true;
        }
    } else if (hurry) {
        walkStep();
        if (adrenalineLevel > adrenaline * rules.animalRestedAt)
            exhausted = false;
    } else {
        walkStep();
        if (std::rand() % 100 < rules.animalTurnChance)
            setHeading(heading + (std::rand() % 10 - 5) * DEGREES);
    }
    // A faster animal burns more on every step; without the cost its speed would be free.
    loseEnergy(rules.animalSpeedCost > 0.0f ? rules.animalMoveCost + rules.animalSpeedCost * speed / 100.0f
                                            : rules.animalMoveCost);
    setPosition(position);
}

void Animal::update() {
    if (state == STATE_DEAD) {
        die();
        return;
    }
    if (target && target->getState() == STATE_DEAD) {
        target = nullptr;
        state = STATE_IDLE;
    }
    const float e0 = energy;
    // A larger body costs its upkeep every tick, whatever the animal does.
    const Rules& rules = tile->rules();
    if (rules.animalSizeCost > 0.0f) {
        // Above power 1 the upkeep outgrows the reserve, which grows only in proportion to size.
        loseEnergy(rules.animalSizeCostPower == 1.0f
                       ? rules.animalSizeCost * size / 100.0f
                       : rules.animalSizeCost * std::pow(size / 100.0f, rules.animalSizeCostPower));
        if (state == STATE_DEAD)
            return;
    }
    if (energy > maxEnergy * rules.animalBreedAt) {
        if (state == STATE_CHASE)
            releasePrey();
        state = STATE_REPRODUCE;
    }
    switch (state) {
    case STATE_REPRODUCE:
        reproduce();
        break;
    case STATE_CHASE:
        chase(target);
        break;
    case STATE_FLEE:
        flee(heading, target);
        break;
    case STATE_IDLE:
        move(heading, false);
        break;
    default:
        break;
    }
    // A dying animal may have been removed by now only through die(), which returns first; this one lives on.
    if (energy != e0)
        showEnergy();
}

void Animal::showEnergy() {
    if (energy > maxEnergy)
        energy = maxEnergy;
    if (shown)
        watcher()->animalEnergyShown(*this);
}

void Animal::reproduce() {
    tile->spawnAnimal(kind, position, speed, adrenaline, spawnEfficiency, size, preySize, generation + 1,
                      this);
    const Rules& rules = tile->rules();
    loseEnergy(maxEnergy * rules.animalBreedCost / (spawnEfficiency * rules.animalBreedEfficiency + 1.0f));
    state = STATE_IDLE;
}

void Animal::die() {
    if (state != STATE_DEAD) {
        state = STATE_DEAD;
        deathCountdown = tile->rules().animalDeathTicks;
        walking = false;
        running = false;
        worldOf(tile)->lifeDied(*this);
        if (shown)
            watcher()->lifeDying(*this);
        return;
    }
    deathCountdown -= 1;
    if (deathCountdown > 0)
        return;
    leaveWorld();
}

bool Animal::isPrey(Life* candidate) {
    if (!candidate->isValid()) {
        std::printf("Warning: invalid prey pointer.\n");
        return false;
    }
    if (!isRested())
        return false;
    if (candidate->getState() != STATE_IDLE)
        return false;
    if (candidate->getId() == id || spares(candidate))
        return false;
    const float t = preySize * tile->rules().animalPreyTolerance;
    const int c = candidate->getSize();
    return (takesSmaller() || c + t > preySize) && c - t < preySize;
}

bool Animal::takesSmaller() const {
    const int smaller = tile->rules().animalSmallerPrey;
    return smaller == 2 || (smaller == 1 && kind == KIND_HERBIVORE);
}

bool Animal::isSated() const {
    const float below = tile->rules().animalHuntBelow;
    return kind == KIND_CARNIVORE && below < 1.0f && !(energy < maxEnergy * below);
}

bool Animal::spares(const Life* candidate) const {
    return tile->rules().animalHuntOwnKind == 0 && candidate->getCategory() == CATEGORY_ANIMAL &&
           static_cast<const Animal*>(candidate)->kind == kind;
}

void Animal::chase(Life* prey) {
    target = prey;
    const osg::Vec3d p = prey->getPosition();
    const osg::Vec3d m = position;
    worldOf(tile)->addTimedBeam(m, p, 5.0f, osg::Vec3f(0, 0, 0), 0.1f, 1);
    const double dx = p.x() - m.x();
    const double dy = p.y() - m.y();
    if (state != STATE_CHASE) {
        state = STATE_CHASE;
        setHeading(static_cast<float>(std::atan2(dy, dx)));
        prey->onHunted(heading, this);
        return;
    }
    bool hurry = true;
    if (!(adrenalineLevel > 0.0f)) {
        prey->setState(STATE_IDLE);
        state = STATE_IDLE;
        hurry = false;
    }
    move(heading, hurry);
    // A hunter that its own step has killed bites no more, and stays dead.
    if (state == STATE_DEAD)
        return;
    if (std::sqrt(dx * dx + dy * dy) < size * tile->rules().animalReach)
        attack(prey);
}

void Animal::onHunted(float h, Life* hunter) {
    if (state == STATE_CHASE)
        return;
    flee(h, hunter);
}

void Animal::flee(float h, Life* from) {
    if (state != STATE_FLEE) {
        state = STATE_FLEE;
        target = from;
        setHeading(h);
        return;
    }
    move(h, true);
}

void Animal::attack(Life* prey) {
    const float e = prey->getEnergy();
    const float f =
        prey->getFoodValue() * ((size - prey->getSize()) * tile->rules().animalSizeAdvantage + 1.0f);
    float b = adrenalineLevel * f;
    if (b > maxEnergy - energy)
        b = maxEnergy - energy;
    // A reserve still below zero after giving up bites for nothing: energy never flows back to the prey.
    if (b < 0.0f)
        b = 0.0f;
    if (e < b) {
        gainEnergy(e);
        prey->loseEnergy(e);
        adrenalineLevel -= e / f;
    } else {
        gainEnergy(b);
        prey->loseEnergy(b);
        adrenalineLevel = 0.0f;
    }
    releasePrey();
    state = STATE_IDLE;
}

// A prey that survived a bite, or whose hunter turned to breeding, would flee
// from it for ever; let it go as a hunter that gives up does.
void Animal::releasePrey() {
    if (!target || target->getCategory() != CATEGORY_ANIMAL || target->getState() != STATE_FLEE)
        return;
    if (static_cast<Animal*>(target)->getTarget() == this)
        target->setState(STATE_IDLE);
}
