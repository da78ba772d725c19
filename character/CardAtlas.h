#pragma once

#include <osg/BoundingSphere>
#include <osg/Image>
#include <osg/Vec3>
#include <osg/Vec4>
#include <osg/ref_ptr>

namespace character {

class SkinData;

// Pictures of a character's rest pose seen from a ring of directions around it, one frame
// per direction side by side in one image: a character a few pixels across is drawn as a
// card showing the frame nearest to how the camera sees it. Made in code from the mesh and
// its texture, once per core.
//
// Each texel keeps the surface's texture colour; its alpha is 0 where the frame is empty and
// otherwise 1/255 plus how squarely the surface faces the viewer (the headlight's diffuse
// share) in the remaining 254 steps.
class CardAtlas {
public:
    static constexpr int columns = 8; // directions around the up axis, the first along +x
    static constexpr int rows = 3;    // heights the directions look down from
    static constexpr int framePixels = 64;
    static const float rowElevations[rows]; // radians above the ground plane

    // The frame's view: dir points from the character towards the viewer, right and up span
    // the picture; a point p shows at ((p - centre)·right, (p - centre)·up) / radius in -1..1.
    struct View {
        osg::Vec3 dir, right, up;
    };
    static View view(int column, int row);

    explicit CardAtlas(const SkinData& skin);

    const osg::BoundingSphere& getBound() const { return bound; }
    // The part of frame (column, row) that shows anything, as (x0, y0, x1, y1) in the frame's -1..1:
    // a card needs to cover no more.
    const osg::Vec4& getShown(int column, int row) const { return shown[row * columns + column]; }
    osg::Image* getImage() const { return image.get(); }

private:
    void drawFrame(const SkinData& skin, int column, int row);

    osg::BoundingSphere bound;
    osg::Vec4 shown[rows * columns];
    osg::ref_ptr<osg::Image> image;
};

} // namespace character
