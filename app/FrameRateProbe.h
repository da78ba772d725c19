#pragma once

// Runs the program's own scene and frame loop with a given population for a
// while and measures the frames per second and the resident memory.
class FrameRateProbe {
public:
    struct Result {
        int organisms = 0;
        int frames = 0;
        double seconds = 0;
        double framesPerSecond = 0;
        long residentKb = 0;
    };

    // Returns false when no window could be opened.
    static bool run(int organisms, double seconds, Result& result);
    static long residentKb();
};
