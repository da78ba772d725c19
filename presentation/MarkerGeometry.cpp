#include "presentation/MarkerGeometry.h"

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

// Markers of one colour share one state.
osg::StateSet* sharedState(const osg::Vec3f& colour, float alpha) {
    static std::map<std::array<float, 4>, osg::ref_ptr<osg::StateSet>> states;
    osg::ref_ptr<osg::StateSet>& state = states[{colour.x(), colour.y(), colour.z(), alpha}];
    if (!state)
        state = makeState(colour, alpha);
    return state.get();
}

} // namespace

osg::ref_ptr<osg::Geode> MarkerGeometry::makeShape(osg::Vec3Array* vertices, osg::PrimitiveSet* quads,
                                                   const osg::Vec3f& colour, float alpha) {
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    // Corners that may change every tick are handed to the driver as they are: a buffer object
    // would be one more thing to mark stale, and to upload, on every change.
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(false);
    geometry->setVertexArray(vertices);
    geometry->addPrimitiveSet(quads);
    // The geometry gives its arrays buffer objects whatever it was told; take them back.
    vertices->setBufferObject(nullptr);
    quads->setBufferObject(nullptr);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry.get());
    geode->setStateSet(sharedState(colour, alpha));
    return geode;
}

void MarkerGeometry::appendBeam(osg::Vec3Array& corners, const osg::Vec3d& from, const osg::Vec3d& to,
                                float width) {
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x()) + 1.570796325;
    const double h = width * 0.5;
    const double ox = std::cos(a) * h;
    const double oy = std::sin(a) * h;
    const double zb = from.z() + HEIGHT_LIFT;
    // Corners in drawing order, so the band faces up.
    corners.push_back(osg::Vec3(to.x() - ox, to.y() - oy, zb));
    corners.push_back(osg::Vec3(to.x() + ox, to.y() + oy, zb));
    corners.push_back(osg::Vec3(from.x() + ox, from.y() + oy, zb));
    corners.push_back(osg::Vec3(from.x() - ox, from.y() - oy, zb));
}

osg::ref_ptr<osg::Geode> MarkerGeometry::makeRect(double x0, double y0, double x1, double y1, float z,
                                                  const osg::Vec3f& colour, float alpha) {
    const float zr = z + HEIGHT_LIFT;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    // Corners in drawing order, so the rectangle faces up.
    vertices->push_back(osg::Vec3(x0, y1, zr));
    vertices->push_back(osg::Vec3(x1, y1, zr));
    vertices->push_back(osg::Vec3(x1, y0, zr));
    vertices->push_back(osg::Vec3(x0, y0, zr));
    return makeShape(vertices.get(), new osg::DrawArrays(GL_QUADS, 0, 4), colour, alpha);
}
