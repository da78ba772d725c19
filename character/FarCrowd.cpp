#include "character/FarCrowd.h"

#include "character/SkinData.h"

#include <osg/GLExtensions>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/Program>
#include <osg/Shader>
#include <osg/State>
#include <osg/Texture2D>
#include <osg/Uniform>
#include <osg/VertexAttribDivisor>
#include <osgUtil/CullVisitor>

#include <atomic>
#include <string>

namespace character {

namespace {

std::atomic<bool> assumeCapable{false};

// Each card picks the frame of the atlas nearest to the direction it is seen from, in the
// character's own space, and stands across that direction through the character's middle.
// Its depth is pulled towards the viewer by the character's radius so the ground never cuts
// its feet. Lit like the skinned characters: emission, ambient, and the headlight's diffuse
// share, which the atlas keeps per texel.
const char* const vertexSource = R"(#version 150 compatibility
uniform vec3 cardCentre;
uniform float cardRadius;
uniform float rowElevations[ROWS];
in vec4 rowX;
in vec4 rowY;
in vec4 rowZ;
in vec4 emission;
out vec2 atlasCoord;
flat out vec3 base;
flat out vec3 diffuse;

void main()
{
    mat3 turn = transpose(mat3(rowX.xyz, rowY.xyz, rowZ.xyz));
    vec3 shift = vec3(rowX.w, rowY.w, rowZ.w);
    vec3 middle = turn * cardCentre + shift;
    vec3 seen = inverse(turn) * normalize(-middle);
    float step = 6.2831853 / float(COLUMNS);
    float column = mod(floor(atan(seen.y, seen.x) / step + 0.5), float(COLUMNS));
    float elevation = atan(seen.z, length(seen.xy));
    int row = 0;
    for (int r = 1; r < ROWS; ++r)
        if (abs(rowElevations[r] - elevation) < abs(rowElevations[row] - elevation))
            row = r;
    float a = column * step;
    float e = rowElevations[row];
    vec3 dir = vec3(cos(e) * cos(a), cos(e) * sin(a), sin(e));
    vec3 right = vec3(-sin(a), cos(a), 0.0);
    vec3 up = cross(dir, right);
    vec3 eye = turn * (cardCentre + cardRadius * (gl_Vertex.x * right + gl_Vertex.y * up)) + shift;
    gl_Position = gl_ProjectionMatrix * vec4(eye, 1.0);
    vec3 pulled = eye + normalize(-eye) * length(turn * vec3(cardRadius, 0.0, 0.0));
    vec4 nearer = gl_ProjectionMatrix * vec4(pulled, 1.0);
    gl_Position.z = nearer.z / nearer.w * gl_Position.w;
    atlasCoord = vec2((column + 0.5 + 0.5 * gl_Vertex.x) / float(COLUMNS),
                      (float(row) + 0.5 + 0.5 * gl_Vertex.y) / float(ROWS));
    base = emission.rgb + gl_FrontLightModelProduct.sceneColor.rgb + gl_FrontLightProduct[0].ambient.rgb;
    diffuse = gl_FrontLightProduct[0].diffuse.rgb;
}
)";

const char* const fragmentSource = R"(#version 150 compatibility
uniform sampler2D cardAtlas;
in vec2 atlasCoord;
flat in vec3 base;
flat in vec3 diffuse;

void main()
{
    vec4 texel = texture(cardAtlas, atlasCoord);
    if (texel.a < 0.5 / 255.0)
        discard;
    float facing = (texel.a * 255.0 - 1.0) / 254.0;
    gl_FragColor = vec4(clamp(base + diffuse * facing, 0.0, 1.0) * texel.rgb, 1.0);
}
)";

const char* const attributeNames[4] = {"rowX", "rowY", "rowZ", "emission"};

std::string withLayout(std::string source) {
    for (const auto& [name, value] : {std::pair<std::string, int>{"ROWS", CardAtlas::rows},
                                      std::pair<std::string, int>{"COLUMNS", CardAtlas::columns}})
        for (size_t at = source.find(name); at != std::string::npos; at = source.find(name, at))
            source.replace(at, name.size(), std::to_string(value));
    return source;
}

osg::Program* cardProgram() {
    static const osg::ref_ptr<osg::Program> program = [] {
        osg::ref_ptr<osg::Program> p = new osg::Program;
        p->setName("sylvara far crowd");
        p->addShader(new osg::Shader(osg::Shader::VERTEX, withLayout(vertexSource)));
        p->addShader(new osg::Shader(osg::Shader::FRAGMENT, fragmentSource));
        for (unsigned i = 0; i < 4; ++i)
            p->addBindAttribLocation(attributeNames[i], FarCrowd::firstInstanceAttribute + i);
        return p;
    }();
    return program.get();
}

