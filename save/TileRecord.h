#pragma once

#include "common/RecordFields.h"

#include <osg/Vec4>

// A tile's table, column by column. The shade is the one it is drawn in: after the killer tool a
// tile may still show a fertilizer's blue.
#define SYLVARA_TILE_FIELDS(OWN)                                                                             \
    OWN(int, column, 0, "tile_column", Key)                                                                  \
    OWN(int, row, 0, "tile_row", Key)                                                                        \
    OWN(bool, fertilized, false, "fertilized", Flag)                                                         \
    OWN(float, plantMass, 0.0f, "plant_mass", Single)                                                        \
    OWN(osg::Vec4, shade, osg::Vec4(0.7f, 0.7f, 0.7f, 1.0f), "shade_", Colour)

// A ground tile as plain values: what it carries beyond the lists of its organisms.
struct TileRecord {
    SYLVARA_TILE_FIELDS(SYLVARA_RECORD_MEMBER)
};
