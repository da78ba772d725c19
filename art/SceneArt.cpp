#include "art/SceneArt.h"

#include "art/ArtNoise.h"
#include "art/ShapeKit.h"

#include <osg/BlendFunc>
#include <osg/CullFace>
#include <osg/Depth>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/NodeVisitor>
#include <osg/Texture2D>
#include <osgDB/WriteFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

float smoothstep(float a, float b, float x) {
    const float t = clamp01((x - a) / (b - a));
    return t * t * (3 - 2 * t);
}

osg::Vec3 mix(const osg::Vec3& a, const osg::Vec3& b, float t) {
    return a * (1 - t) + b * t;
}

osg::ref_ptr<osg::Image> makeImage(int width, int height, GLenum format) {
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(width, height, 1, format, GL_UNSIGNED_BYTE);
    return image;
}

void putPixel(osg::Image& image, int x, int y, const osg::Vec3& rgb, float alpha = 1) {
    unsigned char* p = image.data(x, y);
    p[0] = static_cast<unsigned char>(clamp01(rgb.x()) * 255 + 0.5f);
    p[1] = static_cast<unsigned char>(clamp01(rgb.y()) * 255 + 0.5f);
    p[2] = static_cast<unsigned char>(clamp01(rgb.z()) * 255 + 0.5f);
    if (image.getPixelFormat() == GL_RGBA)
        p[3] = static_cast<unsigned char>(clamp01(alpha) * 255 + 0.5f);
}

osg::ref_ptr<osg::Texture2D> makeTexture(osg::Image* image, osg::Texture::WrapMode wrap) {
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image);
    texture->setWrap(osg::Texture::WRAP_S, wrap);
    texture->setWrap(osg::Texture::WRAP_T, wrap);
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR_MIPMAP_LINEAR);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    return texture;
}

// Depth of the ground's gentle dips below the tile's rim, in model units.
constexpr float kGroundDip = 0.06f;

float groundHeight(const ArtNoise& noise, float x, float y) {
    // The rim stays exactly at z = 0 so neighbouring tiles meet without steps.
    const float rim = std::min(5 - std::fabs(x), 5 - std::fabs(y));
    const float inland = smoothstep(0.0f, 1.5f, rim);
    return -kGroundDip * inland * noise.fractal(x * 0.35f + 10, y * 0.35f + 10, 3);
}

bool write(const osg::Node& node, const std::string& file) {
    if (osgDB::writeNodeFile(node, file))
        return true;
    std::printf("could not write %s\n", file.c_str());
    return false;
}

bool write(const osg::Image& image, const std::string& file) {
    if (osgDB::writeImageFile(image, file))
        return true;
    std::printf("could not write %s\n", file.c_str());
    return false;
}

// Gathers the texture images a model refers to, so they can be written beside it.
class ImageCollector : public osg::NodeVisitor {
public:
    ImageCollector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    std::set<osg::Image*> images;

    void apply(osg::Node& node) override {
        collect(node.getStateSet());
        traverse(node);
    }
    void apply(osg::Drawable& drawable) override { collect(drawable.getStateSet()); }

private:
    void collect(osg::StateSet* stateSet) {
        if (!stateSet)
            return;
        for (unsigned unit = 0; unit < stateSet->getTextureAttributeList().size(); ++unit)
            if (auto texture = dynamic_cast<osg::Texture2D*>(
                    stateSet->getTextureAttribute(unit, osg::StateAttribute::TEXTURE)))
                if (texture->getImage())
                    images.insert(texture->getImage());
    }
};

bool writeModel(osg::Node& node, const std::string& folder, const std::string& name) {
    ImageCollector collector;
    node.accept(collector);
    bool ok = true;
    for (osg::Image* image : collector.images)
        ok = write(*image, folder + "/" + image->getFileName()) && ok;
    return write(node, folder + "/" + name) && ok;
}

osg::ref_ptr<osg::Geode> geodeOf(const std::string& name,
                                 std::initializer_list<osg::ref_ptr<osg::Geometry>> parts) {
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName(name);
    for (const auto& part : parts)
        geode->addDrawable(part);
    return geode;
}

