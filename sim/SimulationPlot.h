#pragma once

#include <string>

// Draws the populations of a census CSV into a PNG with gnuplot, fed a
// generated script on its standard input.
class SimulationPlot {
public:
    enum class Result { Drawn, NoGnuplot, Failed };

    // The gnuplot executable on PATH; empty when there is none.
    static std::string findGnuplot();
    static std::string script(const std::string& csvFile, const std::string& pngFile, const std::string& title);
    static Result draw(const std::string& csvFile, const std::string& pngFile, const std::string& title);
};
