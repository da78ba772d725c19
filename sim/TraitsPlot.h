#pragma once

#include "common/Gnuplot.h"

#include <string>

// Draws the genome traits of a census CSV over time: one panel per kind in its population colour,
// each trait's mean as a line in its own shade and dash, its spread (one deviation each side) as a
// band. Every trait lies in 1..100, so the panels share that scale.
class TraitsPlot {
public:
    // Reads the data, the PNG and the title from gnuplot's ARG1, ARG2 and ARG3.
    static std::string script();
    static Gnuplot::Result draw(const std::string& csvFile, const std::string& pngFile,
                                const std::string& title, std::string& error);
    // The kind's colour mixed towards black (amount < 0) or white (amount > 0), as "#rrggbb".
    static std::string shade(const std::string& colour, double amount);
};
