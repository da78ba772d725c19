#pragma once

#include "character/CardAtlas.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Matrix>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

namespace osg {
class Geometry;
}

namespace character {

class SkinData;

// Every character of one core that covers only a few pixels, drawn as one batch of camera-facing
// cards: four corners per card and no skinning, however many there are. Each frame the crowd is
// culled first and opens its batch; the characters met after it hand in where they stand and
// their colour instead of drawing themselves; the batch is drawn once the frame's cull is done.
//
// The crowd must hang in the scene ahead of the characters, and it needs instanced arrays and
// GLSL 1.50: a context without them leaves every character drawing itself.
class FarCrowd : public osg::Geode {
public:
    // Attribute slots of each card's three model-view rows and its emission.
    static constexpr unsigned firstInstanceAttribute = 10;

    explicit FarCrowd(const SkinData& skin);

    // True while this frame's batch is open: a character may then join it.
    bool isGathering(unsigned frameNumber) const { return gathering && frameNumber == gatherFrame; }
    // Adds a card for a character placed by the given model-view matrix, in its emissive colour.
    void add(const osg::Matrixd& modelView, const osg::Vec4& emission);
    unsigned getCount() const { return unsigned(emissions->size()); }
    // Row r of the model-view of card i: the eye coordinate r of a character point is (p, 1) · row.
    const osg::Vec4& getRow(unsigned i, int r) const { return (*rows[r])[i]; }
    const osg::Vec4& getEmission(unsigned i) const { return (*emissions)[i]; }
    const CardAtlas& getAtlas() const { return atlas; }

    // Opens a new batch for the given frame, as the cull does when it meets the crowd.
    void open(unsigned frameNumber);
    // Lets the crowd gather without a context able to draw it: for tests.
    static void assumeCapableContext(bool assume);

    void traverse(osg::NodeVisitor& visitor) override;

protected:
    ~FarCrowd() override;

private:
    CardAtlas atlas;
    osg::ref_ptr<osg::Geometry> cards;
    osg::ref_ptr<osg::DrawArrays> corners;
    osg::ref_ptr<osg::Vec4Array> rows[3];
    osg::ref_ptr<osg::Vec4Array> emissions;
    unsigned gatherFrame = 0;
    bool gathering = false;
};

} // namespace character
