#include "sweep/SweepSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

constexpr double FOREVER = std::numeric_limits<double>::infinity();

std::string number(double value) {
    if (value == SweepSummary::ALIVE)
        return "alive";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

bool SweepSummary::readRun(const std::string& csvFile, Run& run, std::string& error) {
    std::ifstream in(csvFile);
    std::string line;
    if (!in || !std::getline(in, line) || line.rfind("tick,herbivores,carnivores,plants", 0) != 0) {
        error = csvFile + ": not a census CSV";
        return false;
    }
    run = Run();
    while (std::getline(in, line)) {
        int tick = 0;
        Counts counts{};
        if (std::sscanf(line.c_str(), "%d,%d,%d,%d", &tick, &counts[0], &counts[1], &counts[2]) != 4) {
            error = csvFile + ": a row does not start with a tick and three counts: " + line.substr(0, 60);
            return false;
        }
        run.ticks.push_back(tick);
        run.counts.push_back(counts);
    }
    if (run.ticks.empty()) {
        error = csvFile + ": no census rows";
        return false;
    }
    return true;
}

void SweepSummary::readSummaryLines(const std::string& logFile, Run& run) {
    std::ifstream in(logFile);
    const char* const kinds[] = {"herbivores", "carnivores", "plants"};
    run.genotypesAlive = run.deepestLiving = -1;
    std::string line;
    while (std::getline(in, line)) {
        if (std::sscanf(line.c_str(), "genotypes alive %d, deepest living depth %d", &run.genotypesAlive,
                        &run.deepestLiving) == 2)
            continue;
        for (int group = 0; group < OrganismKind::COUNT; ++group) {
            const std::string kind = kinds[group];
            if (line.rfind(kind + " ", 0) != 0)
                continue;
            int tick = 0;
            if (line.rfind(kind + " alive", 0) == 0)
                run.diedAt[group] = -1;
            else if (std::sscanf(line.c_str() + kind.size(), " died out at tick %d", &tick) == 1)
                run.diedAt[group] = tick;
            const size_t rescued = line.find(", rescued: ");
            if (rescued != std::string::npos)
                run.inserted[group] = std::atol(line.c_str() + rescued + 11);
        }
    }
}

int SweepSummary::Run::extinctionTick(int group) const {
    if (diedAt[group] != UNKNOWN)
        return diedAt[group];
    if (counts.back()[group] > 0)
        return -1;
    size_t first = counts.size() - 1;
    while (first > 0 && counts[first - 1][group] == 0)
        --first;
    return ticks[first];
}

double SweepSummary::quantile(const std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return 0.0;
    const double position = p * (sorted.size() - 1);
    const size_t below = static_cast<size_t>(position);
    const double fraction = position - below;
    if (fraction == 0.0 || below + 1 >= sorted.size())
        return sorted[below];
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

void SweepSummary::add(const Run& run) {
    pooled.push_back(run);
}

SweepSummary::Extinction SweepSummary::extinction(int group) const {
    std::vector<double> ticks;
    Extinction result;
    for (const Run& run : pooled) {
        const int tick = run.extinctionTick(group);
        result.diedOut += tick >= 0;
        ticks.push_back(tick >= 0 ? tick : FOREVER);
    }
    std::sort(ticks.begin(), ticks.end());
    const auto finite = [](double value) { return std::isfinite(value) ? value : ALIVE; };
    result.q1 = finite(quantile(ticks, 0.25));
    result.median = finite(quantile(ticks, 0.5));
    result.q3 = finite(quantile(ticks, 0.75));
    return result;
}

int SweepSummary::rescuedRuns(int group) const {
    int runs = 0;
    for (const Run& run : pooled)
        runs += run.inserted[group] > 0;
    return runs;
}

long SweepSummary::inserted(int group) const {
    long total = 0;
    for (const Run& run : pooled)
        total += run.inserted[group];
    return total;
}

std::vector<SweepSummary::Point> SweepSummary::curves() const {
    std::vector<Point> points;
    if (pooled.empty())
        return points;
    size_t rows = pooled.front().ticks.size();
    for (const Run& run : pooled)
        rows = std::min(rows, run.ticks.size());
    for (size_t row = 0; row < rows; ++row) {
        Point point;
        point.tick = pooled.front().ticks[row];
        for (int group = 0; group < OrganismKind::COUNT; ++group) {
            std::vector<double> counts;
            int alive = 0;
            for (const Run& run : pooled) {
                counts.push_back(run.counts[row][group]);
                alive += run.counts[row][group] > 0;
            }
            std::sort(counts.begin(), counts.end());
            point.survival[group] = double(alive) / pooled.size();
            point.q1[group] = quantile(counts, 0.25);
            point.median[group] = quantile(counts, 0.5);
            point.q3[group] = quantile(counts, 0.75);
        }
        points.push_back(point);
    }
    return points;
}

std::string SweepSummary::summaryHeader() {
    std::string header = "runs";
    for (int group = 0; group < OrganismKind::COUNT; ++group) {
        const std::string kind = OrganismKind::name(static_cast<OrganismKind::Value>(group));
        header += "," + kind + "_died_out," + kind + "_extinction_q1," + kind + "_extinction_median," + kind +
                  "_extinction_q3";
    }
    header += ",genotypes_alive_median,deepest_living_depth_median";
    // Rescue's columns come last, so that the earlier ones keep their places.
    for (int group = 0; group < OrganismKind::COUNT; ++group) {
        const std::string kind = OrganismKind::name(static_cast<OrganismKind::Value>(group));
        header += "," + kind + "_rescued_runs," + kind + "_inserted";
    }
    return header;
}

std::string SweepSummary::summaryRow() const {
    std::string row = std::to_string(runs());
    for (int group = 0; group < OrganismKind::COUNT; ++group) {
        const Extinction e = extinction(group);
        row += "," + std::to_string(e.diedOut) + "," + number(e.q1) + "," + number(e.median) + "," +
               number(e.q3);
    }
    // Over the runs that told; empty when none did.
    std::vector<double> alive;
    std::vector<double> deepest;
    for (const Run& run : pooled) {
        if (run.genotypesAlive < 0)
            continue;
        alive.push_back(run.genotypesAlive);
        if (run.genotypesAlive > 0)
            deepest.push_back(run.deepestLiving);
    }
    std::sort(alive.begin(), alive.end());
    std::sort(deepest.begin(), deepest.end());
    row += "," + (alive.empty() ? std::string() : number(quantile(alive, 0.5)));
    row += "," + (deepest.empty() ? std::string() : number(quantile(deepest, 0.5)));
    for (int group = 0; group < OrganismKind::COUNT; ++group)
        row += "," + std::to_string(rescuedRuns(group)) + "," + std::to_string(inserted(group));
    return row;
}

std::string SweepSummary::curvesHeader() {
    std::string header = "tick";
    for (int group = 0; group < OrganismKind::COUNT; ++group) {
        const std::string kind = OrganismKind::name(static_cast<OrganismKind::Value>(group));
        header += "," + kind + "_survival," + kind + "_q1," + kind + "_median," + kind + "_q3";
    }
    return header;
}

std::vector<std::string> SweepSummary::curvesRows() const {
    std::vector<std::string> rows;
    for (const Point& point : curves()) {
        std::string row = std::to_string(point.tick);
        for (int group = 0; group < OrganismKind::COUNT; ++group)
            row += "," + number(point.survival[group]) + "," + number(point.q1[group]) + "," +
                   number(point.median[group]) + "," + number(point.q3[group]);
        rows.push_back(row);
    }
    return rows;
}
