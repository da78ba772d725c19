#pragma once

#include "character/CrowdBatch.h"

#include <osg/Node>
#include <osg/ref_ptr>

namespace character {

// Every copy of one shared, unanimated node (a plant's stem, its seeds), drawn in one instanced
// draw per geometry of the node with the same vertices, texture and light, in each copy's own
// emissive colour. The crowd puts a cull callback on the node: while a batch is open, each place
// the node hangs joins it instead of drawing the node. Picking still walks the node itself.
class MeshCrowd : public CrowdBatch {
public:
    // Takes the geometries of the node's geodes, which must carry no transforms of their own.
    explicit MeshCrowd(osg::Node* shared);

    // From now on the copies that cover fewer pixels across than given join a second batch,
    // which draws the far shape instead: a booming board shows thousands of stems and seeds a
    // few pixels wide, and every triangle of them costs a software renderer. Returns that batch,
    // which must hang ahead of the node too; without it every copy joins this one.
    MeshCrowd* addFarShape(osg::Node* farShape, float belowPixels);
    // The batch a copy of the node joins when it covers the given pixels across.
    MeshCrowd* batchFor(float pixels);

protected:
    ~MeshCrowd() override;

private:
    // A batch of the shape's geometries that no node joins of itself.
    MeshCrowd(osg::Node* shape, bool joinedFromNode);

    osg::ref_ptr<MeshCrowd> far;
    float farBelowPixels = 0;
};

} // namespace character
