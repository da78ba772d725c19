#include "art/CalArt.h"

#include <cal3d/corebone.h>
#include <cal3d/corekeyframe.h>
#include <cal3d/coretrack.h>

#include <cmath>

CalQuaternion CalArt::toCal(const osg::Quat& q) {
    return CalQuaternion(-static_cast<float>(q.x()), -static_cast<float>(q.y()), -static_cast<float>(q.z()),
                         static_cast<float>(q.w()));
}

osg::Quat CalArt::turn(float degrees, const osg::Vec3& axis) {
    return osg::Quat(osg::DegreesToRadians(degrees), axis);
}

CalCoreSkeletonPtr CalArt::makeSkeleton(const std::vector<Bone>& bones) {
    CalCoreSkeletonPtr skeleton = new CalCoreSkeleton;
    for (std::size_t id = 0; id < bones.size(); ++id) {
        const Bone& bone = bones[id];
        auto coreBone = new CalCoreBone(bone.name);
        coreBone->setParentId(bone.parent);
        const osg::Vec3 relative =
            bone.parent < 0 ? bone.position : bone.position - bones[bone.parent].position;
        coreBone->setTranslation(CalVector(relative.x(), relative.y(), relative.z()));
        coreBone->setRotation(CalQuaternion());
        // Bones rest unrotated, so bone space is model space moved to the joint.
        coreBone->setTranslationBoneSpace(
            CalVector(-bone.position.x(), -bone.position.y(), -bone.position.z()));
        coreBone->setRotationBoneSpace(CalQuaternion());
        coreBone->setCoreSkeleton(skeleton.get());
        const int added = skeleton->addCoreBone(coreBone);
        skeleton->mapCoreBoneName(added, bone.name);
        if (bone.parent >= 0)
            skeleton->getCoreBone(bone.parent)->addChildId(added);
    }
    skeleton->calculateState();
    return skeleton;
}

CalCoreAnimationPtr CalArt::makeAnimation(const std::vector<Bone>& bones, float duration, float keysPerSecond,
                                          const PoseFunction& pose, bool loop) {
    CalCoreAnimationPtr animation = new CalCoreAnimation;
    animation->setDuration(duration);
    const int intervals = std::max(2, static_cast<int>(std::ceil(duration * keysPerSecond)));
    std::vector<Pose> samples;
    for (int k = 0; k <= intervals; ++k)
        samples.push_back(pose(duration * k / intervals));
    if (loop)
        samples.back() = samples.front();
    for (std::size_t id = 0; id < bones.size(); ++id) {
        auto track = new CalCoreTrack;
        track->create();
        track->setCoreBoneId(static_cast<int>(id));
        const Bone& bone = bones[id];
        const osg::Vec3 rest = bone.parent < 0 ? bone.position : bone.position - bones[bone.parent].position;
        for (int k = 0; k <= intervals; ++k) {
            auto keyframe = new CalCoreKeyframe;
            keyframe->create();
            keyframe->setTime(duration * k / intervals);
            const BonePose& p = samples[k][id];
            const osg::Vec3 t = rest + p.offset;
            keyframe->setTranslation(CalVector(t.x(), t.y(), t.z()));
            keyframe->setRotation(toCal(p.rotation));
            track->addCoreKeyframe(keyframe);
        }
        animation->addCoreTrack(track);
    }
    return animation;
}

CalCoreMaterialPtr CalArt::makeMaterial(const osg::Vec4& ambient, const osg::Vec4& diffuse,
                                        const osg::Vec4& specular, float shininess) {
    auto colour = [](const osg::Vec4& c) {
        auto byte = [](float v) {
            return static_cast<unsigned char>(std::min(1.0f, std::max(0.0f, v)) * 255 + 0.5f);
        };
        CalCoreMaterial::Color result;
        result.red = byte(c.r());
        result.green = byte(c.g());
        result.blue = byte(c.b());
        result.alpha = byte(c.a());
        return result;
    };
    CalCoreMaterialPtr material = new CalCoreMaterial;
    material->setAmbientColor(colour(ambient));
    material->setDiffuseColor(colour(diffuse));
    material->setSpecularColor(colour(specular));
    material->setShininess(shininess);
    material->reserve(0);
    return material;
}
