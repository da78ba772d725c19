#pragma once

#include <cstddef>

// Where organisms live in memory: slabs of equal slots, one slab list per object size, so that
// the organisms a tick walks lie close together instead of among their scene nodes all over the
// heap. A freed slot is the next one handed out of its size.
class LifePool {
public:
    static void* take(std::size_t bytes);
    static void give(void* slot, std::size_t bytes);
};
