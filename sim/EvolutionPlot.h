#pragma once

#include "common/Gnuplot.h"

#include <string>

// The measures of evolution over time, drawn by gnuplot from the --evolution CSV: one panel per group,
// the counts of genotypes (all, adaptive, changed and novel) on the left axis and the Shannon diversity
// on the right.
class EvolutionPlot {
public:
    static std::string script();
    static Gnuplot::Result draw(const std::string& csvFile, const std::string& pngFile,
                                const std::string& title);
};
