// What one animated animal costs per frame in the character layer, against
// Cal3D's own renderer loop on the same model, and what a crowd of 1,000 costs
// on the CPU path against the vertex-program path. Run from stage/bin so the
// real art in ../models is used; without it a generated creature stands in.
#include "character/CoreModel.h"
#include "character/Model.h"

#include <benchmark/benchmark.h>
#include <cal3d/cal3d.h>
#include <cal3d/corekeyframe.h>
#include <cal3d/coretrack.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using character::CoreModel;
using character::Model;

namespace {

constexpr float frame = 1.0f / 60.0f;
constexpr int crowdSize = 1000;

struct Art {
    osg::ref_ptr<CoreModel> core;
    int walk = -1;
    std::string description;
};

bool exists(const std::string& file) {
    return std::ifstream(file).good();
}

// A fifteen-bone chain along x wrapped in a tube, every bone swaying in a
// one-second walk: about the real animal's bone count, fewer vertices.
std::string generateCreature() {
    std::string folder = "/tmp/sylvara-bench-XXXXXX";
    if (!mkdtemp(folder.data()))
        return {};
    const int bones = 15, sides = 24, ringsPerBone = 8;
    CalCoreSkeletonPtr skeleton = new CalCoreSkeleton;
    for (int i = 0; i < bones; ++i) {
        auto* bone = new CalCoreBone("b" + std::to_string(i));
        bone->setParentId(i - 1);
        bone->setTranslation(CalVector(i == 0 ? 0.0f : 1.0f, 0, 0));
        bone->setRotation(CalQuaternion(0, 0, 0, 1));
        bone->setTranslationBoneSpace(CalVector(-float(i), 0, 0));
        bone->setRotationBoneSpace(CalQuaternion(0, 0, 0, 1));
        bone->setCoreSkeleton(skeleton.get());
        skeleton->addCoreBone(bone);
        skeleton->mapCoreBoneName(i, bone->getName());
        if (i > 0)
            skeleton->getCoreBone(i - 1)->addChildId(i);
    }
    CalCoreAnimationPtr walk = new CalCoreAnimation;
    walk->setDuration(1.0f);
    for (int i = 0; i < bones; ++i) {
        auto* track = new CalCoreTrack;
        track->create();
        track->setCoreBoneId(i);
        for (int k = 0; k <= 4; ++k) {
            auto* key = new CalCoreKeyframe;
            key->create();
            key->setTime(0.25f * k);
            key->setTranslation(CalVector(i == 0 ? 0.0f : 1.0f, 0, 0));
            const float half = 0.15f * std::sin(k * float(M_PI) / 2 + i);
            key->setRotation(CalQuaternion(0, 0, std::sin(half), std::cos(half)));
            track->addCoreKeyframe(key);
        }
        walk->addCoreTrack(track);
    }
    CalCoreMeshPtr mesh = new CalCoreMesh;
    auto* submesh = new CalCoreSubmesh;
    const int rings = bones * ringsPerBone + 1;
    submesh->reserve(rings * sides, 0, (rings - 1) * sides * 2, 0);
    for (int r = 0; r < rings; ++r) {
        const float x = float(r) / ringsPerBone;
        const int bone = std::min(bones - 1, r / ringsPerBone);
        const float along = x - float(bone);
        for (int s = 0; s < sides; ++s) {
            const float a = 2 * float(M_PI) * s / sides;
            CalCoreSubmesh::Vertex vertex;
            vertex.position = CalVector(x, 0.3f * std::cos(a), 0.3f * std::sin(a));
            vertex.normal = CalVector(0, std::cos(a), std::sin(a));
            vertex.collapseId = -1;
            vertex.faceCollapseCount = 0;
            // Near a joint the skin follows both bones.
            if (along < 0.25f && bone > 0) {
                vertex.vectorInfluence.push_back({bone - 1, 0.5f - 2 * along});
                vertex.vectorInfluence.push_back({bone, 0.5f + 2 * along});
            } else {
                vertex.vectorInfluence.push_back({bone, 1.0f});
            }
            submesh->setVertex(r * sides + s, vertex);
        }
    }
    int face = 0;
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            const int a = r * sides + s, b = r * sides + (s + 1) % sides;
            submesh->setFace(face++, {{a, b, b + sides}});
            submesh->setFace(face++, {{a, b + sides, a + sides}});
        }
    mesh->addCoreSubmesh(submesh);
    const bool saved = CalSaver::saveCoreSkeleton(folder + "/creature.xsf", skeleton.get()) &&
                       CalSaver::saveCoreAnimation(folder + "/creature_Walk.xaf", walk.get()) &&
                       CalSaver::saveCoreMesh(folder + "/creature.xmf", mesh.get());
    // Cal3D 0.11 leaves an animation's tracks to whoever made them.
    for (CalCoreTrack* track : walk->getListCoreTrack()) {
        track->destroy();
        delete track;
    }
    walk->getListCoreTrack().clear();
    return saved ? folder : std::string();
}

