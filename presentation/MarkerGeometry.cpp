#include "presentation/MarkerGeometry.h"

#include "world/ScenePrefetch.h"

#include <osg/BlendEquation>
#include <osg/BlendFunc>
#include <osg/Geometry>
#include <osg/Material>

#include <array>
#include <cmath>
#include <map>

namespace {

osg::ref_ptr<osg::StateSet> makeState(const osg::Vec3f& colour, float alpha) {
    osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
    state->setAttributeAndModes(new osg::BlendEquation(osg::BlendEquation::FUNC_ADD),
                                osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    // Without a blend function the alpha would be ignored and the markers drawn opaque.
    state->setAttributeAndModes(
        new osg::BlendFunc(osg::BlendFunc::SRC_ALPHA, osg::BlendFunc::ONE_MINUS_SRC_ALPHA),
        osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    material->setEmission(osg::Material::FRONT_AND_BACK, osg::Vec4(colour, 1.0f));
    material->setAlpha(osg::Material::FRONT_AND_BACK, alpha);
    state->setAttributeAndModes(material.get(), osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    return state;
}

// Markers of one colour share one state: a chase beam is made for every hunter on every tick.
osg::StateSet* sharedState(const osg::Vec3f& colour, float alpha) {
    static std::map<std::array<float, 4>, osg::ref_ptr<osg::StateSet>> states;
    osg::ref_ptr<osg::StateSet>& state = states[{colour.x(), colour.y(), colour.z(), alpha}];
    if (!state)
        state = makeState(colour, alpha);
    return state.get();
}

osg::ref_ptr<osg::Geode> makeQuad(osg::Vec3Array* vertices, const GLuint (&indices)[4],
                                  const osg::Vec3f& colour, float alpha) {
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    // Four corners that may change every tick are handed to the driver as they are: a buffer
    // object per beam would be one more thing to mark stale, and to upload, on every reshape.
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(false);
    geometry->setVertexArray(vertices);
    osg::ref_ptr<osg::DrawElementsUInt> quad = new osg::DrawElementsUInt(GL_QUADS, 4, indices);
    geometry->addPrimitiveSet(quad.get());
    // The geometry gives its arrays buffer objects whatever it was told; take them back.
    vertices->setBufferObject(nullptr);
    quad->setBufferObject(nullptr);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry.get());
    geode->setStateSet(sharedState(colour, alpha));
    return geode;
}

void beamCorners(osg::Vec3Array& vertices, const osg::Vec3d& from, const osg::Vec3d& to, float width) {
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x()) + 1.570796325;
    const double h = width * 0.5;
    const double ox = std::cos(a) * h;
    const double oy = std::sin(a) * h;
    const double zb = from.z() + MarkerGeometry::HEIGHT_LIFT;
    vertices.resize(4);
    vertices[0] = osg::Vec3(from.x() + ox, from.y() + oy, zb);
    vertices[1] = osg::Vec3(from.x() - ox, from.y() - oy, zb);
    vertices[2] = osg::Vec3(to.x() + ox, to.y() + oy, zb);
    vertices[3] = osg::Vec3(to.x() - ox, to.y() - oy, zb);
}

} // namespace

osg::ref_ptr<osg::Geode> MarkerGeometry::makeBeam(const osg::Vec3d& from, const osg::Vec3d& to, float width,
                                                  const osg::Vec3f& colour, float alpha) {
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    beamCorners(*vertices, from, to, width);
    return makeQuad(vertices.get(), {3, 2, 0, 1}, colour, alpha);
}

BeamParts MarkerGeometry::partsOf(osg::Geode& beam) {
    osg::Geometry* geometry = beam.getDrawable(0)->asGeometry();
    return BeamParts{&beam, geometry, static_cast<osg::Vec3Array*>(geometry->getVertexArray())};
}

void MarkerGeometry::reshapeBeam(const BeamParts& beam, const osg::Vec3d& from, const osg::Vec3d& to,
                                 float width, const osg::Vec3f& colour, float alpha) {
    beamCorners(*beam.corners, from, to, width);
    beam.corners->dirty();
    beam.geometry->dirtyBound();
    beam.geode->setStateSet(sharedState(colour, alpha));
}

void BeamParts::prefetch() const {
    if (!geode)
        return;
    ScenePrefetch::node(geode);
    ScenePrefetch::node(geometry);
    ScenePrefetch::range(corners, sizeof(osg::Vec3Array));
}

void BeamParts::prefetchContents() const {
    if (!geode)
        return;
    __builtin_prefetch(corners->getDataPointer());
}

osg::ref_ptr<osg::Geode> MarkerGeometry::makeRect(double x0, double y0, double x1, double y1, float z,
                                                  const osg::Vec3f& colour, float alpha) {
    const float zr = z + HEIGHT_LIFT;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(x0, y0, zr));
    vertices->push_back(osg::Vec3(x1, y0, zr));
    vertices->push_back(osg::Vec3(x1, y1, zr));
    vertices->push_back(osg::Vec3(x0, y1, zr));
    return makeQuad(vertices.get(), {3, 2, 1, 0}, colour, alpha);
}
