#include "art/ShapeKit.h"

#include <algorithm>
#include <cmath>

namespace {

void addGrid(osg::Geometry& geometry, int columns, int rows) {
    auto triangles = new osg::DrawElementsUShort(GL_TRIANGLES);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const unsigned short a = j * (columns + 1) + i, b = a + 1, c = a + columns + 1, d = c + 1;
            for (unsigned short index : {a, b, d, a, d, c})
                triangles->push_back(index);
        }
    geometry.addPrimitiveSet(triangles);
}

osg::ref_ptr<osg::Geometry> finish(osg::Vec3Array* vertices, osg::Vec3Array* normals,
                                   osg::Vec2Array* texcoords, const osg::Matrix& placement, int columns,
                                   int rows) {
    const osg::Matrix normalMatrix = osg::Matrix::inverse(placement);
    for (std::size_t i = 0; i < vertices->size(); ++i) {
        (*vertices)[i] = (*vertices)[i] * placement;
        // Normals transform by the inverse transpose: n' = M^-T n.
        osg::Vec3 n = osg::Matrix::transform3x3(normalMatrix, (*normals)[i]);
        n.normalize();
        (*normals)[i] = n;
    }
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->setTexCoordArray(0, texcoords);
    addGrid(*geometry, columns, rows);
    return geometry;
}

} // namespace

osg::ref_ptr<osg::Geometry> ShapeKit::lathe(const std::vector<ProfilePoint>& profile, int sides,
                                            const osg::Matrix& placement) {
    auto vertices = new osg::Vec3Array;
    auto normals = new osg::Vec3Array;
    auto texcoords = new osg::Vec2Array;
    const int rows = static_cast<int>(profile.size()) - 1;
    for (int j = 0; j <= rows; ++j) {
        // Slope from the neighbouring profile points gives a smooth normal.
        const ProfilePoint& prev = profile[j > 0 ? j - 1 : j];
        const ProfilePoint& next = profile[j < rows ? j + 1 : j];
        const float dr = next.radius - prev.radius, dz = next.height - prev.height;
        osg::Vec2 n2(dz, -dr);
        n2.normalize();
        for (int i = 0; i <= sides; ++i) {
            const float a = 2 * static_cast<float>(M_PI) * i / sides;
            const float c = std::cos(a), s = std::sin(a);
            vertices->push_back({profile[j].radius * c, profile[j].radius * s, profile[j].height});
            normals->push_back({n2.x() * c, n2.x() * s, n2.y()});
            texcoords->push_back({static_cast<float>(i) / sides, static_cast<float>(j) / rows});
        }
    }
    return finish(vertices, normals, texcoords, placement, sides, rows);
}

osg::ref_ptr<osg::Geometry> ShapeKit::leaf(float length, float halfWidth, float droop, float cup,
                                           const osg::Matrix& placement, int columns, int rows) {
    auto vertices = new osg::Vec3Array;
    auto normals = new osg::Vec3Array;
    auto texcoords = new osg::Vec2Array;
    auto point = [&](float u, float v) {
        // Width swells from the base and closes to a point at the tip.
        const float width =
            halfWidth *
            std::pow(std::max(0.0f, std::sin(static_cast<float>(M_PI) * std::pow(v, 0.8f))), 0.9f);
        const float across = (u * 2 - 1);
        return osg::Vec3(length * v, width * across, -droop * v * v + cup * across * across * width);
    };
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            const float u = static_cast<float>(i) / columns, v = static_cast<float>(j) / rows;
            const float e = 0.01f;
            const osg::Vec3 du = point(std::min(1.0f, u + e), v) - point(std::max(0.0f, u - e), v);
            const osg::Vec3 dv = point(u, std::min(1.0f, v + e)) - point(u, std::max(0.0f, v - e));
            osg::Vec3 n = dv ^ du;
            if (n.length2() < 1e-12f)
                n = {0, 0, 1};
            n.normalize();
            if (n.z() < 0)
                n = -n;
            vertices->push_back(point(u, v));
            normals->push_back(n);
            texcoords->push_back({u, v});
        }
    return finish(vertices, normals, texcoords, placement, columns, rows);
}

void ShapeKit::dropFlatTriangles(osg::Geometry& geometry) {
    const auto* vertices = static_cast<const osg::Vec3Array*>(geometry.getVertexArray());
    for (unsigned p = 0; p < geometry.getNumPrimitiveSets(); ++p) {
        auto* triangles = dynamic_cast<osg::DrawElementsUShort*>(geometry.getPrimitiveSet(p));
        if (!triangles || triangles->getMode() != GL_TRIANGLES)
            continue;
        osg::ref_ptr<osg::DrawElementsUShort> kept = new osg::DrawElementsUShort(GL_TRIANGLES);
        for (std::size_t i = 0; i + 2 < triangles->size(); i += 3) {
            const osg::Vec3 &a = (*vertices)[(*triangles)[i]], &b = (*vertices)[(*triangles)[i + 1]],
                            &c = (*vertices)[(*triangles)[i + 2]];
            if (a != b && b != c && a != c)
                kept->insert(kept->end(), triangles->begin() + i, triangles->begin() + i + 3);
        }
        geometry.setPrimitiveSet(p, kept.get());
    }
}
