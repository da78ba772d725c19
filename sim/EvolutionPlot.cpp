#include "sim/EvolutionPlot.h"

namespace {

const char* const GROUPS[] = {"all", "herbivores", "carnivores", "plants"};
// "all" in black, then the kinds in their colours everywhere else.
const char* const COLOURS[] = {"#202020", "#2e8b57", "#b22222", "#6b8e23"};

std::string panel(int group) {
    // Every tick has one row per group in a fixed order after the header: the group's rows are every
    // fourth line from its own.
    const std::string rows = "ARG1 every 4::" + std::to_string(group + 1) + " using 1:";
    const std::string colour = COLOURS[group];
    std::string text = std::string("set title '") + GROUPS[group] + "' textcolor rgb '" + colour + "'\n";
    text += group == 3 ? "set xlabel 'tick'\n" : "unset xlabel\n";
    text += "plot " + rows + "3 with lines lw 2 lc rgb '" + colour + "' title 'genotypes', \\\n";
    text += "     " + rows + "10 with lines lw 2 dt 2 lc rgb '#1f5fbf' title 'adaptive', \\\n";
    text += "     " + rows + "5 with lines lw 1 lc rgb '#e08000' title 'change', \\\n";
    text += "     " + rows + "6 with lines lw 1 dt 3 lc rgb '#8000c0' title 'novelty', \\\n";
    text += "     " + rows + "4 axes x1y2 with lines lw 1 lc rgb '#808080' title 'diversity'\n";
    return text;
}

} // namespace

std::string EvolutionPlot::script() {
    std::string text =
        Gnuplot::pngPreamble(800, 900) +
        "stats ARG1 using 1 nooutput\n"
        "set xrange [STATS_min:STATS_max > STATS_min ? STATS_max : STATS_min + 1]\n"
        "set yrange [0:*]\n"
        "set y2range [0:*]\n"
        "set ytics nomirror\n"
        "set y2tics\n"
        "set grid\n"
        "set key outside right top vertical spacing 1.1\n"
        "set lmargin 8\n"
        "set rmargin 22\n"
        "set multiplot layout 4,1 title ARG3.': genotypes (left), Shannon diversity in nats (right)'\n";
    for (int group = 0; group < 4; ++group)
        text += panel(group);
    return text + "unset multiplot\n";
}

Gnuplot::Result EvolutionPlot::draw(const std::string& csvFile, const std::string& pngFile,
                                    const std::string& title) {
    return Gnuplot::run(script(), csvFile, pngFile, title);
}
