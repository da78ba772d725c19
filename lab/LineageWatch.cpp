#include "lab/LineageWatch.h"

#include "life/Life.h"
#include "world/World.h"

#include <osg/LineWidth>
#include <osg/Material>

#include <algorithm>
#include <iterator>
#include <vector>

const osg::Vec4 LineageWatch::PIN_COLOUR(1.0f, 0.1f, 0.9f, 1.0f);

LineageWatch::LineageWatch() : marks(new osg::Geode), pins(new osg::Geometry) {
    pins->setUseDisplayList(false);
    pins->setUseVertexBufferObjects(true);
    pins->setVertexArray(new osg::Vec3Array);
    osg::ref_ptr<osg::Vec4Array> colour = new osg::Vec4Array;
    colour->push_back(PIN_COLOUR);
    pins->setColorArray(colour.get(), osg::Array::BIND_OVERALL);
    pins->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 0));
    marks->addDrawable(pins.get());
    // Lit or not, the pins glow at full strength: the scene's own lights and materials would dim them.
    osg::StateSet* state = marks->getOrCreateStateSet();
    const unsigned forced =
        osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE | osg::StateAttribute::PROTECTED;
    osg::ref_ptr<osg::Material> glow = new osg::Material;
    glow->setDiffuse(osg::Material::FRONT_AND_BACK, osg::Vec4(0, 0, 0, 1));
    glow->setAmbient(osg::Material::FRONT_AND_BACK, osg::Vec4(0, 0, 0, 1));
    glow->setEmission(osg::Material::FRONT_AND_BACK, PIN_COLOUR);
    state->setAttributeAndModes(glow.get(), forced);
    state->setMode(GL_LIGHTING,
                   osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE | osg::StateAttribute::PROTECTED);
    state->setTextureMode(0, GL_TEXTURE_2D,
                          osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE |
                              osg::StateAttribute::PROTECTED);
    state->setAttributeAndModes(new osg::LineWidth(5.0f), forced);
}

void LineageWatch::attach(World& watched) {
    world = &watched;
    for (const auto& entry : watched.getLives())
        if (entry.second->getParentId() != Life::NO_PARENT)
            parentOf[entry.first] = entry.second->getParentId();
    watched.setBirthWatcher([this](const Life& life) { born(life); });
}

void LineageWatch::born(const Life& life) {
    const int parent = life.getParentId();
    if (parent == Life::NO_PARENT)
        return;
    // Before the newborn is entered: it is not among the world's organisms until its birth is over.
    if (parentOf.size() >= pruneAt)
        prune();
    parentOf[life.getId()] = parent;
    if (followed >= 0 && (parent == followed || descendants.count(parent) != 0))
        descendants.insert(life.getId());
}

void LineageWatch::prune() {
    // Only an organism on the board can be selected and followed, so each one on the board is
    // linked straight to its nearest ancestor still on it, past the dead between.
    const auto& lives = world->getLives();
    std::unordered_map<int, int> kept;
    for (const auto& entry : lives) {
        auto up = parentOf.find(entry.first);
        while (up != parentOf.end() && lives.count(up->second) == 0)
            up = parentOf.find(up->second);
        if (up != parentOf.end())
            kept[entry.first] = up->second;
    }
    parentOf.swap(kept);
    // A followed lineage goes on through its members on the board; its dead no longer matter.
    for (auto it = descendants.begin(); it != descendants.end();)
        it = lives.count(*it) != 0 ? std::next(it) : descendants.erase(it);
    pruneAt = std::max(FEWEST_PRUNED, 2 * parentOf.size());
}

bool LineageWatch::descends(int id) const {
    for (auto up = parentOf.find(id); up != parentOf.end(); up = parentOf.find(up->second))
        if (up->second == followed || descendants.count(up->second) != 0)
            return true;
    return false;
}

void LineageWatch::follow(int id) {
    if (id == followed)
        return;
    followed = id;
    descendants.clear();
    if (id < 0)
        return;
    // Ids grow with each birth: a descendant always has a larger id than its parent.
    std::vector<int> later;
    for (const auto& entry : parentOf)
        if (entry.first > id)
            later.push_back(entry.first);
    std::sort(later.begin(), later.end());
    for (int candidate : later)
        if (descends(candidate))
            descendants.insert(candidate);
}

int LineageWatch::livingDescendants(World& world) const {
    int living = 0;
    const auto& lives = world.getLives();
    for (int id : descendants) {
        const auto found = lives.find(id);
        living += found != lives.end() && found->second->getState() != STATE_DEAD;
    }
    return living;
}

void LineageWatch::drawMarks(World& world) {
    osg::Vec3Array* points = static_cast<osg::Vec3Array*>(pins->getVertexArray());
    points->clear();
    const auto& lives = world.getLives();
    for (int id : descendants) {
        const auto found = lives.find(id);
        if (found == lives.end() || found->second->getState() == STATE_DEAD)
            continue;
        const osg::Vec3d at = found->second->getPosition();
        points->push_back(osg::Vec3(at.x(), at.y(), at.z()));
        points->push_back(osg::Vec3(at.x(), at.y(), at.z() + PIN_HEIGHT));
    }
    points->dirty();
    static_cast<osg::DrawArrays*>(pins->getPrimitiveSet(0))->setCount(static_cast<GLsizei>(points->size()));
    pins->dirtyBound();
}
