#include "save/MarkerRecorder.h"

#include "world/World.h"

std::vector<MarkerRecord> MarkerRecorder::record(const World& world) {
    std::vector<MarkerRecord> out;
    if (const WorldObserver* watcher = world.getObserver()) {
        out.reserve(world.getTimedMarkerCount());
        watcher->recordMarkers(out);
    }
    return out;
}

void MarkerRecorder::replay(World& world, const MarkerRecord& m) {
    switch (m.kind) {
    case MarkerRecord::Kind::lifePing:
        world.lifePing(m.from, m.colour, m.ticksLeft);
        return;
    case MarkerRecord::Kind::deathPing:
        world.deathPing(m.from, m.ticksLeft);
        return;
    case MarkerRecord::Kind::arrow:
        world.placeArrow(m.from, m.ticksLeft);
        return;
    case MarkerRecord::Kind::rect:
        world.addTimedRect(m.from.x(), m.from.y(), m.to.x(), m.to.y(), static_cast<float>(m.from.z()),
                           m.colour, m.alpha, m.ticksLeft);
        return;
    case MarkerRecord::Kind::beam:
        world.addTimedBeam(m.from, m.to, m.width, m.colour, m.alpha, m.ticksLeft);
        return;
    }
}
