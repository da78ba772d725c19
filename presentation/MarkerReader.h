#pragma once

#include "save/MarkerRecord.h"

#include <vector>

class BeamBatch;
struct TimedMarker;

// Reads the timed markers the scene shows back as plain records, for a saved world to keep.
class MarkerReader {
public:
    static void read(const std::vector<TimedMarker>& timed, const std::vector<BeamBatch>& beams,
                     std::vector<MarkerRecord>& out);

private:
    static MarkerRecord recordTimed(const TimedMarker& marker);
    static void recordBeams(const BeamBatch& batch, std::vector<MarkerRecord>& out);
};
