#pragma once

#include <string>

// Every plot is drawn by gnuplot through here. File names never enter a script's text: gnuplot gets them as
// the arguments ARG1 (the data) and ARG2 (the PNG), and the title as ARG3, so no name can be read as a
// command.
class Gnuplot {
public:
    enum class Result { Drawn, NoGnuplot, Failed };

    // The colours of the three kinds, the same in every plot: herbivores, carnivores, plants.
    static const char* const KIND_COLOURS[3];

    // The gnuplot executable on PATH; empty when there is none.
    static std::string findGnuplot();

    // Runs a gnuplot script with the data file, the PNG and the title as its arguments. gnuplot's own
    // messages are kept off the console: a failure is the caller's to report. The PNG is drawn under a
    // temporary name and takes its own only when whole; when it could not be written (a full disk, say)
    // the result is Failed and the error names the file, otherwise the error is left empty.
    static Result run(const std::string& script, const std::string& dataFile, const std::string& pngFile,
                      const std::string& title, std::string& error);
    static Result run(const std::string& script, const std::string& dataFile, const std::string& pngFile,
                      const std::string& title);
    // The lines that open the PNG of ARG2 at that size (cairo when gnuplot has it) and read
    // comma-separated data.
    static std::string pngPreamble(int width, int height);
    // A gnuplot single-quoted string, for text of our own making (no line breaks).
    static std::string quote(const std::string& text);
};
