#pragma once

#include <string>

// Draws the populations of a census CSV into a PNG with gnuplot. The other plots run through it too.
// File names never enter a script's text: gnuplot gets them as the arguments ARG1 (the data) and ARG2
// (the PNG), and the title as ARG3, so no name can be read as a command.
class SimulationPlot {
public:
    enum class Result { Drawn, NoGnuplot, Failed };

    // The colours of the three kinds, the same in every plot: herbivores, carnivores, plants.
    static const char* const KIND_COLOURS[3];

    // The gnuplot executable on PATH; empty when there is none.
    static std::string findGnuplot();
    static std::string script();
    static Result draw(const std::string& csvFile, const std::string& pngFile, const std::string& title);

    // Runs a gnuplot script with the data file, the PNG and the title as its arguments. gnuplot's own
    // messages are kept off the console: a failure is the caller's to report.
    static Result run(const std::string& script, const std::string& dataFile, const std::string& pngFile,
                      const std::string& title);
    // The lines that open the PNG of ARG2 at that size (cairo when gnuplot has it) and read
    // comma-separated data.
    static std::string pngPreamble(int width, int height);
    // A gnuplot single-quoted string, for text of our own making (no line breaks).
    static std::string quote(const std::string& text);
};