void texture(osg::Geometry& geometry, osg::Image* image,
             osg::Texture::WrapMode wrap = osg::Texture::CLAMP_TO_EDGE) {
    geometry.getOrCreateStateSet()->setTextureAttributeAndModes(0, makeTexture(image, wrap));
}

// See-through and unlit by depth: drawn after the solid scene, without hiding what lies behind.
void makeTranslucent(osg::StateSet& stateSet) {
    stateSet.setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    stateSet.setAttributeAndModes(new osg::Depth(osg::Depth::LESS, 0, 1, false));
    stateSet.setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    stateSet.setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
}

osg::ref_ptr<osg::Material> material(const osg::Vec4& emission, const osg::Vec4& diffuse) {
    osg::ref_ptr<osg::Material> m = new osg::Material;
    m->setColorMode(osg::Material::OFF);
    m->setEmission(osg::Material::FRONT_AND_BACK, emission);
    m->setDiffuse(osg::Material::FRONT_AND_BACK, diffuse);
    m->setAmbient(osg::Material::FRONT_AND_BACK, diffuse * 0.3f);
    m->setSpecular(osg::Material::FRONT_AND_BACK, {0.3f, 0.3f, 0.3f, 1});
    m->setShininess(osg::Material::FRONT_AND_BACK, 32);
    return m;
}

} // namespace

osg::ref_ptr<osg::Image> SceneArt::makeGroundTexture() {
    const int size = 256;
    osg::ref_ptr<osg::Image> image = makeImage(size, size, GL_RGB);
    const ArtNoise patches(11, 8), turf(23, 16), blades(37);
    const osg::Vec3 darkGrass(0.24f, 0.42f, 0.16f), lightGrass(0.45f, 0.62f, 0.26f);
    const osg::Vec3 soil(0.46f, 0.36f, 0.22f), rim(0.20f, 0.26f, 0.13f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
            osg::Vec3 c = mix(darkGrass, lightGrass, turf.fractal(u * 16, v * 16, 3));
            // Bare soil shows through in a few soft patches.
            const float bare = smoothstep(0.6f, 0.74f, patches.fractal(u * 8, v * 8, 3));
            c = mix(c, soil * (0.85f + 0.3f * turf.value(u * 64, v * 64)), bare * 0.7f);
            // Fine speckle of blades and pebbles.
            const float speck = blades.hash(x, y);
            if (speck > 0.93f)
                c = c * 1.25f;
            else if (speck < 0.05f)
                c = c * 0.75f;
            // A darker rim so the board reads as a grid of tiles.
            const int edge = std::min(std::min(x, y), std::min(size - 1 - x, size - 1 - y));
            c = mix(rim, c, smoothstep(0.0f, 5.0f, static_cast<float>(edge)) * 0.55f + 0.45f);
            putPixel(*image, x, y, c);
        }
    image->setFileName("groundtile.png");
    return image;
}

osg::ref_ptr<osg::Node> SceneArt::makeGroundTile() {
    const int cells = 20;
    const ArtNoise noise(5);
    auto vertices = new osg::Vec3Array;
    auto normals = new osg::Vec3Array;
    auto texcoords = new osg::Vec2Array;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            const float x = -5 + 10.0f * i / cells, y = -5 + 10.0f * j / cells;
            const float e = 0.05f;
            const float dzdx = (groundHeight(noise, x + e, y) - groundHeight(noise, x - e, y)) / (2 * e);
            const float dzdy = (groundHeight(noise, x, y + e) - groundHeight(noise, x, y - e)) / (2 * e);
            vertices->push_back({x, y, groundHeight(noise, x, y)});
            osg::Vec3 n(-dzdx, -dzdy, 1);
            n.normalize();
            normals->push_back(n);
            texcoords->push_back({static_cast<float>(i) / cells, static_cast<float>(j) / cells});
        }
    auto triangles = new osg::DrawElementsUShort(GL_TRIANGLES);
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const unsigned short a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            for (unsigned short index : {a, b, d, a, d, c})
                triangles->push_back(index);
        }
    auto geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->setTexCoordArray(0, texcoords);
    geometry->addPrimitiveSet(triangles);
    geometry->getOrCreateStateSet()->setTextureAttributeAndModes(
        0, makeTexture(makeGroundTexture(), osg::Texture::CLAMP_TO_EDGE));
    auto geode = new osg::Geode;
    geode->setName("groundtile");
    geode->addDrawable(geometry);
    return geode;
}

