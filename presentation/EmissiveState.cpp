#include "presentation/EmissiveState.h"

#include <osg/Material>
#include <osg/observer_ptr>

#include <cstring>
#include <unordered_map>

namespace {

struct ColourKey {
    float rgba[4];
    bool operator==(const ColourKey& other) const { return std::memcmp(rgba, other.rgba, sizeof rgba) == 0; }
};

struct ColourHash {
    size_t operator()(const ColourKey& key) const {
        size_t hash = 0;
        for (float c : key.rgba) {
            unsigned bits;
            std::memcpy(&bits, &c, sizeof bits);
            hash = hash * 1000003u ^ bits;
        }
        return hash;
    }
};

using Cache = std::unordered_map<ColourKey, osg::observer_ptr<osg::StateSet>, ColourHash>;

Cache& cache() {
    static Cache colours;
    return colours;
}

// Drops the colours nobody shows any more, so a long run's genome drift cannot grow the cache without end.
void purgeUnused(Cache& colours) {
    static size_t purgeAt = 1024;
    if (colours.size() < purgeAt)
        return;
    for (auto it = colours.begin(); it != colours.end();)
        it = it->second.valid() ? std::next(it) : colours.erase(it);
    purgeAt = std::max<size_t>(1024, colours.size() * 2);
}

} // namespace

osg::ref_ptr<osg::StateSet> EmissiveState::make(const osg::Vec4& emission) {
    osg::ref_ptr<osg::StateSet> stateSet = new osg::StateSet;
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    material->setEmission(osg::Material::FRONT_AND_BACK, emission);
    stateSet->setAttributeAndModes(material.get(), osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    return stateSet;
}

osg::ref_ptr<osg::StateSet> EmissiveState::get(const osg::Vec4& emission) {
    Cache& colours = cache();
    const ColourKey key{{emission.r(), emission.g(), emission.b(), emission.a()}};
    osg::ref_ptr<osg::StateSet> shared;
    auto found = colours.find(key);
    if (found != colours.end() && found->second.lock(shared))
        return shared;
    purgeUnused(colours);
    shared = make(emission);
    colours[key] = shared;
    return shared;
}

size_t EmissiveState::cachedColours() { return cache().size(); }
