#include "sweep/SweepPlot.h"

#include "common/CensusColumns.h"

namespace {

const char* const KIND_TITLES[] = {"herbivores", "carnivores", "plants"};

// Columns of the curves CSV. Survival curves often lie on one another: each kind has its own dash.
int column(int group, int offset) {
    return 3 + 4 * group + offset;
}

// The value of a column on the configuration's rows, NaN elsewhere, so one file feeds every panel.
std::string only(const std::string& configuration, int columnNumber) {
    return "(strcol(1) eq " + Gnuplot::quote(configuration) + " ? $" + std::to_string(columnNumber) +
           " : NaN)";
}

// Up to three panels a row, each about 400 x 300.
std::string layout(size_t panels, const std::string& title) {
    const int columns = panels < 3 ? static_cast<int>(panels) : 3;
    const int rows = static_cast<int>((panels + 2) / 3);
    return Gnuplot::pngPreamble(420 * (columns > 0 ? columns : 1), 320 * (rows > 0 ? rows : 1) + 40) +
           "set key autotitle columnhead\n"
           "set grid\n"
           "set key top right\n"
           "set multiplot layout " +
           std::to_string(rows > 0 ? rows : 1) + "," + std::to_string(columns > 0 ? columns : 1) + " title " +
           Gnuplot::quote(title) + ".(strlen(ARG3) > 0 ? \"\\n\".ARG3 : '')\n";
}

} // namespace

std::string SweepPlot::survivalScript(const std::vector<Panel>& panels) {
    const std::string data = "ARG1";
    std::string text =
        layout(panels.size(), "Share of runs with each kind alive") +
        "set yrange [0:1.05]\nset xlabel 'tick'\nset ylabel 'runs alive'\nset key bottom left\n";
    for (const Panel& panel : panels) {
        text += "set title " + Gnuplot::quote(panel.title) +
                "\nset xrange [0:" + std::to_string(panel.ticks) + "]\nplot ";
        for (int group = 0; group < CensusColumns::GROUPS; ++group)
            text += std::string(group ? ", \\\n     " : "") + data +
                    " using 2:" + only(panel.configuration, column(group, 0)) + " with steps lw 2 dt " +
                    std::to_string(group + 1) + " lc rgb '" + Gnuplot::KIND_COLOURS[group] + "' title '" +
                    KIND_TITLES[group] + "'";
        text += "\n";
    }
    return text + "unset multiplot\n";
}

std::string SweepPlot::populationsScript(const std::vector<Panel>& panels) {
    const std::string data = "ARG1";
    std::string text = layout(panels.size(), "Median population, band from first to third quartile") +
                       "set yrange [0:*]\nset xlabel 'tick'\nset ylabel 'living organisms'\n"
                       "set style fill transparent solid 0.2 noborder\n";
    for (const Panel& panel : panels) {
        text += "set title " + Gnuplot::quote(panel.title) +
                "\nset xrange [0:" + std::to_string(panel.ticks) + "]\nplot ";
        for (int group = 0; group < CensusColumns::GROUPS; ++group) {
            const std::string colour = std::string(" lc rgb '") + Gnuplot::KIND_COLOURS[group] + "'";
            text += std::string(group ? ", \\\n     " : "") + data +
                    " using 2:" + only(panel.configuration, column(group, 1)) + ":" +
                    only(panel.configuration, column(group, 3)) + " with filledcurves" + colour +
                    " notitle, \\\n     " + data + " using 2:" + only(panel.configuration, column(group, 2)) +
                    " with lines lw 2" + colour + " title '" + KIND_TITLES[group] + "'";
        }
        text += "\n";
    }
    return text + "unset multiplot\n";
}
