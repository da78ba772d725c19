// Where organisms and the nodes of their map live: slots of exactly their size, aligned for
// pointers and doubles, a freed one handed out next; and organisms that stay within the bytes a
// board of hundreds of thousands can afford.
#include "life/LifePool.h"
#include "life/Animal.h"
#include "life/Lives.h"
#include "life/PoolAllocator.h"
#include "plants/Plant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace {

bool pooled() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

} // namespace

TEST(LifePool, SlotsAreTheirSizeRoundedToAWordAndAFreedOneIsTakenNext) {
    if (!pooled())
        GTEST_SKIP() << "the address sanitizer's build takes every organism from the heap";
    // A size no organism has, so that the slab is fresh: its slots follow each other.
    constexpr std::size_t BYTES = 276;
    void* first = LifePool::take(BYTES);
    void* second = LifePool::take(BYTES);
    void* third = LifePool::take(BYTES);
    const auto at = [](void* p) { return reinterpret_cast<std::uintptr_t>(p); };
    EXPECT_EQ(at(second) - at(first), 280u) << "rounded up to 8 bytes, not to 16";
    EXPECT_EQ(at(third) - at(second), 280u);
    for (void* p : {first, second, third})
        EXPECT_EQ(at(p) % LifePool::ALIGNMENT, 0u);
    LifePool::give(second, BYTES);
    EXPECT_EQ(LifePool::take(BYTES), second) << "the freed slot comes back first";
    for (void* p : {first, second, third})
        LifePool::give(p, BYTES);
}

TEST(LifePool, OrganismsStayWithinTheirBytes) {
    // Every byte here is paid 300,000 times on the largest board: a new field, or one whose place
    // leaves a gap for alignment, shows here first.
    EXPECT_LE(sizeof(Life), 120u);
    EXPECT_LE(sizeof(Animal), 152u);
    EXPECT_LE(sizeof(Plant), 160u);
}

TEST(PoolAllocator, AMapOfLivesKeepsItsOrderThroughInsertsAndErasures) {
    std::vector<int> ids(5000);
    std::iota(ids.begin(), ids.end(), 1);
    std::mt19937 shuffle(7);
    std::shuffle(ids.begin(), ids.end(), shuffle);
    std::map<int, int, std::less<int>, PoolAllocator<std::pair<const int, int>>> byId;
    for (int id : ids)
        byId.emplace(id, -id);
    for (int id = 1; id <= 5000; id += 3)
        byId.erase(id);
    // Erased nodes' slots taken again by new entries, which must not disturb the others.
    for (int id = 6000; id > 5000; --id)
        byId.emplace(id, -id);
    int previous = 0;
    std::size_t count = 0;
    for (const auto& entry : byId) {
        EXPECT_LT(previous, entry.first);
        EXPECT_EQ(entry.second, -entry.first);
        if (entry.first <= 5000) {
            EXPECT_NE(entry.first % 3, 1) << "an erased id came back";
        }
        previous = entry.first;
        ++count;
    }
    EXPECT_EQ(count, 5000u - 1667u + 1000u);
}

TEST(PoolAllocator, ArraysComeFromTheHeapAndHoldTheirValues) {
    std::vector<double, PoolAllocator<double>> values;
    for (int i = 0; i < 1000; ++i)
        values.push_back(i * 0.5);
    EXPECT_EQ(values.size(), 1000u);
    EXPECT_EQ(values[999], 499.5);
    EXPECT_EQ(std::accumulate(values.begin(), values.end(), 0.0), 0.5 * 999 * 1000 / 2);
}
