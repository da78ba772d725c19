#include "character/CoreModel.h"

#include "character/FarCrowd.h"
#include "character/SkinData.h"

#include <osg/Image>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

#include <cal3d/cal3d.h>
#include <cal3d/coretrack.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace character {

namespace {

// Cal3D keeps one global "last error"; clear it so a stale one is never reported.
void clearCalError() {
    CalError::setLastError(CalError::OK, "", 0, "");
}

std::string calReason(const std::string& file) {
    if (CalError::getLastErrorCode() == CalError::OK)
        return "unknown error";
    std::string reason = CalError::getLastErrorDescription();
    const std::string& text = CalError::getLastErrorText();
    if (!text.empty() && text != file)
        reason += " (" + text + ")";
    // Cal3D's XML loader says "not found" for a file it cannot parse.
    if (CalError::getLastErrorCode() == CalError::FILE_NOT_FOUND && std::ifstream(file).good())
        reason += " (the file is there, so it is unreadable or malformed)";
    return reason;
}

// What Cal3D's XML loaders take for granted, as our tools write it: the
// attributes of each element, and a text in the elements that carry values.
struct XmlRule {
    const char* element;
    std::vector<const char*> attributes;
    bool text;
};
const XmlRule XML_RULES[] = {
    {"SKELETON", {"VERSION", "NUMBONES"}, false},
    {"BONE", {"ID", "NAME", "NUMCHILDS"}, false},
    {"ANIMATION", {"VERSION", "DURATION", "NUMTRACKS"}, false},
    {"TRACK", {"BONEID", "NUMKEYFRAMES"}, false},
    {"KEYFRAME", {"TIME"}, false},
    {"MESH", {"VERSION", "NUMSUBMESH"}, false},
    {"SUBMESH", {"NUMVERTICES", "NUMFACES", "MATERIAL", "NUMLODSTEPS", "NUMSPRINGS", "NUMTEXCOORDS"}, false},
    {"VERTEX", {"ID", "NUMINFLUENCES"}, false},
    {"INFLUENCE", {"ID"}, true},
    {"FACE", {"VERTEXID"}, false},
    {"SPRING", {"VERTEXID", "COEF", "LENGTH"}, false},
    {"MATERIAL", {"VERSION", "NUMMAPS"}, false},
    {"HEADER", {"MAGIC", "VERSION"}, false},
};
const char* const XML_TEXT_ELEMENTS[] = {
    "TRANSLATION", "ROTATION", "LOCALTRANSLATION", "LOCALROTATION", "PARENTID",   "CHILDID",
    "POS",         "NORM",     "TEXCOORD",         "COLOR",         "COLLAPSEID", "COLLAPSECOUNT",
    "AMBIENT",     "DIFFUSE",  "SPECULAR",         "SHININESS",     "MAP"};

bool isXmlFile(const std::string& file) {
    const std::string::size_type dot = file.rfind('.');
    return dot != std::string::npos && file.size() - dot == 4 &&
           (file[dot + 1] == 'x' || file[dot + 1] == 'X');
}

// Cal3D's XML loaders read attributes and texts without checking they are there
// and reserve whatever a count says, so garbage that is still XML can crash them
// or exhaust memory. Empty when the file looks complete (or is not there: Cal3D
// says so itself).
std::string xmlProblem(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!isXmlFile(file) || !in)
        return {};
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::string::size_type at = xml.find('<'); at != std::string::npos; at = xml.find('<', at)) {
        std::string::size_type p = ++at;
        while (p < xml.size() && isName(xml[p]))
            ++p;
        const std::string name = xml.substr(at, p - at);
        if (name.empty())
            continue; // a closing tag, a declaration or a comment
        std::map<std::string, std::string> attributes;
        for (;;) {
            while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p])))
                ++p;
            if (p >= xml.size())
                return "<" + name + "> is cut off";
            if (xml[p] == '>' || xml.compare(p, 2, "/>") == 0)
                break;
            const std::string::size_type start = p;
            while (p < xml.size() && isName(xml[p]))
                ++p;
            const std::string key = xml.substr(start, p - start);
            const char quote = p + 1 < xml.size() && xml[p] == '=' ? xml[p + 1] : '\0';
            const std::string::size_type close =
                quote == '"' || quote == '\'' ? xml.find(quote, p + 2) : std::string::npos;
            if (key.empty() || close == std::string::npos)
                return "<" + name + "> has malformed attributes";
            // Cal3D's parser stops at a repeated attribute and leaves the element half read.
            if (!attributes.emplace(key, xml.substr(p + 2, close - p - 2)).second)
                return "<" + name + "> repeats " + key;
            p = close + 1;
        }
        // A count can never exceed the bytes that would describe its items.
        for (const auto& [key, value] : attributes)
            if (key.rfind("NUM", 0) == 0 && (value.empty() || value.size() > 9 ||
                                             value.find_first_not_of("0123456789") != std::string::npos ||
                                             std::stoul(value) > xml.size()))
                return "<" + name + "> has an impossible " + key + " \"" + value.substr(0, 20) + "\"";
        bool needsText = std::any_of(std::begin(XML_TEXT_ELEMENTS), std::end(XML_TEXT_ELEMENTS),
                                     [&](const char* text) { return name == text; });
        for (const XmlRule& rule : XML_RULES) {
            if (name != rule.element)
                continue;
            for (const char* key : rule.attributes)
                if (!attributes.count(key))
                    return "<" + name + "> has no " + key;
            needsText = rule.text;
        }
        const std::string::size_type textEnd = xml.find('<', p);
        if (needsText && (xml[p] == '/' || xml.find_first_not_of(" \t\r\n", p + 1) >= textEnd))
            return "<" + name + "> has no value";
        at = p;
    }
    return {};
}

