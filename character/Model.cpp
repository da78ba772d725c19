#include "character/Model.h"

#include "character/DetailChooser.h"
#include "character/ModelUpdater.h"
#include "character/SkinData.h"
#include "character/SkinnedBound.h"

#include <osg/GLExtensions>
#include <osg/Geometry>
#include <osg/GraphicsContext>
#include <osg/Program>
#include <osg/Shader>
#include <osg/State>
#include <osg/StateSet>
#include <osg/Uniform>

#include <cal3d/cal3d.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <string>

namespace character {

const char* const Model::paletteUniformName = "sylvaraBonePalette";

namespace {

std::atomic<int> skinningMode{int(Model::Skinning::Automatic)};
// -1 until a realised context has told us whether it runs GLSL.
std::atomic<int> contextHasGlsl{-1};

bool shadersAvailable() {
    int known = contextHasGlsl.load(std::memory_order_relaxed);
    if (known >= 0)
        return known == 1;
    for (osg::GraphicsContext* context : osg::GraphicsContext::getAllRegisteredGraphicsContexts()) {
        const osg::State* state = context ? context->getState() : nullptr;
        const osg::GLExtensions* gl = state ? osg::GLExtensions::Get(state->getContextID(), false) : nullptr;
        if (!gl)
            continue; // not realised yet
        known = gl->isGlslSupported && gl->glslLanguageVersion >= 1.2f ? 1 : 0;
        contextHasGlsl.store(known);
        return known == 1;
    }
    return false;
}

// Skins with the palette, then lights like the fixed pipeline (emission, ambient
// and light 0) so the organisms' material still decides the colour. Only a
// vertex stage: fog and texturing stay with the fixed fragment pipeline.
const char* const skinningSource = R"(#version 120
uniform vec4 sylvaraBonePalette[PALETTE_ROWS];
attribute vec4 boneSlot;
attribute vec4 boneWeight;

void main()
{
    vec3 position = vec3(0.0);
    vec3 normal = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        int row = int(boneSlot[i] + 0.5) * 3;
        vec4 x = sylvaraBonePalette[row];
        vec4 y = sylvaraBonePalette[row + 1];
        vec4 z = sylvaraBonePalette[row + 2];
        position += boneWeight[i] * vec3(dot(x, gl_Vertex), dot(y, gl_Vertex), dot(z, gl_Vertex));
        normal += boneWeight[i] * vec3(dot(x.xyz, gl_Normal), dot(y.xyz, gl_Normal), dot(z.xyz, gl_Normal));
    }
    vec4 eye = gl_ModelViewMatrix * vec4(position, 1.0);
    gl_Position = gl_ProjectionMatrix * eye;
    gl_ClipVertex = eye;
    gl_FogFragCoord = abs(eye.z);
    gl_TexCoord[0] = gl_MultiTexCoord0;

    vec3 n = normalize(gl_NormalMatrix * normal);
    vec4 light = gl_LightSource[0].position;
    vec3 toLight = normalize(light.w == 0.0 ? light.xyz : light.xyz - eye.xyz);
    vec4 colour = gl_FrontLightModelProduct.sceneColor + gl_FrontLightProduct[0].ambient +
                  gl_FrontLightProduct[0].diffuse * max(dot(n, toLight), 0.0);
    gl_FrontColor = vec4(colour.rgb, gl_FrontMaterial.diffuse.a);
    gl_BackColor = gl_FrontColor;
}
)";