namespace {

// Pale green fibres, darker towards the foot: the stems draw white-lit, so the
// texture alone carries their colour and a hint of shading.
osg::ref_ptr<osg::Image> makeStemTexture() {
    const int width = 64, height = 256;
    osg::ref_ptr<osg::Image> image = makeImage(width, height, GL_RGB);
    const ArtNoise fibres(71, 64);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float v = static_cast<float>(y) / height;
            const float streak = fibres.fractal(x * 0.25f, v * 4, 2);
            osg::Vec3 c = mix(osg::Vec3(0.48f, 0.66f, 0.34f), osg::Vec3(0.78f, 0.9f, 0.62f), streak);
            c *= 0.8f + 0.2f * smoothstep(0.0f, 0.4f, v);
            putPixel(*image, x, y, c);
        }
    image->setFileName("stem.png");
    return image;
}

osg::ref_ptr<osg::Image> makeLeafTexture() {
    const int size = 64;
    osg::ref_ptr<osg::Image> image = makeImage(size, size, GL_RGB);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / (size - 1) * 2 - 1,
                        v = static_cast<float>(y) / (size - 1);
            osg::Vec3 c =
                mix(osg::Vec3(0.42f, 0.66f, 0.28f), osg::Vec3(0.62f, 0.82f, 0.4f), 1 - std::fabs(u));
            // Midrib and side veins slanting towards the tip.
            const float rib = smoothstep(0.08f, 0.0f, std::fabs(u));
            const float vein =
                smoothstep(0.8f, 1.0f, std::cos((v * 7 - std::fabs(u) * 1.5f) * 6.2832f)) * 0.6f;
            c = mix(c, osg::Vec3(0.82f, 0.93f, 0.65f), std::max(rib, vein * (1 - rib)));
            c *= 0.75f + 0.25f * smoothstep(1.0f, 0.6f, std::fabs(u));
            putPixel(*image, x, y, c);
        }
    image->setFileName("leaf.png");
    return image;
}

osg::ref_ptr<osg::Image> makeSeedTexture() {
    const int width = 64, height = 64;
    osg::ref_ptr<osg::Image> image = makeImage(width, height, GL_RGB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / width, v = static_cast<float>(y) / (height - 1);
            // Light from above, a seam running round the pod and ribs along it.
            osg::Vec3 c = mix(osg::Vec3(0.66f, 0.58f, 0.36f), osg::Vec3(0.97f, 0.92f, 0.72f),
                              smoothstep(0.0f, 0.9f, v));
            c *= 0.9f + 0.1f * smoothstep(0.5f, 0.0f, std::fabs(u - 0.5f));
            c = mix(c, osg::Vec3(0.55f, 0.45f, 0.25f), smoothstep(0.025f, 0.0f, std::fabs(v - 0.5f)) * 0.5f);
            putPixel(*image, x, y, c);
        }
    image->setFileName("seed.png");
    return image;
}

// White light fading out upwards; the halo ring fades both ways from its middle.
osg::ref_ptr<osg::Image> makePingTexture() {
    const int width = 32, height = 128;
    osg::ref_ptr<osg::Image> image = makeImage(width, height, GL_RGBA);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float v = static_cast<float>(y) / (height - 1);
            const float alpha = 0.75f * std::pow(1 - v, 1.6f) * smoothstep(0.0f, 0.04f, v) + 0.05f * (1 - v);
            putPixel(*image, x, y, {1, 1, 1}, alpha);
        }
    image->setFileName("lifeping.png");
    return image;
}

