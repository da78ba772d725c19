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
};
