#include "character/CardAtlas.h"

#include "character/SkinData.h"

#include <osg/Texture2D>

#include <algorithm>
#include <cmath>
#include <vector>

namespace character {

const float CardAtlas::rowElevations[rows] = {0.26f, 0.79f, 1.31f}; // 15, 45 and 75 degrees

namespace {

constexpr int atlasWidth = CardAtlas::columns * CardAtlas::framePixels;
constexpr int atlasHeight = CardAtlas::rows * CardAtlas::framePixels;

struct Corner {
    osg::Vec3 at; // x, y in frame pixels, z towards the viewer
    osg::Vec3 normal;
    osg::Vec2 uv;
};

osg::Vec4 textureColour(const osg::Image* texture, osg::Vec2 uv) {
    if (!texture)
        return osg::Vec4(1, 1, 1, 1);
    // The characters' maps repeat.
    uv.set(uv.x() - std::floor(uv.x()), uv.y() - std::floor(uv.y()));
    return texture->getColor(uv);
}

const osg::Image* imageOf(const SkinData::Submesh& submesh) {
    if (!submesh.textureState || !submesh.texCoords)
        return nullptr;
    auto* texture = dynamic_cast<const osg::Texture2D*>(
        submesh.textureState->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    return texture ? texture->getImage() : nullptr;
}

} // namespace

CardAtlas::View CardAtlas::view(int column, int row) {
    const float a = 2.0f * float(M_PI) * float(column) / columns;
    const float e = rowElevations[row];
    View v;
    v.dir.set(std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e));
    v.right.set(-std::sin(a), std::cos(a), 0.0f);
    v.up = v.dir ^ v.right;
    return v;
}

CardAtlas::CardAtlas(const SkinData& skin) : image(new osg::Image) {
    osg::BoundingBox box;
    for (const SkinData::Submesh& submesh : skin.getSubmeshes())
        box.expandBy(submesh.bindBox);
    if (box.valid())
        bound.set(box.center(), box.radius());
    image->allocateImage(atlasWidth, atlasHeight, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    std::fill(image->data(), image->data() + image->getTotalSizeInBytes(), 0);
    std::fill(shown, shown + rows * columns, osg::Vec4(0, 0, 0, 0));
    if (!box.valid() || !(bound.radius() > 0))
        return;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            drawFrame(skin, column, row);
}

void CardAtlas::drawFrame(const SkinData& skin, int column, int row) {
    const View v = view(column, row);
    const float half = framePixels * 0.5f;
    const float toPixels = half / bound.radius();
    std::vector<float> depth(framePixels * framePixels, -1e30f);
    osg::BoundingBox covered;
    auto project = [&](const osg::Vec3& p) {
        const osg::Vec3 d = p - bound.center();
        return osg::Vec3(half + d * v.right * toPixels, half + d * v.up * toPixels, d * v.dir);
    };
    for (const SkinData::Submesh& submesh : skin.getSubmeshes()) {
        const osg::Image* texture = imageOf(submesh);
        const auto& triangles = *submesh.triangles;
        for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
            Corner c[3];
            for (int k = 0; k < 3; ++k) {
                const unsigned index = triangles[i + k];
                c[k].at = project((*submesh.bindVertices)[index]);
                c[k].normal = (*submesh.bindNormals)[index];
                c[k].uv = texture ? (*submesh.texCoords)[index] : osg::Vec2();
            }
            const float area = (c[1].at.x() - c[0].at.x()) * (c[2].at.y() - c[0].at.y()) -
                               (c[2].at.x() - c[0].at.x()) * (c[1].at.y() - c[0].at.y());
            if (std::fabs(area) < 1e-12f)
                continue;
            const int x0 = std::max(0, int(std::floor(std::min({c[0].at.x(), c[1].at.x(), c[2].at.x()}))));
            const int x1 =
                std::min(framePixels - 1, int(std::ceil(std::max({c[0].at.x(), c[1].at.x(), c[2].at.x()}))));
            const int y0 = std::max(0, int(std::floor(std::min({c[0].at.y(), c[1].at.y(), c[2].at.y()}))));
            const int y1 =
                std::min(framePixels - 1, int(std::ceil(std::max({c[0].at.y(), c[1].at.y(), c[2].at.y()}))));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    const float px = x + 0.5f, py = y + 0.5f;
                    float w[3];
                    for (int k = 0; k < 3; ++k) {
                        const Corner& a = c[(k + 1) % 3];
                        const Corner& b = c[(k + 2) % 3];
                        w[k] = ((b.at.x() - a.at.x()) * (py - a.at.y()) -
                                (px - a.at.x()) * (b.at.y() - a.at.y())) /
                               area;
                    }
                    if (w[0] < 0 || w[1] < 0 || w[2] < 0)
                        continue;
                    const float z = w[0] * c[0].at.z() + w[1] * c[1].at.z() + w[2] * c[2].at.z();
                    float& nearest = depth[y * framePixels + x];
                    if (z <= nearest)
                        continue;
                    nearest = z;
                    osg::Vec3 n = c[0].normal * w[0] + c[1].normal * w[1] + c[2].normal * w[2];
                    n.normalize();
                    const osg::Vec2 uv = c[0].uv * w[0] + c[1].uv * w[1] + c[2].uv * w[2];
                    const osg::Vec4 colour = textureColour(texture, uv);
                    const float facing = std::max(0.0f, n * v.dir);
                    unsigned char* texel = image->data(column * framePixels + x, row * framePixels + y);
                    for (int k = 0; k < 3; ++k)
                        texel[k] = (unsigned char)(std::clamp(colour[k], 0.0f, 1.0f) * 255.0f + 0.5f);
                    texel[3] = (unsigned char)(1.0f + facing * 254.0f + 0.5f);
                    covered.expandBy(osg::Vec3(float(x), float(y), 0));
                }
        }
    }
    if (covered.valid())
        shown[row * columns + column].set(covered.xMin() / half - 1, covered.yMin() / half - 1,
                                          (covered.xMax() + 1) / half - 1, (covered.yMax() + 1) / half - 1);
}

} // namespace character
