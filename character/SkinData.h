#pragma once

#include <osg/Array>
#include <osg/BoundingBox>
#include <osg/PrimitiveSet>
#include <osg/Referenced>
#include <osg/StateSet>
#include <osg/ref_ptr>

#include <vector>

class CalCoreModel;

namespace character {

// What every instance of one core shares: bind-pose arrays, triangle lists and
// bone influences, built once so that making a Model copies nothing per vertex.
class SkinData : public osg::Referenced {
public:
    // Bigger skeletons are skinned on the CPU: their palette would not fit the
    // vertex uniforms GLSL 1.20 hardware is sure to have.
    static constexpr int maxGpuBones = 32;

    struct Influence {
        int slot; // palette slot: a bone id, or boneCount for "not skinned"
        float weight;
    };

    struct Submesh {
        int meshId = 0;
        int submeshId = 0;
        // No morph targets and no springs, so our own loop can skin it.
        bool plain = true;
        osg::ref_ptr<osg::Vec3Array> bindVertices;
        osg::ref_ptr<osg::Vec3Array> bindNormals;
        osg::ref_ptr<osg::DrawElementsUInt> triangles;
        // The same surface in about a quarter of the triangles, on the same vertices, for
        // characters seen from afar; null when the mesh is already too small to gain from it.
        osg::ref_ptr<osg::DrawElementsUInt> coarseTriangles;
        // The outline in a few hundred triangles on a few of the same vertices, for characters a
        // handful of pixels across; null when it would not save half of the coarse ones or would
        // keep too few faces to hold the outline.
        osg::ref_ptr<osg::DrawElementsUInt> farTriangles;
        // The four strongest influences per vertex, for the vertex program.
        osg::ref_ptr<osg::Vec4Array> boneSlots;
        osg::ref_ptr<osg::Vec4Array> boneWeights;
        // Every influence of vertex v is influences[influenceStart[v] .. influenceStart[v + 1]).
        std::vector<unsigned> influenceStart;
        std::vector<Influence> influences;
        // Per palette slot, the bind-pose box of the vertices that slot moves.
        std::vector<osg::BoundingBox> slotBoxes;
        osg::BoundingBox bindBox;
        // Texture coordinates and texture, when the material has a loaded map.
        osg::ref_ptr<osg::Vec2Array> texCoords;
        osg::ref_ptr<osg::StateSet> textureState;
    };

    explicit SkinData(CalCoreModel& core);

    int getBoneCount() const { return boneCount; }
    // Palette slots: one per bone plus an identity slot for unskinned vertices.
    int getSlotCount() const { return boneCount + 1; }
    bool isGpuCapable() const { return gpuCapable; }
    const std::vector<Submesh>& getSubmeshes() const { return submeshes; }

    // Merges the vertices that share a grid cell (edgesPerCell times the mesh's mean edge across)
    // and face the same way into the one nearest their middle, and drops the triangles that fall
    // flat; null when that does not halve the triangles.
    static osg::ref_ptr<osg::DrawElementsUInt> coarsen(const osg::Vec3Array& vertices,
                                                       const osg::Vec3Array& normals,
                                                       const osg::DrawElementsUInt& triangles,
                                                       float edgesPerCell = 2.0f);

private:
    int boneCount = 0;
    bool gpuCapable = true;
    std::vector<Submesh> submeshes;
};

} // namespace character
