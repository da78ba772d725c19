#include "sweep/SweepEvolution.h"

#include "sweep/SweepSummary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream text(line);
    for (std::string cell; std::getline(text, cell, ',');)
        out.push_back(cell);
    if (!line.empty() && line.back() == ',')
        out.push_back("");
    return out;
}

bool number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

std::string formatted(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

bool SweepEvolution::addRun(const std::string& evolutionFile, const std::string& selectionFile,
                            std::string& error) {
    std::ifstream evolution(evolutionFile);
    std::string header;
    if (!std::getline(evolution, header) || header.rfind("tick,group,", 0) != 0) {
        error = evolutionFile + ": no evolution header";
        return false;
    }
    const std::vector<std::string> names = cells(header);
    // The last row of every group: the final measures.
    std::map<std::string, std::vector<std::string>> last;
    std::vector<std::string> groups;
    for (std::string line; std::getline(evolution, line);) {
        std::vector<std::string> row = cells(line);
        if (row.size() != names.size())
            continue;
        if (!last.count(row[1]))
            groups.push_back(row[1]);
        last[row[1]] = row;
    }
    std::ifstream selection(selectionFile);
    if (groups.empty() || !std::getline(selection, header) || header.rfind("kind,trait,", 0) != 0) {
        error = (groups.empty() ? evolutionFile : selectionFile) + ": no rows";
        return false;
    }
    runCount += 1;
    for (const std::string& group : groups) {
        for (size_t column = 2; column < names.size(); ++column) {
            double value = 0.0;
            if (!number(last[group][column], value))
                continue;
            const auto key = std::make_pair(group, names[column]);
            if (!finals.count(key))
                measureOrder.push_back(key);
            finals[key].push_back(value);
        }
    }
    for (std::string line; std::getline(selection, line);) {
        const std::vector<std::string> row = cells(line);
        if (row.size() != 8)
            continue;
        const auto key = std::make_pair(row[0], row[1]);
        if (!tallies.count(key))
            traitOrder.push_back(key);
        Tally& tally = tallies[key];
        double z = 0.0;
        if (!number(row[7], z))
            continue;
        tally.runs += 1;
        tally.up += z >= THRESHOLD;
        tally.down += z <= -THRESHOLD;
    }
    return true;
}

std::vector<std::string> SweepEvolution::measureRows() const {
    std::vector<std::string> rows;
    for (const auto& key : measureOrder) {
        std::vector<double> values = finals.at(key);
        std::sort(values.begin(), values.end());
        rows.push_back(key.first + "," + key.second + "," + std::to_string(values.size()) + "," +
                       formatted(SweepSummary::quantile(values, 0.25)) + "," +
                       formatted(SweepSummary::quantile(values, 0.5)) + "," +
                       formatted(SweepSummary::quantile(values, 0.75)));
    }
    return rows;
}

std::vector<std::string> SweepEvolution::selectionRows() const {
    std::vector<std::string> rows;
    for (const auto& key : traitOrder) {
        const Tally& t = tallies.at(key);
        rows.push_back(key.first + "," + key.second + "," + std::to_string(t.runs) + "," +
                       std::to_string(t.up) + "," + std::to_string(t.down));
    }
    return rows;
}
