// Runs Sylvara's world without a window and records its populations: see --help.
#include "presentation/SoundBank.h"
#include "common/RunTree.h"
#include "sim/SimulationOptions.h"
#include "sim/SimulationRunner.h"
#include "common/RuleTable.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    SimulationOptions options;
    std::string error;
    switch (SimulationOptions::parse(argc, argv, options, error)) {
    case SimulationOptions::Outcome::Help:
        std::cout << SimulationOptions::usage("sylvara-sim");
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
    if (startFolder != RunTree::binFolder())
        options.resolveFrom(startFolder);
    // No sound device at all: a headless run is silent, and the null device's mixer would cost a core.
    SoundBank::openNoDevice();
    SimulationRunner runner(options, std::cout);
    if (!runner.start(error)) {
        std::cerr << "sylvara-sim: " << error << "\n";
        return 2;
    }
    runner.runAll();
    const bool finished = runner.finish();
    runner.printSummary(std::cout);
    return finished ? 0 : 1;
}
