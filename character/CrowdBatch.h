#pragma once

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Matrix>
#include <osg/Program>
#include <osg/ref_ptr>

#include <string>
#include <vector>

namespace osgUtil {
class CullVisitor;
}

namespace character {

// Many copies of one shape drawn in one instanced draw per geometry. Each frame the batch is
// culled first and opens; the nodes it stands for, met after it, hand in their model-view
// matrix and emissive colour instead of drawing themselves; the batch is drawn once the frame's
// cull is done. A software renderer pays a good deal for every draw and every state change:
// thousands of organisms become a handful of draws.
//
// The batch must hang in the scene ahead of what it draws, and it needs instanced arrays and
// GLSL 1.50: a context without them leaves every node drawing itself.
class CrowdBatch : public osg::Geode {
public:
    // Attribute slots of each instance's three model-view rows and its emission.
    static constexpr unsigned firstInstanceAttribute = 10;
    static const char* const instanceAttributeNames[4];

    // True while this frame's batch is open: a node may then join it.
    bool isGathering(unsigned frameNumber) const { return gathering && frameNumber == gatherFrame; }
    // Adds an instance placed by the given model-view matrix, in the given emissive colour.
    void add(const osg::Matrixd& modelView, const osg::Vec4& emission);
    // Adds the node the cull has reached, where and in the colour it would be drawn, and widens
    // the cull's depth range by its bounds as drawing it would.
    void join(osgUtil::CullVisitor& cull, osg::Node& node);
    // The emission a node on this path is drawn with: the outermost material set to override,
    // or else the nearest material.
    static osg::Vec4 emissionAlong(const osg::NodePath& path);
    unsigned getCount() const { return unsigned(emissions->size()); }
    // Row r of instance i: eye coordinate r of a point p of the shape is (p, 1) · row.
    const osg::Vec4& getRow(unsigned i, int r) const { return (*rows[r])[i]; }
    const osg::Vec4& getEmission(unsigned i) const { return (*emissions)[i]; }

    // Opens a new batch for the given frame, as the cull does when it meets the batch.
    void open(unsigned frameNumber);
    // Translucent copies blend over whatever is behind them, so a batch in the translucent bin
    // puts its instances farthest first before it is drawn, once a frame, as the scene sorts
    // translucent nodes.
    bool isTranslucent() const;
    void putFarthestFirst();
    // Lets batches gather without a context able to draw them: for tests.
    static void assumeCapableContext(bool assume);
    // A program of the two stages that reads the instance arrays under their attribute names.
    static osg::ref_ptr<osg::Program> makeProgram(const std::string& name, const std::string& vertex,
                                                  const std::string& fragment);

    void traverse(osg::NodeVisitor& visitor) override;

protected:
    CrowdBatch();
    ~CrowdBatch() override;

    // Draws the geometry once per instance: its primitive sets must be its own, and its state set
    // gets the instance arrays' divisors.
    void addInstanced(osg::Geometry* geometry);

private:
    osg::ref_ptr<osg::Vec4Array> rows[3];
    osg::ref_ptr<osg::Vec4Array> emissions;
    std::vector<osg::ref_ptr<osg::PrimitiveSet>> primitives;
    unsigned gatherFrame = 0;
    bool gathering = false;
    bool sorted = false;
};

} // namespace character
