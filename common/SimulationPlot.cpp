#include "common/SimulationPlot.h"

#include "common/ShellWord.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

const char* const SimulationPlot::KIND_COLOURS[3] = {"#2a62b8", "#c0302c", "#2e9a3a"};

// Only the quote itself needs doubling.
std::string SimulationPlot::quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

std::string SimulationPlot::pngPreamble(const std::string& pngFile, int width, int height) {
    const std::string size = std::to_string(width) + "," + std::to_string(height);
    return "if (strstrt(GPVAL_TERMINALS, 'pngcairo') > 0) {\n"
           "  set terminal pngcairo size " +
           size +
           " noenhanced font 'Sans,10'\n"
           "} else {\n"
           "  set terminal png size " +
           size +
           " noenhanced\n"
           "}\n"
           "set output " +
           quote(pngFile) +
           "\n"
           "set datafile separator ','\n";
}

std::string SimulationPlot::findGnuplot() {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/gnuplot";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

std::string SimulationPlot::script(const std::string& csvFile, const std::string& pngFile,
                                   const std::string& title) {
    const std::string data = quote(csvFile);
    return pngPreamble(pngFile, 800, 500) +
           "set key autotitle columnhead top right\n"
           "set title " +
           quote(title) +
           "\n"
           "set xlabel 'tick'\n"
           "set ylabel 'living organisms'\n"
           "set yrange [0:*]\n"
           "set grid\n"
           "plot " +
           data + " using 1:2 with lines lw 2 lc rgb '" + KIND_COLOURS[0] +
           "' title 'herbivores', \\\n     " + data + " using 1:3 with lines lw 2 lc rgb '" +
           KIND_COLOURS[1] + "' title 'carnivores', \\\n     " + data +
           " using 1:4 with lines lw 2 lc rgb '" + KIND_COLOURS[2] + "' title 'plants'\n";
}

SimulationPlot::Result SimulationPlot::draw(const std::string& csvFile, const std::string& pngFile,
                                            const std::string& title) {
    return run(script(csvFile, pngFile, title));
}

SimulationPlot::Result SimulationPlot::run(const std::string& text) {
    const std::string gnuplot = findGnuplot();
    if (gnuplot.empty())
        return Result::NoGnuplot;
    std::FILE* pipe = popen(ShellWord::quote(gnuplot).c_str(), "w");
    if (!pipe)
        return Result::Failed;
    const bool written = std::fwrite(text.data(), 1, text.size(), pipe) == text.size();
    const int status = pclose(pipe);
    const bool ok = written && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ok ? Result::Drawn : Result::Failed;
}
