#include "art/SkinnedShape.h"

#include <cal3d/coresubmesh.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Polynomial smooth minimum: joins two distances with a fillet of size k.
float smoothMin(float a, float b, float k) {
    if (k <= 0)
        return std::min(a, b);
    const float h = std::max(k - std::fabs(a - b), 0.0f) / k;
    return std::min(a, b) - h * h * k * 0.25f;
}

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

// Exact distance to a cone segment with rounded ends (radius ra at a, rb at b).
float roundCone(const osg::Vec3& p, const osg::Vec3& a, const osg::Vec3& b, float r1, float r2) {
    const osg::Vec3 ba = b - a;
    const float l2 = ba * ba;
    const float rr = r1 - r2;
    const float a2 = l2 - rr * rr;
    const float il2 = 1.0f / l2;
    const osg::Vec3 pa = p - a;
    const float y = pa * ba;
    const float z = y - l2;
    const osg::Vec3 xv = pa * l2 - ba * y;
    const float x2 = xv * xv;
    const float y2 = y * y * l2;
    const float z2 = z * z * l2;
    const float k = (rr > 0 ? 1.0f : -1.0f) * rr * rr * x2;
    if ((z > 0 ? 1.0f : -1.0f) * a2 * z2 > k)
        return std::sqrt(x2 + z2) * il2 - r2;
    if ((y > 0 ? 1.0f : -1.0f) * a2 * y2 < k)
        return std::sqrt(x2 + y2) * il2 - r1;
    return (std::sqrt(x2 * a2 * il2) + y * rr) * il2 - r1;
}

} // namespace

void SkinnedShape::addEllipsoid(const osg::Vec3& centre, const osg::Vec3& radii, int boneA, float blend,
                                const osg::Quat& orientation) {
    Part part{};
    part.capsule = false;
    part.a = part.b = centre;
    part.radii = radii;
    part.inverseOrientation = orientation.inverse();
    part.blend = blend;
    part.boneA = part.boneB = boneA;
    parts.push_back(part);
    boneCount = std::max(boneCount, boneA + 1);
}

void SkinnedShape::addCapsule(const osg::Vec3& a, float ra, const osg::Vec3& b, float rb, int boneA,
                              float blend) {
    Part part{};
    part.capsule = true;
    part.a = a;
    part.b = b;
    part.ra = ra;
    part.rb = rb;
    part.blend = blend;
    part.boneA = part.boneB = boneA;
    parts.push_back(part);
    boneCount = std::max(boneCount, boneA + 1);
}

void SkinnedShape::splitLast(int boneB, const osg::Vec3& splitFrom, const osg::Vec3& splitTo) {
    Part& part = parts.back();
    part.boneB = boneB;
    part.splitFrom = splitFrom;
    part.splitTo = splitTo;
    boneCount = std::max(boneCount, boneB + 1);
}

float SkinnedShape::partDistance(const Part& part, const osg::Vec3& p) const {
    if (part.capsule)
        return roundCone(p, part.a, part.b, part.ra, part.rb);
    // A close, cheap bound for the distance to an ellipsoid.
    const osg::Vec3 q = part.inverseOrientation * (p - part.a);
    const osg::Vec3 r = part.radii;
    const osg::Vec3 q1(q.x() / r.x(), q.y() / r.y(), q.z() / r.z());
    const osg::Vec3 q2(q1.x() / r.x(), q1.y() / r.y(), q1.z() / r.z());
    const float k0 = q1.length(), k1 = q2.length();
    if (k1 < 1e-9f)
        return -std::min(r.x(), std::min(r.y(), r.z()));
    return k0 * (k0 - 1) / k1;
}

float SkinnedShape::distance(const osg::Vec3& p) const {
    float d = 1e9f;
    for (const Part& part : parts)
        d = smoothMin(d, partDistance(part, p), part.blend);
    return d;
}

osg::Vec3 SkinnedShape::gradient(const osg::Vec3& p) const {
    const float e = 0.002f;
    return osg::Vec3(distance(p + osg::Vec3(e, 0, 0)) - distance(p - osg::Vec3(e, 0, 0)),
                     distance(p + osg::Vec3(0, e, 0)) - distance(p - osg::Vec3(0, e, 0)),
                     distance(p + osg::Vec3(0, 0, e)) - distance(p - osg::Vec3(0, 0, e))) /
           (2 * e);
}