osg::ref_ptr<osg::Image> makeDeathPingTexture() {
    const int width = 64, height = 128;
    osg::ref_ptr<osg::Image> image = makeImage(width, height, GL_RGBA);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / width, v = static_cast<float>(y) / (height - 1);
            // Chevrons pointing down: bands whose height rises away from each
            // quarter's centre line, so they read as "sinking" from any side.
            const float across = std::fabs(std::fmod(u * 4, 1.0f) - 0.5f);
            const float band = std::fmod(v * 6 - across * 0.8f + 10, 1.0f);
            const float chevron = smoothstep(0.0f, 0.15f, band) * smoothstep(0.55f, 0.35f, band);
            const float fade = smoothstep(0.0f, 0.1f, v) * smoothstep(1.0f, 0.6f, v);
            const float alpha = (0.25f + 0.5f * chevron) * fade;
            putPixel(*image, x, y, mix(osg::Vec3(0.55f, 0.5f, 0.6f), osg::Vec3(1, 1, 1), chevron), alpha);
        }
    image->setFileName("deathping.png");
    return image;
}

std::vector<ShapeKit::ProfilePoint> ellipse(float radius, float halfHeight, int steps) {
    std::vector<ShapeKit::ProfilePoint> profile;
    for (int i = 0; i <= steps; ++i) {
        const float a = static_cast<float>(M_PI) * (static_cast<float>(i) / steps - 0.5f);
        profile.push_back({radius * std::cos(a), halfHeight * std::sin(a)});
    }
    profile.front().radius = profile.back().radius = 0;
    return profile;
}

} // namespace

namespace {

// The stalk has the given number of sides and each leaf the given strips across and along.
osg::ref_ptr<osg::Node> stemShape(int sides, int leafColumns, int leafRows) {
    // A little flare at the foot and a gentle taper towards the bloom. Seen from afar the flare
    // is less than a pixel: a plain taper, widened so that fewer sides show as wide on average.
    const bool far = sides < 8;
    const std::vector<float> heights =
        far ? std::vector<float>{0.0f, 0.8f, 10.0f} : std::vector<float>{0.0f, 0.25f, 0.8f, 4.0f, 10.0f};
    const float widen = far ? static_cast<float>(M_PI / (sides * std::sin(M_PI / sides))) : 1.0f;
    std::vector<ShapeKit::ProfilePoint> profile;
    for (const float z : heights)
        profile.push_back({widen * (0.15f - 0.03f * z / 10 + (far ? 0 : 0.05f * std::exp(-z * 3))), z});
    osg::ref_ptr<osg::Geometry> stalk = ShapeKit::lathe(profile, sides);
    texture(*stalk, makeStemTexture(), osg::Texture::REPEAT);
    osg::ref_ptr<osg::Image> leafImage = makeLeafTexture();
    osg::ref_ptr<osg::Geode> geode = geodeOf("stem", {stalk});
    // Two leaves on opposite sides, sprouting from the stalk and arching outwards.
    const float leafHeights[] = {2.8f, 5.6f};
    for (int i = 0; i < 2; ++i) {
        const osg::Matrix placement = osg::Matrix::rotate(-0.55, osg::Y_AXIS) *
                                      osg::Matrix::translate(0.1f, 0, leafHeights[i]) *
                                      osg::Matrix::rotate(i * M_PI + 0.4, osg::Z_AXIS);
        osg::ref_ptr<osg::Geometry> blade =
            ShapeKit::leaf(1.3f, 0.3f, 1.2f, 0.25f, placement, leafColumns, leafRows);
        texture(*blade, leafImage.get());
        geode->addDrawable(blade);
    }
    return geode;
}

// The pod turned with the given sides from the given steps along its length. The far one has no
// stalk, a hair thin at any distance, no flat triangles at its tips, and is widened so its
// outline covers as much as the round one.
osg::ref_ptr<osg::Node> seedShape(int sides, int steps) {
    const bool far = sides < 8;
    // The pod's long axis lies along x (across the ring) so the x-scale fattens it.
    const osg::Matrix podPlacement = osg::Matrix::rotate(M_PI / 2, osg::Y_AXIS) *
                                     osg::Matrix::scale(0.6f, 0.26f, 0.32f) *
                                     osg::Matrix::translate(0, 0.17f, -0.01f);
    osg::ref_ptr<osg::Geometry> pod =
        ShapeKit::lathe(ellipse(far ? 0.13f : 0.1f, 0.1f, steps), sides, podPlacement);
    // Map the texture by height, so the pod is lit from above whichever way it turns.
    auto podVertices = static_cast<const osg::Vec3Array*>(pod->getVertexArray());
    auto podTexcoords = static_cast<osg::Vec2Array*>(pod->getTexCoordArray(0));
    for (std::size_t i = 0; i < podVertices->size(); ++i)
        (*podTexcoords)[i] = {(*podVertices)[i].x() * 5 + 0.5f, ((*podVertices)[i].z() + 0.042f) / 0.064f};
    osg::ref_ptr<osg::Image> image = makeSeedTexture();
    texture(*pod, image.get(), osg::Texture::REPEAT);
    if (far) {
        ShapeKit::dropFlatTriangles(*pod);
        return geodeOf("seed", {pod});
    }
    std::vector<ShapeKit::ProfilePoint> stalkProfile = {{0.009f, 0}, {0.007f, 0.06f}, {0.0f, 0.065f}};
    const osg::Matrix stalkPlacement =
        osg::Matrix::rotate(-M_PI / 2, osg::X_AXIS) * osg::Matrix::translate(0, 0.1f, 0);
    osg::ref_ptr<osg::Geometry> stalk = ShapeKit::lathe(stalkProfile, 6, stalkPlacement);
    texture(*stalk, image.get(), osg::Texture::REPEAT);
    return geodeOf("seed", {pod, stalk});
}

} // namespace

