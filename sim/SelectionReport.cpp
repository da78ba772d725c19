#include "sim/SelectionReport.h"

#include "sim/PopulationCensus.h"

#include <cmath>
#include <cstdio>

std::string SelectionReport::kindName(OrganismKind::Value kind) {
    return OrganismKind::name(kind) + "s";
}

SelectionReport::Start SelectionReport::Start::of(const PopulationCensus& census) {
    Start start;
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        const auto kind = static_cast<OrganismKind::Value>(k);
        start.count[k] = census.count(kind);
        for (int trait = 0; trait < CensusColumns::traitCount(kind); ++trait)
            start.mean[k][trait] = census.mean(kind, trait);
    }
    return start;
}

std::vector<SelectionReport::Row> SelectionReport::compute(const PopulationCensus& start,
                                                           const PopulationCensus& end,
                                                           const std::vector<NeutralShadow>& shadows) {
    return compute(Start::of(start), end, shadows);
}

std::vector<SelectionReport::Row> SelectionReport::compute(const Start& start, const PopulationCensus& end,
                                                           const std::vector<NeutralShadow>& shadows) {
    std::vector<Row> rows;
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        const auto kind = static_cast<OrganismKind::Value>(k);
        for (int trait = 0; trait < CensusColumns::traitCount(kind); ++trait) {
            Row row{kind, trait};
            row.measured = start.count[k] > 0 && end.count(kind) > 0;
            if (row.measured) {
                row.startMean = start.mean[k][trait];
                row.endMean = end.mean(kind, trait);
                row.observedChange = row.endMean - row.startMean;
                double sum = 0.0, squares = 0.0;
                for (const NeutralShadow& shadow : shadows)
                    sum += shadow.traitMean(k, trait) - row.startMean;
                const double n = static_cast<double>(shadows.size());
                row.neutralChange = shadows.empty() ? 0.0 : sum / n;
                for (const NeutralShadow& shadow : shadows) {
                    const double d = shadow.traitMean(k, trait) - row.startMean - row.neutralChange;
                    squares += d * d;
                }
                row.neutralSd = shadows.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
                row.hasZ = row.neutralSd > 0.0;
                if (row.hasZ)
                    row.z = (row.observedChange - row.neutralChange) / row.neutralSd;
            }
            rows.push_back(row);
        }
    }
    return rows;
}

std::string SelectionReport::csv(const std::vector<Row>& rows) {
    std::string text = "kind,trait,start_mean,end_mean,observed_change,neutral_change,neutral_sd,z\n";
    char line[256];
    for (const Row& r : rows) {
        text += kindName(r.kind) + "," + CensusColumns::traitName(r.kind, r.trait);
        if (!r.measured) {
            text += ",,,,,,\n";
            continue;
        }
        std::snprintf(line, sizeof line, ",%.4f,%.4f,%.4f,%.4f,%.4f,", r.startMean, r.endMean,
                      r.observedChange, r.neutralChange, r.neutralSd);
        text += line;
        if (r.hasZ) {
            std::snprintf(line, sizeof line, "%.3f", r.z);
            text += line;
        }
        text += "\n";
    }
    return text;
}

std::string SelectionReport::beyondDrift(const std::vector<Row>& rows) {
    std::string text;
    char z[32];
    for (const Row& r : rows) {
        if (!r.hasZ || std::fabs(r.z) < THRESHOLD)
            continue;
        std::snprintf(z, sizeof z, "%+.1f", r.z);
        text += (text.empty() ? "" : ", ") + kindName(r.kind) + " " +
                CensusColumns::traitName(r.kind, r.trait) + " " + z;
    }
    return text.empty() ? "none" : text;
}