void SkinnedShape::partBounds(const Part& part, osg::Vec3& lo, osg::Vec3& hi) const {
    if (part.capsule) {
        const float r = std::max(part.ra, part.rb);
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], std::min(part.a[i], part.b[i]) - r);
            hi[i] = std::max(hi[i], std::max(part.a[i], part.b[i]) + r);
        }
        return;
    }
    const float r = std::max(part.radii.x(), std::max(part.radii.y(), part.radii.z()));
    for (int i = 0; i < 3; ++i) {
        lo[i] = std::min(lo[i], part.a[i] - r);
        hi[i] = std::max(hi[i], part.a[i] + r);
    }
}

// Each part pulls its bones' weights by how near the point lies to it, so
// joints bend smoothly where the parts blend together.
void SkinnedShape::weigh(const osg::Vec3& p, std::vector<float>& boneWeights) const {
    boneWeights.assign(boneCount, 0);
    for (const Part& part : parts) {
        const float d = std::max(partDistance(part, p), 0.0f) + 0.02f + part.blend * 0.25f;
        const float w = 1.0f / (d * d * d * d);
        float toB = 0;
        if (part.boneB != part.boneA) {
            const osg::Vec3 axis = part.splitTo - part.splitFrom;
            const float t = clamp01(((p - part.splitFrom) * axis) / (axis * axis));
            toB = t * t * (3 - 2 * t);
        }
        boneWeights[part.boneA] = std::max(boneWeights[part.boneA], w * (1 - toB));
        if (toB > 0)
            boneWeights[part.boneB] = std::max(boneWeights[part.boneB], w * toB);
    }
}

