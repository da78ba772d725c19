#include "character/SkinData.h"

#include <osg/BufferObject>
#include <osg/Texture2D>

#include <cal3d/cal3d.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

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

// The dominant axis of a normal and its sign: the two sides of a thin leg or ear never merge.
int facing(const osg::Vec3& n) {
    const float ax = std::fabs(n.x()), ay = std::fabs(n.y()), az = std::fabs(n.z());
    if (ax >= ay && ax >= az)
        return n.x() < 0 ? 0 : 1;
    if (ay >= az)
        return n.y() < 0 ? 2 : 3;
    return n.z() < 0 ? 4 : 5;
}

float meanEdge(const osg::Vec3Array& vertices, const osg::DrawElementsUInt& triangles) {
    double sum = 0;
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
        for (int e = 0; e < 3; ++e)
            sum += (vertices[triangles[i + e]] - vertices[triangles[i + (e + 1) % 3]]).length();
    return triangles.size() < 3 ? 0 : float(sum / triangles.size());
}

// Far triangles must save half of the coarse ones and still keep enough faces to hold the outline.
osg::ref_ptr<osg::DrawElementsUInt> farFrom(const osg::Vec3Array& vertices, const osg::Vec3Array& normals,
                                            const osg::DrawElementsUInt& triangles,
                                            const osg::DrawElementsUInt& coarse) {
    constexpr size_t fewest = 40 * 3;
    osg::ref_ptr<osg::DrawElementsUInt> far = SkinData::coarsen(vertices, normals, triangles, 5.0f);
    if (!far || far->size() * 2 > coarse.size() || far->size() < fewest)
        return nullptr;
    return far;
}

} // namespace

osg::ref_ptr<osg::DrawElementsUInt> SkinData::coarsen(const osg::Vec3Array& vertices,
                                                      const osg::Vec3Array& normals,
                                                      const osg::DrawElementsUInt& triangles,
                                                      float edgesPerCell) {
    // Small meshes are cheap already, and a coarse copy that saves little is not worth its memory.
    constexpr size_t smallest = 300 * 3;
    const float cell = edgesPerCell * meanEdge(vertices, triangles);
    if (triangles.size() < smallest || !(cell > 0))
        return nullptr;

    using Key = std::array<int, 4>;
    std::map<Key, std::vector<unsigned>> cells;
    for (unsigned v = 0; v < vertices.size(); ++v) {
        const osg::Vec3& p = vertices[v];
        cells[{int(std::floor(p.x() / cell)), int(std::floor(p.y() / cell)), int(std::floor(p.z() / cell)),
               facing(normals[v])}]
            .push_back(v);
    }
    std::vector<unsigned> keeper(vertices.size());
    for (const auto& entry : cells) {
        osg::Vec3 middle;
        for (unsigned v : entry.second)
            middle += vertices[v];
        middle /= float(entry.second.size());
        const unsigned nearest =
            *std::min_element(entry.second.begin(), entry.second.end(), [&](unsigned a, unsigned b) {
                return (vertices[a] - middle).length2() < (vertices[b] - middle).length2();
            });
        for (unsigned v : entry.second)
            keeper[v] = nearest;
    }

    osg::ref_ptr<osg::DrawElementsUInt> coarse = new osg::DrawElementsUInt(GL_TRIANGLES);
    std::set<std::array<unsigned, 3>> seen;
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
        const unsigned a = keeper[triangles[i]], b = keeper[triangles[i + 1]], c = keeper[triangles[i + 2]];
        if (a == b || b == c || a == c)
            continue;
        // The same three corners in the same turn are the same face.
        const std::array<unsigned, 3> turn =
            a < b && a < c ? std::array<unsigned, 3>{a, b, c}
                           : (b < c ? std::array<unsigned, 3>{b, c, a} : std::array<unsigned, 3>{c, a, b});
        if (!seen.insert(turn).second)
            continue;
        coarse->push_back(a), coarse->push_back(b), coarse->push_back(c);
    }
    if (coarse->size() * 2 > triangles.size())
        return nullptr;
    return coarse;
}

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

            s.coarseTriangles = coarsen(*s.bindVertices, *s.bindNormals, *s.triangles);
            if (s.coarseTriangles)
                s.farTriangles = farFrom(*s.bindVertices, *s.bindNormals, *s.triangles, *s.coarseTriangles);

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
            for (osg::DrawElementsUInt* lighter : {s.coarseTriangles.get(), s.farTriangles.get()})
                if (lighter)
                    lighter->setElementBufferObject(new osg::ElementBufferObject);
            submeshes.push_back(std::move(s));
        }
    }
}

} // namespace character