void setIdentity(float* slot) {
    for (int i = 0; i < 12; ++i)
        slot[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

} // namespace

void Model::setSkinning(Skinning mode) {
    skinningMode.store(int(mode));
}

Model::Skinning Model::getSkinning() {
    return Skinning(skinningMode.load());
}

osg::Program* Model::skinningProgram(int slots) {
    // One program per palette size, sized to the skeleton: a small palette
    // fits the uniform space of even the oldest GLSL hardware.
    static std::mutex guard;
    static std::map<int, osg::ref_ptr<osg::Program>> programs;
    std::lock_guard<std::mutex> lock(guard);
    osg::ref_ptr<osg::Program>& program = programs[slots];
    if (!program) {
        std::string source = skinningSource;
        source.replace(source.find("PALETTE_ROWS"), 12, std::to_string(3 * slots));
        program = new osg::Program;
        program->setName("sylvara skinning");
        program->addShader(new osg::Shader(osg::Shader::VERTEX, source));
        program->addBindAttribLocation("boneSlot", boneSlotAttribute);
        program->addBindAttribLocation("boneWeight", boneWeightAttribute);
    }
    return program.get();
}

Model::Model() {
    setUpdateCallback(new ModelUpdater);
    static const osg::ref_ptr<DetailChooser> chooser = new DetailChooser;
    setCullCallback(chooser.get());
}

Model::~Model() {
    clear();
}

void Model::clear() {
    removeDrawables(0, getNumDrawables());
    parts.clear();
    // The instance points into the core: drop it first.
    calModel.reset();
    skin = nullptr;
    coreModel = nullptr;
    palette = nullptr;
    paletteUniform = nullptr;
    onGpu = false;
    detail = Detail::fine;
    poseDirty = true;
}

bool Model::create(CoreModel* core) {
    clear();
    const SkinData* data = core ? core->getSkinData() : nullptr;
    if (!data)
        return false;
    CalCoreModel* calCore = core->getCalCoreModel();
    std::unique_ptr<CalModel> instance(new CalModel(calCore));
    // Plain meshes are skinned by our own loop or the vertex program from the shared skin data:
    // only morph targets and springs need Cal3D's per-instance mesh copies, which are costly to make
    // for every birth.
    const auto& submeshes = data->getSubmeshes();
    const bool needsMeshes = std::any_of(submeshes.begin(), submeshes.end(),
                                         [](const SkinData::Submesh& submesh) { return !submesh.plain; });
    for (int meshId = 0; needsMeshes && meshId < calCore->getCoreMeshCount(); ++meshId)
        if (!instance->attachMesh(meshId))
            return false;
    instance->setMaterialSet(0);

    coreModel = core;
    calModel = std::move(instance);
    skin = data;
    palette = new osg::FloatArray(12 * data->getSlotCount());
    for (int slot = 0; slot < data->getSlotCount(); ++slot)
        setIdentity(&(*palette)[12 * slot]);

    // Until it first moves, every instance shows the core's shared bind-pose
    // arrays: making thousands of models copies no vertices.
    for (const SkinData::Submesh& submesh : data->getSubmeshes()) {
        Part part;
        part.geometry = new osg::Geometry;
        osg::Geometry& geometry = *part.geometry;
        geometry.setUseDisplayList(false);
        geometry.setUseVertexBufferObjects(true);
        geometry.setDataVariance(osg::Object::DYNAMIC);
        geometry.setVertexArray(submesh.bindVertices.get());
        geometry.setNormalArray(submesh.bindNormals.get(), osg::Array::BIND_PER_VERTEX);
        geometry.addPrimitiveSet(submesh.triangles.get());
        if (submesh.texCoords) {
            geometry.setTexCoordArray(0, submesh.texCoords.get(), osg::Array::BIND_PER_VERTEX);
            geometry.setStateSet(submesh.textureState.get());
        }
        part.bound = new SkinnedBound(submesh.bindBox);
        geometry.setComputeBoundingBoxCallback(part.bound.get());
        addDrawable(part.geometry.get());
        parts.push_back(std::move(part));
    }
    return true;
}

void Model::showDetail(Detail level) {
    if (level == detail || !skin)
        return;
    detail = level;
    const auto& submeshes = skin->getSubmeshes();
    for (size_t i = 0; i < parts.size(); ++i) {
        const SkinData::Submesh& submesh = submeshes[i];
        osg::DrawElementsUInt* shown = submesh.triangles.get();
        if (level != Detail::fine && submesh.coarseTriangles)
            shown = submesh.coarseTriangles.get();
        if (level == Detail::far && submesh.farTriangles)
            shown = submesh.farTriangles.get();
        if (parts[i].geometry->getPrimitiveSet(0) != shown)
            parts[i].geometry->setPrimitiveSet(0, shown);
    }
}

bool Model::animationExists(int id) const {
    // The mixer sized its tables when the instance was made; later loads are not in them.
    return calModel && id >= 0 && id < int(calModel->getMixer()->getAnimationVector().size()) &&
           calModel->getCoreModel()->getCoreAnimation(id);
}

void Model::startAction(int id, float delayIn, float delayOut) {
    if (!animationExists(id))
        return;
    calModel->getMixer()->executeAction(id, delayIn, delayOut);
    poseDirty = true;
}

void Model::startLoop(int id, float weight, float delay) {
    if (!animationExists(id))
        return;
    calModel->getMixer()->blendCycle(id, weight, delay);
    poseDirty = true;
}

void Model::stopLoop(int id, float delay) {
    if (!animationExists(id))
        return;
    calModel->getMixer()->clearCycle(id, delay);
    poseDirty = true;
}

void Model::setTimeScale(float scale) {
    timeScale = scale > 0 ? scale : 0.0f;
}

bool Model::wantsGpu() const {
    if (!skin->isGpuCapable())
        return false;
    switch (getSkinning()) {
    case Skinning::Cpu:
        return false;
    case Skinning::Gpu:
        return true;
    case Skinning::Automatic:
        break;
    }
    return shadersAvailable();
}

void Model::useGpu(bool gpu) {
    const auto& submeshes = skin->getSubmeshes();
    if (gpu && !paletteUniform) {
        paletteUniform =
            new osg::Uniform(osg::Uniform::FLOAT_VEC4, paletteUniformName, 3 * skin->getSlotCount());
        paletteUniform->setArray(palette.get());
        paletteUniform->setDataVariance(osg::Object::DYNAMIC);
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const SkinData::Submesh& submesh = submeshes[i];
        Part& part = parts[i];
        osg::Geometry& geometry = *part.geometry;
        if (gpu) {
            osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
            state->setDataVariance(osg::Object::DYNAMIC);
            state->setAttributeAndModes(skinningProgram(skin->getSlotCount()), osg::StateAttribute::ON);
            state->addUniform(paletteUniform.get());
            if (submesh.textureState)
                state->setTextureAttributeAndModes(
                    0, submesh.textureState->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
            geometry.setStateSet(state.get());
            geometry.setVertexArray(submesh.bindVertices.get());
            geometry.setNormalArray(submesh.bindNormals.get(), osg::Array::BIND_PER_VERTEX);
            geometry.setVertexAttribArray(boneSlotAttribute, submesh.boneSlots.get(),
                                          osg::Array::BIND_PER_VERTEX);
            geometry.setVertexAttribArray(boneWeightAttribute, submesh.boneWeights.get(),
                                          osg::Array::BIND_PER_VERTEX);
            part.vertices = nullptr;
            part.normals = nullptr;
        } else {
            geometry.setStateSet(submesh.textureState.get());
            geometry.setVertexAttribArray(boneSlotAttribute, nullptr);
            geometry.setVertexAttribArray(boneWeightAttribute, nullptr);
        }
    }
    onGpu = gpu;
    poseDirty = true;
}

void Model::advance(double seconds) {
    advanceAnimation(float(seconds) * timeScale);
}

void Model::elapse(double seconds) {
    const float step = float(seconds) * timeScale;
    if (step > 0)
        pendingStep += step;
}

void Model::catchUp() {
    const float step = pendingStep;
    pendingStep = 0;
    advanceAnimation(step);
}

void Model::advanceAnimation(float step) {
    if (!calModel)
        return;
    const bool gpu = wantsGpu();
    if (gpu != onGpu)
        useGpu(gpu);
    if (!(step > 0))
        step = 0;
    // Frozen and untouched: the pose is what was skinned last time.
    if (step == 0 && !poseDirty)
        return;
    poseDirty = false;
    calModel->update(step);
    fillPalette();
    if (onGpu) {
        paletteUniform->dirty();
        boundFromBones();
    } else {
        skinOnCpu();
    }
}

void Model::fillPalette() {
    float* out = &(*palette)[0];
    for (CalBone* bone : calModel->getSkeleton()->getVectorBone()) {
        const CalMatrix& m = bone->getTransformMatrix();
        const CalVector& t = bone->getTranslationBoneSpace();
        out[0] = m.dxdx, out[1] = m.dxdy, out[2] = m.dxdz, out[3] = t.x;
        out[4] = m.dydx, out[5] = m.dydy, out[6] = m.dydz, out[7] = t.y;
        out[8] = m.dzdx, out[9] = m.dzdy, out[10] = m.dzdz, out[11] = t.z;
        out += 12;
    }
}

void Model::skinOnCpu() {
    const float* slots = &(*palette)[0];
    const auto& submeshes = skin->getSubmeshes();
    for (size_t i = 0; i < parts.size(); ++i) {
        Part& part = parts[i];
        const SkinData::Submesh& submesh = submeshes[i];
        const unsigned count = unsigned(submesh.bindVertices->size());
        if (count == 0)
            continue;
        if (!part.vertices) {
            // First time this instance moves: from now on it needs its own arrays.
            part.vertices = new osg::Vec3Array(submesh.bindVertices->begin(), submesh.bindVertices->end());
            part.normals = new osg::Vec3Array(submesh.bindNormals->begin(), submesh.bindNormals->end());
            osg::ref_ptr<osg::VertexBufferObject> buffer = new osg::VertexBufferObject;
            part.vertices->setVertexBufferObject(buffer);
            part.normals->setVertexBufferObject(buffer);
            part.geometry->setVertexArray(part.vertices.get());
            part.geometry->setNormalArray(part.normals.get(), osg::Array::BIND_PER_VERTEX);
        }
        osg::Vec3* outVertex = &(*part.vertices)[0];
        osg::Vec3* outNormal = &(*part.normals)[0];
        osg::BoundingBox box;
        if (submesh.plain) {
            const osg::Vec3* inVertex = &(*submesh.bindVertices)[0];
            const osg::Vec3* inNormal = &(*submesh.bindNormals)[0];
            const SkinData::Influence* influences = submesh.influences.data();
            const unsigned* start = submesh.influenceStart.data();
            for (unsigned v = 0; v < count; ++v) {
                const float px = inVertex[v].x(), py = inVertex[v].y(), pz = inVertex[v].z();
                const float qx = inNormal[v].x(), qy = inNormal[v].y(), qz = inNormal[v].z();
                float x = 0, y = 0, z = 0, nx = 0, ny = 0, nz = 0;
                for (unsigned k = start[v]; k < start[v + 1]; ++k) {
                    const float* m = slots + 12 * influences[k].slot;
                    const float w = influences[k].weight;
                    x += w * (m[0] * px + m[1] * py + m[2] * pz + m[3]);
                    y += w * (m[4] * px + m[5] * py + m[6] * pz + m[7]);
                    z += w * (m[8] * px + m[9] * py + m[10] * pz + m[11]);
                    nx += w * (m[0] * qx + m[1] * qy + m[2] * qz);
                    ny += w * (m[4] * qx + m[5] * qy + m[6] * qz);
                    nz += w * (m[8] * qx + m[9] * qy + m[10] * qz);
                }
                const float length2 = nx * nx + ny * ny + nz * nz;
                if (length2 > 0) {
                    const float scale = 1.0f / std::sqrt(length2);
                    nx *= scale, ny *= scale, nz *= scale;
                }
                outVertex[v].set(x, y, z);
                outNormal[v].set(nx, ny, nz);
                box.expandBy(outVertex[v]);
            }
        } else {
            // Morph targets or springs: let Cal3D's renderer work it out.
            CalRenderer* renderer = calModel->getRenderer();
            if (renderer->beginRendering()) {
                if (renderer->selectMeshSubmesh(submesh.meshId, submesh.submeshId)) {
                    renderer->getVertices(&outVertex->x());
                    renderer->getNormals(&outNormal->x());
                }
                renderer->endRendering();
            }
            for (unsigned v = 0; v < count; ++v)
                box.expandBy(outVertex[v]);
        }
        part.vertices->dirty();
        part.normals->dirty();
        part.bound->box = box;
        part.geometry->dirtyBound();
    }
}

void Model::boundFromBones() {
    // Each skinned vertex is a weighted mean of where its bones carry it, so it
    // lies inside the union of each bone's moved box: cheap and never too small.
    const float* slots = &(*palette)[0];
    const auto& submeshes = skin->getSubmeshes();
    for (size_t i = 0; i < parts.size(); ++i) {
        const SkinData::Submesh& submesh = submeshes[i];
        // Picking walks the bind-pose arrays on this path, so keep that shape inside too.
        osg::BoundingBox box = submesh.bindBox;
        for (size_t slot = 0; slot < submesh.slotBoxes.size(); ++slot) {
            const osg::BoundingBox& moved = submesh.slotBoxes[slot];
            if (!moved.valid())
                continue;
            const float* m = slots + 12 * slot;
            const osg::Vec3 c = moved.center();
            const osg::Vec3 e = (moved._max - moved._min) * 0.5f;
            const osg::Vec3 centre(m[0] * c.x() + m[1] * c.y() + m[2] * c.z() + m[3],
                                   m[4] * c.x() + m[5] * c.y() + m[6] * c.z() + m[7],
                                   m[8] * c.x() + m[9] * c.y() + m[10] * c.z() + m[11]);
            const osg::Vec3 extent(
                std::fabs(m[0]) * e.x() + std::fabs(m[1]) * e.y() + std::fabs(m[2]) * e.z(),
                std::fabs(m[4]) * e.x() + std::fabs(m[5]) * e.y() + std::fabs(m[6]) * e.z(),
                std::fabs(m[8]) * e.x() + std::fabs(m[9]) * e.y() + std::fabs(m[10]) * e.z());
            box.expandBy(centre - extent);
            box.expandBy(centre + extent);
        }
        parts[i].bound->box = box;
        parts[i].geometry->dirtyBound();
    }
}

} // namespace character
