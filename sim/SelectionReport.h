#pragma once

#include "common/CensusColumns.h"
#include "sim/NeutralShadow.h"

#include <string>
#include <vector>

class PopulationCensus;

// Every kind's trait means from the first census row to the last, against what the neutral shadows
// give for the same births and deaths: z = (observed change - neutral change) / neutral spread. A
// trait whose |z| reaches 3 moved beyond what mutation and chance alone explain.
class SelectionReport {
public:
    struct Row {
        OrganismKind::Value kind;
        int trait;
        // false when the kind has no living member at the start or the end.
        bool measured = false;
        double startMean = 0.0;
        double endMean = 0.0;
        double observedChange = 0.0;
        double neutralChange = 0.0;
        double neutralSd = 0.0;
        // false when the shadows all agree (no spread) or there are fewer than two.
        bool hasZ = false;
        double z = 0.0;
    };

    static constexpr double THRESHOLD = 3.0;

    // What the report needs of the first census: each kind's count and trait means. A saved world keeps
    // it, so that a resumed run reports from the same start as a straight one.
    struct Start {
        int count[OrganismKind::COUNT] = {};
        double mean[OrganismKind::COUNT][CensusColumns::MAX_TRAITS] = {};
        static Start of(const PopulationCensus& census);
    };

    // The start census and the start trait means every shadow began from are those of the first row.
    static std::vector<Row> compute(const PopulationCensus& start, const PopulationCensus& end,
                                    const std::vector<NeutralShadow>& shadows);
    static std::vector<Row> compute(const Start& start, const PopulationCensus& end,
                                    const std::vector<NeutralShadow>& shadows);

    static std::string csv(const std::vector<Row>& rows);
    // "herbivores speed +4.2, plants size -5.1", or "none".
    static std::string beyondDrift(const std::vector<Row>& rows);
    // "herbivores", "carnivores", "plants".
    static std::string kindName(OrganismKind::Value kind);
};
