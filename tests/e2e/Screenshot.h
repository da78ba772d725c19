#pragma once

#include <osg/Image>
#include <osg/ref_ptr>

#include <functional>
#include <string>

// A rectangle of screen pixels: x0 and y0 inside, x1 and y1 just outside.
struct Box {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

// Where the pixels that passed a test lie: how many, their mean point and their bounds.
struct Spot {
    long count = 0;
    double x = 0;
    double y = 0;
    Box bounds;
};

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

    double nonWhiteShare(const Box& b) const { return nonWhiteShare(b.x0, b.y0, b.x1, b.y1); }
    double darkShare(const Box& b, float brightness) const {
        return darkShare(b.x0, b.y0, b.x1, b.y1, brightness);
    }
    double tintShare(const Box& b, int channel, float margin) const {
        return tintShare(b.x0, b.y0, b.x1, b.y1, channel, margin);
    }
    double difference(const Screenshot& other, const Box& b) const {
        return difference(other, b.x0, b.y0, b.x1, b.y1);
    }
    // Mean colour in the box.
    osg::Vec3 mean(const Box& b) const;
    // Share of pixels where some channel differs from the other shot by more than the threshold.
    double changedShare(const Screenshot& other, const Box& b, float threshold) const;
    // Share of pixels whose every channel is above the level: the glowing organisms and
    // markers, never the dark ground.
    double paleShare(const Box& b, float level) const;
    Spot paleSpot(const Box& b, float level) const;
    Spot darkSpot(const Box& b, float brightness) const;
    Spot tintSpot(const Box& b, int channel, float margin) const;
    Spot changedSpot(const Screenshot& other, const Box& b, float threshold) const;
    // The pixels of the box at which the test (x, y) holds.
    Spot spotWhere(const Box& b, const std::function<bool(int, int)>& test) const;

private:
    template <typename Test> double share(int x0, int y0, int x1, int y1, Test test) const;
    template <typename Test> Spot spot(const Box& b, Test test) const;

    osg::ref_ptr<osg::Image> image;
};
