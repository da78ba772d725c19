#pragma once

#include "common/Gnuplot.h"

#include <string>
#include <vector>

// The sweep's two pictures, one panel per configuration, drawn from the summary's curves CSV
// (first column the configuration, then the tick and, per kind, survival, q1, median, q3):
// survival curves, and median populations with their interquartile band.
class SweepPlot {
public:
    struct Panel {
        std::string configuration;
        std::string title;
        // The run length: every panel spans its own configuration's run.
        int ticks;
    };

    // Both read the curves CSV from gnuplot's ARG1 and write the PNG ARG2 names; ARG3, when not empty,
    // names the rules under the title.
    static std::string survivalScript(const std::vector<Panel>& panels);
    static std::string populationsScript(const std::vector<Panel>& panels);

    // The most characters on a line of a panel's title: what its plot's width holds in the 10-point font.
    static constexpr size_t TITLE_LINE = 48;
    // A panel's title in lines of at most TITLE_LINE characters, broken after its commas, so that
    // the titles of panels side by side never run into one another.
    static std::vector<std::string> titleLines(const std::string& title);
};
