#include "character/MeshCrowd.h"

#include <osg/Geode>
#include <osg/Material>
#include <osg/Program>
#include <osg/Shader>
#include <osg/Texture>
#include <osg/Uniform>
#include <osg/observer_ptr>
#include <osgUtil/CullVisitor>

namespace character {

namespace {

// Lit like the fixed pipeline (emission, ambient, light 0's diffuse and specular), then textured;
// as translucent as the material's diffuse and the texture make it.
const char* const vertexSource = R"(#version 150 compatibility
in vec4 rowX;
in vec4 rowY;
in vec4 rowZ;
in vec4 emission;
out vec4 colour;
out vec2 coord;

void main()
{
    mat3 turn = transpose(mat3(rowX.xyz, rowY.xyz, rowZ.xyz));
    vec3 eye = turn * gl_Vertex.xyz + vec3(rowX.w, rowY.w, rowZ.w);
    gl_Position = gl_ProjectionMatrix * vec4(eye, 1.0);
    vec3 n = normalize(transpose(inverse(turn)) * gl_Normal);
    vec4 light = gl_LightSource[0].position;
    vec3 toLight = normalize(light.w == 0.0 ? light.xyz : light.xyz - eye);
    float facing = dot(n, toLight);
    vec4 shine = facing > 0.0 && gl_FrontMaterial.shininess > 0.0
        ? gl_FrontLightProduct[0].specular *
              pow(max(dot(n, normalize(toLight + vec3(0.0, 0.0, 1.0))), 0.0), gl_FrontMaterial.shininess)
        : vec4(0.0);
    colour = clamp(emission + gl_FrontLightModelProduct.sceneColor + gl_FrontLightProduct[0].ambient +
                   gl_FrontLightProduct[0].diffuse * max(facing, 0.0) + shine, 0.0, 1.0);
    colour.a = gl_FrontMaterial.diffuse.a;
    coord = gl_MultiTexCoord0.xy;
}
)";

const char* const fragmentSource = R"(#version 150 compatibility
uniform sampler2D meshTexture;
uniform bool textured;
in vec4 colour;
in vec2 coord;

void main()
{
    gl_FragColor = colour * (textured ? texture(meshTexture, coord) : vec4(1.0));
}
)";

osg::Program* meshProgram() {
    static const osg::ref_ptr<osg::Program> program =
        CrowdBatch::makeProgram("sylvara mesh crowd", vertexSource, fragmentSource);
    return program.get();
}

// Hands each place the shared node is met at to the open batch.
class JoinCrowd : public osg::NodeCallback {
public:
    explicit JoinCrowd(MeshCrowd* crowd) : crowd(crowd) {}

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override {
        auto* cull = dynamic_cast<osgUtil::CullVisitor*>(visitor);
        const osg::FrameStamp* stamp = visitor->getFrameStamp();
        osg::ref_ptr<MeshCrowd> batch;
        if (cull && stamp && crowd.lock(batch)) {
            MeshCrowd* joined = batch->batchFor(cull->clampedPixelSize(node->getBound()));
            if (joined->isGathering(stamp->getFrameNumber())) {
                joined->join(*cull, *node);
                return;
            }
        }
        traverse(node, visitor);
    }

private:
    osg::observer_ptr<MeshCrowd> crowd;
};

// A copy with the original's own look (its texture, which faces it shows) and copies of its
// arrays; the primitive sets are its own.
osg::ref_ptr<osg::Geometry> instancedCopy(const osg::Geometry& original) {
    osg::ref_ptr<osg::Geometry> copy = new osg::Geometry;
    // Copies of the arrays: the original keeps drawing itself where no batch is open.
    auto own = [](const osg::Array* array) {
        return static_cast<osg::Array*>(array->clone(osg::CopyOp::DEEP_COPY_ALL));
    };
    copy->setVertexArray(own(original.getVertexArray()));
    copy->setNormalArray(own(original.getNormalArray()), osg::Array::BIND_PER_VERTEX);
    if (original.getTexCoordArray(0))
        copy->setTexCoordArray(0, own(original.getTexCoordArray(0)), osg::Array::BIND_PER_VERTEX);
    for (unsigned i = 0; i < original.getNumPrimitiveSets(); ++i)
        copy->addPrimitiveSet(static_cast<osg::PrimitiveSet*>(
            original.getPrimitiveSet(i)->clone(osg::CopyOp::DEEP_COPY_PRIMITIVES)));
    const osg::StateSet* look = original.getStateSet();
    osg::ref_ptr<osg::StateSet> state = look ? new osg::StateSet(*look) : new osg::StateSet;
    const bool textured =
        state->getTextureAttribute(0, osg::StateAttribute::TEXTURE) && original.getTexCoordArray(0);
    state->addUniform(new osg::Uniform("textured", textured));
    copy->setStateSet(state.get());
    return copy;
}

// The shared node's own look with its material's emission taken out: each copy brings its own.
osg::ref_ptr<osg::StateSet> batchState(const osg::Node& shared) {
    const osg::StateSet* look = shared.getStateSet();
    osg::ref_ptr<osg::StateSet> state = look ? new osg::StateSet(*look) : new osg::StateSet;
    const auto* own = static_cast<const osg::Material*>(state->getAttribute(osg::StateAttribute::MATERIAL));
    osg::ref_ptr<osg::Material> material = own ? new osg::Material(*own) : new osg::Material;
    material->setColorMode(osg::Material::OFF);
    material->setEmission(osg::Material::FRONT_AND_BACK, osg::Vec4(0, 0, 0, 1));
    state->setAttributeAndModes(material.get());
    state->setAttributeAndModes(meshProgram());
    state->addUniform(new osg::Uniform("meshTexture", 0));
    return state;
}

class GeometryCollector : public osg::NodeVisitor {
public:
    GeometryCollector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override { found.push_back(&geometry); }
    std::vector<osg::Geometry*> found;
};

} // namespace

MeshCrowd::MeshCrowd(osg::Node* shared) : MeshCrowd(shared, true) {}

MeshCrowd::MeshCrowd(osg::Node* shared, bool joinedFromNode) {
    if (!shared)
        return;
    setStateSet(batchState(*shared).get());
    GeometryCollector collector;
    shared->accept(collector);
    for (osg::Geometry* geometry : collector.found)
        if (geometry->getVertexArray() && geometry->getNormalArray())
            addInstanced(instancedCopy(*geometry).get());
    if (joinedFromNode)
        shared->addCullCallback(new JoinCrowd(this));
}

MeshCrowd* MeshCrowd::addFarShape(osg::Node* farShape, float belowPixels) {
    far = new MeshCrowd(farShape, false);
    farBelowPixels = belowPixels;
    return far.get();
}

MeshCrowd* MeshCrowd::batchFor(float pixels) {
    return far && pixels < farBelowPixels ? far.get() : this;
}

MeshCrowd::~MeshCrowd() = default;

} // namespace character
