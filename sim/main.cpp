// Runs Sylvara's world without a window and records its populations: see --help.
#include "common/OptionHelp.h"
#include "common/RuleTable.h"
#include "common/RunTree.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>

int main(int argc, char** argv) {
    SimulationOptions options;
    std::string error;
    switch (SimulationOptions::parse(argc, argv, options, error)) {
    case SimulationOptions::Outcome::Help:
        std::cout << SimulationOptions::usage("sylvara-sim");
        return 0;
    case SimulationOptions::Outcome::Version:
        std::cout << OptionHelp::versionLine("sylvara-sim");
        return 0;
    case SimulationOptions::Outcome::RulesList:
        std::cout << RuleTable::listing();
        return 0;
    case SimulationOptions::Outcome::Error:
        std::cerr << "sylvara-sim: " << error << "\n";
        return 2;
    case SimulationOptions::Outcome::Run:
        break;
    }
    // The world reads its art from the run tree; the user's files stay where the user is.
    std::string startFolder;
    if (!RunTree::enter(startFolder, error)) {
        std::cerr << "sylvara-sim: " << error << "\n";
        return 2;
    }
    options.startFolder = startFolder;
    if (startFolder != RunTree::workFolder())
        options.resolveFrom(startFolder);
    SimulationRunner runner(options, std::cout);
    // A population that grows past the machine's memory ends the run with a reason, not an
    // abort; the census rows are flushed as they are written, so those up to then stay.
    bool started = false;
    try {
        started = runner.start(error);
        if (!started) {
            std::cerr << "sylvara-sim: " << error << "\n";
            return 2;
        }
        runner.runAll();
    } catch (const std::bad_alloc&) {
        std::cerr << "sylvara-sim: out of memory "
                  << (started ? "at tick " + std::to_string(runner.getTick())
                              : std::string("building the world"))
                  << (started && !options.csvFile.empty() ? "; the census up to then is in " + options.csvFile
                                                          : std::string())
                  << "\n";
        return 1;
    }
    const bool finished = runner.finish();
    runner.printSummary(std::cout);
    return finished ? 0 : 1;
}
