#include "sim/EvolutionRecorder.h"

#include "common/OutputFiles.h"
#include "sim/EvolutionPlot.h"
#include "sim/SelectionReport.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <unistd.h>

EvolutionRecorder::EvolutionRecorder(const SimulationOptions& options, unsigned seed) : options(options) {
    EvolutionMeasures::Settings settings;
    settings.persistence = options.persistence;
    settings.activityMin = options.activityMin;
    settings.activityMax = options.activityMax;
    settings.shadows = options.shadows;
    settings.seed = seed;
    settings.rules = options.rules;
    measures = std::make_unique<EvolutionMeasures>(settings);
}

EvolutionRecorder::~EvolutionRecorder() {
    if (csv)
        std::fclose(csv);
}

bool EvolutionRecorder::start(World& world, long tick, const std::string& saved, std::ostream& out,
                              std::string& error) {
    if (!options.evolutionFile.empty()) {
        csv = std::fopen(options.evolutionFile.c_str(), "w");
        if (!csv) {
            error = "cannot write the evolution CSV " + OutputFiles::printable(options.evolutionFile) + ": " +
                    std::strerror(errno);
            return false;
        }
    }
    if (saved.empty()) {
        measures->attach(world, tick);
        return true;
    }
    std::istringstream state(saved);
    std::string word, why = "the saved measures are damaged";
    int format = 0;
    SelectionReport::Start start;
    bool read = static_cast<bool>(state >> word >> format) && word == "evolution" && format == 1 &&
                static_cast<bool>(state >> word) && word == "start";
    for (int k = 0; read && k < OrganismKind::COUNT; ++k) {
        read = static_cast<bool>(state >> start.count[k]) && start.count[k] >= 0;
        for (int t = 0; read && t < CensusColumns::MAX_TRAITS; ++t)
            read = static_cast<bool>(state >> start.mean[k][t]) && std::isfinite(start.mean[k][t]);
    }
    if (read && measures->resume(world, tick, state, why)) {
        first = start;
        hasStart = true;
        return true;
    }
    out << "the measures start afresh at tick " << tick << ": " << why << std::endl;
    measures->attach(world, tick);
    return true;
}

std::string EvolutionRecorder::saveState() const {
    std::ostringstream to;
    // Seventeen digits give every double back exactly.
    to << std::setprecision(17) << "evolution 1\nstart";
    for (int k = 0; k < OrganismKind::COUNT; ++k) {
        to << ' ' << (hasStart ? first.count[k] : 0);
        for (int t = 0; t < CensusColumns::MAX_TRAITS; ++t)
            to << ' ' << (hasStart ? first.mean[k][t] : 0.0);
    }
    to << "\n";
    measures->save(to);
    return to.str();
}

bool EvolutionRecorder::writeLine(const std::string& line, std::ostream& out) {
    if (!csv || failed)
        return false;
    errno = 0;
    if (std::fputs((line + "\n").c_str(), csv) >= 0 && std::fflush(csv) == 0) {
        bytes += static_cast<long>(line.size()) + 1;
        return true;
    }
    const int reason = errno != 0 ? errno : EIO;
    failed = true;
    // A row cut short would read as a row: the file ends with the last whole one.
    std::clearerr(csv);
    const bool whole = ftruncate(fileno(csv), bytes) == 0;
    out << "could not write the evolution CSV " << OutputFiles::printable(options.evolutionFile) << " ("
        << std::strerror(reason) << "): it holds " << rows << " rows"
        << (whole ? "" : ", the last maybe cut short") << "; no evolution plot is drawn" << std::endl;
    return false;
}

void EvolutionRecorder::row(long tick, const PopulationCensus& census, std::ostream& out) {
    if (!hasStart) {
        first = SelectionReport::Start::of(census);
        hasStart = true;
    }
    if (!started) {
        started = true;
        if (csv)
            writeLine(EvolutionMeasures::csvHeader(), out);
    }
    // The shadows and the persistence filter move on even without a CSV: the selection report needs them.
    const std::vector<EvolutionMeasures::Row> block = measures->rows(tick);
    if (!csv)
        return;
    for (const EvolutionMeasures::Row& r : block)
        if (writeLine(EvolutionMeasures::csvLine(r), out))
            rows += 1;
}

bool EvolutionRecorder::finish(const PopulationCensus& last, const std::string& title, std::ostream& out) {
    if (csv) {
        if (std::fclose(csv) != 0 && !failed) {
            failed = true;
            out << "could not write the evolution CSV " << OutputFiles::printable(options.evolutionFile)
                << " (" << std::strerror(errno) << ")" << std::endl;
        }
        csv = nullptr;
    }
    bool drawn = true;
    if (!options.evolutionPlotFile.empty() && !failed) {
        const Gnuplot::Result result =
            EvolutionPlot::draw(options.evolutionFile, options.evolutionPlotFile, title);
        plotted = result == Gnuplot::Result::Drawn;
        if (result == Gnuplot::Result::NoGnuplot)
            out << "gnuplot was not found on PATH: no evolution plot drawn; the evolution CSV is written."
                << std::endl;
        else if (!plotted)
            out << "gnuplot failed: the evolution plot " << OutputFiles::printable(options.evolutionPlotFile)
                << " was not drawn." << std::endl;
        drawn = result != Gnuplot::Result::Failed;
    }
    if (options.selectionFile.empty())
        return !failed && drawn;
    const std::vector<SelectionReport::Row> report =
        SelectionReport::compute(first, last, measures->getShadows());
    beyondDrift = SelectionReport::beyondDrift(report);
    std::ofstream file(options.selectionFile, std::ios::binary | std::ios::trunc);
    file << SelectionReport::csv(report);
    file.close();
    selectionWritten = static_cast<bool>(file);
    if (!selectionWritten)
        out << "cannot write the selection report " << OutputFiles::printable(options.selectionFile) << ": "
            << std::strerror(errno) << std::endl;
    return !failed && drawn && selectionWritten;
}

std::vector<std::pair<std::string, std::string>> EvolutionRecorder::getWritten() const {
    std::vector<std::pair<std::string, std::string>> files;
    if (!options.evolutionFile.empty() && !failed)
        files.push_back({"--evolution", options.evolutionFile});
    if (plotted)
        files.push_back({"--evolution-plot", options.evolutionPlotFile});
    if (selectionWritten)
        files.push_back({"--selection", options.selectionFile});
    return files;
}

void EvolutionRecorder::printSummary(std::ostream& to) const {
    if (!options.evolutionFile.empty())
        to << "evolution " << OutputFiles::printable(options.evolutionFile) << " (" << rows << " rows"
           << (failed ? ", then failed" : "") << ")\n";
    if (plotted)
        to << "evolution plot " << OutputFiles::printable(options.evolutionPlotFile) << "\n";
    if (selectionWritten)
        to << "selection " << OutputFiles::printable(options.selectionFile) << " (" << options.shadows
           << " neutral shadows); beyond drift, |z| >= 3: " << beyondDrift << "\n";
}
