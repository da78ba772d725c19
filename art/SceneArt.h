#pragma once

#include <osg/Image>
#include <osg/Node>
#include <osg/ref_ptr>

#include <string>

// The plain scene-graph models: the ground tile, the plant stem and seed, the
// birth and death pings and the selection arrow. Textures are written next to
// the .osg files, which refer to them by their bare file names.
class SceneArt {
public:
    // 10 x 10 square centred on the origin, top at z = 0.
    static osg::ref_ptr<osg::Node> makeGroundTile();
    static osg::ref_ptr<osg::Image> makeGroundTexture();
    // Stem segment: foot at z = 0, height 10, about 0.17 thick, with two leaves.
    static osg::ref_ptr<osg::Node> makeStem();
    // Seed pod off the centre along +y, about 0.2 wide in x so x-scaling shows.
    static osg::ref_ptr<osg::Node> makeSeed();
    // The same stem and seed in a few triangles, for the many seen from afar: a stem a few
    // pixels wide looks the same with four sides as with eight.
    static osg::ref_ptr<osg::Node> makeFarStem();
    static osg::ref_ptr<osg::Node> makeFarSeed();
    // Translucent beam of height 1 with a halo at its foot; colour comes from outside.
    static osg::ref_ptr<osg::Node> makeLifePing();
    // Dark violet funnel with downward chevrons; carries its own material.
    static osg::ref_ptr<osg::Node> makeDeathPing();
    // Both pings turned more coarsely, for those a few pixels wide.
    static osg::ref_ptr<osg::Node> makeFarLifePing();
    static osg::ref_ptr<osg::Node> makeFarDeathPing();
    // Arrow pointing down with its tip at the origin, 0.5 tall.
    static osg::ref_ptr<osg::Node> makeDownArrow();

    static bool writeAll(const std::string& folder);
};
