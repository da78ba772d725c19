#include "life/LifeList.h"

#include "life/Life.h"
#include "world/ScenePrefetch.h"

#include <algorithm>

namespace {

// How far ahead a walk asks for lives: far enough to cover a trip to memory, near enough
// that what it asked for is still in the cache when the walk arrives.
constexpr std::size_t LIFE_AHEAD = 12;
constexpr std::size_t PARTS_AHEAD = 8;
constexpr std::size_t REACH_AHEAD = 4;

} // namespace

bool LifeList::lookAhead = true;

void LifeList::push_back(Life* life) {
    life->listSlot = static_cast<int>(slots.size());
    slots.push_back(life);
    count += 1;
    if (!life->isValid())
        invalid += 1;
}

bool LifeList::remove(Life* life) {
    const int slot = life->listSlot;
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots.size() || slots[slot] != life)
        return false;
    slots[slot] = nullptr;
    life->listSlot = -1;
    count -= 1;
    if (!life->isValid())
        invalid -= 1;
    // Holes are closed at once unless a walk runs; a life taken from the end leaves none.
    if (walking == 0)
        compact();
    return true;
}

void LifeList::inListOrder(std::vector<Life*>& chosen) const {
    const auto listed = [this](const Life* life) {
        return life->listSlot >= 0 && static_cast<std::size_t>(life->listSlot) < slots.size() &&
               slots[life->listSlot] == life;
    };
    chosen.erase(
        std::remove_if(chosen.begin(), chosen.end(), [&](const Life* life) { return !listed(life); }),
        chosen.end());
    std::sort(chosen.begin(), chosen.end(),
              [](const Life* a, const Life* b) { return a->listSlot < b->listSlot; });
}

Life* LifeList::back() const {
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot)
        if (*slot)
            return *slot;
    return nullptr;
}

void LifeList::prefetchAhead(std::size_t slot) const {
    if (const Life* life = lifeAt(slot + LIFE_AHEAD))
        life->prefetch();
    if (const Life* life = lifeAt(slot + PARTS_AHEAD))
        life->prefetchParts();
    if (const Life* life = lifeAt(slot + REACH_AHEAD))
        life->prefetchReach();
}

void LifeList::prefetchSlots() const {
    ScenePrefetch::range(slots.data(), std::min(slots.size(), LIVES_AT_ONCE) * sizeof(Life*));
}

void LifeList::prefetchFront() const {
    eachOfFirst(LIFE_AHEAD, [](const Life* life) { life->prefetch(); });
}

void LifeList::prefetchFrontParts() const {
    eachOfFirst(PARTS_AHEAD, [](const Life* life) { life->prefetchParts(); });
}

void LifeList::prefetchFrontReach() const {
    eachOfFirst(REACH_AHEAD, [](const Life* life) { life->prefetchReach(); });
}

void LifeList::compact() {
    if (count == slots.size())
        return;
    std::size_t kept = 0;
    for (Life* life : slots) {
        if (!life)
            continue;
        life->listSlot = static_cast<int>(kept);
        slots[kept++] = life;
    }
    slots.resize(kept);
}
