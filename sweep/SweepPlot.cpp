#include "sweep/SweepPlot.h"

#include "common/CensusColumns.h"

#include <algorithm>

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

// The title as a gnuplot expression, its lines joined by line breaks.
std::string titleExpression(const std::string& title) {
    std::string text;
    for (const std::string& line : SweepPlot::titleLines(title))
        text += (text.empty() ? "" : ".\"\\n\".") + Gnuplot::quote(line);
    return text.empty() ? "''" : text;
}

// Up to three panels a row, each about 400 x 300, and taller by the lines its titles take.
std::string layout(const std::vector<SweepPlot::Panel>& all, const std::string& title) {
    const size_t panels = all.size();
    size_t titleLines = 1;
    for (const SweepPlot::Panel& panel : all)
        titleLines = std::max(titleLines, SweepPlot::titleLines(panel.title).size());
    const int columns = panels < 3 ? static_cast<int>(panels) : 3;
    const int rows = static_cast<int>((panels + 2) / 3);
    const int rowHeight = 320 + 16 * static_cast<int>(titleLines - 1);
    return Gnuplot::pngPreamble(420 * (columns > 0 ? columns : 1), rowHeight * (rows > 0 ? rows : 1) + 40) +
           "set key autotitle columnhead\n"
           "set grid\n"
           "set key top right\n"
           "set multiplot layout " +
           std::to_string(rows > 0 ? rows : 1) + "," + std::to_string(columns > 0 ? columns : 1) + " title " +
           Gnuplot::quote(title) + ".(strlen(ARG3) > 0 ? \"\\n\".ARG3 : '')\n";
}

} // namespace

std::vector<std::string> SweepPlot::titleLines(const std::string& title) {
    // The parts between ", ", each keeping its comma; a part too long for a line is cut into lines.
    std::vector<std::string> parts;
    for (size_t start = 0; start < title.size();) {
        const size_t comma = title.find(", ", start);
        const size_t end = comma == std::string::npos ? title.size() : comma + 1;
        for (size_t at = start; at < end; at += TITLE_LINE)
            parts.push_back(title.substr(at, std::min(TITLE_LINE, end - at)));
        start = comma == std::string::npos ? end : comma + 2;
    }
    std::vector<std::string> lines;
    for (const std::string& part : parts) {
        if (!lines.empty() && lines.back().size() + 1 + part.size() <= TITLE_LINE)
            lines.back() += " " + part;
        else
            lines.push_back(part);
    }
    return lines;
}

std::string SweepPlot::survivalScript(const std::vector<Panel>& panels) {
    const std::string data = "ARG1";
    std::string text =
        layout(panels, "Share of runs with each kind alive") +
        "set yrange [0:1.05]\nset xlabel 'tick'\nset ylabel 'runs alive'\nset key bottom left\n";
    for (const Panel& panel : panels) {
        text += "set title " + titleExpression(panel.title) +
                "\nset xrange [0:" + std::to_string(panel.ticks) + "]\nplot ";
        for (int group = 0; group < OrganismKind::COUNT; ++group)
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
    std::string text = layout(panels, "Median population, band from first to third quartile") +
                       "set yrange [0:*]\nset xlabel 'tick'\nset ylabel 'living organisms'\n"
                       "set style fill transparent solid 0.2 noborder\n";
    for (const Panel& panel : panels) {
        text += "set title " + titleExpression(panel.title) +
                "\nset xrange [0:" + std::to_string(panel.ticks) + "]\nplot ";
        for (int group = 0; group < OrganismKind::COUNT; ++group) {
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
