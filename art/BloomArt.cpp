#include "art/BloomArt.h"

#include <cal3d/coresubmesh.h>
#include <cal3d/saver.h>

#include <osg/Vec2>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kBaseRadius = 0.02f, kPetalHeight = 0.026f, kPetalLength = 0.105f;
constexpr float kPetalRise = 20; // degrees above the horizontal when open
constexpr float kTipAt = 0.45f;  // fraction of the petal where the tip bone sits
constexpr float kHalfWidth = 0.036f, kThickness = 0.0035f;

float smoothstep(float a, float b, float x) {
    const float t = std::min(1.0f, std::max(0.0f, (x - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

// The petal's frame when open: along it, across it and its upper side.
void petalFrame(int petal, osg::Vec3& along, osg::Vec3& across, osg::Vec3& up) {
    const float a = 2 * kPi * petal / BloomArt::kPetals;
    const float rise = osg::DegreesToRadians(kPetalRise);
    along = {std::cos(a) * std::cos(rise), std::sin(a) * std::cos(rise), std::sin(rise)};
    across = {-std::sin(a), std::cos(a), 0};
    up = along ^ across;
}

osg::Vec3 petalRoot(int petal) {
    const float a = 2 * kPi * petal / BloomArt::kPetals;
    return {kBaseRadius * std::cos(a), kBaseRadius * std::sin(a), kPetalHeight};
}

using Pose = CalArt::Pose;

Pose rest() {
    return Pose(BloomArt::FIRST_PETAL + 2 * BloomArt::kPetals);
}

// Turns a petal's bones about its own across axis: positive bends it down.
void bendPetal(Pose& pose, int petal, float baseDegrees, float tipDegrees) {
    osg::Vec3 along, across, up;
    petalFrame(petal, along, across, up);
    pose[BloomArt::petalBase(petal)].rotation = CalArt::turn(baseDegrees, across);
    pose[BloomArt::petalTip(petal)].rotation = CalArt::turn(tipDegrees, across);
}

Pose birthPose(float t) {
    // From a closed bud the petals unfold one after another, overshoot a
    // little and settle open.
    const float T = 1.5f;
    Pose pose = rest();
    for (int p = 0; p < BloomArt::kPetals; ++p) {
        const float start = 0.05f * T + 0.03f * T * p;
        const float open = smoothstep(start, start + 0.55f * T, t);
        const float settle = std::sin(kPi * smoothstep(start + 0.35f * T, T, t)) * 0.12f;
        bendPetal(pose, p, -68 * (1 - open) + 50 * settle, -55 * (1 - open) - 10 * settle);
    }
    pose[BloomArt::HEART].offset = {0, 0, -0.012f * (1 - smoothstep(0.2f * T, 0.8f * T, t))};
    return pose;
}

Pose deathPose(float t) {
    // Petals wilt and hang down, the heart sinks and the head nods over.
    const float T = 3.0f;
    Pose pose = rest();
    for (int p = 0; p < BloomArt::kPetals; ++p) {
        const float wilt = smoothstep(0.02f * T * (p % 3), 0.45f * T + 0.02f * T * p, t);
        bendPetal(pose, p, 80 * wilt, 35 * wilt);
    }
    pose[BloomArt::HEART].offset = {0, 0, -0.014f * smoothstep(0, 0.5f * T, t)};
    pose[BloomArt::CALYX].rotation = CalArt::turn(25 * smoothstep(0.1f * T, 0.6f * T, t), {1, 0, 0});
    return pose;
}

// Collects vertices and faces, then hands them to a Cal3D submesh.
struct MeshParts {
    std::vector<CalCoreSubmesh::Vertex> vertices;
    std::vector<CalCoreSubmesh::Face> faces;

    int add(const osg::Vec3& p, osg::Vec3 n, std::vector<CalCoreSubmesh::Influence> influences) {
        n.normalize();
        CalCoreSubmesh::Vertex v;
        v.position = CalVector(p.x(), p.y(), p.z());
        v.normal = CalVector(n.x(), n.y(), n.z());
        v.collapseId = -1;
        v.faceCollapseCount = 0;
        v.vectorInfluence = std::move(influences);
        vertices.push_back(v);
        return static_cast<int>(vertices.size()) - 1;
    }

    // A grid of (columns + 1) x (rows + 1) vertices starting at first.
    void grid(int first, int columns, int rows, bool flip) {
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) {
                const int a = first + j * (columns + 1) + i, b = a + 1, c = a + columns + 1, d = c + 1;
                triangle(a, b, d, flip);
                triangle(a, d, c, flip);
            }
    }

    void triangle(int a, int b, int c, bool flip) {
        CalCoreSubmesh::Face f;
        f.vertexId[0] = a;
        f.vertexId[1] = flip ? c : b;
        f.vertexId[2] = flip ? b : c;
        faces.push_back(f);
    }

    CalCoreSubmesh* build() const {
        auto submesh = new CalCoreSubmesh;
        submesh->reserve(static_cast<int>(vertices.size()), 1, static_cast<int>(faces.size()), 0);
        submesh->setCoreMaterialThreadId(0);
        submesh->setLodCount(0);
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            submesh->setVertex(static_cast<int>(i), vertices[i]);
            const CalVector& p = vertices[i].position;
            submesh->setTextureCoordinate(static_cast<int>(i), 0, {p.x * 4 + 0.5f, p.y * 4 + 0.5f});
        }
        for (std::size_t i = 0; i < faces.size(); ++i)
            submesh->setFace(static_cast<int>(i), faces[i]);
        return submesh;
    }
};

void addPetal(MeshParts& mesh, int petal) {
    osg::Vec3 along, across, up;
    petalFrame(petal, along, across, up);
    const osg::Vec3 root = petalRoot(petal);
    auto point = [&](float s, float w) {
        // Rounded at the tip, narrow at the base, cupped and curling up a little.
        const float width = kHalfWidth * std::pow(std::max(0.0f, std::sin(kPi * std::pow(s, 0.65f))), 0.7f);
        const float lift = 0.3f * kHalfWidth * w * w * width / kHalfWidth + 0.014f * s * s;
        return root + along * (kPetalLength * s) + across * (width * w) + up * lift;
    };
    const int columns = 4, rows = 6;
    for (int side = 0; side < 2; ++side) {
        const float offset = (side == 0 ? 0.5f : -0.5f) * kThickness;
        const int first = static_cast<int>(mesh.vertices.size());
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= columns; ++i) {
                const float s = static_cast<float>(j) / rows, w = static_cast<float>(i) / columns * 2 - 1;
                const float e = 0.01f;
                osg::Vec3 n = (point(std::min(1.0f, s + e), w) - point(std::max(0.0f, s - e), w)) ^
                              (point(s, std::min(1.0f, w + e)) - point(s, std::max(-1.0f, w - e)));
                if (n.length2() < 1e-14f)
                    n = up;
                n.normalize();
                if (n * up < 0)
                    n = -n;
                if (side == 1)
                    n = -n;
                // Thinner towards the rim so the two faces meet at the edge.
                const float thick = 1 - w * w * 0.8f;
                const float toTip = smoothstep(kTipAt - 0.2f, kTipAt + 0.2f, s);
                std::vector<CalCoreSubmesh::Influence> influences;
                if (toTip < 1)
                    influences.push_back({BloomArt::petalBase(petal), 1 - toTip});
                if (toTip > 0)
                    influences.push_back({BloomArt::petalTip(petal), toTip});
                mesh.add(point(s, w) + n * (offset * thick * (side == 1 ? -1.0f : 1.0f)), n, influences);
            }
        mesh.grid(first, columns, rows, side == 1);
    }
}

// Calyx cup below and the domed heart above, turned about the stem's axis.
void addHeart(MeshParts& mesh) {
    struct Ring {
        float radius, height;
        int bone;
    };
    const Ring profile[] = {{0.0f, -0.006f, BloomArt::CALYX},  {0.013f, -0.006f, BloomArt::CALYX},
                            {0.015f, 0.004f, BloomArt::CALYX}, {0.024f, 0.016f, BloomArt::CALYX},
                            {0.031f, 0.026f, BloomArt::CALYX}, {0.032f, 0.031f, BloomArt::HEART},
                            {0.03f, 0.036f, BloomArt::HEART},  {0.024f, 0.045f, BloomArt::HEART},
                            {0.014f, 0.052f, BloomArt::HEART}, {0.0f, 0.055f, BloomArt::HEART}};
    const int rings = sizeof(profile) / sizeof(profile[0]), sides = 12;
    const int first = static_cast<int>(mesh.vertices.size());
    for (int j = 0; j < rings; ++j) {
        const Ring& prev = profile[std::max(0, j - 1)];
        const Ring& next = profile[std::min(rings - 1, j + 1)];
        osg::Vec2 n2(next.height - prev.height, prev.radius - next.radius);
        n2.normalize();
        for (int i = 0; i <= sides; ++i) {
            const float a = 2 * kPi * i / sides;
            // Small bumps on the heart, like a head of tiny florets.
            const float bump =
                profile[j].bone == BloomArt::HEART && j < rings - 1 ? 0.0015f * std::cos(a * 4) : 0;
            const float r = profile[j].radius + bump;
            mesh.add({r * std::cos(a), r * std::sin(a), profile[j].height},
                     {n2.x() * std::cos(a), n2.x() * std::sin(a), n2.y()}, {{profile[j].bone, 1.0f}});
        }
    }
    mesh.grid(first, sides, rings - 1, false);
}

bool save(bool ok, const std::string& file) {
    if (!ok)
        std::printf("could not write %s\n", file.c_str());
    return ok;
}

} // namespace

