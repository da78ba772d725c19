#include "WorldFixture.h"

#include <map>

namespace {

// The straightforward hunt: every idle hunter walks its tile's list in order
// and takes the first candidate that passes the prey test, with the states the
// pass itself changes on the way.
std::map<Life*, Life*> referenceHunt(WorldTile& tile) {
    std::map<Life*, int> state;
    const auto stateOf = [&state](Life* life) {
        auto found = state.find(life);
        return found == state.end() ? life->getState() : found->second;
    };
    std::map<Life*, Life*> choice;
    for (Life* life : tile.getAnimals()) {
        Animal* hunter = static_cast<Animal*>(life);
        if (stateOf(hunter) != STATE_IDLE)
            continue;
        const auto& candidates = hunter->getKind() == KIND_HERBIVORE ? tile.getPlants() : tile.getAnimals();
        for (Life* candidate : candidates) {
            const float t = hunter->getPreySize() * 0.2f;
            const int c = candidate->getSize();
            if (!hunter->isRested() || stateOf(candidate) != STATE_IDLE ||
                candidate->getId() == hunter->getId() ||
                !(c + t > hunter->getPreySize() && c - t < hunter->getPreySize()))
                continue;
            choice[hunter] = candidate;
            state[hunter] = STATE_CHASE;
            if (candidate->getCategory() == CATEGORY_ANIMAL && stateOf(candidate) != STATE_CHASE)
                state[candidate] = STATE_FLEE;
            break;
        }
    }
    return choice;
}

} // namespace

TEST_F(WorldFixture, HuntingMatchesTheStraightforwardWalkTickByTick) {
    makeWorld(3, 2024);
    for (WorldTile* t : world->getTiles()->getTiles())
        t->populate(10, 10, 10);
    WorldTile* crowded = tile(1, 1);
    crowded->toggleFertilized();
    for (int i = 0; i < 4; ++i)
        crowded->populate(10, 10, 10);

    size_t largestTile = 0;
    long chases = 0;
    for (int tick = 0; tick < 1500; ++tick) {
        world->ageTimedMarkers();
        for (WorldTile* t : world->getTiles()->getTiles()) {
            largestTile = std::max(largestTile, t->getAnimals().size() + t->getPlants().size());
            const std::map<Life*, Life*> expected = referenceHunt(*t);
            std::map<Life*, int> before;
            for (Life* animal : t->getAnimals())
                before[animal] = animal->getState();
            t->huntStep();
            for (Life* life : t->getAnimals()) {
                Animal* hunter = static_cast<Animal*>(life);
                auto chosen = expected.find(hunter);
                if (chosen == expected.end()) {
                    if (before[hunter] == STATE_IDLE) {
                        ASSERT_NE(hunter->getState(), STATE_CHASE) << "tick " << tick;
                    }
                    continue;
                }
                ASSERT_EQ(hunter->getState(), STATE_CHASE) << "tick " << tick;
                ASSERT_EQ(hunter->getTarget(), chosen->second) << "tick " << tick;
                ++chases;
            }
        }
        world->getTiles()->updateAll();
        world->getTiles()->migrateAll();
    }
    EXPECT_GT(largestTile, 100u) << "the crowded tile takes the indexed path";
    EXPECT_GT(chases, 100);
}