Art loadArt() {
    Art art;
    const std::string models = "../models/";
    if (exists(models + "animal.xsf") && exists(models + "animal_Walk.xaf") &&
        exists(models + "herbivore_mesh.xmf")) {
        art.core = new CoreModel("animal");
        art.core->loadSkeleton(models + "animal.xsf");
        art.walk = art.core->loadAnimation(models + "animal_Walk.xaf", "Walk");
        art.core->loadMesh(models + "herbivore_mesh.xmf");
        if (exists(models + "animal_material.xrf"))
            art.core->loadMaterial(models + "animal_material.xrf");
        art.description = "real art: animal.xsf + herbivore_mesh.xmf";
        if (art.core->isUsable() && art.walk >= 0)
            return art;
    }
    const std::string folder = generateCreature();
    art.core = new CoreModel("creature");
    art.core->loadSkeleton(folder + "/creature.xsf");
    art.walk = art.core->loadAnimation(folder + "/creature_Walk.xaf", "Walk");
    art.core->loadMesh(folder + "/creature.xmf");
    art.description = "generated creature (no art in ../models)";
    return art;
}

const Art& art() {
    static const Art loaded = loadArt();
    return loaded;
}

osg::ref_ptr<Model> walkingModel() {
    osg::ref_ptr<Model> model = new Model;
    model->create(art().core.get());
    model->startLoop(art().walk, 1.0f, 0.0f);
    model->advance(0.0);
    model->advance(frame); // the first real step gives it its own arrays
    return model;
}

// The yardstick: Cal3D's update plus its renderer's vertices and normals.
void BM_PlainCal3d(benchmark::State& state) {
    CalCoreModel* core = art().core->getCalCoreModel();
    CalModel model(core);
    std::vector<std::vector<float>> vertices, normals;
    for (int meshId = 0; meshId < core->getCoreMeshCount(); ++meshId) {
        model.attachMesh(meshId);
        for (CalCoreSubmesh* submesh : core->getCoreMesh(meshId)->getVectorCoreSubmesh()) {
            vertices.emplace_back(3 * submesh->getVertexCount());
            normals.emplace_back(3 * submesh->getVertexCount());
        }
    }
    model.setMaterialSet(0);
    model.getMixer()->blendCycle(art().walk, 1.0f, 0.0f);
    model.update(0.0f);
    for (auto _ : state) {
        model.update(frame);
        CalRenderer* renderer = model.getRenderer();
        renderer->beginRendering();
        size_t part = 0;
        for (int meshId = 0; meshId < renderer->getMeshCount(); ++meshId)
            for (int submeshId = 0; submeshId < renderer->getSubmeshCount(meshId); ++submeshId, ++part) {
                renderer->selectMeshSubmesh(meshId, submeshId);
                renderer->getVertices(vertices[part].data());
                renderer->getNormals(normals[part].data());
            }
        renderer->endRendering();
        benchmark::DoNotOptimize(vertices.front().data());
        benchmark::DoNotOptimize(normals.front().data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainCal3d)->Unit(benchmark::kMicrosecond);

// Ours: advance, skin into the osg arrays in place, and the bound culling asks for.
void BM_CharacterLayer(benchmark::State& state) {
    Model::setSkinning(Model::Skinning::Cpu);
    osg::ref_ptr<Model> model = walkingModel();
    for (auto _ : state) {
        model->advance(frame);
        benchmark::DoNotOptimize(model->getBound());
    }
    Model::setSkinning(Model::Skinning::Automatic);
}
BENCHMARK(BM_CharacterLayer)->Unit(benchmark::kMicrosecond);

// Making one instance, which the simulation does for every animal born.
void BM_CreateModel(benchmark::State& state) {
    for (auto _ : state) {
        osg::ref_ptr<Model> model = new Model;
        benchmark::DoNotOptimize(model->create(art().core.get()));
    }
}
BENCHMARK(BM_CreateModel)->Unit(benchmark::kMicrosecond);

// Of which Cal3D's own instance, with its meshes attached, is the floor.
void BM_CreateCalModel(benchmark::State& state) {
    CalCoreModel* core = art().core->getCalCoreModel();
    for (auto _ : state) {
        CalModel model(core);
        for (int meshId = 0; meshId < core->getCoreMeshCount(); ++meshId)
            model.attachMesh(meshId);
        model.setMaterialSet(0);
        benchmark::DoNotOptimize(&model);
    }
}
BENCHMARK(BM_CreateCalModel)->Unit(benchmark::kMicrosecond);

// The per-frame CPU cost of a crowd: on the GPU path only the palette and the
// bound are worked out here, the skinning itself moves to the vertex program.
void BM_Crowd(benchmark::State& state) {
    Model::setSkinning(state.range(0) ? Model::Skinning::Gpu : Model::Skinning::Cpu);
    std::vector<osg::ref_ptr<Model>> crowd;
    for (int i = 0; i < crowdSize; ++i) {
        crowd.push_back(walkingModel());
        crowd.back()->advance(0.013 * i); // out of step, as a real herd is
    }
    for (auto _ : state)
        for (auto& model : crowd) {
            model->advance(frame);
            benchmark::DoNotOptimize(model->getBound());
        }
    Model::setSkinning(Model::Skinning::Automatic);
}
BENCHMARK(BM_Crowd)->ArgName("gpu")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's CPU time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double ratio(const std::string& a, const std::string& b) const {
        const auto x = seconds.find(a), y = seconds.find(b);
        return x != seconds.end() && y != seconds.end() && y->second > 0 ? x->second / y->second : NAN;
    }

private:
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("model: %s\n", art().description.c_str());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("character layer / plain Cal3D loop, one animal: %.3f (goal <= 1.1)\n",
                reporter.ratio("BM_CharacterLayer", "BM_PlainCal3d"));
    std::printf("GPU path / CPU path, %d animals per frame: %.3f (goal <= 0.25)\n", crowdSize,
                reporter.ratio("BM_Crowd/gpu:1", "BM_Crowd/gpu:0"));
    benchmark::Shutdown();
    return 0;
}
