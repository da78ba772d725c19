#include "character/FarCrowd.h"

#include "character/SkinData.h"

#include <osg/Geometry>
#include <osg/Material>
#include <osg/Program>
#include <osg/Shader>
#include <osg/Texture2D>
#include <osg/Uniform>

#include <string>

namespace character {

namespace {

// Each card picks the frame of the atlas nearest to the direction it is seen from, in the
// character's own space, and stands across that direction through the character's middle,
// covering just the part of the frame that shows anything.
// Its depth is pulled towards the viewer by the character's radius so the ground never cuts
// its feet. Lit like the skinned characters: emission, ambient, and the headlight's diffuse
// share, which the atlas keeps per texel.
const char* const vertexSource = R"(#version 150 compatibility
uniform vec3 cardCentre;
uniform float cardRadius;
uniform float rowElevations[ROWS];
uniform vec4 frameShown[ROWS * COLUMNS];
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
    vec4 shown = frameShown[row * COLUMNS + int(column)];
    vec2 corner = mix(shown.xy, shown.zw, gl_Vertex.xy * 0.5 + 0.5);
    vec3 eye = turn * (cardCentre + cardRadius * (corner.x * right + corner.y * up)) + shift;
    gl_Position = gl_ProjectionMatrix * vec4(eye, 1.0);
    vec3 pulled = eye + normalize(-eye) * length(turn * vec3(cardRadius, 0.0, 0.0));
    vec4 nearer = gl_ProjectionMatrix * vec4(pulled, 1.0);
    gl_Position.z = nearer.z / nearer.w * gl_Position.w;
    atlasCoord = vec2((column + 0.5 + 0.5 * corner.x) / float(COLUMNS), (float(row) + 0.5 + 0.5 * corner.y) / float(ROWS));
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

std::string withLayout(std::string source) {
    for (const auto& [name, value] : {std::pair<std::string, int>{"ROWS", CardAtlas::rows},
                                      std::pair<std::string, int>{"COLUMNS", CardAtlas::columns}})
        for (size_t at = source.find(name); at != std::string::npos; at = source.find(name, at))
            source.replace(at, name.size(), std::to_string(value));
    return source;
}

osg::Program* cardProgram() {
    static const osg::ref_ptr<osg::Program> program =
        CrowdBatch::makeProgram("sylvara far crowd", withLayout(vertexSource), fragmentSource);
    return program.get();
}

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
    osg::ref_ptr<osg::Uniform> shown =
        new osg::Uniform(osg::Uniform::FLOAT_VEC4, "frameShown", CardAtlas::rows * CardAtlas::columns);
    for (int r = 0; r < CardAtlas::rows; ++r)
        for (int c = 0; c < CardAtlas::columns; ++c)
            shown->setElement(r * CardAtlas::columns + c, atlas.getShown(c, r));
    state->addUniform(shown.get());
    // The skinned characters' own material, without emission: each card brings its own.
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    state->setAttributeAndModes(material.get());
    return state;
}

} // namespace

FarCrowd::FarCrowd(const SkinData& skin) : atlas(skin) {
    osg::ref_ptr<osg::Vec3Array> square = new osg::Vec3Array;
    for (const osg::Vec3& corner :
         {osg::Vec3(-1, -1, 0), osg::Vec3(1, -1, 0), osg::Vec3(-1, 1, 0), osg::Vec3(1, 1, 0)})
        square->push_back(corner);
    osg::ref_ptr<osg::Geometry> cards = new osg::Geometry;
    cards->setVertexArray(square.get());
    cards->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_STRIP, 0, 4));
    cards->setStateSet(cardState(atlas).get());
    addInstanced(cards.get());
}

FarCrowd::~FarCrowd() = default;

} // namespace character
