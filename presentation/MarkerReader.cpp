#include "presentation/MarkerReader.h"

#include "presentation/BeamBatch.h"
#include "presentation/MarkerGeometry.h"
#include "world/TimedMarker.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>

namespace {

const osg::Material* materialOf(const osg::StateSet* state) {
    return state ? dynamic_cast<const osg::Material*>(state->getAttribute(osg::StateAttribute::MATERIAL))
                 : nullptr;
}

// A rectangle's corners, height, colour and translucency, as its geometry holds them.
void readRect(const osg::PositionAttitudeTransform& node, MarkerRecord& out) {
    const osg::Geode* geode = node.getNumChildren() ? node.getChild(0)->asGeode() : nullptr;
    const osg::Geometry* geometry =
        geode && geode->getNumDrawables() ? geode->getDrawable(0)->asGeometry() : nullptr;
    const osg::Vec3Array* corners =
        geometry ? dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray()) : nullptr;
    if (!corners || corners->size() < 4)
        return;
    // Drawn from (x0, y1) round to (x0, y0).
    const osg::Vec3& first = (*corners)[3];
    const osg::Vec3& opposite = (*corners)[1];
    out.from.set(first.x(), first.y(), first.z() - MarkerGeometry::HEIGHT_LIFT);
    out.to.set(opposite.x(), opposite.y(), 0.0);
    if (const osg::Material* material = materialOf(geode->getStateSet())) {
        const osg::Vec4& emission = material->getEmission(osg::Material::FRONT);
        out.colour.set(emission.x(), emission.y(), emission.z());
        out.alpha = material->getDiffuse(osg::Material::FRONT).a();
    }
}

} // namespace

void MarkerReader::read(const std::vector<TimedMarker>& timed, const std::vector<BeamBatch>& beams,
                        std::vector<MarkerRecord>& out) {
    for (const TimedMarker& marker : timed)
        out.push_back(recordTimed(marker));
    for (const BeamBatch& batch : beams)
        recordBeams(batch, out);
}

MarkerRecord MarkerReader::recordTimed(const TimedMarker& marker) {
    MarkerRecord out;
    out.ticksLeft = marker.ticksLeft;
    out.from = marker.node->getPosition();
    switch (marker.kind) {
    case MarkerKind::lifePing:
        out.kind = MarkerRecord::Kind::lifePing;
        if (const osg::Material* material = materialOf(marker.node->getStateSet())) {
            const osg::Vec4& emission = material->getEmission(osg::Material::FRONT);
            out.colour.set(emission.x(), emission.y(), emission.z());
        }
        break;
    case MarkerKind::deathPing:
        out.kind = MarkerRecord::Kind::deathPing;
        break;
    case MarkerKind::arrow:
        out.kind = MarkerRecord::Kind::arrow;
        break;
    case MarkerKind::rect:
        out.kind = MarkerRecord::Kind::rect;
        readRect(*marker.node, out);
        break;
    }
    return out;
}

void MarkerReader::recordBeams(const BeamBatch& batch, std::vector<MarkerRecord>& out) {
    const osg::Vec3Array& corners = batch.getCorners();
    for (size_t beam = 0; beam < batch.size(); ++beam) {
        // Two corners at the end, then two at the start, each pair across the band's width.
        const osg::Vec3& endRight = corners[4 * beam];
        const osg::Vec3& endLeft = corners[4 * beam + 1];
        const osg::Vec3& startLeft = corners[4 * beam + 2];
        const osg::Vec3& startRight = corners[4 * beam + 3];
        MarkerRecord m;
        m.kind = MarkerRecord::Kind::beam;
        m.ticksLeft = batch.getTicksLeft(beam);
        const osg::Vec3 start = (startLeft + startRight) * 0.5f;
        const osg::Vec3 end = (endLeft + endRight) * 0.5f;
        m.from.set(start.x(), start.y(), start.z() - MarkerGeometry::HEIGHT_LIFT);
        m.to.set(end.x(), end.y(), m.from.z());
        m.width = (endLeft - endRight).length();
        m.colour = batch.getColour();
        m.alpha = batch.getAlpha();
        out.push_back(m);
    }
}
