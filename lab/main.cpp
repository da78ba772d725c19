// The sandbox's window on a world of your choice, at any speed, with a live population chart
// and saving on a key: see --help.
#include "lab/Lab.h"

#include <cstdio>
#include <new>

int main(int argc, char** argv) {
    // Line by line, so whoever reads the console sees each message as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Lab lab;
    // A world that outgrows the machine's memory ends the lab with a reason, as it ends
    // sylvara-sim, not with an abort.
    try {
        return lab.run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "sylvara-lab: out of memory%s\n", lab.atTick().c_str());
        return 1;
    }
}
