#include "sim/TraitsPlot.h"

#include "sim/PopulationCensus.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Far enough apart to tell five lines of one hue apart at 800 x 600.
constexpr double SHADES[PopulationCensus::MAX_TRAITS] = {-0.5, -0.22, 0.0, 0.28, 0.5};

std::string panel(OrganismKind::Value group, bool last) {
    const std::string data = "ARG1";
    const std::string colour = Gnuplot::KIND_COLOURS[group];
    std::string text = "set title '" + OrganismKind::name(group) + "s' textcolor rgb '" + colour + "'\n";
    text += last ? "set xlabel 'tick'\n" : "unset xlabel\n";
    text += "plot ";
    for (int trait = 0; trait < PopulationCensus::traitCount(group); ++trait) {
        const std::string mean = std::to_string(PopulationCensus::traitColumn(group, trait));
        const std::string sd = std::to_string(PopulationCensus::traitColumn(group, trait) + 1);
        const std::string lineColour = "lc rgb '" + TraitsPlot::shade(colour, SHADES[trait]) + "'";
        if (trait > 0)
            text += ", \\\n     ";
        text += data + " using 1:($" + mean + "-$" + sd + "):($" + mean + "+$" + sd + ") with filledcurves " +
                lineColour + " notitle, \\\n     " + data + " using 1:" + mean + " with lines lw 2 dt " +
                std::to_string(trait + 1) + " " + lineColour + " title '" +
                PopulationCensus::traitName(group, trait) + "'";
    }
    return text + "\n";
}

} // namespace

std::string TraitsPlot::shade(const std::string& colour, double amount) {
    const long rgb = std::strtol(colour.c_str() + 1, nullptr, 16);
    char out[8];
    int channels[3] = {int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255};
    for (int& channel : channels)
        channel =
            amount < 0 ? int(channel * (1 + amount) + 0.5) : int(channel + (255 - channel) * amount + 0.5);
    std::snprintf(out, sizeof out, "#%02x%02x%02x", channels[0], channels[1], channels[2]);
    return out;
}

std::string TraitsPlot::script() {
    // Every panel spans the whole run, even when its kind died out early.
    std::string text = Gnuplot::pngPreamble(800, 600) +
                       "stats ARG1 using 1 nooutput\n"
                       "set xrange [0:STATS_max > 0 ? STATS_max : 1]\n"
                       "set yrange [0:100]\n"
                       "set ytics 25\n"
                       "set grid\n"
                       "set key outside right top vertical spacing 1.1\n"
                       "set lmargin 7\n"
                       "set rmargin 20\n"
                       "set style fill transparent solid 0.15 noborder\n"
                       "set multiplot layout 3,1 title ARG3.': trait means, bands one deviation each side'\n";
    for (int group = 0; group < OrganismKind::COUNT; ++group)
        text += panel(static_cast<OrganismKind::Value>(group), group == OrganismKind::PLANTS);
    return text + "unset multiplot\n";
}

Gnuplot::Result TraitsPlot::draw(const std::string& csvFile, const std::string& pngFile,
                                 const std::string& title, std::string& error) {
    return Gnuplot::run(script(), csvFile, pngFile, title, error);
}
