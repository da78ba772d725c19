#include "Screenshot.h"

#include <osgDB/ReadFile>

#include <algorithm>
#include <cmath>

Screenshot::Screenshot(const std::string& file) : image(osgDB::readImageFile(file)) {}

osg::Vec4 Screenshot::pixel(int x, int y) const {
    // Images load with row 0 at the bottom.
    return image->getColor(x, image->t() - 1 - y);
}

template <typename Test> double Screenshot::share(int x0, int y0, int x1, int y1, Test test) const {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width());
    y1 = std::min(y1, height());
    long hits = 0;
    long all = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            hits += test(pixel(x, y)) ? 1 : 0;
            ++all;
        }
    }
    return all ? static_cast<double>(hits) / all : 0.0;
}

double Screenshot::nonWhiteShare(int x0, int y0, int x1, int y1) const {
    return share(x0, y0, x1, y1, [](const osg::Vec4& c) { return c.r() < 0.94f || c.g() < 0.94f || c.b() < 0.94f; });
}

double Screenshot::darkShare(int x0, int y0, int x1, int y1, float brightness) const {
    return share(x0, y0, x1, y1,
                 [brightness](const osg::Vec4& c) { return (c.r() + c.g() + c.b()) / 3.0f < brightness; });
}

double Screenshot::tintShare(int x0, int y0, int x1, int y1, int channel, float margin) const {
    return share(x0, y0, x1, y1, [channel, margin](const osg::Vec4& c) {
        const float mine = c[channel];
        return mine - c[(channel + 1) % 3] > margin && mine - c[(channel + 2) % 3] > margin;
    });
}

double Screenshot::difference(const Screenshot& other, int x0, int y0, int x1, int y1) const {
    double sum = 0;
    long all = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, height()); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, width()); ++x) {
            const osg::Vec4 a = pixel(x, y);
            const osg::Vec4 b = other.pixel(x, y);
            sum += (std::fabs(a.r() - b.r()) + std::fabs(a.g() - b.g()) + std::fabs(a.b() - b.b())) / 3.0;
            ++all;
        }
    }
    return all ? sum / all : 0.0;
}
