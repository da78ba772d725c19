#include "sim/SimulationPlot.h"

std::string SimulationPlot::script() {
    return Gnuplot::pngPreamble(800, 500) +
           "set key autotitle columnhead top right\n"
           "set title ARG3\n"
           "set xlabel 'tick'\n"
           "set ylabel 'living organisms'\n"
           "set yrange [0:*]\n"
           "set grid\n"
           "plot ARG1 using 1:2 with lines lw 2 lc rgb '" +
           Gnuplot::KIND_COLOURS[0] +
           "' title 'herbivores', \\\n     ARG1 using 1:3 with lines lw 2 lc rgb '" +
           Gnuplot::KIND_COLOURS[1] +
           "' title 'carnivores', \\\n     ARG1 using 1:4 with lines lw 2 lc rgb '" +
           Gnuplot::KIND_COLOURS[2] + "' title 'plants'\n";
}

Gnuplot::Result SimulationPlot::draw(const std::string& csvFile, const std::string& pngFile,
                                     const std::string& title, std::string& error) {
    return Gnuplot::run(script(), csvFile, pngFile, title, error);
}