CalCoreSubmesh* SkinnedShape::polygonize(float cell) const {
    osg::Vec3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (const Part& part : parts)
        partBounds(part, lo, hi);
    lo -= osg::Vec3(2, 2, 2) * cell;
    hi += osg::Vec3(2, 2, 2) * cell;
    const int nx = static_cast<int>((hi.x() - lo.x()) / cell) + 2;
    const int ny = static_cast<int>((hi.y() - lo.y()) / cell) + 2;
    const int nz = static_cast<int>((hi.z() - lo.z()) / cell) + 2;
    auto corner = [&](int i, int j, int k) { return lo + osg::Vec3(i * cell, j * cell, k * cell); };
    auto at = [&](int i, int j, int k) { return (static_cast<std::size_t>(k) * ny + j) * nx + i; };

    std::vector<float> field(static_cast<std::size_t>(nx) * ny * nz);
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                field[at(i, j, k)] = distance(corner(i, j, k));

    // Surface nets: one vertex in every cell the surface passes through, at the
    // mean of the crossings on its edges, then pulled onto the true surface.
    std::vector<int> cellVertex(field.size(), -1);
    std::vector<osg::Vec3> positions;
    static const int edges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                     {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (int k = 0; k + 1 < nz; ++k)
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                float v[8];
                osg::Vec3 c[8];
                int inside = 0;
                for (int n = 0; n < 8; ++n) {
                    const int di = n & 1, dj = (n >> 1) & 1, dk = (n >> 2) & 1;
                    v[n] = field[at(i + di, j + dj, k + dk)];
                    c[n] = corner(i + di, j + dj, k + dk);
                    inside += v[n] < 0;
                }
                if (inside == 0 || inside == 8)
                    continue;
                osg::Vec3 sum;
                int crossings = 0;
                for (const auto& e : edges) {
                    const float a = v[e[0]], b = v[e[1]];
                    if ((a < 0) == (b < 0))
                        continue;
                    sum += c[e[0]] + (c[e[1]] - c[e[0]]) * (a / (a - b));
                    ++crossings;
                }
                cellVertex[at(i, j, k)] = static_cast<int>(positions.size());
                positions.push_back(sum / static_cast<float>(crossings));
            }
    for (osg::Vec3& p : positions)
        for (int step = 0; step < 4; ++step) {
            const osg::Vec3 g = gradient(p);
            const float g2 = g * g;
            if (g2 < 1e-8f)
                break;
            osg::Vec3 move = g * (distance(p) / g2);
            if (move.length() > cell)
                move *= cell / move.length();
            p -= move;
        }

    std::vector<osg::Vec3> normals(positions.size());
    for (std::size_t n = 0; n < positions.size(); ++n) {
        normals[n] = gradient(positions[n]);
        normals[n].normalize();
    }

    // A quad for every grid edge the surface crosses, joining its four cells.
    std::vector<CalCoreSubmesh::Face> faces;
    auto addTriangle = [&](int a, int b, int c) {
        if (a == b || b == c || a == c)
            return;
        const osg::Vec3 faceNormal = (positions[b] - positions[a]) ^ (positions[c] - positions[a]);
        if (faceNormal * (normals[a] + normals[b] + normals[c]) < 0)
            std::swap(b, c);
        CalCoreSubmesh::Face face;
        face.vertexId[0] = a;
        face.vertexId[1] = b;
        face.vertexId[2] = c;
        faces.push_back(face);
    };
    auto addQuad = [&](int a, int b, int c, int d) {
        if (a < 0 || b < 0 || c < 0 || d < 0)
            return;
        // Split along the shorter diagonal for the fairer pair of triangles.
        if ((positions[a] - positions[c]).length2() < (positions[b] - positions[d]).length2()) {
            addTriangle(a, b, c);
            addTriangle(a, c, d);
        } else {
            addTriangle(a, b, d);
            addTriangle(b, c, d);
        }
    };
    for (int k = 1; k + 1 < nz; ++k)
        for (int j = 1; j + 1 < ny; ++j)
            for (int i = 1; i + 1 < nx; ++i) {
                const bool here = field[at(i, j, k)] < 0;
                if (here != (field[at(i + 1, j, k)] < 0))
                    addQuad(cellVertex[at(i, j - 1, k - 1)], cellVertex[at(i, j, k - 1)],
                            cellVertex[at(i, j, k)], cellVertex[at(i, j - 1, k)]);
                if (here != (field[at(i, j + 1, k)] < 0))
                    addQuad(cellVertex[at(i - 1, j, k - 1)], cellVertex[at(i, j, k - 1)],
                            cellVertex[at(i, j, k)], cellVertex[at(i - 1, j, k)]);
                if (here != (field[at(i, j, k + 1)] < 0))
                    addQuad(cellVertex[at(i - 1, j - 1, k)], cellVertex[at(i, j - 1, k)],
                            cellVertex[at(i, j, k)], cellVertex[at(i - 1, j, k)]);
            }

    auto submesh = new CalCoreSubmesh;
    const int vertexCount = static_cast<int>(positions.size());
    submesh->reserve(vertexCount, 1, static_cast<int>(faces.size()), 0);
    submesh->setCoreMaterialThreadId(0);
    submesh->setLodCount(0);
    std::vector<float> weights;
    for (int n = 0; n < vertexCount; ++n) {
        CalCoreSubmesh::Vertex vertex;
        vertex.position = CalVector(positions[n].x(), positions[n].y(), positions[n].z());
        vertex.normal = CalVector(normals[n].x(), normals[n].y(), normals[n].z());
        vertex.collapseId = -1;
        vertex.faceCollapseCount = 0;
        weigh(positions[n], weights);
        // At most four bones, dropping the faint ones, then normalised.
        std::vector<std::pair<float, int>> ranked;
        for (int b = 0; b < boneCount; ++b)
            if (weights[b] > 0)
                ranked.push_back({weights[b], b});
        std::sort(ranked.rbegin(), ranked.rend());
        ranked.resize(std::min<std::size_t>(ranked.size(), 4));
        float total = 0;
        for (const auto& r : ranked)
            total += r.first;
        for (const auto& r : ranked)
            if (r.first > total * 0.03f || &r == &ranked.front())
                vertex.vectorInfluence.push_back({r.second, r.first});
        total = 0;
        for (const auto& influence : vertex.vectorInfluence)
            total += influence.weight;
        for (auto& influence : vertex.vectorInfluence)
            influence.weight /= total;
        submesh->setVertex(n, vertex);
        // A simple side projection, for anyone who wants to paint on it later.
        submesh->setTextureCoordinate(n, 0, {positions[n].y() * 0.1f + 0.5f, positions[n].z() * 0.1f});
    }
    for (std::size_t f = 0; f < faces.size(); ++f)
        submesh->setFace(static_cast<int>(f), faces[f]);
    return submesh;
}
