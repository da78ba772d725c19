#pragma once

#include "character/CrowdBatch.h"

#include <osg/Node>

namespace character {

// Every copy of one shared, unanimated node (a plant's stem, its seeds), drawn in one instanced
// draw per geometry of the node with the same vertices, texture and light, in each copy's own
// emissive colour. The crowd puts a cull callback on the node: while a batch is open, each place
// the node hangs joins it instead of drawing the node. Picking still walks the node itself.
class MeshCrowd : public CrowdBatch {
public:
    // Takes the geometries of the node's geodes, which must carry no transforms of their own.
    explicit MeshCrowd(osg::Node* shared);

protected:
    ~MeshCrowd() override;
};

} // namespace character
