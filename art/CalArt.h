#pragma once

#include <cal3d/coreanimation.h>
#include <cal3d/corematerial.h>
#include <cal3d/coreskeleton.h>

#include <osg/Quat>
#include <osg/Vec3>
#include <osg/Vec4>

#include <functional>
#include <string>
#include <vector>

// Shared pieces for writing Cal3D characters: skeletons whose bones rest
// unrotated at given model-space points, animations sampled from a pose
// function, and plain materials.
class CalArt {
public:
    struct Bone {
        std::string name;
        int parent;         // -1 for a root
        osg::Vec3 position; // model space, at rest
    };

    // A bone's animated state relative to its parent: a turn about its own
    // joint and a shift from its resting place.
    struct BonePose {
        osg::Quat rotation;
        osg::Vec3 offset;
    };
    using Pose = std::vector<BonePose>;
    using PoseFunction = std::function<Pose(float time)>;

    static CalCoreSkeletonPtr makeSkeleton(const std::vector<Bone>& bones);

    // Samples the pose function at evenly spaced keyframes, one track per bone.
    // For a loop the last keyframe repeats the first exactly, so it wraps seamlessly.
    static CalCoreAnimationPtr makeAnimation(const std::vector<Bone>& bones, float duration, float keysPerSecond,
                                             const PoseFunction& pose, bool loop);

    static CalCoreMaterialPtr makeMaterial(const osg::Vec4& ambient, const osg::Vec4& diffuse,
                                           const osg::Vec4& specular, float shininess);

    // Cal3D turns vectors by the conjugate of the usual convention; this
    // converts a rotation as the scene graph means it into Cal3D's.
    static CalQuaternion toCal(const osg::Quat& q);

    // Rotation about a model axis by an angle in degrees.
    static osg::Quat turn(float degrees, const osg::Vec3& axis);
};