bool canDraw(osgUtil::CullVisitor& cull) {
    if (assumeCapable.load())
        return true;
    const osg::State* state = cull.getState();
    const osg::GLExtensions* gl = state ? osg::GLExtensions::Get(state->getContextID(), false) : nullptr;
    return gl && gl->isGlslSupported && gl->glslLanguageVersion >= 1.5f && gl->glVertexAttribDivisor &&
           gl->glDrawArraysInstanced;
}

// Draws the batch only when it holds cards: with none, a plain draw would show one stray card.
class DrawWhenFilled : public osg::Drawable::DrawCallback {
public:
    void drawImplementation(osg::RenderInfo& info, const osg::Drawable* drawable) const override {
        const osg::Geometry* geometry = drawable->asGeometry();
        if (geometry && geometry->getPrimitiveSet(0)->getNumInstances() > 0)
            drawable->drawImplementation(info);
    }
};

osg::ref_ptr<osg::StateSet> cardState(const CardAtlas& atlas) {
    osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
    state->setAttributeAndModes(cardProgram());
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(atlas.getImage());
    // Nearest texels: each keeps its own light share in alpha, which blending neighbours would smear.
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::NEAREST);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::NEAREST);
    texture->setResizeNonPowerOfTwoHint(false);
    state->setTextureAttributeAndModes(0, texture.get());
    state->addUniform(new osg::Uniform("cardAtlas", 0));
    state->addUniform(new osg::Uniform("cardCentre", osg::Vec3(atlas.getBound().center())));
    state->addUniform(new osg::Uniform("cardRadius", atlas.getBound().radius()));
    osg::ref_ptr<osg::Uniform> elevations =
        new osg::Uniform(osg::Uniform::FLOAT, "rowElevations", CardAtlas::rows);
    for (int r = 0; r < CardAtlas::rows; ++r)
        elevations->setElement(r, CardAtlas::rowElevations[r]);
    state->addUniform(elevations.get());
    // The skinned characters' own material, without emission: each card brings its own.
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    state->setAttributeAndModes(material.get());
    for (unsigned i = 0; i < 4; ++i)
        state->setAttribute(new osg::VertexAttribDivisor(FarCrowd::firstInstanceAttribute + i, 1));
    return state;
}

} // namespace

FarCrowd::FarCrowd(const SkinData& skin)
    : atlas(skin), cards(new osg::Geometry), corners(new osg::DrawArrays(GL_TRIANGLE_STRIP, 0, 4)),
      emissions(new osg::Vec4Array) {
    osg::ref_ptr<osg::Vec3Array> square = new osg::Vec3Array;
    for (const osg::Vec3& corner :
         {osg::Vec3(-1, -1, 0), osg::Vec3(1, -1, 0), osg::Vec3(-1, 1, 0), osg::Vec3(1, 1, 0)})
        square->push_back(corner);
    cards->setUseDisplayList(false);
    cards->setUseVertexBufferObjects(true);
    cards->setDataVariance(osg::Object::DYNAMIC);
    cards->setVertexArray(square.get());
    for (int r = 0; r < 3; ++r) {
        rows[r] = new osg::Vec4Array;
        cards->setVertexAttribArray(firstInstanceAttribute + r, rows[r].get(), osg::Array::BIND_PER_VERTEX);
    }
    cards->setVertexAttribArray(firstInstanceAttribute + 3, emissions.get(), osg::Array::BIND_PER_VERTEX);
    cards->addPrimitiveSet(corners.get());
    cards->setDrawCallback(new DrawWhenFilled);
    cards->setCullingActive(false);
    cards->setStateSet(cardState(atlas).get());
    addDrawable(cards.get());
    // The batch lies wherever its characters are; they were culled one by one.
    setCullingActive(false);
}

FarCrowd::~FarCrowd() = default;

void FarCrowd::assumeCapableContext(bool assume) {
    assumeCapable.store(assume);
}

void FarCrowd::open(unsigned frameNumber) {
    gatherFrame = frameNumber;
    gathering = true;
    for (auto& row : rows)
        row->clear();
    emissions->clear();
    corners->setNumInstances(0);
}

void FarCrowd::add(const osg::Matrixd& m, const osg::Vec4& emission) {
    for (int r = 0; r < 3; ++r)
        rows[r]->push_back(osg::Vec4(m(0, r), m(1, r), m(2, r), m(3, r)));
    emissions->push_back(emission);
    for (auto& row : rows)
        row->dirty();
    emissions->dirty();
    corners->setNumInstances(int(emissions->size()));
}

void FarCrowd::traverse(osg::NodeVisitor& visitor) {
    if (auto* cull = dynamic_cast<osgUtil::CullVisitor*>(&visitor)) {
        const osg::FrameStamp* stamp = visitor.getFrameStamp();
        gathering = false;
        if (stamp && canDraw(*cull))
            open(stamp->getFrameNumber());
    }
    osg::Geode::traverse(visitor);
}

} // namespace character