// Cal3D's XML loaders build strings from attributes they take for granted: a
// missing one throws out of the loader instead of failing the load.
template <typename Load> auto guarded(Load load, std::string& problem) -> decltype(load()) {
    try {
        return load();
    } catch (const std::exception& e) {
        problem = std::string("malformed (") + e.what() + ")";
        return nullptr;
    }
}

// Cal3D 0.11 frees an animation but not the tracks (and keyframes) it owns.
void freeTracks(CalCoreAnimation& animation) {
    for (CalCoreTrack* track : animation.getListCoreTrack()) {
        track->destroy();
        delete track;
    }
    animation.getListCoreTrack().clear();
}

} // namespace

CoreModel::CoreModel(const std::string& name) : core(new CalCoreModel(name)) {}

CoreModel::~CoreModel() {
    for (int id = 0; id < core->getCoreAnimationCount(); ++id)
        if (CalCoreAnimation* animation = core->getCoreAnimation(id))
            freeTracks(*animation);
}

void CoreModel::fail(const char* what, const std::string& file, const std::string& reason) {
    failed = true;
    report(what, file, reason);
}

void CoreModel::report(const char* what, const std::string& file, const std::string& reason) {
    std::printf("Cal3D: cannot load %s %s: %s\n", what, file.c_str(), reason.c_str());
    std::fflush(stdout);
}

int CoreModel::skipAnimation(const std::string& file, const std::string& reason) {
    report("animation", file, reason);
    // The slot stays, empty, so that the animations after it keep their ids; playing it does nothing.
    core->addCoreAnimation(nullptr);
    return -1;
}

std::string CoreModel::meshProblem(CalCoreMesh& mesh) const {
    const CalCoreSkeleton* skeleton = core->getCoreSkeleton();
    const int bones = skeleton ? int(const_cast<CalCoreSkeleton*>(skeleton)->getVectorCoreBone().size()) : -1;
    for (CalCoreSubmesh* submesh : mesh.getVectorCoreSubmesh()) {
        const auto& vertices = submesh->getVectorVertex();
        for (const auto& face : submesh->getVectorFace())
            for (CalIndex index : face.vertexId)
                if (index < 0 || size_t(index) >= vertices.size())
                    return "a face uses vertex " + std::to_string(index) + " of " +
                           std::to_string(vertices.size());
        if (bones < 0)
            continue;
        for (const auto& vertex : vertices)
            for (const auto& influence : vertex.vectorInfluence)
                if (influence.boneId < 0 || influence.boneId >= bones)
                    return "an influence names bone " + std::to_string(influence.boneId) +
                           " but the skeleton has " + std::to_string(bones);
    }
    return {};
}

bool CoreModel::loadSkeleton(const std::string& file) {
    if (hasSkeleton) {
        // Instances already made point into the old skeleton; never swap it under them.
        fail("skeleton", file, "this core already has a skeleton");
        return false;
    }
    clearCalError();
    std::string problem = xmlProblem(file);
    CalCoreSkeletonPtr skeleton;
    if (problem.empty())
        skeleton = guarded([&] { return CalLoader::loadCoreSkeleton(file); }, problem);
    if (!skeleton) {
        fail("skeleton", file, problem.empty() ? calReason(file) : problem);
        return false;
    }
    core->setCoreSkeleton(skeleton.get());
    hasSkeleton = true;
    skinData = nullptr;
    // Meshes loaded before the skeleton could not be checked against it.
    for (int id = 0; id < core->getCoreMeshCount(); ++id) {
        const std::string problem = meshProblem(*core->getCoreMesh(id));
        if (!problem.empty())
            fail("mesh", meshFiles[id], problem);
    }
    return true;
}

