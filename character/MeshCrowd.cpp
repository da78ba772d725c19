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

// Lit like the fixed pipeline (emission, ambient, light 0's diffuse), then textured.
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
    colour = clamp(emission + gl_FrontLightModelProduct.sceneColor + gl_FrontLightProduct[0].ambient +
                   gl_FrontLightProduct[0].diffuse * max(dot(n, toLight), 0.0), 0.0, 1.0);
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
    gl_FragColor = vec4(colour.rgb * (textured ? texture(meshTexture, coord).rgb : vec3(1.0)), 1.0);
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
        if (cull && stamp && crowd.lock(batch) && batch->isGathering(stamp->getFrameNumber())) {
            batch->join(*cull, *node);
            return;
        }
        traverse(node, visitor);
    }

private:
    osg::observer_ptr<MeshCrowd> crowd;
};

// A copy that shares the original's arrays and texture; the primitive sets are its own.
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
    osg::StateSet* state = copy->getOrCreateStateSet();
    const osg::StateSet* look = original.getStateSet();
    const osg::StateAttribute* texture =
        look ? look->getTextureAttribute(0, osg::StateAttribute::TEXTURE) : nullptr;
    if (texture && original.getTexCoordArray(0))
        state->setTextureAttributeAndModes(0, const_cast<osg::StateAttribute*>(texture));
    state->addUniform(new osg::Uniform("textured", texture && original.getTexCoordArray(0)));
    return copy;
}

class GeometryCollector : public osg::NodeVisitor {
public:
    GeometryCollector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override { found.push_back(&geometry); }
    std::vector<osg::Geometry*> found;
};

} // namespace

MeshCrowd::MeshCrowd(osg::Node* shared) {
    osg::StateSet* state = getOrCreateStateSet();
    state->setAttributeAndModes(meshProgram());
    state->addUniform(new osg::Uniform("meshTexture", 0));
    // The shapes' own material without emission: each copy brings its own.
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    state->setAttributeAndModes(material.get());
    if (!shared)
        return;
    GeometryCollector collector;
    shared->accept(collector);
    for (osg::Geometry* geometry : collector.found)
        if (geometry->getVertexArray() && geometry->getNormalArray())
            addInstanced(instancedCopy(*geometry).get());
    shared->addCullCallback(new JoinCrowd(this));
}

MeshCrowd::~MeshCrowd() = default;

} // namespace character
