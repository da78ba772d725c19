#pragma once

#include <osg/Vec4>

// A ground tile as plain values: what it carries beyond the lists of its organisms.
struct TileRecord {
    int column = 0;
    int row = 0;
    bool fertilized = false;
    float plantMass = 0.0f;
    // The shade it is drawn in; after the killer tool a tile may still show a fertilizer's blue.
    osg::Vec4 shade = osg::Vec4(0.7f, 0.7f, 0.7f, 1.0f);
};
