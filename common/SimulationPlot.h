#pragma once

#include <string>

// Draws the populations of a census CSV into a PNG with gnuplot, fed a
// generated script on its standard input. The other plots run through it too.
class SimulationPlot {
public:
    enum class Result { Drawn, NoGnuplot, Failed };

    // The colours of the three kinds, the same in every plot: herbivores, carnivores, plants.
    static const char* const KIND_COLOURS[3];

    // The gnuplot executable on PATH; empty when there is none.
    static std::string findGnuplot();
    static std::string script(const std::string& csvFile, const std::string& pngFile,
                              const std::string& title);
    static Result draw(const std::string& csvFile, const std::string& pngFile, const std::string& title);

    // Runs any gnuplot script.
    static Result run(const std::string& script);
    // The lines that open a PNG of that size (cairo when gnuplot has it) and read comma-separated data.
    static std::string pngPreamble(const std::string& pngFile, int width, int height);
    // A gnuplot single-quoted string.
    static std::string quote(const std::string& text);
};
