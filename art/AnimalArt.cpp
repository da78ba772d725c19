#include "art/AnimalArt.h"

#include "art/SkinnedShape.h"

#include <cal3d/coresubmesh.h>
#include <cal3d/saver.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using Pose = CalArt::Pose;
const osg::Vec3 X(1, 0, 0), Y(0, 1, 0), Z(0, 0, 1);
constexpr float kPi = 3.14159265f;

// Mesh resolution: fine enough for ears and horns, coarse enough to skin
// hundreds of animals every frame.
constexpr float kCell = 0.3f;

float smoothstep(float a, float b, float x) {
    const float t = std::min(1.0f, std::max(0.0f, (x - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

Pose rest() {
    return Pose(AnimalArt::BONE_COUNT);
}

void rotate(Pose& pose, int bone, float degrees, const osg::Vec3& axis) {
    pose[bone].rotation = CalArt::turn(degrees, axis) * pose[bone].rotation;
}

Pose blend(const Pose& a, const Pose& b, float w) {
    Pose out(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        out[i].rotation.slerp(w, a[i].rotation, b[i].rotation);
        out[i].offset = a[i].offset * (1 - w) + b[i].offset * w;
    }
    return out;
}

// One leg over a stride: the foot sweeps back on the ground for the stance
// part of the cycle, then lifts and swings forward. Positive angles about x
// move the foot backwards (towards +y, behind the animal).
void stride(Pose& pose, int upper, float phase, float stance, float swing, float lift) {
    const float u = phase - std::floor(phase);
    float hip, knee;
    if (u < stance) {
        hip = -swing * std::cos(kPi * u / stance);
        knee = 0.1f * lift * std::sin(kPi * u / stance);
    } else {
        const float w = (u - stance) / (1 - stance);
        hip = swing * std::cos(kPi * w);
        knee = lift * std::sin(kPi * std::pow(w, 0.8f));
    }
    rotate(pose, upper, hip, X);
    rotate(pose, upper + 1, knee, X);
}

void wagTail(Pose& pose, float phase, float degrees, float raise) {
    for (int i = 0; i < 3; ++i) {
        rotate(pose, AnimalArt::TAIL1 + i, raise * (i == 0 ? 1.0f : 0.4f), X);
        rotate(pose, AnimalArt::TAIL1 + i, degrees * (1 + 0.4f * i) * std::sin(2 * kPi * phase - 0.8f * i),
               Z);
    }
}

Pose walkPose(float t) {
    // A lateral walk: hind left, fore left, hind right, fore right.
    Pose pose = rest();
    stride(pose, AnimalArt::HIND_LEFT_UPPER, t, 0.62f, 20, 45);
    stride(pose, AnimalArt::FRONT_LEFT_UPPER, t + 0.75f, 0.62f, 20, 55);
    stride(pose, AnimalArt::HIND_RIGHT_UPPER, t + 0.5f, 0.62f, 20, 45);
    stride(pose, AnimalArt::FRONT_RIGHT_UPPER, t + 0.25f, 0.62f, 20, 55);
    pose[AnimalArt::PELVIS].offset = {0, 0, -0.08f + 0.07f * std::cos(4 * kPi * t)};
    rotate(pose, AnimalArt::PELVIS, 2.5f * std::sin(2 * kPi * t), Y);
    rotate(pose, AnimalArt::CHEST, 3 * std::sin(2 * kPi * t + 1.5f), Z);
    rotate(pose, AnimalArt::CHEST, -2.5f * std::sin(2 * kPi * t), Y);
    rotate(pose, AnimalArt::NECK, 4 + 4 * std::sin(4 * kPi * t + 0.6f), X);
    rotate(pose, AnimalArt::HEAD, -3 * std::sin(4 * kPi * t + 0.6f), X);
    wagTail(pose, t, 8, 0);
    return pose;
}

Pose runPose(float t) {
    // A bounding gallop: the hind pair lands, then the fore pair, the spine
    // flexing and stretching between them.
    const float T = 0.6f, u = t / T;
    Pose pose = rest();
    stride(pose, AnimalArt::HIND_LEFT_UPPER, u, 0.38f, 36, 70);
    stride(pose, AnimalArt::HIND_RIGHT_UPPER, u - 0.08f, 0.38f, 36, 70);
    stride(pose, AnimalArt::FRONT_LEFT_UPPER, u - 0.45f, 0.38f, 38, 85);
    stride(pose, AnimalArt::FRONT_RIGHT_UPPER, u - 0.53f, 0.38f, 38, 85);
    const float flex = std::sin(2 * kPi * u - 0.6f);
    pose[AnimalArt::PELVIS].offset = {0, 0, 0.02f + 0.25f * std::sin(2 * kPi * u + 0.9f)};
    rotate(pose, AnimalArt::PELVIS, 6 * flex, X);
    rotate(pose, AnimalArt::CHEST, -11 * flex, X);
    rotate(pose, AnimalArt::NECK, 12 + 8 * std::sin(2 * kPi * u + 1.4f), X);
    rotate(pose, AnimalArt::HEAD, -6 - 5 * std::sin(2 * kPi * u + 1.4f), X);
    wagTail(pose, u, 4, 22 + 8 * flex);
    return pose;
}

Pose lyingPose() {
    // Curled on the ground with the legs folded under the body.
    Pose pose = rest();
    pose[AnimalArt::PELVIS].offset = {0, 0, -2.75f};
    for (int side = 0; side < 2; ++side) {
        const int front = side ? AnimalArt::FRONT_RIGHT_UPPER : AnimalArt::FRONT_LEFT_UPPER;
        const int hind = side ? AnimalArt::HIND_RIGHT_UPPER : AnimalArt::HIND_LEFT_UPPER;
        rotate(pose, front, -75, X);
        rotate(pose, front + 1, 150, X);
        rotate(pose, hind, -62, X);
        rotate(pose, hind + 1, 150, X);
    }
    rotate(pose, AnimalArt::NECK, 28, X);
    rotate(pose, AnimalArt::HEAD, 12, X);
    rotate(pose, AnimalArt::TAIL1, -10, X);
    rotate(pose, AnimalArt::TAIL1, 25, Z);
    return pose;
}

Pose birthPose(float t) {
    // The body rises while the head lifts first, then the legs straighten.
    const float T = 1.5f;
    const float body = smoothstep(0.15f * T, 0.85f * T, t);
    const float head = smoothstep(0.0f, 0.55f * T, t);
    Pose pose = blend(lyingPose(), rest(), body);
    const Pose lying = lyingPose();
    pose[AnimalArt::NECK].rotation.slerp(head, lying[AnimalArt::NECK].rotation, osg::Quat());
    pose[AnimalArt::HEAD].rotation.slerp(head, lying[AnimalArt::HEAD].rotation, osg::Quat());
    // A little stretch and shake of the head as it finds its feet.
    const float shake = std::sin(kPi * smoothstep(0.55f * T, T, t)) * std::sin(6 * kPi * t);
    rotate(pose, AnimalArt::HEAD, 6 * shake, Z);
    return pose;
}

Pose damagedPose(float t) {
    // A sharp jolt backwards, head thrown up, then a slower recovery.
    const float hit = t < 0.08f ? t / 0.08f : 1 - smoothstep(0.08f, 0.6f, t);
    const float w = hit * hit * (3 - 2 * hit);
    Pose pose = rest();
    pose[AnimalArt::PELVIS].offset = {0, 0.35f * w, -0.25f * w};
    rotate(pose, AnimalArt::PELVIS, 5 * w, Y);
    rotate(pose, AnimalArt::CHEST, -9 * w, X);
    rotate(pose, AnimalArt::NECK, -22 * w, X);
    rotate(pose, AnimalArt::HEAD, -12 * w, X);
    rotate(pose, AnimalArt::HEAD, 10 * w, Z);
    rotate(pose, AnimalArt::FRONT_LEFT_UPPER, -14 * w, X);
    rotate(pose, AnimalArt::FRONT_RIGHT_UPPER, -10 * w, X);
    rotate(pose, AnimalArt::HIND_LEFT_UPPER, 10 * w, X);
    rotate(pose, AnimalArt::HIND_RIGHT_UPPER, 12 * w, X);
    wagTail(pose, 0.25f, 0, 35 * w);
    return pose;
}

Pose deadPose() {
    // Rolled onto its right side, legs stiff, head and tail on the ground.
    Pose pose = rest();
    pose[AnimalArt::PELVIS].offset = {0, 0, -2.75f};
    rotate(pose, AnimalArt::PELVIS, -82, Y);
    rotate(pose, AnimalArt::FRONT_LEFT_UPPER, -18, X);
    rotate(pose, AnimalArt::FRONT_LEFT_LOWER, 25, X);
    rotate(pose, AnimalArt::FRONT_RIGHT_UPPER, -8, X);
    rotate(pose, AnimalArt::FRONT_RIGHT_LOWER, 12, X);
    rotate(pose, AnimalArt::HIND_LEFT_UPPER, 16, X);
    rotate(pose, AnimalArt::HIND_LEFT_LOWER, 12, X);
    rotate(pose, AnimalArt::HIND_RIGHT_UPPER, 6, X);
    rotate(pose, AnimalArt::HIND_RIGHT_LOWER, 18, X);
    rotate(pose, AnimalArt::NECK, -18, Z);
    rotate(pose, AnimalArt::HEAD, -12, Z);
    rotate(pose, AnimalArt::TAIL1, -20, Z);
    rotate(pose, AnimalArt::TAIL2, -10, Z);
    return pose;
}

Pose buckledPose() {
    // Knees give way first.
    Pose pose = rest();
    pose[AnimalArt::PELVIS].offset = {0, 0, -1.1f};
    rotate(pose, AnimalArt::PELVIS, -8, Y);
    for (int side = 0; side < 2; ++side) {
        const int front = side ? AnimalArt::FRONT_RIGHT_UPPER : AnimalArt::FRONT_LEFT_UPPER;
        const int hind = side ? AnimalArt::HIND_RIGHT_UPPER : AnimalArt::HIND_LEFT_UPPER;
        rotate(pose, front, -30, X);
        rotate(pose, front + 1, 55, X);
        rotate(pose, hind, -30, X);
        rotate(pose, hind + 1, 50, X);
    }
    rotate(pose, AnimalArt::NECK, 25, X);
    return pose;
}

Pose diePose(float t) {
    // Collapse in under a second, then lie still until the loop comes round.
    const Pose buckled = blend(rest(), buckledPose(), smoothstep(0.0f, 0.35f, t));
    return blend(buckled, deadPose(), smoothstep(0.25f, 0.85f, t));
}

bool save(bool ok, const std::string& file) {
    if (!ok)
        std::printf("could not write %s\n", file.c_str());
    return ok;
}

} // namespace

const std::vector<CalArt::Bone>& AnimalArt::bones() {
    static const std::vector<CalArt::Bone> skeleton = {
        {"pelvis", -1, {0, 1.9f, 4.3f}},
        {"chest", PELVIS, {0, -1.9f, 4.5f}},
        {"neck", CHEST, {0, -3.0f, 5.0f}},
        {"head", NECK, {0, -4.0f, 6.0f}},
        {"tail1", PELVIS, {0, 3.4f, 4.7f}},
        {"tail2", TAIL1, {0, 4.6f, 4.35f}},
        {"tail3", TAIL2, {0, 5.8f, 3.95f}},
        {"front_left_upper", CHEST, {0.95f, -2.0f, 4.0f}},
        {"front_left_lower", FRONT_LEFT_UPPER, {0.95f, -2.0f, 2.1f}},
        {"front_right_upper", CHEST, {-0.95f, -2.0f, 4.0f}},
        {"front_right_lower", FRONT_RIGHT_UPPER, {-0.95f, -2.0f, 2.1f}},
        {"hind_left_upper", PELVIS, {0.95f, 2.0f, 4.1f}},
        {"hind_left_lower", HIND_LEFT_UPPER, {0.95f, 2.3f, 2.0f}},
        {"hind_right_upper", PELVIS, {-0.95f, 2.0f, 4.1f}},
        {"hind_right_lower", HIND_RIGHT_UPPER, {-0.95f, 2.3f, 2.0f}},
    };
    return skeleton;
}

CalCoreAnimationPtr AnimalArt::makeBirth() {
    return CalArt::makeAnimation(bones(), 1.5f, 24, birthPose, false);
}
CalCoreAnimationPtr AnimalArt::makeWalk() {
    return CalArt::makeAnimation(bones(), 1.0f, 24, walkPose, true);
}
CalCoreAnimationPtr AnimalArt::makeRun() {
    return CalArt::makeAnimation(bones(), 0.6f, 40, runPose, true);
}
CalCoreAnimationPtr AnimalArt::makeDamaged() {
    return CalArt::makeAnimation(bones(), 0.6f, 30, damagedPose, false);
}
CalCoreAnimationPtr AnimalArt::makeDie() {
    return CalArt::makeAnimation(bones(), 5.0f, 12, diePose, false);
}

namespace {

void addLegs(SkinnedShape& shape, float thigh, float shin, float foot, float hindThigh) {
    const auto& b = AnimalArt::bones();
    for (int side = 0; side < 2; ++side) {
        const int front = side ? AnimalArt::FRONT_RIGHT_UPPER : AnimalArt::FRONT_LEFT_UPPER;
        const int hind = side ? AnimalArt::HIND_RIGHT_UPPER : AnimalArt::HIND_LEFT_UPPER;
        for (int upper : {front, hind}) {
            const bool isHind = upper == hind;
            const osg::Vec3 top = b[upper].position, knee = b[upper + 1].position;
            const osg::Vec3 ankle(top.x(), top.y() + (isHind ? 0.05f : -0.05f), 0.45f);
            shape.addCapsule(top + osg::Vec3(0, 0, 0.3f), isHind ? hindThigh : thigh, knee, shin * 1.2f,
                             upper, 0.35f);
            shape.addCapsule(knee, shin * 1.15f, ankle, shin * 0.85f, upper + 1, 0.15f);
            // Hoof or paw: flat underneath at z = 0.
            shape.addEllipsoid(ankle + osg::Vec3(0, -0.1f, foot * 0.7f - 0.45f),
                               {foot * 0.85f, foot * 1.1f, foot * 0.7f}, upper + 1, 0.25f);
        }
    }
}

} // namespace

SkinnedShape AnimalArt::herbivoreShape() {
    SkinnedShape s;
    // A deep rounded barrel with a soft rump and chest.
    s.addEllipsoid({0, 0.1f, 4.4f}, {1.75f, 3.0f, 1.75f}, PELVIS, 0.6f);
    s.splitLast(CHEST, {0, 1.6f, 0}, {0, -1.6f, 0});
    s.addEllipsoid({0, 2.0f, 4.75f}, {1.55f, 1.45f, 1.4f}, PELVIS, 0.6f);
    s.addEllipsoid({0, -1.9f, 4.6f}, {1.5f, 1.4f, 1.55f}, CHEST, 0.6f);
    // Short thick neck and a big gentle head with a round muzzle.
    s.addCapsule({0, -2.7f, 5.2f}, 0.95f, {0, -3.95f, 6.05f}, 0.75f, NECK, 0.5f);
    s.splitLast(HEAD, {0, -3.0f, 5.0f}, {0, -4.0f, 6.0f});
    s.addEllipsoid({0, -4.35f, 6.25f}, {0.85f, 1.05f, 0.85f}, HEAD, 0.4f);
    s.addEllipsoid({0, -5.2f, 5.9f}, {0.62f, 0.62f, 0.58f}, HEAD, 0.5f);
    // Leaf-shaped ears out to the sides and two stubby horns.
    for (float side : {-1.0f, 1.0f}) {
        s.addEllipsoid({side * 1.05f, -4.0f, 6.6f}, {0.62f, 0.16f, 0.28f}, HEAD, 0.12f,
                       osg::Quat(osg::DegreesToRadians(side * 25.0f), Y));
        s.addCapsule({side * 0.35f, -4.1f, 6.85f}, 0.19f, {side * 0.62f, -3.85f, 7.6f}, 0.08f, HEAD, 0.12f);
    }
    // A short tail ending in a tuft.
    s.addCapsule({0, 3.2f, 5.3f}, 0.22f, {0, 3.95f, 4.7f}, 0.15f, TAIL1, 0.2f);
    s.splitLast(TAIL2, {0, 3.5f, 0}, {0, 4.4f, 0});
    s.addEllipsoid({0, 4.1f, 4.35f}, {0.28f, 0.3f, 0.45f}, TAIL2, 0.15f,
                   osg::Quat(osg::DegreesToRadians(-25.0f), X));
    addLegs(s, 0.58f, 0.34f, 0.36f, 0.85f);
    return s;
}

SkinnedShape AnimalArt::carnivoreShape() {
    SkinnedShape s;
    // Deep chest, tucked waist, narrow hips.
    s.addEllipsoid({0, -1.5f, 4.5f}, {1.2f, 1.9f, 1.45f}, CHEST, 0.6f);
    s.addCapsule({0, -0.6f, 4.6f}, 1.0f, {0, 1.9f, 4.6f}, 0.8f, CHEST, 0.6f);
    s.splitLast(PELVIS, {0, -0.8f, 0}, {0, 1.6f, 0});
    s.addEllipsoid({0, 2.2f, 4.6f}, {1.0f, 1.25f, 0.95f}, PELVIS, 0.5f);
    // Longer, leaner neck and a long jaw.
    s.addCapsule({0, -2.5f, 5.1f}, 0.78f, {0, -3.8f, 5.9f}, 0.58f, NECK, 0.45f);
    s.splitLast(HEAD, {0, -3.0f, 5.0f}, {0, -4.0f, 6.0f});
    s.addEllipsoid({0, -4.1f, 6.05f}, {0.7f, 0.8f, 0.66f}, HEAD, 0.35f);
    s.addCapsule({0, -4.55f, 5.95f}, 0.46f, {0, -5.95f, 5.6f}, 0.22f, HEAD, 0.3f);
    s.addCapsule({0, -4.4f, 5.55f}, 0.36f, {0, -5.6f, 5.38f}, 0.17f, HEAD, 0.2f);
    // Tall pointed ears.
    for (float side : {-1.0f, 1.0f})
        s.addCapsule({side * 0.42f, -3.95f, 6.45f}, 0.27f, {side * 0.55f, -3.75f, 7.35f}, 0.05f, HEAD, 0.15f);
    // A long tail that tapers to a point.
    s.addCapsule({0, 3.2f, 4.85f}, 0.34f, {0, 4.6f, 4.35f}, 0.26f, TAIL1, 0.25f);
    s.addCapsule({0, 4.6f, 4.35f}, 0.26f, {0, 5.8f, 3.95f}, 0.2f, TAIL2, 0.1f);
    s.addCapsule({0, 5.8f, 3.95f}, 0.2f, {0, 7.0f, 3.75f}, 0.07f, TAIL3, 0.1f);
    addLegs(s, 0.46f, 0.24f, 0.3f, 0.68f);
    return s;
}

CalCoreMeshPtr AnimalArt::makeMesh(const SkinnedShape& shape) {
    CalCoreMeshPtr mesh = new CalCoreMesh;
    mesh->addCoreSubmesh(shape.polygonize(kCell));
    return mesh;
}

bool AnimalArt::writeAll(const std::string& folder) {
    CalCoreSkeletonPtr skeleton = CalArt::makeSkeleton(bones());
    bool ok = save(CalSaver::saveCoreSkeleton(folder + "/animal.xsf", skeleton.get()), "animal.xsf");
    const struct {
        const char* file;
        CalCoreAnimationPtr animation;
    } animations[] = {{"animal_Birth.xaf", makeBirth()},
                      {"animal_Walk.xaf", makeWalk()},
                      {"animal_Run.xaf", makeRun()},
                      {"animal_Damaged.xaf", makeDamaged()},
                      {"animal_Die.xaf", makeDie()}};
    for (const auto& a : animations)
        ok = save(CalSaver::saveCoreAnimation(folder + "/" + a.file, a.animation.get()), a.file) && ok;
    ok = save(CalSaver::saveCoreMesh(folder + "/herbivore_mesh.xmf", makeMesh(herbivoreShape()).get()),
              "herbivore_mesh.xmf") &&
         ok;
    ok = save(CalSaver::saveCoreMesh(folder + "/carnivore_mesh.xmf", makeMesh(carnivoreShape()).get()),
              "carnivore_mesh.xmf") &&
         ok;
    // The program tints each animal by its genome; this is only the base.
    CalCoreMaterialPtr material =
        CalArt::makeMaterial({0.3f, 0.3f, 0.3f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0.25f, 0.25f, 0.25f, 1}, 20);
    ok = save(CalSaver::saveCoreMaterial(folder + "/animal_material.xrf", material.get()),
              "animal_material.xrf") &&
         ok;
    return ok;
}
