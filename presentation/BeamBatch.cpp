#include "presentation/BeamBatch.h"

#include "presentation/MarkerGeometry.h"

#include <algorithm>

BeamBatch::BeamBatch(const osg::Vec3f& colour, float alpha)
    : colour(colour), alpha(alpha), corners(new osg::Vec3Array), quads(new osg::DrawArrays(GL_QUADS, 0, 0)) {
    geode = MarkerGeometry::makeShape(corners.get(), quads.get(), colour, alpha);
    geometry = geode->getDrawable(0)->asGeometry();
    geode->setNodeMask(0);
}

void BeamBatch::add(const osg::Vec3d& from, const osg::Vec3d& to, float width, int ticks) {
    MarkerGeometry::appendBeam(*corners, from, to, width);
    ticksLeft.push_back(ticks);
    reshaped();
}

void BeamBatch::age() {
    if (ticksLeft.empty())
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ticksLeft.size(); ++i) {
        if (--ticksLeft[i] <= 0)
            continue;
        ticksLeft[kept] = ticksLeft[i];
        std::copy_n(corners->begin() + 4 * i, 4, corners->begin() + 4 * kept);
        ++kept;
    }
    ticksLeft.resize(kept);
    corners->resize(4 * kept);
    reshaped();
}

void BeamBatch::reshaped() {
    quads->setCount(static_cast<GLsizei>(corners->size()));
    corners->dirty();
    geometry->dirtyBound();
    // An empty batch is left out of the cull altogether.
    geode->setNodeMask(ticksLeft.empty() ? 0u : ~0u);
}
