#pragma once

#include <cstddef>

// Where organisms live in memory: slabs of equal slots, one slab list per object size, so that
// the organisms a tick walks lie close together instead of among their scene nodes all over the
// heap. A freed slot is the next one handed out of its size.
class LifePool {
public:
    // Every slot is aligned for this much: enough for pointers and doubles, and no more, so that
    // an organism's slot is rounded up by at most a few bytes.
    static constexpr std::size_t ALIGNMENT = 8;

    static void* take(std::size_t bytes);
    static void give(void* slot, std::size_t bytes);
};