int CoreModel::loadAnimation(const std::string& file, const std::string& name) {
    if (!hasSkeleton) {
        fail("animation", file, "no skeleton loaded before it");
        return -1;
    }
    clearCalError();
    CalCoreSkeleton* skeleton = core->getCoreSkeleton();
    std::string problem = xmlProblem(file);
    CalCoreAnimationPtr animation;
    if (problem.empty())
        animation = guarded([&] { return CalLoader::loadCoreAnimation(file, skeleton); }, problem);
    if (!animation)
        return skipAnimation(file, problem.empty() ? calReason(file) : problem);
    const int bones = int(skeleton->getVectorCoreBone().size());
    for (CalCoreTrack* track : animation->getListCoreTrack()) {
        // Read before the tracks go: the message names it after they are freed.
        const int bone = track->getCoreBoneId();
        if (bone < 0 || bone >= bones) {
            freeTracks(*animation);
            return skipAnimation(file, "a track moves bone " + std::to_string(bone) +
                                           " but the skeleton has " + std::to_string(bones));
        }
    }
    animation->setName(name);
    animation->setFilename(file);
    const int id = core->addCoreAnimation(animation.get());
    if (id >= 0)
        core->addAnimationName(name, id);
    return id;
}

int CoreModel::loadMesh(const std::string& file) {
    clearCalError();
    std::string problem = xmlProblem(file);
    CalCoreMeshPtr mesh;
    if (problem.empty())
        mesh = guarded([&] { return CalLoader::loadCoreMesh(file); }, problem);
    if (!mesh) {
        fail("mesh", file, problem.empty() ? calReason(file) : problem);
        return -1;
    }
    problem = meshProblem(*mesh);
    if (!problem.empty()) {
        fail("mesh", file, problem);
        return -1;
    }
    mesh->setFilename(file);
    const int id = core->addCoreMesh(mesh.get());
    if (id < 0) {
        fail("mesh", file, calReason(file));
        return -1;
    }
    meshFiles.resize(id + 1);
    meshFiles[id] = file;
    ++meshCount;
    skinData = nullptr;
    return id;
}

int CoreModel::loadMaterial(const std::string& file) {
    clearCalError();
    std::string problem = xmlProblem(file);
    CalCoreMaterialPtr material;
    if (problem.empty())
        material = guarded([&] { return CalLoader::loadCoreMaterial(file); }, problem);
    if (!material) {
        fail("material", file, problem.empty() ? calReason(file) : problem);
        return -1;
    }
    material->setFilename(file);
    const int id = core->addCoreMaterial(material.get());
    if (id < 0) {
        fail("material", file, calReason(file));
        return -1;
    }
    // Material thread n, set 0, is material n: what setMaterialSet(0) picks.
    core->createCoreMaterialThread(id);
    core->setCoreMaterialId(id, 0, id);
    skinData = nullptr;
    return id;
}

bool CoreModel::loadAllTextures(const std::string& folder) {
    bool ok = true;
    for (int id = 0; id < core->getCoreMaterialCount(); ++id) {
        CalCoreMaterial* material = core->getCoreMaterial(id);
        for (int map = 0; material && map < material->getMapCount(); ++map) {
            const std::string& name = material->getMapFilename(map);
            if (name.empty() || material->getMapUserData(map))
                continue;
            const bool joined = folder.empty() || folder.back() == '/';
            const std::string file = joined ? folder + name : folder + "/" + name;
            osg::ref_ptr<osg::Image> image = osgDB::readRefImageFile(file);
            if (!image) {
                // Not fatal: the mesh simply draws untextured.
                std::printf("Cal3D: cannot load texture %s: no such image or unreadable\n", file.c_str());
                std::fflush(stdout);
                ok = false;
                continue;
            }
            osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
            texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
            texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
            textures.push_back(texture);
            material->setMapUserData(map, texture.get());
        }
    }
    skinData = nullptr;
    return ok;
}

bool CoreModel::isUsable() const {
    return hasSkeleton && meshCount > 0 && !failed;
}

CalCoreModel* CoreModel::getCalCoreModel() const {
    return core.get();
}

const SkinData* CoreModel::getSkinData() {
    if (!isUsable())
        return nullptr;
    if (!skinData)
        skinData = new SkinData(*core);
    return skinData.get();
}

FarCrowd* CoreModel::getFarCrowd() {
    // Made once, when the core is complete: the scene holds it from then on.
    if (!farCrowd && getSkinData())
        farCrowd = new FarCrowd(*skinData);
    return farCrowd.get();
}

} // namespace character
