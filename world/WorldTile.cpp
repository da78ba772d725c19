#include "world/WorldTile.h"

#include "life/Animal.h"
#include "life/AnimalGenome.h"
#include "life/HuntIndex.h"
#include "plants/Plant.h"
#include "plants/PlantGenome.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// A grid built without a world (as the scene files' checks build one) goes by the default rules.
const Rules* rulesOf(TileGrid* grid) {
    static const Rules defaults;
    World* world = grid->getWorld();
    return world ? &world->getRules() : &defaults;
}

} // namespace

WorldTile::WorldTile(TileGrid* grid, int column, int row)
    : grid(grid), worldRules(rulesOf(grid)), row(row), column(column), firstX(firstAt(column)),
      pastX(firstAt(column + 1)), firstY(firstAt(row)), pastY(firstAt(row + 1)) {}

double WorldTile::firstAt(int index) {
    // The quotient rises with the coordinate, so its truncation does: start at the exact multiple
    // and step to the neighbouring doubles until the edge is found.
    const auto reaches = [index](double x) { return std::trunc(x / TileGrid::TILE_SIZE) >= index; };
    double x = static_cast<double>(index > 0 ? index : index - 1) * TileGrid::TILE_SIZE;
    while (!reaches(x))
        x = std::nextafter(x, HUGE_VAL);
    while (reaches(std::nextafter(x, -HUGE_VAL)))
        x = std::nextafter(x, -HUGE_VAL);
    return x;
}

WorldTile::~WorldTile() = default;

void WorldTile::registerLife(Life* life) {
    life->setTile(this);
    if (life->getCategory() == CATEGORY_ANIMAL) {
        animalCount += 1;
        animals.push_back(life);
        if (!contains(life->getPosition()))
            addStray(life);
        updateColour();
    } else if (life->getCategory() == CATEGORY_PLANT) {
        plantMass = plantMass + static_cast<float>(life->getGenomeSize());
        plants.push_back(life);
    }
}

void WorldTile::unregisterLife(Life* life) {
    if (life->getCategory() == CATEGORY_ANIMAL) {
        if (animals.remove(life)) {
            if (life->strayed) {
                life->strayed = false;
                strays.erase(std::find(strays.begin(), strays.end(), life));
            }
            animalCount -= 1;
            updateColour();
        }
    } else if (life->getCategory() == CATEGORY_PLANT) {
        if (plants.remove(life)) {
            plantMass = plantMass - static_cast<float>(life->getGenomeSize());
            if (plantMass < 0.0f)
                plantMass = 0.0f;
        }
    }
}

void WorldTile::updateColour() {
    osg::Vec4 emission(0.8f, 0.8f, 1.0f, 1.0f);
    if (!fertilized) {
        float c = 0.7f + 0.3f * static_cast<float>(animalCount) / 20.0f;
        c = std::min(c, 1.0f);
        emission.set(c, c, c, 1.0f);
    }
    // Most arrivals and departures leave the shade as it was (a crowded tile stays white).
    if (shade == emission)
        return;
    shade = emission;
    shaded();
}

void WorldTile::shaded() {
    World* world = grid->getWorld();
    if (world && world->getObserver())
        world->getObserver()->tileShaded(*this);
}

osg::PositionAttitudeTransform* WorldTile::getTransform() const {
    World* world = grid->getWorld();
    return world && world->getObserver() ? world->getObserver()->tileTransform(*this) : nullptr;
}

void WorldTile::toggleFertilized() {
    fertilized = !fertilized;
    updateColour();
}

void WorldTile::restore(bool fertilizedNow, float mass, const osg::Vec4& shade) {
    fertilized = fertilizedNow;
    plantMass = mass;
    if (this->shade == shade)
        return;
    this->shade = shade;
    shaded();
}

void WorldTile::killAll() {
    animals.walk([](Life* life) { life->die(); });
    plants.walk([](Life* life) { life->die(); });
    fertilized = false;
}

void WorldTile::addStray(Life* animal) {
    if (animal->strayed)
        return;
    animal->strayed = true;
    if (strays.empty())
        grid->strayed(*this);
    strays.push_back(animal);
}

void WorldTile::migrateAnimals() {
    // Only the animals that stepped off can be off: the others would stay where they are. Those met
    // here are taken from the strays first, so that one listed here again off the board (its clamped
    // tile may be this one) waits for the next move, as a walk that stops at the end it began with.
    static std::vector<Life*> moving;
    moving.swap(strays);
    for (Life* animal : moving)
        animal->strayed = false;
    animals.walkChosen(moving, [this](Life* animal) {
        const osg::Vec3d& p = static_cast<Animal*>(animal)->getPosition();
        if (contains(p))
            return;
        unregisterLife(animal);
        grid->tileUnder(p.x(), p.y())->registerLife(animal);
    });
    moving.clear();
}