osg::ref_ptr<osg::Node> SceneArt::makeStem() {
    return stemShape(8, 3, 6);
}

osg::ref_ptr<osg::Node> SceneArt::makeFarStem() {
    return stemShape(4, 1, 3);
}

osg::ref_ptr<osg::Node> SceneArt::makeSeed() {
    return seedShape(8, 6);
}

osg::ref_ptr<osg::Node> SceneArt::makeFarSeed() {
    return seedShape(5, 3);
}

namespace {

// How finely a ping is turned: the far ones, a few pixels wide, with fewer sides and rings.
struct PingDetail {
    int beamSides, beamRows, haloSides;
    std::vector<float> haloRings; // from the inner rim (0) to the outer (1); brightest at 1/4
};
const PingDetail nearPing{16, 5, 24, {0, 0.25f, 0.5f, 0.75f, 1}};
const PingDetail farPing{4, 2, 8, {0, 0.25f, 1}};

osg::ref_ptr<osg::Geode> pingShape(const std::string& name, float footRadius, float topRadius,
                                   float haloRadius, const PingDetail& detail) {
    std::vector<ShapeKit::ProfilePoint> beam;
    for (int i = 0; i <= detail.beamRows; ++i) {
        const float z = static_cast<float>(i) / detail.beamRows;
        beam.push_back({footRadius + (topRadius - footRadius) * std::sqrt(z), z});
    }
    osg::ref_ptr<osg::Geometry> shaft = ShapeKit::lathe(beam, detail.beamSides);
    // The halo is a flat ring a hair above the ground so it doesn't flicker with it.
    std::vector<ShapeKit::ProfilePoint> ring;
    for (const float across : detail.haloRings)
        ring.push_back({footRadius * 0.6f + (haloRadius - footRadius * 0.6f) * across, 0.004f});
    osg::ref_ptr<osg::Geometry> halo = ShapeKit::lathe(ring, detail.haloSides);
    // Fade the ring towards both rims by reusing the beam's vertical ramp across it.
    auto texcoords = static_cast<osg::Vec2Array*>(halo->getTexCoordArray(0));
    const float rows = static_cast<float>(detail.haloRings.size() - 1);
    for (auto& t : *texcoords)
        t.y() = 0.04f +
                std::fabs(detail.haloRings[static_cast<size_t>(std::lround(t.y() * rows))] - 0.25f) * 1.2f;
    for (auto& n : *static_cast<osg::Vec3Array*>(halo->getNormalArray()))
        n = {0, 0, 1};
    osg::ref_ptr<osg::Geode> geode = geodeOf(name, {shaft, halo});
    makeTranslucent(*geode->getOrCreateStateSet());
    return geode;
}

osg::ref_ptr<osg::Node> lifePing(const PingDetail& detail) {
    osg::ref_ptr<osg::Geode> geode = pingShape("lifeping", 0.08f, 0.03f, 0.35f, detail);
    // Births and growing stems raise hundreds of these at once, and every pixel of a translucent
    // column is blended: a slim beam showing one wall only.
    geode->getDrawable(0)->getOrCreateStateSet()->setMode(GL_CULL_FACE, osg::StateAttribute::ON);
    osg::ref_ptr<osg::Image> image = makePingTexture();
    for (unsigned i = 0; i < geode->getNumDrawables(); ++i)
        texture(*geode->getDrawable(i)->asGeometry(), image.get(), osg::Texture::REPEAT);
    // A white default. Each ping's own material overrides it with the organism's colour and is
    // this one in every other respect: a crowd of pings is drawn in this material.
    osg::ref_ptr<osg::Material> white = new osg::Material;
    white->setColorMode(osg::Material::OFF);
    white->setEmission(osg::Material::FRONT_AND_BACK, {0.8f, 0.8f, 0.8f, 1});
    geode->getStateSet()->setAttributeAndModes(white.get());
    return geode;
}

osg::ref_ptr<osg::Node> deathPing(const PingDetail& detail) {
    osg::ref_ptr<osg::Geode> geode = pingShape("deathping", 0.05f, 0.2f, 0.3f, detail);
    osg::ref_ptr<osg::Image> image = makeDeathPingTexture();
    for (unsigned i = 0; i < geode->getNumDrawables(); ++i)
        texture(*geode->getDrawable(i)->asGeometry(), image.get(), osg::Texture::REPEAT);
    geode->getStateSet()->setAttributeAndModes(material({0.3f, 0.08f, 0.38f, 1}, {0.35f, 0.2f, 0.45f, 1}));
    return geode;
}

} // namespace

