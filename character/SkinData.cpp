#include "character/SkinData.h"

#include <osg/BufferObject>
#include <osg/Texture2D>

#include <cal3d/cal3d.h>

#include <algorithm>

namespace character {

namespace {

// The strongest four influences, rescaled to the full weight so a vertex with
// more than four still ends up where its bones put it, near enough.
void strongestFour(const std::vector<CalCoreSubmesh::Influence>& all, osg::Vec4& slots, osg::Vec4& weights) {
    std::vector<CalCoreSubmesh::Influence> sorted(all);
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.weight > b.weight; });
    float total = 0, kept = 0;
    for (const auto& influence : sorted)
        total += influence.weight;
    const size_t count = std::min<size_t>(4, sorted.size());
    for (size_t i = 0; i < count; ++i)
        kept += sorted[i].weight;
    const float scale = kept > 0 ? total / kept : 0;
    for (size_t i = 0; i < count; ++i) {
        slots[i] = float(sorted[i].boneId);
        weights[i] = sorted[i].weight * scale;
    }
}

osg::ref_ptr<osg::StateSet> textureStateFor(CalCoreModel& core, CalCoreSubmesh& coreSubmesh) {
    const int materialId = core.getCoreMaterialId(coreSubmesh.getCoreMaterialThreadId(), 0);
    CalCoreMaterial* material = materialId >= 0 ? core.getCoreMaterial(materialId) : nullptr;
    if (!material || material->getMapCount() == 0 || !material->getMapUserData(0))
        return nullptr;
    osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
    state->setTextureAttributeAndModes(0, static_cast<osg::Texture2D*>(material->getMapUserData(0)));
    return state;
}

} // namespace

SkinData::SkinData(CalCoreModel& core) {
    CalCoreSkeleton* skeleton = core.getCoreSkeleton();
    boneCount = skeleton ? int(skeleton->getVectorCoreBone().size()) : 0;
    gpuCapable = boneCount <= maxGpuBones;
    const int unskinned = boneCount;

    for (int meshId = 0; meshId < core.getCoreMeshCount(); ++meshId) {
        CalCoreMesh* mesh = core.getCoreMesh(meshId);
        for (int submeshId = 0; mesh && submeshId < mesh->getCoreSubmeshCount(); ++submeshId) {
            CalCoreSubmesh* coreSubmesh = mesh->getCoreSubmesh(submeshId);
            const auto& vertices = coreSubmesh->getVectorVertex();
            const unsigned count = unsigned(vertices.size());

            Submesh s;
            s.meshId = meshId;
            s.submeshId = submeshId;
            s.plain = coreSubmesh->getCoreSubMorphTargetCount() == 0 && coreSubmesh->getSpringCount() == 0;
            gpuCapable = gpuCapable && s.plain;
            s.bindVertices = new osg::Vec3Array(count);
            s.bindNormals = new osg::Vec3Array(count);
            s.boneSlots = new osg::Vec4Array(count);
            s.boneWeights = new osg::Vec4Array(count);
            s.slotBoxes.resize(boneCount + 1);
            s.influenceStart.reserve(count + 1);

            for (unsigned v = 0; v < count; ++v) {
                const auto& vertex = vertices[v];
                const osg::Vec3 position(vertex.position.x, vertex.position.y, vertex.position.z);
                (*s.bindVertices)[v] = position;
                (*s.bindNormals)[v].set(vertex.normal.x, vertex.normal.y, vertex.normal.z);
                s.bindBox.expandBy(position);
                s.influenceStart.push_back(unsigned(s.influences.size()));
                osg::Vec4 slots(unskinned, unskinned, unskinned, unskinned), weights(0, 0, 0, 0);
                if (vertex.vectorInfluence.empty()) {
                    s.influences.push_back({unskinned, 1.0f});
                    s.slotBoxes[unskinned].expandBy(position);
                    weights[0] = 1;
                } else {
                    for (const auto& influence : vertex.vectorInfluence) {
                        s.influences.push_back({influence.boneId, influence.weight});
                        s.slotBoxes[influence.boneId].expandBy(position);
                    }
                    strongestFour(vertex.vectorInfluence, slots, weights);
                }
                (*s.boneSlots)[v] = slots;
                (*s.boneWeights)[v] = weights;
            }
            s.influenceStart.push_back(unsigned(s.influences.size()));

            s.triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
            s.triangles->reserve(coreSubmesh->getVectorFace().size() * 3);
            for (const auto& face : coreSubmesh->getVectorFace())
                for (CalIndex index : face.vertexId)
                    s.triangles->push_back(unsigned(index));

            // Indexed [map][vertex].
            auto& mapCoordinates = coreSubmesh->getVectorVectorTextureCoordinate();
            s.textureState = textureStateFor(core, *coreSubmesh);
            if (s.textureState && !mapCoordinates.empty() && mapCoordinates[0].size() == count) {
                s.texCoords = new osg::Vec2Array(count);
                for (unsigned v = 0; v < count; ++v)
                    (*s.texCoords)[v].set(mapCoordinates[0][v].u, mapCoordinates[0][v].v);
            } else {
                s.textureState = nullptr;
            }

            // One buffer object for all the never-changing arrays, shared by every
            // instance: a crowd on the GPU path then uploads each mesh once.
            osg::ref_ptr<osg::VertexBufferObject> buffer = new osg::VertexBufferObject;
            s.bindVertices->setVertexBufferObject(buffer);
            s.bindNormals->setVertexBufferObject(buffer);
            s.boneSlots->setVertexBufferObject(buffer);
            s.boneWeights->setVertexBufferObject(buffer);
            if (s.texCoords)
                s.texCoords->setVertexBufferObject(buffer);
            s.triangles->setElementBufferObject(new osg::ElementBufferObject);
            submeshes.push_back(std::move(s));
        }
    }
}

} // namespace character