void WorldTile::updateAnimals() {
    animals.walkAskingAhead([](Life* life) { static_cast<Animal*>(life)->update(); });
}

void WorldTile::updatePlants() {
    plants.walkAskingAhead([](Life* life) { static_cast<Plant*>(life)->update(); });
}

void WorldTile::huntStep() {
    // Crowded tiles answer from an index; it yields exactly the candidate the list walk would. An
    // index is built only once a hunter asks it, for most tiles have no rested hunter of a kind; the
    // candidates only stop being idle during the pass, which the index notices whenever it is built.
    constexpr size_t CROWDED = 24;
    static HuntIndex plantIndex;
    static HuntIndex animalIndex;
    const bool indexed = animals.size() + plants.size() > CROWDED && animals.allValid() && plants.allValid();
    bool plantsBuilt = false;
    bool animalsBuilt = false;
    animals.walk([&](Life* life) {
        Animal* hunter = static_cast<Animal*>(life);
        if (hunter->getState() != STATE_IDLE)
            return;
        const bool grazer = hunter->getKind() == KIND_HERBIVORE;
        if (hunter->isSated())
            return;
        if (indexed) {
            if (!hunter->isRested())
                return;
            bool& built = grazer ? plantsBuilt : animalsBuilt;
            HuntIndex& index = grazer ? plantIndex : animalIndex;
            if (!built) {
                index.build(grazer ? plants : animals);
                built = true;
            }
            if (Life* prey = index.firstPrey(*hunter))
                hunter->chase(prey);
            return;
        }
        plantsBuilt = plantsBuilt || grazer;
        for (Life* candidate : grazer ? plants : animals) {
            if (hunter->isPrey(candidate)) {
                hunter->chase(candidate);
                break;
            }
        }
    });
    plantsHunted = plantsBuilt;
}

void WorldTile::prefetchLists() const {
    __builtin_prefetch(&animals);
    __builtin_prefetch(&plants);
}

void WorldTile::prefetchSlots() const {
    animals.prefetchSlots();
    plants.prefetchSlots();
}

void WorldTile::prefetchLives(Pass pass) const {
    const auto whole = [](const Life* life) { life->prefetch(); };
    switch (pass) {
    case Pass::hunt:
        // The hunters are always read; the plants only if a grazer hunted here last time.
        animals.eachOfFirst(LifeList::LIVES_AT_ONCE, whole);
        if (plantsHunted)
            plants.eachOfFirst(LifeList::LIVES_AT_ONCE, whole);
        break;
    case Pass::update:
        animals.prefetchFront();
        plants.prefetchFront();
        break;
    }
}

void WorldTile::prefetchParts() const {
    animals.prefetchFrontParts();
    plants.prefetchFrontParts();
}

void WorldTile::prefetchReach() const {
    animals.prefetchFrontReach();
}

int WorldTile::findNearestLife(const osg::Vec3d& point) const {
    double best = 20.0;
    int result = -1;
    for (Life* animal : animals) {
        const double d = (point - animal->getPosition()).length();
        const double score = d - animal->getSize() * 0.5;
        if (score < best) {
            best = score;
            result = animal->getId();
        }
    }
    for (Life* plant : plants) {
        const osg::Vec3d delta = point - plant->getPosition();
        const double a = std::sqrt(delta.x() * delta.x() + delta.y() * delta.y()) - plant->getSize() * 0.8;
        const double b = delta.length() - plant->getSize() * 1.5;
        if (a < best) {
            best = a;
            result = plant->getId();
        } else if (b < best) {
            best = b;
            result = plant->getId();
        }
    }
    return result;
}

float WorldTile::nutrientShare(float plantSize) const {
    const float r = plantSize / plantMass;
    return fertilized ? (r * worldRules->tileFertilizedBoost) * worldRules->tileNourishment
                      : r * worldRules->tileNourishment;
}

osg::Vec3d WorldTile::randomPoint() {
    const int x = column * TileGrid::TILE_SIZE + (std::rand() % TileGrid::TILE_SIZE);
    const int y = row * TileGrid::TILE_SIZE + (std::rand() % TileGrid::TILE_SIZE);
    return osg::Vec3d(x, y, 0);
}

int WorldTile::random() {
    return std::rand();
}

int WorldTile::getExtent() const {
    return grid->getTilesPerSide() * TileGrid::TILE_SIZE;
}