osg::ref_ptr<osg::Node> SceneArt::makeLifePing() {
    return lifePing(nearPing);
}

osg::ref_ptr<osg::Node> SceneArt::makeFarLifePing() {
    return lifePing(farPing);
}

osg::ref_ptr<osg::Node> SceneArt::makeDeathPing() {
    return deathPing(nearPing);
}

osg::ref_ptr<osg::Node> SceneArt::makeFarDeathPing() {
    return deathPing(farPing);
}

osg::ref_ptr<osg::Node> SceneArt::makeDownArrow() {
    // Tip at the origin, a cone head up to 0.2 and a round shaft to 0.5.
    // The rim point repeats so the slope and the flat top each get their own normal.
    std::vector<ShapeKit::ProfilePoint> head = {
        {0, 0}, {0.08f, 0.1f}, {0.16f, 0.2f}, {0.16f, 0.2f}, {0.0f, 0.2f}};
    std::vector<ShapeKit::ProfilePoint> shaft = {
        {0.065f, 0.19f}, {0.065f, 0.35f}, {0.065f, 0.47f}, {0.045f, 0.495f}, {0, 0.5f}};
    osg::ref_ptr<osg::Geometry> cone = ShapeKit::lathe(head, 24);
    osg::ref_ptr<osg::Geometry> rod = ShapeKit::lathe(shaft, 24);
    osg::ref_ptr<osg::Geode> geode = geodeOf("downarrow", {cone, rod});
    geode->getOrCreateStateSet()->setAttributeAndModes(
        material({0.55f, 0.22f, 0.0f, 1}, {1.0f, 0.55f, 0.1f, 1}));
    return geode;
}

bool SceneArt::writeAll(const std::string& folder) {
    bool ok = writeModel(*makeGroundTile(), folder, "groundtile.osg");
    ok = writeModel(*makeStem(), folder, "stem.osg") && ok;
    ok = writeModel(*makeSeed(), folder, "seed.osg") && ok;
    ok = writeModel(*makeFarStem(), folder, "stem_far.osg") && ok;
    ok = writeModel(*makeFarSeed(), folder, "seed_far.osg") && ok;
    ok = writeModel(*makeLifePing(), folder, "lifeping.osg") && ok;
    ok = writeModel(*makeDeathPing(), folder, "deathping.osg") && ok;
    ok = writeModel(*makeFarLifePing(), folder, "lifeping_far.osg") && ok;
    ok = writeModel(*makeFarDeathPing(), folder, "deathping_far.osg") && ok;
    ok = writeModel(*makeDownArrow(), folder, "downarrow.osg") && ok;
    return ok;
}
