#pragma once

// The largest board, in tiles per side: beyond it the tiles alone would not fit in memory. The
// World holds to it, and every tool's options check against it without building a world.
struct BoardSize {
    static constexpr int MAX_TILES_PER_SIDE = 100;
};
