#pragma once

#include "life/LifePool.h"

#include <cstddef>
#include <new>

// An allocator that takes single objects from the organisms' pool: the nodes of a container
// holding one entry per organism then cost their size and no more (the heap adds a header and
// rounds up, a third again for a map's node), and they lie together in slabs. Arrays, which
// such containers seldom ask for, come from the heap.
template <typename T> class PoolAllocator {
public:
    using value_type = T;
    static_assert(alignof(T) <= LifePool::ALIGNMENT,
                  "the pool's slots are aligned for pointers and doubles only");

    PoolAllocator() = default;
    template <typename U> PoolAllocator(const PoolAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n == 1)
            return static_cast<T*>(LifePool::take(sizeof(T)));
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n == 1)
            LifePool::give(p, sizeof(T));
        else
            ::operator delete(p);
    }

    template <typename U> bool operator==(const PoolAllocator<U>&) const noexcept { return true; }
    template <typename U> bool operator!=(const PoolAllocator<U>&) const noexcept { return false; }
};
