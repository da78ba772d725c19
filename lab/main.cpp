// The sandbox's window on a world of your choice, at any speed, with a live population chart
// and saving on a key: see --help.
#include "lab/Lab.h"

#include <cstdio>

int main(int argc, char** argv) {
    // Line by line, so whoever reads the console sees each message as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Lab lab;
    return lab.run(argc, argv);
}