void WorldTile::mutateAnimalGenome(int& kind, int& speed, int& adrenaline, int& spawnEfficiency, int& size,
                                   int& preySize) {
    AnimalGenome::mutate(kind, speed, adrenaline, spawnEfficiency, size, preySize, *worldRules);
}

void WorldTile::spawnAnimal(int kind, const osg::Vec3d& position, int speed, int adrenaline,
                            int spawnEfficiency, int size, int preySize, int generation, const Life* parent,
                            bool kindKept) {
    const int madeAs = kind;
    // The drift draws the same either way; only its outcome for the kind is set aside.
    mutateAnimalGenome(kind, speed, adrenaline, spawnEfficiency, size, preySize);
    if (kindKept)
        kind = madeAs;
    World* world = grid->getWorld();
    const int id = world->newId();
    osg::ref_ptr<Animal> animal = new Animal(id, this, kind, position, speed, adrenaline, spawnEfficiency,
                                             size, preySize, world->getTickRate());
    animal->setGeneration(generation);
    world->recordBirth(*animal, parent,
                       Genome::animal(kind, speed, adrenaline, spawnEfficiency, size, preySize));
    world->addLife(animal.get());
    registerLife(animal.get());
}

void WorldTile::populate(int herbivores, int carnivores, int plantCount, bool rescued) {
    const auto spawnGenesisAnimals = [this, rescued](int count, int kind) {
        for (int i = 0; i < count; ++i) {
            const int preySize = std::rand() % 80 + 5;
            const int size = std::rand() % 80 + 5;
            const int spawnEfficiency = std::rand() % 40 + 10;
            const int adrenaline = std::rand() % 40 + 10;
            const int speed = std::rand() % 40 + 10;
            const osg::Vec3d p = randomPoint();
            spawnAnimal(kind, p, speed, adrenaline, spawnEfficiency, size, preySize, 0, nullptr, rescued);
        }
    };
    spawnGenesisAnimals(herbivores, KIND_HERBIVORE);
    spawnGenesisAnimals(carnivores, KIND_CARNIVORE);
    for (int i = 0; i < plantCount; ++i) {
        const int size = std::rand() % 80 + 5;
        const int spawnEfficiency = std::rand() % 40 + 10;
        const int spawnRadius = std::rand() % 40 + 10;
        const int offspring = std::rand() % 40 + 10;
        const osg::Vec3d p = randomPoint();
        spawnPlant(p, offspring, spawnRadius, spawnEfficiency, size);
        if (plants.empty())
            continue;
        Plant* newest = static_cast<Plant*>(plants.back());
        if (newest->getState() != STATE_WITHERING)
            newest->forceGrowth();
    }
}

void WorldTile::genesis() {
    populate(worldRules->genesisHerbivores, worldRules->genesisCarnivores, worldRules->genesisPlants);
}

void WorldTile::mutatePlantGenome(int& offspring, int& spawnRadius, int& spawnEfficiency, int& size) {
    PlantGenome::mutate(offspring, spawnRadius, spawnEfficiency, size, *worldRules);
}

void WorldTile::spawnPlant(const osg::Vec3d& point, int offspring, int spawnRadius, int spawnEfficiency,
                           int size, int generation, const Life* parent) {
    // A point off the board (or not a number) would be handed from tile to tile for ever:
    // finite points are brought onto the nearest edge, others are dropped.
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return;
    const double last = std::nextafter(static_cast<double>(getExtent()), 0.0);
    const osg::Vec3d inside(std::clamp(point.x(), 0.0, last), std::clamp(point.y(), 0.0, last), point.z());
    WorldTile* owner = grid->tileUnder(inside.x(), inside.y());
    owner->growPlant(inside, offspring, spawnRadius, spawnEfficiency, size, generation, parent);
}

void WorldTile::growPlant(const osg::Vec3d& point, int offspring, int spawnRadius, int spawnEfficiency,
                          int size, int generation, const Life* parent) {
    mutatePlantGenome(offspring, spawnRadius, spawnEfficiency, size);
    World* world = grid->getWorld();
    const int id = world->newId();
    const float limit = worldRules->tileViability *
                        (fertilized ? worldRules->tileFertilizedCrowd : static_cast<float>(animalCount + 1));
    const bool viable = (plantMass + static_cast<float>(size)) < limit;
    osg::ref_ptr<Plant> plant = new Plant(id, this, point, offspring, spawnRadius, spawnEfficiency, size,
                                          world->getTickRate(), viable);
    plant->setGeneration(generation);
    // The genotype holds what the plant passes on: its size as the plant floor raised it.
    world->recordBirth(*plant, parent,
                       Genome::plant(offspring, spawnRadius, spawnEfficiency, plant->getGenomeSize()));
    world->addLife(plant.get());
    registerLife(plant.get());
}
