#pragma once

#include <osg/Image>
#include <osg/ref_ptr>

#include <string>

// A screenshot of the X screen, judged by its pixels. Coordinates are the
// screen's own: x to the right, y downwards, origin at the top left.
class Screenshot {
public:
    explicit Screenshot(const std::string& file);

    bool valid() const { return image.valid() && image->s() > 0; }
    int width() const { return image->s(); }
    int height() const { return image->t(); }
    osg::Vec4 pixel(int x, int y) const;

    // Share of pixels in the rectangle that are not near white.
    double nonWhiteShare(int x0, int y0, int x1, int y1) const;
    // Share of pixels darker than the given brightness (0..1).
    double darkShare(int x0, int y0, int x1, int y1, float brightness) const;
    // Share of pixels whose colour leans towards the channel (0 red, 1 green, 2 blue) by the margin.
    double tintShare(int x0, int y0, int x1, int y1, int channel, float margin) const;
    // Mean absolute difference per channel to another screenshot in the rectangle.
    double difference(const Screenshot& other, int x0, int y0, int x1, int y1) const;

private:
    template <typename Test> double share(int x0, int y0, int x1, int y1, Test test) const;

    osg::ref_ptr<osg::Image> image;
};
