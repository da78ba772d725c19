// The World's tick against the rules walked out plainly: two worlds from one seed, one ticked by
// the World with its size index, tile arrays and look-ahead, the other by the straightforward
// list walks written here. After every tick both must hold the same lives, in the same order on
// the same tiles, with the same states, energies, traits and positions.
#include "WorldFixture.h"

#include <functional>
#include <sstream>
#include <vector>

namespace {

std::unique_ptr<World> seededWorld(unsigned seed) {
    RandomSeed::fix(seed);
    testing::internal::CaptureStdout();
    auto world = std::make_unique<World>(3);
    testing::internal::GetCapturedStdout();
    world->setTickRate(16);
    for (WorldTile* t : world->getTiles()->getTiles())
        t->populate(10, 10, 10);
    // One crowded tile, so hunts there go through the size index.
    WorldTile* crowded = world->getTiles()->tileAt(1, 1);
    crowded->toggleFertilized();
    for (int i = 0; i < 4; ++i)
        crowded->populate(10, 10, 10);
    return world;
}

Life* successorOf(const LifeList& list, Life* life) {
    for (auto it = list.begin(); it != list.end(); ++it)
        if (*it == life)
            return ++it == list.end() ? nullptr : *it;
    return nullptr;
}

// A linked list's walk: the successor is found before each visit, and a visit that had none ends it.
void walk(const LifeList& list, const std::function<void(Life*)>& visit) {
    for (Life* life = list.empty() ? nullptr : list.front(); life;) {
        Life* next = successorOf(list, life);
        visit(life);
        life = next;
    }
}

void huntByScanning(WorldTile& tile) {
    walk(tile.getAnimals(), [&tile](Life* life) {
        Animal* hunter = static_cast<Animal*>(life);
        if (hunter->getState() != STATE_IDLE)
            return;
        for (Life* candidate : hunter->getKind() == KIND_HERBIVORE ? tile.getPlants() : tile.getAnimals()) {
            if (hunter->isPrey(candidate)) {
                hunter->chase(candidate);
                return;
            }
        }
    });
}

// An animal whose truncated column or row is not its tile's is registered on the clamped tile under it,
// even when that is its own tile again: it then moves to the end of the list.
void migrate(WorldTile& tile) {
    walk(tile.getAnimals(), [&tile](Life* life) {
        const osg::Vec3d& p = static_cast<Animal*>(life)->getPosition();
        if (int(p.x() / 150) == tile.getColumn() && int(p.y() / 150) == tile.getRow())
            return;
        tile.unregisterLife(life);
        tile.getGrid()->tileUnder(p.x(), p.y())->registerLife(life);
    });
}

void referenceTick(World& world) {
    const std::vector<WorldTile*>& tiles = world.getTiles()->getTiles();
    world.ageTimedMarkers();
    for (WorldTile* tile : tiles)
        huntByScanning(*tile);
    for (WorldTile* tile : tiles) {
        walk(tile->getAnimals(), [](Life* life) { static_cast<Animal*>(life)->update(); });
        walk(tile->getPlants(), [](Life* life) { static_cast<Plant*>(life)->update(); });
    }
    for (WorldTile* tile : tiles)
        migrate(*tile);
    world.releaseSpareMarkers();
}

// A dead animal's target may be gone already: only the living look at theirs.
int targetId(const Animal& animal) {
    return animal.getTarget() && animal.getState() != STATE_DEAD ? animal.getTarget()->getId() : 0;
}

// Everything a tick can change, written out so two worlds compare as text.
std::string describe(World& world) {
    std::ostringstream out;
    out.precision(17);
    for (WorldTile* tile : world.getTiles()->getTiles()) {
        out << "tile " << tile->getColumn() << ',' << tile->getRow() << " mass " << tile->getPlantMass()
            << " shade " << tile->getEmission().x() << '\n';
        for (Life* life : tile->getAnimals()) {
            const Animal* a = static_cast<Animal*>(life);
            out << " animal " << a->getId() << " kind " << a->getKind() << " state " << a->getState()
                << " energy " << a->getEnergy() << " reserve " << a->getAdrenalineLevel() << " at "
                << a->getPosition().x() << ',' << a->getPosition().y() << " heading " << a->getHeading()
                << " genome " << a->getSpeed() << ',' << a->getAdrenaline() << ',' << a->getSpawnEfficiency()
                << ',' << a->getGenomeSize() << ',' << a->getPreySize() << " target " << targetId(*a) << '\n';
        }
        for (Life* life : tile->getPlants()) {
            Plant* p = static_cast<Plant*>(life);
            const osg::Vec3d at = p->getPosition();
            out << " plant " << p->getId() << " state " << p->getState() << " energy " << p->getEnergy()
                << " size " << p->getSize() << " segments " << p->getSegments() << " at " << at.x() << ','
                << at.y() << ',' << at.z() << " genome " << p->getOffspring() << ',' << p->getSpawnRadius()
                << ',' << p->getSpawnEfficiency() << ',' << p->getGenomeSize() << '\n';
        }
    }
    out << "lives " << world.getLives().size() << " markers " << world.getTimedMarkerCount() << '\n';
    return out.str();
}

} // namespace

TEST(ReferenceWalk, TheWorldsTickMatchesThePlainWalkTickByTick) {
    constexpr unsigned SEED = 2024;
    std::unique_ptr<World> fast = seededWorld(SEED);
    fast->setLookAheadFrom(0); // the walks ask ahead as on a crowded board
    std::unique_ptr<World> plain = seededWorld(SEED);
    ASSERT_EQ(describe(*fast), describe(*plain));

    size_t largestTile = 0;
    size_t mostLives = 0;
    long chases = 0;
    for (int tick = 0; tick < 2500; ++tick) {
        // Both worlds draw the same numbers in their tick, and say the same warnings.
        testing::internal::CaptureStdout();
        std::srand(SEED + tick);
        fast->tick();
        const std::string fastSaid = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        std::srand(SEED + tick);
        referenceTick(*plain);
        ASSERT_EQ(fastSaid, testing::internal::GetCapturedStdout());

        const std::string seen = describe(*fast);
        ASSERT_EQ(seen, describe(*plain)) << "the worlds part at tick " << tick;
        for (WorldTile* t : fast->getTiles()->getTiles()) {
            largestTile = std::max(largestTile, t->getAnimals().size() + t->getPlants().size());
            for (Life* animal : t->getAnimals())
                chases += animal->getState() == STATE_CHASE;
        }
        mostLives = std::max(mostLives, fast->getLives().size());
        if (fast->getLives().empty())
            break;
    }
    RandomSeed::release();
    EXPECT_GT(largestTile, 100u) << "the crowded tile takes the indexed path";
    EXPECT_GT(chases, 1000);
    EXPECT_GT(mostLives, 300u);
}
