#pragma once

#include "common/Gnuplot.h"

#include <string>

// Draws the three populations of a census CSV over time into a PNG.
class SimulationPlot {
public:
    static std::string script();
    static Gnuplot::Result draw(const std::string& csvFile, const std::string& pngFile,
                                const std::string& title, std::string& error);
};
