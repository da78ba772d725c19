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
    return share(x0, y0, x1, y1,
                 [](const osg::Vec4& c) { return c.r() < 0.94f || c.g() < 0.94f || c.b() < 0.94f; });
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

namespace {

bool pale(const osg::Vec4& c, float level) {
    return c.r() > level && c.g() > level && c.b() > level;
}

bool tinted(const osg::Vec4& c, int channel, float margin) {
    const float mine = c[channel];
    return mine - c[(channel + 1) % 3] > margin && mine - c[(channel + 2) % 3] > margin;
}

bool changed(const osg::Vec4& a, const osg::Vec4& b, float threshold) {
    return std::fabs(a.r() - b.r()) > threshold || std::fabs(a.g() - b.g()) > threshold ||
           std::fabs(a.b() - b.b()) > threshold;
}

} // namespace

template <typename Test> Spot Screenshot::spot(const Box& b, Test test) const {
    Spot result;
    result.bounds = Box{b.x1, b.y1, b.x0, b.y0};
    double sumX = 0;
    double sumY = 0;
    for (int y = std::max(b.y0, 0); y < std::min(b.y1, height()); ++y) {
        for (int x = std::max(b.x0, 0); x < std::min(b.x1, width()); ++x) {
            if (!test(x, y))
                continue;
            ++result.count;
            sumX += x;
            sumY += y;
            result.bounds.x0 = std::min(result.bounds.x0, x);
            result.bounds.y0 = std::min(result.bounds.y0, y);
            result.bounds.x1 = std::max(result.bounds.x1, x + 1);
            result.bounds.y1 = std::max(result.bounds.y1, y + 1);
        }
    }
    if (result.count > 0) {
        result.x = sumX / result.count;
        result.y = sumY / result.count;
    } else {
        result.bounds = Box{};
    }
    return result;
}

Spot Screenshot::spotWhere(const Box& b, const std::function<bool(int, int)>& test) const {
    return spot(b, test);
}

osg::Vec3 Screenshot::mean(const Box& b) const {
    osg::Vec3 sum(0, 0, 0);
    long all = 0;
    for (int y = std::max(b.y0, 0); y < std::min(b.y1, height()); ++y) {
        for (int x = std::max(b.x0, 0); x < std::min(b.x1, width()); ++x) {
            const osg::Vec4 c = pixel(x, y);
            sum += osg::Vec3(c.r(), c.g(), c.b());
            ++all;
        }
    }
    return all ? sum / static_cast<float>(all) : sum;
}

double Screenshot::changedShare(const Screenshot& other, const Box& b, float threshold) const {
    const long all = static_cast<long>(std::max(0, std::min(b.x1, width()) - std::max(b.x0, 0))) *
                     std::max(0, std::min(b.y1, height()) - std::max(b.y0, 0));
    return all ? static_cast<double>(changedSpot(other, b, threshold).count) / all : 0.0;
}

double Screenshot::paleShare(const Box& b, float level) const {
    return share(b.x0, b.y0, b.x1, b.y1, [level](const osg::Vec4& c) { return pale(c, level); });
}

Spot Screenshot::paleSpot(const Box& b, float level) const {
    return spot(b, [&](int x, int y) { return pale(pixel(x, y), level); });
}

Spot Screenshot::darkSpot(const Box& b, float brightness) const {
    return spot(b, [&](int x, int y) {
        const osg::Vec4 c = pixel(x, y);
        return (c.r() + c.g() + c.b()) / 3.0f < brightness;
    });
}

Spot Screenshot::tintSpot(const Box& b, int channel, float margin) const {
    return spot(b, [&](int x, int y) { return tinted(pixel(x, y), channel, margin); });
}

Spot Screenshot::changedSpot(const Screenshot& other, const Box& b, float threshold) const {
    return spot(b, [&](int x, int y) { return changed(pixel(x, y), other.pixel(x, y), threshold); });
}