const std::vector<CalArt::Bone>& BloomArt::bones() {
    static const std::vector<CalArt::Bone> skeleton = [] {
        std::vector<CalArt::Bone> b = {{"calyx", -1, {0, 0, 0}}, {"heart", CALYX, {0, 0, 0.03f}}};
        for (int p = 0; p < kPetals; ++p) {
            osg::Vec3 along, across, up;
            petalFrame(p, along, across, up);
            const std::string name = "petal" + std::to_string(p);
            b.push_back({name + "_base", CALYX, petalRoot(p)});
            b.push_back({name + "_tip", petalBase(p), petalRoot(p) + along * (kPetalLength * kTipAt)});
        }
        return b;
    }();
    return skeleton;
}

CalCoreAnimationPtr BloomArt::makeBirth() {
    return CalArt::makeAnimation(bones(), 1.5f, 24, birthPose, false);
}
CalCoreAnimationPtr BloomArt::makeDeath() {
    return CalArt::makeAnimation(bones(), 3.0f, 16, deathPose, false);
}

CalCoreMeshPtr BloomArt::makeMesh() {
    MeshParts parts;
    addHeart(parts);
    for (int p = 0; p < kPetals; ++p)
        addPetal(parts, p);
    CalCoreMeshPtr mesh = new CalCoreMesh;
    mesh->addCoreSubmesh(parts.build());
    return mesh;
}

bool BloomArt::writeAll(const std::string& folder) {
    CalCoreSkeletonPtr skeleton = CalArt::makeSkeleton(bones());
    bool ok = save(CalSaver::saveCoreSkeleton(folder + "/bloom.xsf", skeleton.get()), "bloom.xsf");
    ok = save(CalSaver::saveCoreAnimation(folder + "/bloom_birth.xaf", makeBirth().get()),
              "bloom_birth.xaf") &&
         ok;
    ok = save(CalSaver::saveCoreAnimation(folder + "/bloom_death.xaf", makeDeath().get()),
              "bloom_death.xaf") &&
         ok;
    ok = save(CalSaver::saveCoreMesh(folder + "/bloom_mesh.xmf", makeMesh().get()), "bloom_mesh.xmf") && ok;
    CalCoreMaterialPtr material =
        CalArt::makeMaterial({0.3f, 0.3f, 0.3f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0.3f, 0.3f, 0.3f, 1}, 30);
    ok = save(CalSaver::saveCoreMaterial(folder + "/bloom_material.xrf", material.get()),
              "bloom_material.xrf") &&
         ok;
    return ok;
}
