#include "presentation/EmissiveState.h"

#include <osg/Material>
#include <osg/observer_ptr>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

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

// The state sets of one colour; the last one is the one being filled.
struct Shades {
    std::vector<osg::observer_ptr<osg::StateSet>> sets;

    bool empty() const {
        return std::none_of(sets.begin(), sets.end(), [](const auto& set) { return set.valid(); });
    }
    osg::ref_ptr<osg::StateSet> withRoom();
};

using Cache = std::unordered_map<ColourKey, Shades, ColourHash>;

osg::ref_ptr<osg::StateSet> Shades::withRoom() {
    osg::ref_ptr<osg::StateSet> set;
    if (!sets.empty() && sets.back().lock(set) && set->getNumParents() < EmissiveState::PARENTS_PER_STATE)
        return set;
    // The one being filled is full or gone: look for room left by nodes that went, dropping dead sets.
    sets.erase(std::remove_if(sets.begin(), sets.end(), [](const auto& s) { return !s.valid(); }),
               sets.end());
    for (auto it = sets.begin(); it != sets.end(); ++it) {
        if (it->lock(set) && set->getNumParents() < EmissiveState::PARENTS_PER_STATE) {
            std::rotate(it, it + 1, sets.end());
            return set;
        }
    }
    return nullptr;
}

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
        it = it->second.empty() ? colours.erase(it) : std::next(it);
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
    auto found = colours.find(key);
    if (found != colours.end())
        if (osg::ref_ptr<osg::StateSet> shared = found->second.withRoom())
            return shared;
    purgeUnused(colours);
    osg::ref_ptr<osg::StateSet> shared = make(emission);
    colours[key].sets.push_back(shared);
    return shared;
}
