#include "life/LifePool.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr std::size_t ALIGN = LifePool::ALIGNMENT;
constexpr std::size_t SLOTS_PER_SLAB = 4096;
// Organisms are a few hundred bytes; anything larger goes to the heap as usual, and so does
// everything under the address sanitizer, which would not see a slot used after its organism died.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t LARGEST = 0;
#else
constexpr std::size_t LARGEST = 512;
#endif

struct FreeSlot {
    FreeSlot* next;
};

struct Sizes {
    std::mutex lock;
    std::array<FreeSlot*, LARGEST / ALIGN + 1> free{};
};

Sizes& sizes() {
    // Never destroyed: organisms of worlds still alive at exit are freed after static destructors.
    static Sizes* all = new Sizes;
    return *all;
}

// Cuts a new slab into slots of the class and lists all but the first as free.
void* newSlab(FreeSlot*& head, std::size_t slot) {
    char* slab = static_cast<char*>(std::malloc(slot * SLOTS_PER_SLAB));
    if (!slab)
        throw std::bad_alloc();
    for (std::size_t i = SLOTS_PER_SLAB - 1; i > 0; --i) {
        FreeSlot* free = reinterpret_cast<FreeSlot*>(slab + i * slot);
        free->next = head;
        head = free;
    }
    return slab;
}

} // namespace

void* LifePool::take(std::size_t bytes) {
    if (bytes > LARGEST)
        return ::operator new(bytes);
    const std::size_t index = (bytes + ALIGN - 1) / ALIGN;
    Sizes& all = sizes();
    std::lock_guard<std::mutex> guard(all.lock);
    FreeSlot*& head = all.free[index];
    if (!head)
        return newSlab(head, index * ALIGN);
    FreeSlot* slot = head;
    head = slot->next;
    return slot;
}

void LifePool::give(void* slot, std::size_t bytes) {
    if (!slot)
        return;
    if (bytes > LARGEST) {
        ::operator delete(slot);
        return;
    }
    const std::size_t index = (bytes + ALIGN - 1) / ALIGN;
    Sizes& all = sizes();
    std::lock_guard<std::mutex> guard(all.lock);
    FreeSlot* free = static_cast<FreeSlot*>(slot);
    free->next = all.free[index];
    all.free[index] = free;
}
