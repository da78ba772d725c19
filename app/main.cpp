#include "app/Application.h"

#include <cstdio>

int main(int argc, char** argv) {
    // Line by line, so whoever reads the console sees each message as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Application application;
    return application.run(argc, argv);
}
