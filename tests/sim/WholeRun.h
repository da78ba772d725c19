#pragma once

#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <sstream>
#include <string>

// Runs the options through the runner as sylvara-sim does: all it said (or why it could not start) in
// said, and whether the run finished with every output written.
inline bool runWhole(const SimulationOptions& options, std::string& said) {
    std::ostringstream out;
    SimulationRunner runner(options, out);
    std::string error;
    if (!runner.start(error)) {
        said = error;
        return false;
    }
    runner.runAll();
    const bool finished = runner.finish();
    runner.printSummary(out);
    said = out.str();
    return finished;
}
