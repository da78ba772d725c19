#include "character/CrowdBatch.h"

#include <osg/GLExtensions>
#include <osg/Material>
#include <osg/Shader>
#include <osg/State>
#include <osg/VertexAttribDivisor>
#include <osgUtil/CullVisitor>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <vector>

namespace character {

const char* const CrowdBatch::instanceAttributeNames[4] = {"rowX", "rowY", "rowZ", "emission"};

namespace {

std::atomic<bool> assumeCapable{false};

bool canDraw(osgUtil::CullVisitor& cull) {
    if (assumeCapable.load())
        return true;
    const osg::State* state = cull.getState();
    const osg::GLExtensions* gl = state ? osg::GLExtensions::Get(state->getContextID(), false) : nullptr;
    return gl && gl->isGlslSupported && gl->glslLanguageVersion >= 1.5f && gl->glVertexAttribDivisor &&
           gl->glDrawArraysInstanced;
}

// Draws only when the batch holds instances: with none, a plain draw would show one stray copy.
class DrawWhenFilled : public osg::Drawable::DrawCallback {
public:
    void drawImplementation(osg::RenderInfo& info, const osg::Drawable* drawable) const override {
        const osg::Geometry* geometry = drawable->asGeometry();
        if (!geometry || geometry->getNumPrimitiveSets() == 0 ||
            geometry->getPrimitiveSet(0)->getNumInstances() == 0)
            return;
        auto* batch = dynamic_cast<CrowdBatch*>(const_cast<osg::Geometry*>(geometry)->getParent(0));
        if (batch && batch->isTranslucent())
            batch->putFarthestFirst();
        drawable->drawImplementation(info);
    }
};

} // namespace

CrowdBatch::CrowdBatch() : emissions(new osg::Vec4Array) {
    for (auto& row : rows)
        row = new osg::Vec4Array;
    // The batch lies wherever its members are; they were culled one by one.
    setCullingActive(false);
}

CrowdBatch::~CrowdBatch() = default;

void CrowdBatch::assumeCapableContext(bool assume) {
    assumeCapable.store(assume);
}

osg::ref_ptr<osg::Program> CrowdBatch::makeProgram(const std::string& name, const std::string& vertex,
                                                   const std::string& fragment) {
    osg::ref_ptr<osg::Program> program = new osg::Program;
    program->setName(name);
    program->addShader(new osg::Shader(osg::Shader::VERTEX, vertex));
    program->addShader(new osg::Shader(osg::Shader::FRAGMENT, fragment));
    for (unsigned i = 0; i < 4; ++i)
        program->addBindAttribLocation(instanceAttributeNames[i], firstInstanceAttribute + i);
    return program;
}

void CrowdBatch::addInstanced(osg::Geometry* geometry) {
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setDataVariance(osg::Object::DYNAMIC);
    for (int r = 0; r < 3; ++r)
        geometry->setVertexAttribArray(firstInstanceAttribute + r, rows[r].get(),
                                       osg::Array::BIND_PER_VERTEX);
    geometry->setVertexAttribArray(firstInstanceAttribute + 3, emissions.get(), osg::Array::BIND_PER_VERTEX);
    for (unsigned i = 0; i < geometry->getNumPrimitiveSets(); ++i)
        primitives.push_back(geometry->getPrimitiveSet(i));
    osg::StateSet* state = geometry->getOrCreateStateSet();
    for (unsigned i = 0; i < 4; ++i)
        state->setAttribute(new osg::VertexAttribDivisor(firstInstanceAttribute + i, 1));
    geometry->setDrawCallback(new DrawWhenFilled);
    geometry->setCullingActive(false);
    addDrawable(geometry);
}

void CrowdBatch::open(unsigned frameNumber) {
    gatherFrame = frameNumber;
    gathering = true;
    for (auto& row : rows)
        row->clear();
    emissions->clear();
    for (auto& primitive : primitives)
        primitive->setNumInstances(0);
    sorted = false;
}

bool CrowdBatch::isTranslucent() const {
    const osg::StateSet* state = getStateSet();
    return state && state->getRenderingHint() == osg::StateSet::TRANSPARENT_BIN;
}

void CrowdBatch::putFarthestFirst() {
    if (sorted)
        return;
    sorted = true;
    // Row z's last column is the instance's eye depth, more negative the farther.
    const osg::Vec4Array& depths = *rows[2];
    std::vector<unsigned> order(depths.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](unsigned a, unsigned b) { return depths[a].w() < depths[b].w(); });
    for (osg::Vec4Array* array : {rows[0].get(), rows[1].get(), rows[2].get(), emissions.get()}) {
        const std::vector<osg::Vec4> before(array->begin(), array->end());
        for (size_t i = 0; i < order.size(); ++i)
            (*array)[i] = before[order[i]];
        array->dirty();
    }
}

void CrowdBatch::add(const osg::Matrixd& m, const osg::Vec4& emission) {
    for (int r = 0; r < 3; ++r) {
        rows[r]->push_back(osg::Vec4(m(0, r), m(1, r), m(2, r), m(3, r)));
        rows[r]->dirty();
    }
    emissions->push_back(emission);
    emissions->dirty();
    for (auto& primitive : primitives)
        primitive->setNumInstances(int(emissions->size()));
}

osg::Vec4 CrowdBatch::emissionAlong(const osg::NodePath& path) {
    const osg::Material* nearest = nullptr;
    for (const osg::Node* node : path) {
        const osg::StateSet* state = node->getStateSet();
        const osg::StateSet::RefAttributePair* pair =
            state ? state->getAttributePair(osg::StateAttribute::MATERIAL) : nullptr;
        if (!pair)
            continue;
        nearest = static_cast<const osg::Material*>(pair->first.get());
        if (pair->second & osg::StateAttribute::OVERRIDE)
            break;
    }
    return nearest ? nearest->getEmission(osg::Material::FRONT) : osg::Vec4(0, 0, 0, 1);
}

void CrowdBatch::join(osgUtil::CullVisitor& cull, osg::Node& node) {
    const osg::Geode* geode = node.asGeode();
    osg::BoundingBox box;
    if (geode)
        box = geode->getBoundingBox();
    else
        box.expandBy(node.getBound());
    // The batch's own bounds say nothing of where its members stand: without this the depth
    // range would be fitted to the rest of the scene and could clip them.
    if (box.valid())
        cull.updateCalculatedNearFar(*cull.getModelViewMatrix(), box);
    add(*cull.getModelViewMatrix(), emissionAlong(cull.getNodePath()));
}

void CrowdBatch::traverse(osg::NodeVisitor& visitor) {
    if (auto* cull = dynamic_cast<osgUtil::CullVisitor*>(&visitor)) {
        // Last frame's members go even when none may join: they would be drawn where they were.
        const osg::FrameStamp* stamp = visitor.getFrameStamp();
        open(stamp ? stamp->getFrameNumber() : 0);
        gathering = stamp && canDraw(*cull);
    }
    osg::Geode::traverse(visitor);
}

} // namespace character
